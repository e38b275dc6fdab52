#include "app/package_check.h"

#include <algorithm>
#include <map>
#include <unordered_map>
#include <unordered_set>

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

// Collects findings for one record at a time.
class Report {
public:
    explicit Report(std::vector<Finding>& out) : out_(out) {}
    void at(Subject s, uint32_t position, uint32_t id) {
        subject_ = s;
        position_ = position;
        id_ = id;
    }
    void add(const char* field, Fault fault, ByteString message) {
        out_.push_back({subject_, position_, id_, field, fault, std::move(message)});
    }

private:
    std::vector<Finding>& out_;
    Subject subject_ = Subject::Common;
    uint32_t position_ = 0;
    uint32_t id_ = 0;
};

using IdSet = std::unordered_set<uint32_t>;

template <typename R>
IdSet idsOf(const RecordArray<R>& records) {
    IdSet ids;
    ids.reserve(records.count());
    for (const R& r : records) ids.insert(r.id);
    ids.erase(0);  // 0 names no record, even where a record holds it
    return ids;
}

// Id 0, and ids that an earlier record of the same kind holds already.
template <typename R>
void checkIds(Report& report, Subject s, const RecordArray<R>& records, uint32_t position,
              std::unordered_map<uint32_t, uint32_t>& firstHolder) {
    const uint32_t id = records[position].id;
    if (id == 0) return report.add("id", Fault::ZeroId, "id 0 names no record");
    auto [it, fresh] = firstHolder.emplace(id, position);
    if (!fresh)
        report.add("id", Fault::DuplicateId,
                   "id " + textFromU32(id) + " is also held by " + subjectName(s) + " " + textFromU32(it->second + 1));
}

void checkReference(Report& report, const char* field, uint32_t id, const IdSet& known, const char* kind) {
    if (!known.count(id))
        report.add(field, Fault::MissingReference,
                   ByteString("names ") + kind + " id " + textFromU32(id) + ", which no " + kind + " holds");
}

void checkReferences(Report& report, const char* field, const IdList& ids, const IdSet& known, const char* kind) {
    for (uint32_t id : ids) checkReference(report, field, id, known, kind);
}

void checkLink(Report& report, const char* field, const ByteString& text, FieldLink kind) {
    if (text.empty() || kind == FieldLink::None) return;
    if (kind == FieldLink::Web && !isWebLink(text))
        report.add(field, Fault::BadLink, "not a web link: " + quoted(text));
    if (kind == FieldLink::Mail && !isMailAddress(text))
        report.add(field, Fault::BadLink, "not an e-mail address: " + quoted(text));
}

void checkVersions(Report& report, const Package& p, const IdSet& versionIds) {
    std::unordered_map<uint32_t, uint32_t> firstHolder;
    bool havePrevious = false;
    DateTimeValue previous;
    uint32_t previousPosition = 0;
    for (uint32_t i = 0; i < p.versions.count(); ++i) {
        const VersionRecord& v = p.versions[i];
        report.at(Subject::Version, i, v.id);
        checkIds(report, Subject::Version, p.versions, i, firstHolder);
        if (v.id != 0 && std::count(v.freeUpgrades.begin(), v.freeUpgrades.end(), v.id))
            report.add("freeUpgrades", Fault::SelfUpgrade, "names the version itself");
        checkReferences(report, "freeUpgrades", v.freeUpgrades, versionIds, "version");
        DateTimeValue date;
        if (!v.releaseDate.empty() && !parseStoredDate(v.releaseDate.view(), date)) {
            report.add("releaseDate", Fault::BadDate, "not a date of the form YYYY-MM-DD HH:MM:SS: " + quoted(v.releaseDate));
        } else if (!v.releaseDate.empty()) {
            if (havePrevious && date.Serial() < previous.Serial())
                report.add("releaseDate", Fault::DateOrder,
                           "released " + calendarDateText(date) + ", before version " +
                               textFromU32(previousPosition + 1) + " (" + calendarDateText(previous) +
                               ") that comes before it in the list");
            havePrevious = true;
            previous = date;
            previousPosition = i;
        }
        if (!v.fileSize.empty() && !isDecimalNumber(v.fileSize))
            report.add("fileSize", Fault::BadFileSize, "not a number of bytes: " + quoted(v.fileSize));
        checkLink(report, "location", v.location, FieldLink::Web);
        checkLink(report, "screenshot", v.screenshot, FieldLink::Web);
        checkLink(report, "thumbnail", v.thumbnail, FieldLink::Web);
    }
}

void checkFeatures(Report& report, const Package& p, const IdSet& versionIds) {
    std::unordered_map<uint32_t, uint32_t> firstHolder;
    for (uint32_t i = 0; i < p.features.count(); ++i) {
        const FeatureRecord& f = p.features[i];
        report.at(Subject::Feature, i, f.id);
        checkIds(report, Subject::Feature, p.features, i, firstHolder);
        checkReferences(report, "versions", f.versions, versionIds, "version");
        checkLink(report, "screenshot", f.screenshot, FieldLink::Web);
        checkLink(report, "thumbnail", f.thumbnail, FieldLink::Web);
    }
}

void checkBugs(Report& report, const Package& p, const IdSet& versionIds, const IdSet& featureIds) {
    std::unordered_map<uint32_t, uint32_t> firstHolder;
    for (uint32_t i = 0; i < p.bugs.count(); ++i) {
        const BugRecord& b = p.bugs[i];
        report.at(Subject::Bug, i, b.id);
        checkIds(report, Subject::Bug, p.bugs, i, firstHolder);
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
    case Fault::LinkFails: return "link-fails";
    case Fault::SizeDiffers: return "size-differs";
    case Fault::ChangedSinceDigest: return "changed-since-digest";
    }
    return "";
}

std::vector<Finding> checkPackage(const Package& p) {
    std::vector<Finding> findings;
    Report report(findings);
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i)
        checkLink(report, commonFields()[i].name, p.common.field(i), commonFields()[i].link);
    const IdSet versionIds = idsOf(p.versions);
    checkVersions(report, p, versionIds);
    checkFeatures(report, p, versionIds);
    checkBugs(report, p, versionIds, idsOf(p.features));
    return findings;
}

std::vector<Finding> checkPackageOnline(const Package& p, const OnlineProbes& probes) {
    std::vector<Finding> findings;
    Report report(findings);
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
        report.at(Subject::Version, i, v.id);
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
        report.at(Subject::Feature, i, p.features[i].id);
        ask("screenshot", p.features[i].screenshot);
        ask("thumbnail", p.features[i].thumbnail);
    }
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

bool isDecimalNumber(const ByteString& text) {
    if (text.empty()) return false;
    for (uint32_t i = 0; i < text.length(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    return true;
}

}  // namespace orv
