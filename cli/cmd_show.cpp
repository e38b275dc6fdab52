// show, export and import: the whole package, as text or JSON.
#include "app/common_fields.h"
#include "app/package_json.h"
#include "app/package_json_reading.h"
#include "cli/commands.h"
#include "cli/records.h"

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

bool showText(Context& ctx, const Package& p) {
    std::string out = "Common information\n";
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) {
        const std::string label = std::string("  ") + commonFields()[i].label;
        const std::string value = ctx.show(p.common.field(i));
        out += value.empty() ? label + "\n" : indented(label + " ", value, std::string(label.size() + 1, ' '));
    }
    const Names versions(p.versions), features(p.features);
    bool ok = ctx.write(out + "\nVersions (" + std::to_string(p.versions.count()) + ")\n");
    for (uint32_t i = 0; ok && i < p.versions.count(); ++i) ok = writeVersionText(ctx, p, i, versions);
    ok = ok && ctx.write("\nFeatures (" + std::to_string(p.features.count()) + ")\n");
    for (uint32_t i = 0; ok && i < p.features.count(); ++i) ok = writeFeatureText(ctx, p, i, versions);
    ok = ok && ctx.write("\nBugs (" + std::to_string(p.bugs.count()) + ")\n");
    for (uint32_t i = 0; ok && i < p.bugs.count(); ++i) ok = writeBugText(ctx, p, i, versions, features);
    return ok && ctx.flush();
}

// One object: the file, the encoding the texts were read in, the common
// information and every record, one a line.
bool showJson(Context& ctx, const Package& p) {
    std::string out = "{\"file\":" + jsonString(ctx.options().file) + ",\"encoding\":" + jsonString(ctx.package().name()) +
                      ",\n\"common\":{";
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i)
        out += std::string(i ? "," : "") + "\"" + commonFields()[i].name + "\":" + jsonString(ctx.showUtf8(p.common.field(i)));
    const Names versions(p.versions), features(p.features);
    bool ok = ctx.write(out + "},\n\"versions\":[");
    for (uint32_t i = 0; ok && i < p.versions.count(); ++i)
        ok = ctx.write(i ? ",\n" : "\n") && writeVersionJson(ctx, p, i, versions);
    ok = ok && ctx.write("],\n\"features\":[");
    for (uint32_t i = 0; ok && i < p.features.count(); ++i)
        ok = ctx.write(i ? ",\n" : "\n") && writeFeatureJson(ctx, p, i, versions);
    ok = ok && ctx.write("],\n\"bugs\":[");
    for (uint32_t i = 0; ok && i < p.bugs.count(); ++i)
        ok = ctx.write(i ? ",\n" : "\n") && writeBugJson(ctx, p, i, versions, features);
    return ok && ctx.write("]}\n") && ctx.flush();
}

}  // namespace

int runShow(Context& ctx) {
    Package p;
    if (const int status = loadPackage(ctx, ctx.options().file, p)) return status;
    return (ctx.options().json ? showJson(ctx, p) : showText(ctx, p)) ? kOk : kFileError;
}

int runExport(Context& ctx) {
    const Options& o = ctx.options();
    Package p;
    if (const int status = loadPackage(ctx, o.file, p)) return status;
    if (o.output.empty() || o.output == "-")
        return writePackageJson(p, ctx.package(), [&](std::string_view piece) { return ctx.write(piece); }) && ctx.flush()
                   ? kOk
                   : kFileError;
    const std::string json = packageToJson(p, ctx.package());
    if (json.size() >= ByteString::npos) return ctx.fail(kFileError, quotedName(o.output), "cannot write", "the JSON would be 4 GiB or larger");
    return writeOutput(ctx, o.output, ByteString(json));
}

int runImport(Context& ctx) {
    const Options& o = ctx.options();
    Package p;
    {  // the JSON goes before the package file is built, which reuses its memory
        ByteString json;
        if (!readInput(ctx, o.input, json, kJsonPadding)) return kFileError;
        std::string error;
        if (!packageFromJson(json, o.encoding, p, error))
            return ctx.fail(kFileError, quotedName(o.input), "cannot import", safeText(error));
    }
    FileLock lock;  // a writer that reads the file first must not miss this one
    if (const int status = lockPackage(ctx, o.output, lock)) return status;
    if (const int status = writePackageFile(ctx, o.output, p)) return status;
    if (!o.json || o.output == "-") return kOk;
    return ctx.write("{\"file\":" + jsonString(o.output) + ",\"written\":true,\"versions\":" +
                     std::to_string(p.versions.count()) + ",\"features\":" + std::to_string(p.features.count()) +
                     ",\"bugs\":" + std::to_string(p.bugs.count()) + "}\n") &&
                   ctx.flush()
               ? kOk
               : kFileError;
}

}  // namespace orv::cli
