#include "package/format.h"

#include <string_view>

#include "package/stream.h"
#include "support/numbers.h"

namespace orv {

namespace {

// ---- Writing --------------------------------------------------------------
//
// The file is built straight into the caller's buffer: a nested list gets a
// 4-byte slot for its length that is filled in once the list is complete, so
// no byte is copied twice. A first pass adds up the size, so the buffer is
// allocated once: exact for texts and the records' own numbers, at most ten
// digits for each id of an id list (reading every list's ids twice costs a
// cache miss per list on a large package).

uint32_t digitCount(uint32_t v) {
    uint32_t n = 1;
    while (v >= 10) {
        v /= 10;
        ++n;
    }
    return n;
}

uint64_t textSize(const ByteString& t) { return 4 + static_cast<uint64_t>(t.length()); }
uint64_t numberSize(uint32_t v) { return 4 + static_cast<uint64_t>(digitCount(v)); }

uint64_t idListSize(const IdList& ids) { return 4 + 1 + (4 + 10) * static_cast<uint64_t>(ids.count()); }

uint64_t recordSize(const CommonInfo& c) {
    uint64_t n = 4 + 1;
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) n += textSize(c.field(i));
    return n;
}

uint64_t recordSize(const VersionRecord& v) {
    return 4 + 1 + numberSize(v.id) + textSize(v.version) + textSize(v.reservedText) + textSize(v.location) +
           textSize(v.fileSize) + textSize(v.screenshot) + textSize(v.thumbnail) + textSize(v.releaseDate) +
           idListSize(v.freeUpgrades) + numberSize(v.freeUpgradeDays);
}

uint64_t recordSize(const FeatureRecord& f) {
    return 4 + 1 + numberSize(f.id) + textSize(f.title) + textSize(f.description) + textSize(f.screenshot) +
           textSize(f.thumbnail) + idListSize(f.versions);
}

uint64_t recordSize(const BugRecord& b) {
    return 4 + 1 + numberSize(b.id) + textSize(b.title) + textSize(b.description) + numberSize(b.severity) +
           textSize(b.type) + numberSize(b.introduced) + numberSize(b.discovered) + numberSize(b.fixed) +
           idListSize(b.affectedFeatures);
}

template <typename R>
uint64_t collectionSize(const RecordArray<R>& records) {
    uint64_t n = 4 + 1;
    for (const R& r : records) n += recordSize(r);
    return n;
}

class ListWriter {
public:
    explicit ListWriter(ByteString& out) : out_(out) {}

    void text(std::string_view t) {
        length(static_cast<uint32_t>(t.size()));
        out_.append(t);
    }
    void text(const ByteString& t) { text(t.view()); }

    void number(uint32_t v) {
        char digits[10];
        uint32_t n = digitCount(v);
        for (uint32_t i = n; i-- > 0; v /= 10) digits[i] = static_cast<char>('0' + v % 10);
        text(std::string_view(digits, n));
    }

    // Starts a nested list as the next entry; returns the length slot that
    // closeList fills in.
    uint32_t openList() {
        const uint32_t slot = out_.length();
        length(0);
        out_.append('\x01');
        return slot;
    }
    void closeList(uint32_t slot) {
        const uint32_t n = out_.length() - slot - 4;
        char* p = out_.data() + slot;
        p[0] = static_cast<char>(n >> 24);
        p[1] = static_cast<char>(n >> 16);
        p[2] = static_cast<char>(n >> 8);
        p[3] = static_cast<char>(n);
    }

    void ids(const IdList& list) {
        const uint32_t slot = openList();
        for (uint32_t id : list) number(id);
        closeList(slot);
    }

private:
    void length(uint32_t n) {
        const char bytes[4] = {static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
                               static_cast<char>(n)};
        out_.append(bytes, 4);
    }

    ByteString& out_;
};

void writeRecord(ListWriter& w, const CommonInfo& c) {
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) w.text(c.field(i));
}

void writeRecord(ListWriter& w, const VersionRecord& v) {
    w.number(v.id);
    w.text(v.version);
    w.text(v.reservedText);
    w.text(v.location);
    w.text(v.fileSize);
    w.text(v.screenshot);
    w.text(v.thumbnail);
    w.text(v.releaseDate);
    w.ids(v.freeUpgrades);
    w.number(v.freeUpgradeDays);
}

void writeRecord(ListWriter& w, const FeatureRecord& f) {
    w.number(f.id);
    w.text(f.title);
    w.text(f.description);
    w.text(f.screenshot);
    w.text(f.thumbnail);
    w.ids(f.versions);
}

void writeRecord(ListWriter& w, const BugRecord& b) {
    w.number(b.id);
    w.text(b.title);
    w.text(b.description);
    w.number(b.severity);
    w.text(b.type);
    w.number(b.introduced);
    w.number(b.discovered);
    w.number(b.fixed);
    w.ids(b.affectedFeatures);
}

template <typename R>
void writeNested(ListWriter& w, const R& record) {
    const uint32_t slot = w.openList();
    writeRecord(w, record);
    w.closeList(slot);
}

