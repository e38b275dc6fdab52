#include "app/common_fields.h"
#include "app/editing.h"
#include "cli/commands.h"
#include "app/package_json.h"
#include "support/numbers.h"

namespace orv::cli {

namespace {

// The text's lines, the first after `first`, the others after `indent`;
// empty lines stay empty and a final line break is dropped.
std::string indented(const std::string& first, std::string text, const std::string& indent) {
    if (!text.empty() && text.back() == '\n') text.pop_back();
    std::string out = first;
    for (size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '\n' && i + 1 < text.size() && text[i + 1] != '\n') out += indent;
    }
    return out + "\n";
}

void showList(std::string& out, Context& ctx, const Package& p, RecordKind kind, const char* heading) {
    const uint32_t n = recordCount(p, kind);
    out += "\n" + std::string(heading) + " (" + std::to_string(n) + ")\n";
    for (uint32_t i = 0; i < n; ++i) {
        const uint32_t id = kind == RecordKind::Versions   ? p.versions[i].id
                            : kind == RecordKind::Features ? p.features[i].id
                                                           : p.bugs[i].id;
        out += "  " + std::to_string(i + 1) + ". " + ctx.show(rowLabel(p, kind, i)) + "  [id " +
               std::to_string(id) + "]\n";
        out += indented("     ", ctx.show(rowSummary(p, kind, i)), "     ");
    }
}

}  // namespace

int runShow(const Options& o, Context& ctx) {
    Package p;
    if (const int status = loadPackage(o.file, p)) return status;
    std::string out = "Common information\n";
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) {
        const std::string label = std::string("  ") + commonFields()[i].label;
        const std::string value = ctx.show(p.common.field(i));
        out += value.empty() ? label + "\n" : indented(label + " ", value, std::string(label.size() + 1, ' '));
    }
    showList(out, ctx, p, RecordKind::Versions, "Versions");
    showList(out, ctx, p, RecordKind::Features, "Features");
    showList(out, ctx, p, RecordKind::Bugs, "Bugs");
    return print(out) ? kOk : kFileError;
}

int runExport(const Options& o, Context& ctx) {
    Package p;
    if (const int status = loadPackage(o.file, p)) return status;
    const std::string json = packageToJson(p, ctx.package());
    if (o.output.empty() || o.output == "-") return print(json) ? kOk : kFileError;
    if (json.size() >= ByteString::npos) return complain(kFileError, "the JSON would be 4 GiB or larger");
    return writeOutput(o.output, ByteString(json));
}

int runImport(const Options& o, Context&) {
    Package p;
    {  // the JSON goes before the package file is built, which reuses its memory
        ByteString json;
        if (!readInput(o.input, json)) return kFileError;
        std::string error;
        if (!packageFromJson(json.view(), o.encoding, p, error))
            return complain(kFileError, quoted(o.input) + ": " + error);
    }
    return writePackageFile(o.output, p);
}

}  // namespace orv::cli
