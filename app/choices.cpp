#include "app/choices.h"

#include <algorithm>

#include "app/summaries.h"

namespace orv {

namespace {

IdPositions sortedPositions(const IdList& ids) {
    IdPositions out;
    out.reserve(ids.count());
    for (uint32_t i = 0; i < ids.count(); ++i) out.emplace_back(ids[i], i);
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

VersionChoices versionChoices(const Package& p) {
    RecordChoices c;
    versionIds(p, c.ids);
    versionLabels(p, c.labels);
    c.byId = sortedPositions(c.ids);
    return c;
}

FeatureChoices featureChoices(const Package& p) {
    RecordChoices c;
    featureIds(p, c.ids);
    featureTitles(p, c.labels);
    c.byId = sortedPositions(c.ids);
    return c;
}

uint32_t positionOfId(const RecordChoices& c, uint32_t id) {
    if (id == 0) return kNoLine;
    // The last pair with this id: the first pair past it, one back.
    auto it = std::upper_bound(c.byId.begin(), c.byId.end(), std::make_pair(id, UINT32_MAX));
    if (it == c.byId.begin()) return kNoLine;
    --it;
    return it->first == id ? it->second : kNoLine;
}

std::vector<uint32_t> linesOfIds(const RecordChoices& c, const IdList& ids) {
    std::vector<uint32_t> lines;
    for (uint32_t id : ids) {
        const uint32_t line = positionOfId(c, id);
        if (line != kNoLine) lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    return lines;
}

IdList idsOnOk(const RecordChoices& c, const IdList& before, const std::vector<uint32_t>& selectedLines) {
    IdList out;
    for (uint32_t line : selectedLines) {
        if (line < c.ids.count()) out.append(c.ids[line]);
    }
    if (selectedLines != linesOfIds(c, before)) return out;
    for (uint32_t id : before) {
        if (positionOfId(c, id) == kNoLine) out.append(id);
    }
    return out;
}

uint32_t dropDownLine(const RecordChoices& c, uint32_t id) {
    if (id == 0) return 0;
    const uint32_t line = positionOfId(c, id);
    return line == kNoLine ? c.ids.count() + 1 : line + 1;
}

bool needsKeptLine(const RecordChoices& c, uint32_t id) { return id != 0 && positionOfId(c, id) == kNoLine; }

uint32_t idOfDropDownLine(const RecordChoices& c, uint32_t before, uint32_t line) {
    if (line == 0) return 0;
    return line <= c.ids.count() ? c.ids[line - 1] : before;
}

}  // namespace orv