template <typename R>
void writeCollection(ListWriter& w, const RecordArray<R>& records) {
    const uint32_t slot = w.openList();
    for (const R& r : records) writeNested(w, r);
    w.closeList(slot);
}

// ---- Reading --------------------------------------------------------------
//
// Entries are views into the file's bytes; only the final field values are
// copied. A field whose entry is missing keeps the value it had.

void readText(PackCursor& list, ByteString& field) {
    std::string_view entry;
    if (!list.next(entry)) return;
    field.clear();
    field.append(entry);
}

// Plain digits that cannot wrap are the usual case; anything else takes the
// general lenient parse.
uint32_t numberFrom(std::string_view text) {
    if (text.empty() || text.size() > 9) return parseU32(text);
    uint32_t v = 0;
    for (char c : text) {
        const uint32_t digit = static_cast<uint32_t>(static_cast<unsigned char>(c)) - '0';
        if (digit > 9) return parseU32(text);
        v = v * 10 + digit;
    }
    return v;
}

void readNumber(PackCursor& list, uint32_t& field) {
    std::string_view entry;
    if (list.next(entry)) field = numberFrom(entry);
}

// The list gets one slot per counted entry; slots past the last entry that
// can be read stay 0.
void readIds(PackCursor& list, IdList& ids) {
    std::string_view nested;
    if (!list.next(nested)) return;
    IdList fresh;
    const uint32_t n = countEntries(nested);
    fresh.setCount(n);
    PackCursor entries;
    entries.begin(nested);
    std::string_view entry;
    for (uint32_t i = 0; i < n && entries.next(entry); ++i) fresh[i] = numberFrom(entry);
    ids = std::move(fresh);
}

void readRecord(PackCursor& list, CommonInfo& c) {
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) readText(list, c.field(i));
}

void readRecord(PackCursor& list, VersionRecord& v) {
    readNumber(list, v.id);
    readText(list, v.version);
    readText(list, v.reservedText);
    readText(list, v.location);
    readText(list, v.fileSize);
    readText(list, v.screenshot);
    readText(list, v.thumbnail);
    readText(list, v.releaseDate);
    readIds(list, v.freeUpgrades);
    readNumber(list, v.freeUpgradeDays);
}

void readRecord(PackCursor& list, FeatureRecord& f) {
    readNumber(list, f.id);
    readText(list, f.title);
    readText(list, f.description);
    readText(list, f.screenshot);
    readText(list, f.thumbnail);
    readIds(list, f.versions);
}

void readRecord(PackCursor& list, BugRecord& b) {
    readNumber(list, b.id);
    readText(list, b.title);
    readText(list, b.description);
    readNumber(list, b.severity);
    readText(list, b.type);
    readNumber(list, b.introduced);
    readNumber(list, b.discovered);
    readNumber(list, b.fixed);
    readIds(list, b.affectedFeatures);
}

// Reads a record's fields from its nested list.
template <typename R>
void readNested(std::string_view entry, R& record) {
    PackCursor fields;
    fields.begin(entry);
    readRecord(fields, record);
}

// The collection is replaced by exactly the records of its list (empty if
// the list is missing); records without a readable entry stay default.
template <typename R>
void readCollection(PackCursor& file, RecordArray<R>& records) {
    records = RecordArray<R>();  // frees the old records before the new ones exist
    std::string_view list;
    if (!file.next(list)) return;
    const uint32_t n = countEntries(list);
    records.setCount(n);
    PackCursor entries;
    entries.begin(list);
    std::string_view entry;
    for (uint32_t i = 0; i < n && entries.next(entry); ++i) readNested(entry, records[i]);
}

}  // namespace

bool writePackage(const Package& package, ByteString& out) {
    const uint64_t size = 1 + textSize(kPackageSignature) + numberSize(kPackageFormatVersion) +
                          recordSize(package.common) + collectionSize(package.versions) +
                          collectionSize(package.features) + collectionSize(package.bugs);
    out.clear();  // storage the caller's text already has is used again
    out.reserve(static_cast<uint32_t>(size < 0xFFFFFFF0u ? size : 0xFFFFFFF0u));
    out.append('\x01');
    ListWriter w(out);
    w.text(std::string_view(kPackageSignature));
    w.number(kPackageFormatVersion);
    writeNested(w, package.common);
    writeCollection(w, package.versions);
    writeCollection(w, package.features);
    writeCollection(w, package.bugs);
    return true;
}

bool readPackage(Package& package, const ByteString& content) {
    PackCursor file;
    std::string_view signature;
    if (!file.begin(content.view()) || !file.next(signature) || signature != kPackageSignature) return false;
    uint32_t formatVersion = 0;  // every version is read the same way
    readNumber(file, formatVersion);
    std::string_view common;
    if (file.next(common)) readNested(common, package.common);
    readCollection(file, package.versions);
    readCollection(file, package.features);
    readCollection(file, package.bugs);
    return true;
}

}  // namespace orv
