#include "app/package_check.h"

#include <algorithm>
#include <map>

#include "app/bug_types.h"
#include "app/common_fields.h"
#include "app/release_dates.h"
#include "support/numbers.h"

namespace orv {

namespace {

bool hasBlankOrControl(const ByteString& text) {
    for (uint32_t i = 0; i < text.length(); ++i) {
        if (text.byteAt(i) <= 0x20 || text.byteAt(i) == 0x7F) return true;
    }
    return false;
}

ByteString quoted(const ByteString& text) { return "\"" + text + "\""; }

const ByteString& nameOf(const VersionRecord& v) { return v.version; }
const ByteString& nameOf(const FeatureRecord& f) { return f.title; }
const ByteString& nameOf(const BugRecord& b) { return b.title; }

// Another record in a message: its name, or its place where it has none.
template <typename R>
ByteString recordRef(Subject s, const RecordArray<R>& records, uint32_t position) {
    const ByteString& name = nameOf(records[position]);
    return ByteString(subjectName(s)) + " " + (name.empty() ? "at position " + textFromU32(position + 1) : quoted(name));
}

// Hands findings on one at a time, a run of equal ones of one field as one.
class Report {
public:
    explicit Report(const std::function<void(const Finding&)>& found) : found_(found) {}
    ~Report() { flush(); }
    void at(Subject s, uint32_t position, uint32_t id, const ByteString& name) {
        subject_ = s;
        position_ = position;
        id_ = id;
        name_ = &name;
    }
    void add(const char* field, Fault fault, ByteString message, Level level = Level::Fault) {
        if (pending_ && last_.subject == subject_ && last_.position == position_ && last_.field == field &&
            last_.fault == fault && last_.message == message) {
            ++last_.count;
            return;
        }
        flush();
        last_ = Finding{subject_, position_, id_, *name_, field, fault, level, std::move(message)};
        pending_ = true;
    }
    void flush() {
        if (pending_) found_(last_);
        pending_ = false;
    }

private:
    const std::function<void(const Finding&)>& found_;
    Finding last_;
    bool pending_ = false;
    Subject subject_ = Subject::Common;
    uint32_t position_ = 0;
    uint32_t id_ = 0;
    const ByteString* name_ = &kNoName;
    static inline const ByteString kNoName;
};

// The records of one kind by id: (id, position) pairs sorted, 8 bytes a
// record, where a hash set would take several times that.
class IdIndex {
public:
    template <typename R>
    explicit IdIndex(const RecordArray<R>& records) {
        byId_.reserve(records.count());
        for (uint32_t i = 0; i < records.count(); ++i) byId_.emplace_back(records[i].id, i);
        std::sort(byId_.begin(), byId_.end());
    }
    // Whether a record holds the id; 0 names no record, even where one holds it.
    bool holds(uint32_t id) const { return id != 0 && firstHolder(id) != kNone; }
    // The first position with the id, or kNone.
    uint32_t firstHolder(uint32_t id) const {
        auto it = std::lower_bound(byId_.begin(), byId_.end(), std::make_pair(id, 0u));
        return it != byId_.end() && it->first == id ? it->second : kNone;
    }
    static constexpr uint32_t kNone = UINT32_MAX;

private:
    std::vector<std::pair<uint32_t, uint32_t>> byId_;
};

// Id 0, and ids that an earlier record of the same kind holds already.
template <typename R>
void checkId(Report& report, Subject s, const RecordArray<R>& records, uint32_t position, const IdIndex& index) {
    const uint32_t id = records[position].id;
    if (id == 0) return report.add("id", Fault::ZeroId, "id 0 names no record");
    const uint32_t first = index.firstHolder(id);
    if (first != position)
        report.add("id", Fault::DuplicateId, "id " + textFromU32(id) + " is also held by " + recordRef(s, records, first));
}

void checkReference(Report& report, const char* field, uint32_t id, const IdIndex& known, const char* kind) {
    if (!known.holds(id))
        report.add(field, Fault::MissingReference,
                   ByteString("names ") + kind + " id " + textFromU32(id) + ", which no " + kind + " holds");
}

void checkReferences(Report& report, const char* field, const IdList& ids, const IdIndex& known, const char* kind) {
    for (uint32_t id : ids) checkReference(report, field, id, known, kind);
}

void checkLink(Report& report, const char* field, const ByteString& text, FieldLink kind) {
    if (text.empty() || kind == FieldLink::None) return;
    if (kind == FieldLink::Web && !isWebLink(text))
        report.add(field, Fault::BadLink, "not a web link: " + quoted(text));
    if (kind == FieldLink::Mail && !isMailAddress(text))
        report.add(field, Fault::BadLink, "not an e-mail address: " + quoted(text));
}

// For each version, the first earlier version with the same non-empty
// text: (hash, position) pairs sorted, texts compared only where hashes meet.
class VersionTexts {
public:
    explicit VersionTexts(const RecordArray<VersionRecord>& versions) : versions_(versions) {
        byHash_.reserve(versions.count());
        for (uint32_t i = 0; i < versions.count(); ++i)
            if (!versions[i].version.empty()) byHash_.emplace_back(hashOf(i), i);
        std::sort(byHash_.begin(), byHash_.end());
    }
    uint32_t firstWithTextOf(uint32_t position) const {
        if (versions_[position].version.empty()) return position;
        const uint64_t h = hashOf(position);
        for (auto it = std::lower_bound(byHash_.begin(), byHash_.end(), std::make_pair(h, 0u));
             it != byHash_.end() && it->first == h && it->second < position; ++it) {
            if (versions_[it->second].version == versions_[position].version) return it->second;
        }
        return position;
    }

private:
    uint64_t hashOf(uint32_t i) const { return std::hash<std::string_view>()(versions_[i].version.view()); }
    const RecordArray<VersionRecord>& versions_;
    std::vector<std::pair<uint64_t, uint32_t>> byHash_;
};

void checkVersion(Report& report, const VersionRecord& v) {
    if (v.id != 0 && std::count(v.freeUpgrades.begin(), v.freeUpgrades.end(), v.id))
        report.add("freeUpgrades", Fault::SelfUpgrade, "names the version itself");
    if (v.fileSize.empty()) report.add("fileSize", Fault::BadFileSize, "no file size");
    else if (!isPositiveSize(v.fileSize))
        report.add("fileSize", Fault::BadFileSize, "not a positive number of bytes: " + quoted(v.fileSize));
    if (v.location.empty()) report.add("location", Fault::BadLink, "no download location");
    checkLink(report, "location", v.location, FieldLink::Web);
    checkLink(report, "screenshot", v.screenshot, FieldLink::Web);
    checkLink(report, "thumbnail", v.thumbnail, FieldLink::Web);
}

void checkVersions(Report& report, const Package& p, const IdIndex& versionIds) {
    const VersionTexts texts(p.versions);
    bool havePrevious = false;
    DateTimeValue previous;
    uint32_t previousPosition = 0;
    for (uint32_t i = 0; i < p.versions.count(); ++i) {
        const VersionRecord& v = p.versions[i];
        report.at(Subject::Version, i, v.id, v.version);
        checkId(report, Subject::Version, p.versions, i, versionIds);
        if (v.version.empty()) report.add("version", Fault::EmptyVersion, "no version text");
        if (const uint32_t first = texts.firstWithTextOf(i); first != i)
            report.add("version", Fault::DuplicateVersion,
                       "the same version text as " + recordRef(Subject::Version, p.versions, first) + " (id " +
                           textFromU32(p.versions[first].id) + ")");
        checkReferences(report, "freeUpgrades", v.freeUpgrades, versionIds, "version");
        DateTimeValue date;
        if (!v.releaseDate.empty() && !parseStoredDate(v.releaseDate.view(), date)) {
            report.add("releaseDate", Fault::BadDate, "not a date of the form YYYY-MM-DD HH:MM:SS: " + quoted(v.releaseDate));
        } else if (!v.releaseDate.empty()) {
            if (havePrevious && date.Serial() < previous.Serial())
                report.add("releaseDate", Fault::DateOrder,
                           "released " + calendarDateText(date) + ", before " +
                               recordRef(Subject::Version, p.versions, previousPosition) + " (" +
                               calendarDateText(previous) + ") that comes before it in the list");
            havePrevious = true;
            previous = date;
            previousPosition = i;
        }
        checkVersion(report, v);
    }
}

void checkFeatures(Report& report, const Package& p, const IdIndex& versionIds, const IdIndex& featureIds) {
    for (uint32_t i = 0; i < p.features.count(); ++i) {
        const FeatureRecord& f = p.features[i];
        report.at(Subject::Feature, i, f.id, f.title);
        checkId(report, Subject::Feature, p.features, i, featureIds);
        checkReferences(report, "versions", f.versions, versionIds, "version");
        checkLink(report, "screenshot", f.screenshot, FieldLink::Web);
        checkLink(report, "thumbnail", f.thumbnail, FieldLink::Web);
    }
}

bool isBugType(const ByteString& type) {
    return std::any_of(std::begin(kBugTypes), std::end(kBugTypes), [&](const char* t) { return type == t; });
}

void checkBugs(Report& report, const Package& p, const IdIndex& versionIds, const IdIndex& featureIds) {
    const IdIndex bugIds(p.bugs);
    for (uint32_t i = 0; i < p.bugs.count(); ++i) {
        const BugRecord& b = p.bugs[i];
        report.at(Subject::Bug, i, b.id, b.title);
        checkId(report, Subject::Bug, p.bugs, i, bugIds);
        if (b.severity < 1 || b.severity > 5)
            report.add("severity", Fault::BadSeverity, "severity " + textFromU32(b.severity) + " is not 1 to 5");
        if (!isBugType(b.type))
            report.add("type", Fault::UnknownType, "not one of the editor's four types: " + quoted(b.type),
                       Level::Warning);
        const std::pair<const char*, uint32_t> refs[] = {
            {"introduced", b.introduced}, {"discovered", b.discovered}, {"fixed", b.fixed}};
        for (const auto& [field, id] : refs) {
            if (id != 0) checkReference(report, field, id, versionIds, "version");
        }
        checkReferences(report, "affectedFeatures", b.affectedFeatures, featureIds, "feature");
    }
}

// A leading zero or two does not make another number.
ByteString withoutLeadingZeros(const ByteString& digits) {
    uint32_t i = 0;
    while (i + 1 < digits.length() && digits[i] == '0') ++i;
    return digits.Mid(i);
}

}  // namespace

const char* subjectName(Subject s) {
    switch (s) {
    case Subject::File: return "file";
    case Subject::Common: return "common";
    case Subject::Version: return "version";
    case Subject::Feature: return "feature";
    case Subject::Bug: return "bug";
    }
    return "";
}

const char* faultName(Fault f) {
    switch (f) {
    case Fault::MissingReference: return "missing-reference";
    case Fault::DuplicateId: return "duplicate-id";
    case Fault::ZeroId: return "zero-id";
    case Fault::SelfUpgrade: return "self-upgrade";
    case Fault::BadDate: return "bad-date";
    case Fault::DateOrder: return "date-order";
    case Fault::BadFileSize: return "bad-file-size";
    case Fault::BadLink: return "bad-link";
    case Fault::EmptyVersion: return "empty-version";
    case Fault::DuplicateVersion: return "duplicate-version";
    case Fault::BadSeverity: return "bad-severity";
    case Fault::UnknownType: return "unknown-type";
    case Fault::LinkFails: return "link-fails";
    case Fault::SizeDiffers: return "size-differs";
    case Fault::ChangedSinceDigest: return "changed-since-digest";
    case Fault::EndedEarly: return "ended-early";
    case Fault::TrailingBytes: return "trailing-bytes";
    }
    return "";
}

const char* levelName(Level l) { return l == Level::Warning ? "warning" : "fault"; }

void checkPackage(const Package& p, const std::function<void(const Finding&)>& found) {
    Report report(found);
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i)
        checkLink(report, commonFields()[i].name, p.common.field(i), commonFields()[i].link);
    const IdIndex versionIds(p.versions);
    checkVersions(report, p, versionIds);
    const IdIndex featureIds(p.features);
    checkFeatures(report, p, versionIds, featureIds);
    checkBugs(report, p, versionIds, featureIds);
}

