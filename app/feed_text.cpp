#include "app/feed_text.h"

#include <algorithm>
#include <cstdio>

#include "app/package_check.h"
#include "app/release_dates.h"
#include "support/numbers.h"

namespace orv::feed {

namespace {

const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// The length of the well-formed UTF-8 sequence at `i` and its code point;
// 0 for a byte that starts none (overlong forms, surrogates and code points
// past U+10FFFF included, which some decoders let through).
size_t sequence(const std::string& s, size_t i, uint32_t& code) {
    const auto c = static_cast<unsigned char>(s[i]);
    const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    code = n == 1 ? c : c & (0x7Fu >> n);
    for (size_t k = 1; k < n; ++k) {
        const auto next = static_cast<unsigned char>(s[i + k]);
        if ((next & 0xC0) != 0x80) return 0;
        code = code << 6 | (next & 0x3Fu);
    }
    static const uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[n] || (code >= 0xD800 && code < 0xE000) || code > 0x10FFFF) return 0;
    return n;
}

// Makes decoded text fit for XML 1.0: what is not well-formed UTF-8 becomes
// U+FFFD, and C0 controls but tab, line feed and carriage return, U+FFFE
// and U+FFFF are dropped.
void makeFit(std::string& text, bool& replaced, bool& dropped) {
    const bool plain = std::all_of(text.begin(), text.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x80 && (b >= 0x20 || b == '\t' || b == '\n' || b == '\r');
    });
    if (plain) return;
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        uint32_t code = 0;
        const size_t n = sequence(text, i, code);
        if (n == 0) {
            out += kReplacement;
            replaced = true;
            ++i;
            continue;
        }
        if ((code < 0x20 && code != '\t' && code != '\n' && code != '\r') || code == 0xFFFE || code == 0xFFFF) dropped = true;
        else out.append(text, i, n);
        i += n;
    }
    text = std::move(out);
}

std::string lowerExtension(const std::string& link) {
    const std::string path = link.substr(0, link.find_first_of("?#"));
    const size_t slash = path.rfind('/'), dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
    return ext;
}

FeedOs guessOs(const std::string& link) {
    const std::string ext = lowerExtension(link);
    for (const char* e : {"exe", "msi", "msix", "appx"})
        if (ext == e) return FeedOs::Windows;
    for (const char* e : {"dmg", "pkg", "mpkg"})
        if (ext == e) return FeedOs::MacOS;
    for (const char* e : {"deb", "rpm", "appimage", "flatpak", "flatpakref", "snap"})
        if (ext == e) return FeedOs::Linux;
    return FeedOs::Guess;
}

bool fixesUrgently(const Package& p, const ReleaseNotes& notes) {
    return std::any_of(notes.fixedBugs.begin(), notes.fixedBugs.end(), [&](uint32_t b) {
        return p.bugs[b].severity == 5 || p.bugs[b].type.equalsNoCase("Security");
    });
}

}  // namespace

FeedField at(FeedField record, const char* field) {
    record.field = field;
    return record;
}

std::string Texts::text(const ByteString& bytes, const FeedField& where) {
    bool replaced = false, dropped = false;
    std::string utf8 = codec_.decodeReplacing(bytes.view(), replaced);
    makeFit(utf8, replaced, dropped);
    if (replaced) warn(where, "bytes that are not " + codec_.name() + " were replaced by U+FFFD");
    if (dropped) warn(where, "control characters that XML cannot carry were dropped");
    return utf8;
}

std::string Texts::link(const ByteString& bytes) const { return digestKey(bytes); }

std::string Texts::line(const ByteString& bytes, size_t limit, const FeedField& where, bool warnWhenCut) {
    std::string s = text(bytes, where);
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') continue;
        out += s[i] == '\r' || s[i] == '\n' || s[i] == '\t' ? ' ' : s[i];
    }
    if (cutToCharacters(out, limit) && warnWhenCut) warn(where, "shortened to " + std::to_string(limit) + " characters");
    return out;
}

bool cutToCharacters(std::string& text, size_t limit) {
    size_t chars = 0, i = 0;
    for (; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;  // continuation byte
        if (chars++ == limit) break;
    }
    if (i == text.size()) return false;
    const size_t blank = text.rfind(' ', i);
    if (blank != std::string::npos && blank >= i - i / 4) i = blank;
    text.resize(i);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return true;
}

