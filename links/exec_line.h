// The Exec line of a desktop entry: unescaping, splitting into the program
// and its arguments, and putting a link in place of the field codes.
#pragma once

#include "support/byte_string.h"

namespace orv {

// Undoes the escapes of a desktop entry string value: \s \n \t \r \\.
// Any other backslash pair is kept as it stands, for the Exec quoting.
ByteString unescapeDesktopValue(const ByteString& value);

// Splits an (unescaped) Exec value into words at blanks and tabs. A double
// quoted part keeps its blanks, and inside it a backslash makes the next
// character literal. False (and `out` empty) for an unterminated quote, a
// trailing backslash inside quotes, a line without any word, and a "%"
// inside quotes: a field code there has no defined expansion and would put
// the link inside another program's command line (sh -c "browser %u").
bool splitExecLine(const ByteString& exec, ByteStringList& out);

// Builds the argv to start: the program (words[0], unchanged) followed by
// the other words with their field codes expanded. A word that is exactly
// %u, %U, %f or %F becomes the link as one argument (dropped when the link
// is empty); inside a longer word %u and %f become the link and %% a single
// %. Any other word that is a % and one more character is dropped, and any
// other field code inside a word is removed. When no field code took the
// link, a non-empty link is appended as the last argument.
ByteStringList expandExecArguments(const ByteStringList& words, const ByteString& link);

}  // namespace orv
