// Release notes derived from a package for one version V:
//   New          - features that carry V but not the version before it in
//                  list order (every feature carrying V, for the first);
//   Fixed        - bugs fixed in V;
//   Known issues - bugs introduced or discovered in V or an earlier version
//                  (list order) and not fixed in V or earlier, most severe
//                  first (5, the highest, first; a severity outside 1 to 5
//                  after 1), then list order.
#pragma once

#include <cstdint>
#include <vector>

#include "package/model.h"
#include "support/byte_string.h"

namespace orv {

struct ReleaseNotes {
    std::vector<uint32_t> newFeatures;  // feature positions
    std::vector<uint32_t> fixedBugs;    // bug positions
    std::vector<uint32_t> knownIssues;  // bug positions
};

// The notes of the version at `versionPosition` (below the version count).
ReleaseNotes releaseNotes(const Package& p, uint32_t versionPosition);
// The notes of every version, each the same as releaseNotes gives, in time
// that grows with the package and the notes rather than with versions
// times records (a feed of 10,000 versions needs them all).
std::vector<ReleaseNotes> allReleaseNotes(const Package& p);

enum class NotesFormat { Text, Markdown };

// A description's first paragraph: its text up to the first empty line,
// without blanks at either end.
ByteString firstParagraph(const ByteString& description);

// The notes as text: the version's label as a heading, then the three
// sections, each item on one line followed, when the record has a
// description, by the description's first paragraph on one more line
// (line breaks in titles and paragraphs become blanks; Markdown
// punctuation is escaped). Lines end in "\n". Texts of the package are
// copied as bytes.
ByteString formatReleaseNotes(const Package& p, uint32_t versionPosition, const ReleaseNotes& notes,
                              NotesFormat format);

}  // namespace orv