std::vector<Finding> fileFindings(const PackageReadReport& report) {
    std::vector<Finding> findings;
    if (report.endedEarly)
        findings.push_back({Subject::File, 0, 0, {}, "", Fault::EndedEarly, Level::Fault,
                            "the file ends before the package does (cut short?); what is there was read"});
    if (report.trailingBytes)
        findings.push_back({Subject::File, 0, 0, {}, "", Fault::TrailingBytes, Level::Fault,
                            textFromU64(report.trailingBytes) + " bytes follow the end of the package"});
    return findings;
}

std::vector<Finding> checkPackage(const Package& p) {
    std::vector<Finding> findings;
    checkPackage(p, [&](const Finding& f) { findings.push_back(f); });
    return findings;
}

std::vector<Finding> checkPackageOnline(const Package& p, const OnlineProbes& probes) {
    std::vector<Finding> findings;
    const std::function<void(const Finding&)> keep = [&](const Finding& f) { findings.push_back(f); };
    Report report(keep);
    std::map<ByteString, LinkAnswer> answered;  // each distinct link once
    auto ask = [&](const char* field, const ByteString& link) {
        if (link.empty() || !isWebLink(link)) return;
        auto it = answered.find(link);
        if (it == answered.end()) it = answered.emplace(link, probes.answers(link)).first;
        if (!it->second.ok) report.add(field, Fault::LinkFails, quoted(link) + " does not answer: " + it->second.message);
    };
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) {
        if (commonFields()[i].link == FieldLink::Web) ask(commonFields()[i].name, p.common.field(i));
    }
    for (uint32_t i = 0; i < p.versions.count(); ++i) {
        const VersionRecord& v = p.versions[i];
        report.at(Subject::Version, i, v.id, v.version);
        if (!v.location.empty() && isWebLink(v.location)) {
            const DownloadSizeResult size = probes.downloadSize(v.location);
            if (!size.ok)
                report.add("location", Fault::LinkFails, quoted(v.location) + " does not answer: " + size.message);
            else if (isDecimalNumber(v.fileSize) && withoutLeadingZeros(v.fileSize) != size.size)
                report.add("fileSize", Fault::SizeDiffers,
                           quoted(v.fileSize) + " bytes, but the download location reports " + quoted(size.size));
        }
        ask("screenshot", v.screenshot);
        ask("thumbnail", v.thumbnail);
    }
    for (uint32_t i = 0; i < p.features.count(); ++i) {
        report.at(Subject::Feature, i, p.features[i].id, p.features[i].title);
        ask("screenshot", p.features[i].screenshot);
        ask("thumbnail", p.features[i].thumbnail);
    }
    report.flush();
    return findings;
}

