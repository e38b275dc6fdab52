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

uint32_t largestId(const IdList& ids) {
    uint32_t m = 0;
    for (uint32_t id : ids) m = std::max(m, id);
    return m;
}

// The dense table, only when it stays in proportion to the records.
void fillIndexById(const IdList& ids, IdList& out) {
    out.clear();
    if (ids.empty() || largestId(ids) > denseIndexLimit(ids.count())) return;
    for (uint32_t i = 0; i < ids.count(); ++i) out.at(ids[i]) = i;
}

uint32_t lookUp(const IdPositions& byId, uint32_t id) {
    if (id == 0) return UINT32_MAX;
    // The last pair with this id: the first pair past it, one back.
    auto it = std::upper_bound(byId.begin(), byId.end(), std::make_pair(id, UINT32_MAX));
    if (it == byId.begin()) return UINT32_MAX;
    --it;
    return it->first == id ? it->second : UINT32_MAX;
}

}  // namespace

uint64_t denseIndexLimit(uint32_t count) { return 4ull * count + 1024; }

VersionChoices versionChoices(const Package& p) {
    VersionChoices c;
    versionIds(p, c.ids);
    fillIndexById(c.ids, c.indexById);
    versionLabels(p, c.labels);
    c.byId = sortedPositions(c.ids);
    return c;
}

FeatureChoices featureChoices(const Package& p) {
    FeatureChoices c;
    featureIds(p, c.ids);
    fillIndexById(c.ids, c.indexById);
    featureTitles(p, c.titles);
    c.byId = sortedPositions(c.ids);
    return c;
}

uint32_t positionOfId(const VersionChoices& c, uint32_t id) { return lookUp(c.byId, id); }
uint32_t positionOfId(const FeatureChoices& c, uint32_t id) { return lookUp(c.byId, id); }

}  // namespace orv
