#include "app/release_notes.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
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

std::vector<ReleaseNotes> allReleaseNotes(const Package& p) {
    const uint32_t count = p.versions.count();
    std::vector<ReleaseNotes> all(count);
    // Every position of each id, and the first holder, which decides where
    // a damaged file repeats an id.
    std::unordered_map<uint32_t, std::vector<uint32_t>> positionsOf;
    for (uint32_t i = 0; i < count; ++i) positionsOf[p.versions[i].id].push_back(i);
    auto first = [&](uint32_t versionId) {
        const auto it = versionId ? positionsOf.find(versionId) : positionsOf.end();
        return it == positionsOf.end() ? count : it->second.front();
    };
    std::vector<uint32_t> carried;
    for (uint32_t f = 0; f < p.features.count(); ++f) {
        carried.assign(p.features[f].versions.begin(), p.features[f].versions.end());
        std::sort(carried.begin(), carried.end());
        carried.erase(std::unique(carried.begin(), carried.end()), carried.end());
        std::vector<uint32_t> newIn;  // positions where the feature is new
        for (uint32_t id : carried) {
            const auto it = positionsOf.find(id);
            if (it == positionsOf.end()) continue;
            for (uint32_t i : it->second) {
                if (i == 0 || !std::binary_search(carried.begin(), carried.end(), p.versions[i - 1].id))
                    newIn.push_back(i);
            }
        }
        for (uint32_t i : newIn) all[i].newFeatures.push_back(f);
    }
    // Known issues: each bug from the first version that has it up to the
    // one that fixes it, swept through the list in order.
    std::vector<std::vector<uint32_t>> opens(count + 1), closes(count + 1);
    for (uint32_t b = 0; b < p.bugs.count(); ++b) {
        const BugRecord& bug = p.bugs[b];
        const auto fixed = bug.fixed ? positionsOf.find(bug.fixed) : positionsOf.end();
        if (fixed != positionsOf.end())
            for (uint32_t i : fixed->second) all[i].fixedBugs.push_back(b);
        const uint32_t start = std::min(first(bug.introduced), first(bug.discovered)), end = first(bug.fixed);
        if (start < end) {
            opens[start].push_back(b);
            closes[end].push_back(b);
        }
    }
    // Most severe first (a severity outside 1 to 5 after 1), then list order.
    auto rank = [&](uint32_t b) {
        const uint32_t s = p.bugs[b].severity;
        return s >= 1 && s <= 5 ? 5 - s : 5;
    };
    std::set<std::pair<uint32_t, uint32_t>> open;  // (rank, bug position)
    for (uint32_t i = 0; i < count; ++i) {
        for (uint32_t b : opens[i]) open.emplace(rank(b), b);
        for (uint32_t b : closes[i]) open.erase({rank(b), b});
        all[i].knownIssues.reserve(open.size());
        for (const auto& [severity, b] : open) all[i].knownIssues.push_back(b);
    }
    return all;
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
