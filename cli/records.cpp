#include "cli/records.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "app/editing.h"
#include "app/summaries.h"

namespace orv::cli {

namespace {

constexpr uint32_t kNowhere = UINT32_MAX;

// The summary's lines, each after `indent`; a final line break is dropped.
std::string indented(const std::string& text, const std::string& indent) {
    std::string out = indent;
    for (size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '\n' && i + 1 < text.size() && text[i + 1] != '\n') out += indent;
    }
    if (!out.empty() && out.back() != '\n') out += '\n';
    return out;
}

// One field line ("     Thumbnail: ..."), left out when `value` is empty
// and `always` is false.
std::string fieldLine(const char* label, const std::string& value, bool always = true) {
    if (value.empty() && !always) return {};
    return std::string("     ") + label + ": " + value + "\n";
}

template <typename R>
const ByteString& nameOf(const R& r);
template <>
const ByteString& nameOf(const VersionRecord& v) { return v.version; }
template <>
const ByteString& nameOf(const FeatureRecord& f) { return f.title; }

// A list of ids as the names they stand for, runs of one id counted.
template <typename R>
bool writeNames(Context& ctx, const char* label, const IdList& ids, const RecordArray<R>& records, const Names& names,
                const char* kind) {
    if (!ctx.write(std::string("     ") + label + ": ")) return false;
    if (ids.empty() && !ctx.write("None")) return false;
    for (uint32_t i = 0; i < ids.count();) {
        uint32_t run = 1;
        while (i + run < ids.count() && ids[i + run] == ids[i]) ++run;
        const uint32_t at = names.find(ids[i]);
        std::string item = at == kNowhere ? "id " + std::to_string(ids[i]) + " (no such " + kind + ")"
                                          : ctx.show(nameOf(records[at]));
        if (run > 1) item += " (" + withCommas(run) + " times)";
        if (!ctx.write(i ? ", " + item : item)) return false;
        i += run;
    }
    return ctx.write("\n");
}

std::string versionName(Context& ctx, const Package& p, const Names& versions, uint32_t id) {
    if (id == 0) return "None/Unknown";
    const uint32_t at = versions.find(id);
    return at == kNowhere ? "id " + std::to_string(id) + " (no such version)" : ctx.show(p.versions[at].version);
}

bool heading(Context& ctx, const Package& p, RecordKind kind, uint32_t i, uint32_t id) {
    return ctx.write("  " + std::to_string(i + 1) + ". " + ctx.show(rowLabel(p, kind, i)) + "  [id " +
                     std::to_string(id) + "]\n" + indented(ctx.show(rowSummary(p, kind, i)), "     "));
}

// ---- JSON -------------------------------------------------------------------

std::string text(Context& ctx, const ByteString& bytes) { return jsonString(ctx.showUtf8(bytes)); }

// [{"id": 1, "version": "1.0"}, ...]: a name of null for an id no record holds.
template <typename R>
bool writeRefs(Context& ctx, const IdList& ids, const RecordArray<R>& records, const Names& names, const char* key) {
    if (!ctx.write("[")) return false;
    for (uint32_t i = 0; i < ids.count(); ++i) {
        const uint32_t at = names.find(ids[i]);
        if (!ctx.write(std::string(i ? "," : "") + "{\"id\":" + std::to_string(ids[i]) + ",\"" + key + "\":" +
                       (at == kNowhere ? "null" : text(ctx, nameOf(records[at]))) + "}"))
            return false;
    }
    return ctx.write("]");
}

std::string ref(Context& ctx, const Package& p, const Names& versions, uint32_t id) {
    if (id == 0) return "null";
    const uint32_t at = versions.find(id);
    return "{\"id\":" + std::to_string(id) + ",\"version\":" + (at == kNowhere ? "null" : text(ctx, p.versions[at].version)) + "}";
}

}  // namespace

