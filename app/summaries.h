// The two texts each record is shown as: a one-line label (a row of the
// main window's list, a line of the dialogs' version lists) and a summary
// of several lines for the summary box. Both are plain concatenations of
// the record's texts with fixed literals; line breaks are CR LF.
#pragma once

#include "package/model.h"
#include "support/byte_string.h"

namespace orv {

// A stored release date without its time of day: the text without its
// last nine characters ("2007-05-14 00:00:00" -> "2007-05-14"). A text of
// fewer than nine characters has an empty date part.
ByteString releaseDatePart(const ByteString& releaseDate);

// "version (date)".
ByteString versionLabel(const VersionRecord& v);
// "title (severity - type)".
ByteString bugLabel(const BugRecord& b);

// Version, Release Date, Location and File Size lines, each ended by CR LF,
// then a "Screenshot: " line without line break when there is one.
ByteString versionSummary(const VersionRecord& v);
// Title line, an empty line, the description; then an empty line and the
// screenshot when there is one. No line break at the end.
ByteString featureSummary(const FeatureRecord& f);
// Title, Description and Severity lines, then "Type: " without line break.
ByteString bugSummary(const BugRecord& b);

// Fills `out` (emptied first) with each version's label, in collection order.
void versionLabels(const Package& p, ByteStringList& out);
// Fills `out` (emptied first) with each feature's title, in collection order.
void featureTitles(const Package& p, ByteStringList& out);

}  // namespace orv
