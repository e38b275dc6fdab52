// A Windows command line as the program reads its arguments from it.
#pragma once

#include "support/byte_string.h"

namespace orv {

// The text that follows the program's name: a name that starts with a
// double quote runs to the next one, any other to the first blank or tab.
// The separating blanks and tabs are not part of the result.
ByteString commandLineArguments(const ByteString& commandLine);

// The arguments of that text. Blanks separate arguments (a tab does not);
// a double quote starts an argument that runs to the next double quote or
// the end, the quotes not part of it ("" is an empty argument); an
// unquoted argument ends at a blank or at a double quote, which starts a
// quoted one. There is no escape: a backslash is an ordinary character, so
// C:\dir\ "x" is two arguments.
ByteStringList splitCommandLine(const ByteString& arguments);

}  // namespace orv