std::string jsonString(std::string_view utf8) {
    return nlohmann::json(std::string(utf8)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

template <typename R>
Names::Names(const RecordArray<R>& records) {
    byId_.reserve(records.count());
    for (uint32_t i = 0; i < records.count(); ++i) byId_.emplace_back(records[i].id, i);
    std::sort(byId_.begin(), byId_.end());
}
template Names::Names(const RecordArray<VersionRecord>&);
template Names::Names(const RecordArray<FeatureRecord>&);

uint32_t Names::find(uint32_t id) const {
    if (id == 0) return kNowhere;
    auto it = std::lower_bound(byId_.begin(), byId_.end(), std::make_pair(id, 0u));
    return it != byId_.end() && it->first == id ? it->second : kNowhere;
}

bool writeVersionText(Context& ctx, const Package& p, uint32_t i, const Names& versions) {
    const VersionRecord& v = p.versions[i];
    return heading(ctx, p, RecordKind::Versions, i, v.id) &&
           ctx.write(fieldLine("Thumbnail", ctx.show(v.thumbnail), false) +
                     fieldLine("Reserved Text", ctx.show(v.reservedText), false)) &&
           writeNames(ctx, "Free Upgrades From", v.freeUpgrades, p.versions, versions, "version") &&
           ctx.write(fieldLine("Free-Upgrade Days", std::to_string(v.freeUpgradeDays)));
}

bool writeFeatureText(Context& ctx, const Package& p, uint32_t i, const Names& versions) {
    const FeatureRecord& f = p.features[i];
    return heading(ctx, p, RecordKind::Features, i, f.id) && ctx.write(fieldLine("Thumbnail", ctx.show(f.thumbnail), false)) &&
           writeNames(ctx, "Versions", f.versions, p.versions, versions, "version");
}

bool writeBugText(Context& ctx, const Package& p, uint32_t i, const Names& versions, const Names& features) {
    const BugRecord& b = p.bugs[i];
    return heading(ctx, p, RecordKind::Bugs, i, b.id) &&
           ctx.write(fieldLine("Introduced", versionName(ctx, p, versions, b.introduced)) +
                     fieldLine("Discovered", versionName(ctx, p, versions, b.discovered)) +
                     fieldLine("Fixed", versionName(ctx, p, versions, b.fixed))) &&
           writeNames(ctx, "Affected Features", b.affectedFeatures, p.features, features, "feature");
}

bool writeVersionJson(Context& ctx, const Package& p, uint32_t i, const Names& versions) {
    const VersionRecord& v = p.versions[i];
    return ctx.write("{\"position\":" + std::to_string(i + 1) + ",\"id\":" + std::to_string(v.id) +
                     ",\"label\":" + text(ctx, versionLabel(v)) + ",\"version\":" + text(ctx, v.version) +
                     ",\"reservedText\":" + text(ctx, v.reservedText) + ",\"location\":" + text(ctx, v.location) +
                     ",\"fileSize\":" + text(ctx, v.fileSize) + ",\"screenshot\":" + text(ctx, v.screenshot) +
                     ",\"thumbnail\":" + text(ctx, v.thumbnail) + ",\"releaseDate\":" + text(ctx, v.releaseDate) +
                     ",\"freeUpgrades\":") &&
           writeRefs(ctx, v.freeUpgrades, p.versions, versions, "version") &&
           ctx.write(",\"freeUpgradeDays\":" + std::to_string(v.freeUpgradeDays) + "}");
}

bool writeFeatureJson(Context& ctx, const Package& p, uint32_t i, const Names& versions) {
    const FeatureRecord& f = p.features[i];
    return ctx.write("{\"position\":" + std::to_string(i + 1) + ",\"id\":" + std::to_string(f.id) +
                     ",\"title\":" + text(ctx, f.title) + ",\"description\":" + text(ctx, f.description) +
                     ",\"screenshot\":" + text(ctx, f.screenshot) + ",\"thumbnail\":" + text(ctx, f.thumbnail) +
                     ",\"versions\":") &&
           writeRefs(ctx, f.versions, p.versions, versions, "version") && ctx.write("}");
}

bool writeBugJson(Context& ctx, const Package& p, uint32_t i, const Names& versions, const Names& features) {
    const BugRecord& b = p.bugs[i];
    return ctx.write("{\"position\":" + std::to_string(i + 1) + ",\"id\":" + std::to_string(b.id) +
                     ",\"label\":" + text(ctx, bugLabel(b)) + ",\"title\":" + text(ctx, b.title) +
                     ",\"description\":" + text(ctx, b.description) + ",\"severity\":" + std::to_string(b.severity) +
                     ",\"type\":" + text(ctx, b.type) + ",\"introduced\":" + ref(ctx, p, versions, b.introduced) +
                     ",\"discovered\":" + ref(ctx, p, versions, b.discovered) + ",\"fixed\":" +
                     ref(ctx, p, versions, b.fixed) + ",\"affectedFeatures\":") &&
           writeRefs(ctx, b.affectedFeatures, p.features, features, "title") && ctx.write("}");
}

}  // namespace orv::cli
