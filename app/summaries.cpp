#include "app/summaries.h"

#include "support/numbers.h"

namespace orv {

namespace {
constexpr uint32_t kTimeOfDayLength = 9;  // " HH:MM:SS"
}

ByteString releaseDatePart(const ByteString& releaseDate) {
    if (releaseDate.length() < kTimeOfDayLength) return {};
    return releaseDate.Left(releaseDate.length() - kTimeOfDayLength);
}

ByteString versionLabel(const VersionRecord& v) {
    ByteString out = v.version;
    out += " (";
    out += releaseDatePart(v.releaseDate);
    out += ")";
    return out;
}

ByteString bugLabel(const BugRecord& b) {
    ByteString out = b.title;
    out += " (";
    out += textFromU32(b.severity);
    out += " - ";
    out += b.type;
    out += ")";
    return out;
}

ByteString versionSummary(const VersionRecord& v) {
    ByteString out;
    out += "Version: ";
    out += v.version;
    out += "\r\nRelease Date: ";
    out += releaseDatePart(v.releaseDate);
    out += "\r\nLocation: ";
    out += v.location;
    out += "\r\nFile Size: ";
    out += v.fileSize;
    out += " Bytes\r\n";
    if (!v.screenshot.empty()) {
        out += "Screenshot: ";
        out += v.screenshot;
    }
    return out;
}

ByteString featureSummary(const FeatureRecord& f) {
    ByteString out;
    out += "Title: ";
    out += f.title;
    out += "\r\n\r\nDescription: ";
    out += f.description;
    if (!f.screenshot.empty()) {
        out += "\r\n\r\nScreenshot: ";
        out += f.screenshot;
    }
    return out;
}

ByteString bugSummary(const BugRecord& b) {
    ByteString out;
    out += "Title: ";
    out += b.title;
    out += "\r\nDescription: ";
    out += b.description;
    out += "\r\nSeverity: ";
    out += textFromU32(b.severity);
    out += "\r\nType: ";
    out += b.type;
    return out;
}

void versionLabels(const Package& p, ByteStringList& out) {
    out.clear();
    out.reserve(p.versions.count());
    for (const VersionRecord& v : p.versions) out.push_back(versionLabel(v));
}

void featureTitles(const Package& p, ByteStringList& out) {
    out.clear();
    out.reserve(p.features.count());
    for (const FeatureRecord& f : p.features) out.push_back(f.title);
}

}  // namespace orv
