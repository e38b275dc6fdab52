#include "package/format.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "package/stream.h"

namespace orv {

namespace {

// ---- Writing --------------------------------------------------------------
//
// Nested lists are written in place, so no byte is copied twice. A first
// pass adds up the size, so the file is built in one allocation and a
// package too large for one text is refused before anything is built: exact
// for texts and the records' own numbers, at most ten digits for each id of
// an id list (reading every list's ids twice costs a cache miss per list on
// a large package), and exact only when that bound passes the limit.

uint32_t digitCount(uint32_t v) {
    uint32_t n = 1;
    for (; v >= 10; v /= 10) ++n;
    return n;
}

uint64_t textSize(const ByteString& t) { return 4 + uint64_t{t.length()}; }
uint64_t numberSize(uint32_t v) { return 4 + uint64_t{digitCount(v)}; }

uint64_t idListSize(const IdList& ids, bool exact) {
    if (!exact) return 4 + 1 + (4 + 10) * uint64_t{ids.count()};
    uint64_t n = 4 + 1;
    for (uint32_t id : ids) n += numberSize(id);
    return n;
}

uint64_t recordSize(const CommonInfo& c, bool) {
    uint64_t n = 4 + 1;
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) n += textSize(c.field(i));
    return n;
}

uint64_t recordSize(const VersionRecord& v, bool exact) {
    return 4 + 1 + numberSize(v.id) + textSize(v.version) + textSize(v.reservedText) + textSize(v.location) +
           textSize(v.fileSize) + textSize(v.screenshot) + textSize(v.thumbnail) + textSize(v.releaseDate) +
           idListSize(v.freeUpgrades, exact) + numberSize(v.freeUpgradeDays);
}

uint64_t recordSize(const FeatureRecord& f, bool exact) {
    return 4 + 1 + numberSize(f.id) + textSize(f.title) + textSize(f.description) + textSize(f.screenshot) +
           textSize(f.thumbnail) + idListSize(f.versions, exact);
}

uint64_t recordSize(const BugRecord& b, bool exact) {
    return 4 + 1 + numberSize(b.id) + textSize(b.title) + textSize(b.description) + numberSize(b.severity) +
           textSize(b.type) + numberSize(b.introduced) + numberSize(b.discovered) + numberSize(b.fixed) +
           idListSize(b.affectedFeatures, exact);
}

template <typename R>
uint64_t collectionSize(const RecordArray<R>& records, bool exact) {
    uint64_t n = 4 + 1;
    for (const R& r : records) n += recordSize(r, exact);
    return n;
}

uint64_t packageSize(const Package& p, bool exact) {
    return 1 + textSize(kPackageSignature) + numberSize(kPackageFormatVersion) + recordSize(p.common, exact) +
           collectionSize(p.versions, exact) + collectionSize(p.features, exact) + collectionSize(p.bugs, exact);
}

void writeIds(PackStream& s, const IdList& ids) {
    const uint32_t list = s.openList();
    for (uint32_t id : ids) s.writeNumber(id);
    s.closeList(list);
}

void writeRecord(PackStream& s, const CommonInfo& c) {
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) s.writeEntry(c.field(i));
}

void writeRecord(PackStream& s, const VersionRecord& v) {
    s.writeNumber(v.id);
    s.writeEntry(v.version);
    s.writeEntry(v.reservedText);
    s.writeEntry(v.location);
    s.writeEntry(v.fileSize);
    s.writeEntry(v.screenshot);
    s.writeEntry(v.thumbnail);
    s.writeEntry(v.releaseDate);
    writeIds(s, v.freeUpgrades);
    s.writeNumber(v.freeUpgradeDays);
}

void writeRecord(PackStream& s, const FeatureRecord& f) {
    s.writeNumber(f.id);
    s.writeEntry(f.title);
    s.writeEntry(f.description);
    s.writeEntry(f.screenshot);
    s.writeEntry(f.thumbnail);
    writeIds(s, f.versions);
}

void writeRecord(PackStream& s, const BugRecord& b) {
    s.writeNumber(b.id);
    s.writeEntry(b.title);
    s.writeEntry(b.description);
    s.writeNumber(b.severity);
    s.writeEntry(b.type);
    s.writeNumber(b.introduced);
    s.writeNumber(b.discovered);
    s.writeNumber(b.fixed);
    writeIds(s, b.affectedFeatures);
}