std::vector<VersionFacts> versionFacts(const Package& p, const std::vector<ReleaseNotes>& notes,
                                       const DigestFile& digests, FeedOs os, Texts& texts) {
    std::vector<VersionFacts> all(p.versions.count());
    for (uint32_t i = 0; i < p.versions.count(); ++i) {
        const VersionRecord& v = p.versions[i];
        VersionFacts& f = all[i];
        f.position = i;
        f.record = {Subject::Version, i, v.id, v.version, ""};
        f.version = texts.text(v.version, at(f.record, "version"));
        DateTimeValue date;
        if (parseStoredDate(v.releaseDate.view(), date)) f.released = date;
        else if (!v.releaseDate.empty())
            texts.warn(at(f.record, "releaseDate"), "not a date of the form YYYY-MM-DD HH:MM:SS; left out");
        if (!v.location.empty() && !isWebLink(v.location))
            texts.warn(at(f.record, "location"), "not a web link; the download is left out");
        else if (!v.location.empty()) f.location = texts.link(v.location);
        const auto digest = f.location.empty() ? digests.end() : digests.find(f.location);
        if (digest != digests.end()) f.digest = &digest->second;
        const bool packageSize = isDecimalNumber(v.fileSize) && v.fileSize.length() <= 19;
        if (f.digest) f.size = f.digest->size;
        else if (packageSize) f.size = parseU64(v.fileSize);
        if (f.digest && packageSize && parseU64(v.fileSize) != f.digest->size)
            texts.warn(at(f.record, "fileSize"), "the package says " + v.fileSize.toStdString() + " bytes, the digest " +
                                                     std::to_string(f.digest->size) + "; the digest's size is used");
        f.critical = fixesUrgently(p, notes[i]);
        uint32_t k = i;
        while (k > 0 && std::count(v.freeUpgrades.begin(), v.freeUpgrades.end(), p.versions[k - 1].id)) --k;
        if (k > 0) f.freeFrom = all[k].version;
        f.os = os != FeedOs::Guess ? os : guessOs(f.location);
    }
    return all;
}

NoteTexts noteTexts(const Package& p, Texts& texts) {
    NoteTexts t;
    for (uint32_t i = 0; i < p.features.count(); ++i) {
        const FeatureRecord& f = p.features[i];
        t.features.push_back(texts.line(f.title, std::string::npos, {Subject::Feature, i, f.id, f.title, "title"}));
    }
    for (uint32_t i = 0; i < p.bugs.count(); ++i) {
        const BugRecord& b = p.bugs[i];
        const FeedField bug{Subject::Bug, i, b.id, b.title, ""};
        t.bugs.push_back(texts.line(b.title, std::string::npos, at(bug, "title")));
        t.knownBugs.push_back(t.bugs.back() + " (severity " + std::to_string(b.severity) + ", " +
                              texts.line(b.type, std::string::npos, at(bug, "type")) + ")");
    }
    return t;
}

NoteItems noteItems(const ReleaseNotes& notes, const NoteTexts& t) {
    NoteItems items;
    for (uint32_t f : notes.newFeatures) items.added.push_back(t.features[f]);
    for (uint32_t b : notes.fixedBugs) items.fixed.push_back(t.bugs[b]);
    for (uint32_t b : notes.knownIssues) items.known.push_back(t.knownBugs[b]);
    return items;
}

const char* osName(FeedOs os) {
    switch (os) {
    case FeedOs::Windows: return "windows";
    case FeedOs::MacOS: return "macos";
    case FeedOs::Linux: return "linux";
    case FeedOs::Guess: break;
    }
    return "";
}

std::string rfc822Date(const DateTimeValue& d) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %02u %s %04u %02u:%02u:%02u +0000", kDays[d.weekday() % 7], d.day(),
                  kMonths[d.month() % 12], d.year(), d.hour(), d.minute(), d.second());
    return buf;
}

std::string isoDate(const DateTimeValue& d) { return calendarDateText(d).toStdString(); }

std::string save(pugi::xml_document& doc) {
    pugi::xml_node declaration = doc.prepend_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    return text(doc, pugi::format_indent);
}

std::string text(const pugi::xml_document& doc, unsigned flags) {
    struct Writer : pugi::xml_writer {
        std::string out;
        void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }
    } writer;
    doc.save(writer, "  ", flags, pugi::encoding_utf8);
    return std::move(writer.out);
}

pugi::xml_node textElement(pugi::xml_node parent, const char* name, const std::string& text) {
    pugi::xml_node e = parent.append_child(name);
    e.text().set(text.c_str());
    return e;
}

}  // namespace orv::feed