bool isWebLink(const ByteString& text) {
    const ByteString lower = [&] {
        ByteString s = text.Left(8);
        s.toLower();
        return s;
    }();
    uint32_t start = 0;
    if (lower.Left(7) == "http://") start = 7;
    else if (lower == "https://") start = 8;
    else return false;
    if (hasBlankOrControl(text)) return false;
    uint32_t end = start;
    while (end < text.length() && text[end] != '/' && text[end] != '?' && text[end] != '#') ++end;
    ByteString host = text.Mid(start, end - start);
    const uint32_t at = host.find('@');
    if (at != ByteString::npos) host = host.Mid(at + 1);
    if (!host.empty() && host[0] == '[') return host.find(']') != ByteString::npos && host.length() > 2;
    const uint32_t colon = host.find(':');
    return colon != 0 && !host.empty();
}

bool isMailAddress(const ByteString& text) {
    const uint32_t at = text.find('@');
    if (at == ByteString::npos || at == 0 || text.find('@', at + 1) != ByteString::npos) return false;
    if (hasBlankOrControl(text)) return false;
    for (char c : std::string_view("\"(),:;<>[\\]?#&")) {
        if (text.find(c) != ByteString::npos) return false;
    }
    const ByteString domain = text.Mid(at + 1);
    if (domain.empty() || domain[0] == '.' || domain[domain.length() - 1] == '.') return false;
    return domain.find(ByteString("..")) == ByteString::npos;
}

bool isPositiveSize(const ByteString& text) {
    if (!isDecimalNumber(text)) return false;
    const ByteString digits = withoutLeadingZeros(text);
    return digits != "0" && (digits.length() < 20 || (digits.length() == 20 && !(ByteString("18446744073709551615") < digits)));
}

bool isDecimalNumber(const ByteString& text) {
    if (text.empty()) return false;
    for (uint32_t i = 0; i < text.length(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    return true;
}

}  // namespace orv