template <typename R>
void writeNested(PackStream& s, const R& record) {
    const uint32_t list = s.openList();
    writeRecord(s, record);
    s.closeList(list);
}

template <typename R>
void writeCollection(PackStream& s, const RecordArray<R>& records) {
    const uint32_t list = s.openList();
    for (const R& r : records) writeNested(s, r);
    s.closeList(list);
}

// ---- Reading --------------------------------------------------------------
//
// Texts are pieces of the file's bytes (shared, not copied); id lists of
// more than two ids are pieces of blocks that the reader fills. Memory is
// taken only through fallible calls and against a budget, so that neither
// a crafted file nor a lack of memory can end the program: either makes
// the read fail with the package untouched.

class Reading {
public:
    // What reading may take beside the file itself, which is already in
    // memory: every input stays within 32 times its size plus 1 MiB. 64 KiB
    // of that are kept for what is not counted here (the reader's own few
    // small allocations, the rounding of pages).
    explicit Reading(uint32_t fileSize)
        : budget_(uint64_t{kReadMemoryFactor - 1} * fileSize + (1u << 20) - (64u << 10)), fileSize_(fileSize) {}

    bool charge(uint64_t bytes) {
        if (bytes > budget_) return false;
        budget_ -= bytes;
        return true;
    }
    uint64_t left() const { return budget_; }

    // Room for n ids that one list will share, or null when memory or the
    // budget runs out.
    uint32_t* idSlots(uint32_t n) {
        if (n > left_) {
            // Blocks grow with the file: few for a large one, small for a
            // small one.
            const uint32_t size = std::max(n, std::clamp(fileSize_ / 32, 1024u, 1u << 20));
            IdList block;
            if (!charge(memoryFootprint(uint64_t{size} * 4 + sizeof(SharedBlock))) || !block.tryResizeForOverwrite(size))
                return nullptr;
            sharer_.reset();
            block_ = std::move(block);
            next_ = block_.begin();  // written before anything shares it
            left_ = size;
            sharer_.emplace(block_);
        }
        uint32_t* slots = next_;
        next_ += n;
        left_ -= n;
        return slots;
    }
    // Slots taken by idSlots, filled: the list that holds them.
    IdList idList(const uint32_t* slots, uint32_t n) { return sharer_->share(slots, n); }

private:
    uint64_t budget_;
    uint32_t fileSize_;
    IdList block_;
    uint32_t* next_ = nullptr;
    uint32_t left_ = 0;
    std::optional<IdList::Sharer> sharer_;
};

// The list gets one slot per counted entry; slots past the last entry that
// can be read are 0. False when memory runs out.
bool readIds(PackStream& fields, IdList& ids, Reading& r) {
    PackStream list;
    if (!fields.readList(list)) return true;
    const uint32_t n = list.countEntries();
    uint32_t inlineSlots[2];
    uint32_t* slots = inlineSlots;
    if (n > 2 && !(slots = r.idSlots(n))) return false;
    uint32_t i = 0;
    for (; i < n && list.readNumber(slots[i]); ++i) {
    }
    std::fill(slots + i, slots + n, 0u);
    if (n > 2) {
        ids = r.idList(slots, n);
    } else {
        ids.setCount(n);
        for (uint32_t k = 0; k < n; ++k) ids[k] = slots[k];
    }
    return true;
}

bool readRecord(PackStream& f, VersionRecord& v, Reading& r) {
    f.readNumber(v.id);
    f.readEntry(v.version);
    f.readEntry(v.reservedText);
    f.readEntry(v.location);
    f.readEntry(v.fileSize);
    f.readEntry(v.screenshot);
    f.readEntry(v.thumbnail);
    f.readEntry(v.releaseDate);
    if (!readIds(f, v.freeUpgrades, r)) return false;
    f.readNumber(v.freeUpgradeDays);
    return true;
}

bool readRecord(PackStream& f, FeatureRecord& feature, Reading& r) {
    f.readNumber(feature.id);
    f.readEntry(feature.title);
    f.readEntry(feature.description);
    f.readEntry(feature.screenshot);
    f.readEntry(feature.thumbnail);
    return readIds(f, feature.versions, r);
}

