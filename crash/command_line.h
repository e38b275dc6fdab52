// Splitting a command-line text into the program's argument list.
#pragma once

#include "support/byte_string.h"

namespace orv {

// Splits a command-line text into arguments. Blanks separate arguments (a
// tab does not: it belongs to the argument). A double quote starts an
// argument that runs to the next double quote or the end of the text; the
// quotes are not part of it, so two adjacent quotes give an empty argument.
// An unquoted argument ends at a blank or at a double quote, which then
// starts a quoted argument. Backslashes have no special meaning.
ByteStringList splitCommandLine(const ByteString& text);

// The argument list of a program started with `commandLine`: the program's
// own path first, then the arguments that follow the program's name (the
// first argument of the command line, quoted or not).
ByteStringList argumentsFromCommandLine(const ByteString& programPath, const ByteString& commandLine);

}  // namespace orv
