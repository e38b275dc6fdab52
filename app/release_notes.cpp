#include "app/release_notes.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <unordered_map>

#include "app/summaries.h"
#include "support/numbers.h"

namespace orv {

namespace {

bool carries(const FeatureRecord& f, uint32_t versionId) {
    return std::find(f.versions.begin(), f.versions.end(), versionId) != f.versions.end();
}

// One line of a list: line breaks become blanks. For Markdown, the
// characters that open emphasis, code, links, raw HTML or tables are
// escaped anywhere, and in a list item so is a start that would open a
// block (a nested list, a heading, a quote), so no title changes the notes'
// structure.
ByteString itemText(const ByteString& title, NotesFormat format, bool listItem = true) {
    const bool markdown = format == NotesFormat::Markdown;
    uint32_t digits = 0;
    while (digits < title.length() && std::isdigit(title.byteAt(digits))) ++digits;
    ByteString out;
    out.reserve(title.length() + 8);
    for (uint32_t i = 0; i < title.length(); ++i) {
        const char c = title[i];
        if (c == '\r' || c == '\n') {
            out += ' ';
            continue;
        }
        const bool opensBlock = listItem && ((i == 0 && std::strchr("-+#>=", c)) || (i == digits && (c == '.' || c == ')')));
        if (markdown && c != '\0' && (std::strchr("\\`*_[]<>&!|~", c) || opensBlock)) out += '\\';
        out += c;
    }
    return out;
}

struct Item {
    ByteString line;
    ByteString paragraph;  // escaped, one line; may be empty
};

void section(ByteString& out, const char* heading, const std::vector<Item>& items, NotesFormat format) {
    out += format == NotesFormat::Markdown ? "\n### " : "\n";
    out += heading;
    out += "\n";
    if (format == NotesFormat::Markdown) out += "\n";
    if (items.empty()) out += format == NotesFormat::Markdown ? "None.\n" : "  None.\n";
    for (const Item& item : items) {
        out += format == NotesFormat::Markdown ? "- " : "  - ";
        out += item.line;
        if (!item.paragraph.empty()) {
            // Markdown: a hard line break keeps the paragraph in the item.
            out += format == NotesFormat::Markdown ? "  \n  " : "\n    ";
            out += item.paragraph;
        }
        out += "\n";
    }
}

}  // namespace

ByteString firstParagraph(const ByteString& description) {
    // Up to the first line that is empty or holds only blanks.
    ByteString trimmed = description;
    trimmed.trim();
    const std::string_view text = trimmed.view();
    size_t end = text.size();
    for (size_t lineStart = 0; lineStart < text.size();) {
        size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string_view::npos) lineEnd = text.size();
        const std::string_view line = text.substr(lineStart, lineEnd - lineStart);
        if (lineStart > 0 && line.find_first_not_of(" \t\r") == std::string_view::npos) {
            end = lineStart;
            break;
        }
        lineStart = lineEnd + 1;
    }
    ByteString out(text.substr(0, end));
    out.trim();
    return out;
}

ReleaseNotes releaseNotes(const Package& p, uint32_t versionPosition) {
    ReleaseNotes notes;
    const uint32_t id = p.versions[versionPosition].id;
    const bool hasPrevious = versionPosition > 0;
    const uint32_t previousId = hasPrevious ? p.versions[versionPosition - 1].id : 0;
    for (uint32_t i = 0; i < p.features.count(); ++i) {
        const FeatureRecord& f = p.features[i];
        if (carries(f, id) && !(hasPrevious && carries(f, previousId))) notes.newFeatures.push_back(i);
    }
    // Where a damaged file repeats an id, its first holder decides.
    std::unordered_map<uint32_t, uint32_t> positionOf;
    for (uint32_t i = 0; i < p.versions.count(); ++i) positionOf.emplace(p.versions[i].id, i);
    auto atOrBefore = [&](uint32_t versionId) {
        auto it = versionId ? positionOf.find(versionId) : positionOf.end();
        return it != positionOf.end() && it->second <= versionPosition;
    };
    for (uint32_t i = 0; i < p.bugs.count(); ++i) {
        const BugRecord& b = p.bugs[i];
        if (b.fixed == id && id != 0) notes.fixedBugs.push_back(i);
        if ((atOrBefore(b.introduced) || atOrBefore(b.discovered)) && !atOrBefore(b.fixed))
            notes.knownIssues.push_back(i);
    }
    auto rank = [&](uint32_t bug) {
        const uint32_t s = p.bugs[bug].severity;
        return s >= 1 && s <= 5 ? s : 0;
    };
    std::stable_sort(notes.knownIssues.begin(), notes.knownIssues.end(),
                     [&](uint32_t a, uint32_t b) { return rank(a) > rank(b); });
    return notes;
}

ByteString formatReleaseNotes(const Package& p, uint32_t versionPosition, const ReleaseNotes& notes,
                              NotesFormat format) {
    ByteString out = format == NotesFormat::Markdown ? "## " : "";
    out += itemText(versionLabel(p.versions[versionPosition]), format, false);
    out += "\n";
    auto paragraph = [&](const ByteString& description) { return itemText(firstParagraph(description), format); };
    std::vector<Item> items;
    for (uint32_t i : notes.newFeatures)
        items.push_back({itemText(p.features[i].title, format), paragraph(p.features[i].description)});
    section(out, "New", items, format);
    items.clear();
    for (uint32_t i : notes.fixedBugs) items.push_back({itemText(p.bugs[i].title, format), paragraph(p.bugs[i].description)});
    section(out, "Fixed", items, format);
    items.clear();
    for (uint32_t i : notes.knownIssues) {
        const BugRecord& b = p.bugs[i];
        items.push_back({itemText(b.title, format) + " (severity " + textFromU32(b.severity) + ", " +
                             itemText(b.type, format) + ")",
                         paragraph(b.description)});
    }
    section(out, "Known issues", items, format);
    return out;
}

}  // namespace orv
