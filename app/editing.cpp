#include "app/editing.h"

#include <algorithm>
#include <vector>

#include "app/summaries.h"

namespace orv {

namespace {

bool contains(const IdList& list, uint32_t id) {
    return std::find(list.begin(), list.end(), id) != list.end();
}

// Removes every occurrence of `id`, keeping the other ids in their order. A
// list without it is not touched, so lists read from a file keep sharing
// their storage.
void removeAll(IdList& list, uint32_t id) {
    if (!contains(list, id)) return;
    auto end = std::remove(list.begin(), list.end(), id);
    list.setCount(static_cast<uint32_t>(end - list.begin()));
}

// The next id of a collection: the largest plus one. Only when the largest
// id is already 4294967295 (a damaged file) would that wrap to 0, which
// names no record; then the smallest id no record has is taken instead.
template <typename R>
uint32_t freshId(const RecordArray<R>& records, uint32_t next) {
    if (next != 0) return next;
    std::vector<uint32_t> used;
    used.reserve(records.count());
    for (const R& r : records) used.push_back(r.id);
    std::sort(used.begin(), used.end());
    uint32_t candidate = 1;
    for (uint32_t id : used) {
        if (id > candidate) break;
        if (id == candidate) ++candidate;
    }
    return candidate;
}

void clearIfEqual(uint32_t& ref, uint32_t id) {
    if (ref == id) ref = 0;
}

void removeVersion(Package& p, uint32_t index) {
    const uint32_t id = p.versions[index].id;
    for (VersionRecord& v : p.versions) removeAll(v.freeUpgrades, id);
    for (FeatureRecord& f : p.features) removeAll(f.versions, id);
    for (BugRecord& b : p.bugs) {
        clearIfEqual(b.introduced, id);
        clearIfEqual(b.discovered, id);
        clearIfEqual(b.fixed, id);
    }
    p.versions.removeAt(index);
}

void removeFeature(Package& p, uint32_t index) {
    const uint32_t id = p.features[index].id;
    for (BugRecord& b : p.bugs) removeAll(b.affectedFeatures, id);
    p.features.removeAt(index);
}

template <typename R>
bool swapNeighbours(RecordArray<R>& records, uint32_t index, int delta) {
    if (delta != -1 && delta != 1) return false;
    if (index >= records.count()) return false;
    if (delta < 0 && index == 0) return false;
    const uint32_t other = delta < 0 ? index - 1 : index + 1;
    if (other >= records.count()) return false;
    records.swapItems(index, other);
    return true;
}

}  // namespace

uint32_t recordCount(const Package& p, RecordKind kind) {
    switch (kind) {
    case RecordKind::Versions: return p.versions.count();
    case RecordKind::Features: return p.features.count();
    case RecordKind::Bugs: return p.bugs.count();
    }
    return 0;
}

ByteString rowLabel(const Package& p, RecordKind kind, uint32_t index) {
    if (index >= recordCount(p, kind)) return {};
    switch (kind) {
    case RecordKind::Versions: return versionLabel(p.versions[index]);
    case RecordKind::Features: return p.features[index].title;
    case RecordKind::Bugs: return bugLabel(p.bugs[index]);
    }
    return {};
}

ByteString rowSummary(const Package& p, RecordKind kind, uint32_t index) {
    if (index >= recordCount(p, kind)) return {};
    switch (kind) {
    case RecordKind::Versions: return versionSummary(p.versions[index]);
    case RecordKind::Features: return featureSummary(p.features[index]);
    case RecordKind::Bugs: return bugSummary(p.bugs[index]);
    }
    return {};
}

uint32_t addVersion(Package& p, VersionRecord record, bool associate) {
    record.id = freshId(p.versions, nextVersionId(p));
    if (associate && !p.versions.empty()) {
        const uint32_t last = p.versions[p.versions.count() - 1].id;
        for (FeatureRecord& f : p.features) {
            if (contains(f.versions, last)) f.versions.append(record.id);
        }
    }
    p.versions.append(std::move(record));
    return p.versions.count() - 1;
}

uint32_t addFeature(Package& p, FeatureRecord record) {
    record.id = freshId(p.features, nextFeatureId(p));
    p.features.append(std::move(record));
    return p.features.count() - 1;
}

uint32_t addBug(Package& p, BugRecord record) {
    record.id = freshId(p.bugs, nextBugId(p));
    p.bugs.append(std::move(record));
    return p.bugs.count() - 1;
}

bool needsAssociationQuestion(const Package& p) { return !p.versions.empty(); }

void removeRecord(Package& p, RecordKind kind, uint32_t index) {
    if (index >= recordCount(p, kind)) return;
    switch (kind) {
    case RecordKind::Versions: removeVersion(p, index); break;
    case RecordKind::Features: removeFeature(p, index); break;
    case RecordKind::Bugs: p.bugs.removeAt(index); break;
    }
}

bool moveRecord(Package& p, RecordKind kind, uint32_t index, int delta) {
    switch (kind) {
    case RecordKind::Versions: return swapNeighbours(p.versions, index, delta);
    case RecordKind::Features: return swapNeighbours(p.features, index, delta);
    case RecordKind::Bugs: return swapNeighbours(p.bugs, index, delta);
    }
    return false;
}

int rowAfterRemove(uint32_t removedRow, uint32_t rowsLeft) {
    if (removedRow < rowsLeft) return static_cast<int>(removedRow);
    if (rowsLeft > 0) return static_cast<int>(rowsLeft - 1);
    return -1;
}

Question removeQuestion(RecordKind kind) {
    switch (kind) {
    case RecordKind::Versions:
        return {"Delete Version?",
                "You are about to delete the selected version!\n\n"
                "This will disassociate the version from the upgrade path and all features and bugs.\n"
                "Delete the selected version?"};
    case RecordKind::Features:
        return {"Delete Feature?",
                "You are about to delete the selected feature listing from the upgrade package!\n\n"
                "This will disassociate the feature from versions and bugs.\n"
                "Delete the selected feature?"};
    case RecordKind::Bugs: break;
    }
    return {"Delete Bug?",
            "You are about to delete the selected bug listing from the upgrade package!\n\n"
            "This will disassociate the bug from versions and features.\n"
            "Delete the selected bug?"};
}

Question associationQuestion() {
    return {"Associate Version to Features?",
            "To save you time, Orvantis can automatically associate\n"
            "the latest version's features to the new version.\n"
            "Perform the association?"};
}

}  // namespace orv