bool readRecord(PackStream& f, BugRecord& b, Reading& r) {
    f.readNumber(b.id);
    f.readEntry(b.title);
    f.readEntry(b.description);
    f.readNumber(b.severity);
    f.readEntry(b.type);
    f.readNumber(b.introduced);
    f.readNumber(b.discovered);
    f.readNumber(b.fixed);
    return readIds(f, b.affectedFeatures, r);
}

// Exactly the records of the collection's list (none if the list is
// missing). Every record starts as a default record, also where its list
// is short: nothing of the package read before can leak into a record, and
// records without a readable entry stay default. False when memory or the
// budget runs out.
constexpr uint64_t kLargeList = 8u << 20;

template <typename R>
bool readCollection(PackStream& file, RecordArray<R>& records, Reading& r) {
    PackStream list, fields;
    if (!file.readList(list)) return true;
    // On a list of single entries there is a record for each entry that can
    // be read. Counting them first reads a list twice, which costs once it
    // no longer fits the caches; so for a large list, where the address
    // space is there, room for as many records as the list could hold (an
    // entry takes at least 4 bytes) and the budget allows is reserved, and
    // the records are counted by reading them.
    const uint64_t affordable = r.left() / sizeof(R);
    const uint64_t most = std::min<uint64_t>({affordable, list.countBound(), 0xFFFFFFFEu});
    if (list.mode() == 1 && list.size() >= kLargeList && records.tryReserveSpace(static_cast<uint32_t>(most))) {
        for (uint32_t i = 0; list.readList(fields); ++i) {
            if (i == most) return false;  // more than the budget allows
            if (!readRecord(fields, records.appendReserved(), r)) return false;
        }
        return records.fit() && r.charge(memoryFootprint(uint64_t{records.count()} * sizeof(R)));
    }
    const uint32_t n = list.countEntries();
    if (!r.charge(memoryFootprint(uint64_t{n} * sizeof(R))) || !records.tryReserve(n)) return false;
    bool readable = true;
    for (uint32_t i = 0; i < n; ++i) {
        R& record = records.appendReserved();
        readable = readable && list.readList(fields);
        if (readable && !readRecord(fields, record, r)) return false;
    }
    return true;
}

}  // namespace

bool writePackage(const Package& package, ByteString& out) {
    uint64_t size = packageSize(package, false);
    if (size > ByteString::kMaxLength) size = packageSize(package, true);
    PackStream s;
    s.beginWrite(1, std::move(out));  // storage the caller's text already has is used again
    if (size > ByteString::kMaxLength || !s.reserve(size - 1)) {
        out = ByteString();
        return false;
    }
    s.writeEntry(std::string_view(kPackageSignature));
    s.writeNumber(kPackageFormatVersion);
    writeNested(s, package.common);
    writeCollection(s, package.versions);
    writeCollection(s, package.features);
    writeCollection(s, package.bugs);
    s.finish();
    s.takeOutput(out);
    return true;
}

bool readPackage(Package& package, const ByteString& content, PackageReadReport* report) {
    PackStream file;
    std::string_view signature;
    if (!file.beginRead(content) || !file.readView(signature) || signature != kPackageSignature) return false;
    uint32_t formatVersion = 0;  // every version is read the same way
    bool complete = file.readNumber(formatVersion);

    // Texts only share the file's bytes, so the common information cannot
    // fail; it replaces the package's texts only when everything is read.
    ByteString common[CommonInfo::kFieldCount];
    bool present[CommonInfo::kFieldCount] = {};
    PackStream commonList;
    const bool haveCommon = file.readList(commonList);
    complete = complete && haveCommon;
    if (haveCommon)
        for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) present[i] = commonList.readEntry(common[i]);

    Reading r(content.length());
    RecordArray<VersionRecord> versions;
    RecordArray<FeatureRecord> features;
    RecordArray<BugRecord> bugs;
    complete = complete && file.isOpen();  // the three collections follow, each an entry
    if (!readCollection(file, versions, r)) return false;
    complete = complete && file.isOpen();
    if (!readCollection(file, features, r)) return false;
    complete = complete && file.isOpen();
    if (!readCollection(file, bugs, r)) return false;
    if (report) *report = {!complete || file.cutShort(), file.bytesLeft()};
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i)
        if (present[i]) package.common.field(i) = std::move(common[i]);
    package.versions = std::move(versions);
    package.features = std::move(features);
    package.bugs = std::move(bugs);
    return true;
}

}  // namespace orv
