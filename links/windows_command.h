// Windows command lines for the link openers: reading the commands that
// the registry holds for web and mail links, and writing the command line
// that starts a handler. Plain rules over text, tested on every platform;
// links/open_link_windows.cpp applies them.
#pragma once

#include "links/link_arguments.h"
#include "support/byte_string.h"

namespace orv {

// Splits a registry command as Windows programs read their command line:
// the program is the first word, where double quotes group and backslashes
// are ordinary; in the arguments blanks and tabs separate, double quotes
// group, 2n backslashes before a quote are n backslashes and the quote
// groups, 2n+1 are n backslashes and a literal quote, and "" inside quotes
// is a literal quote. False, with `words` empty, when there is no program.
bool splitWindowsCommand(const ByteString& command, ByteStringList& words);

// One argument as the program will read it back (the inverse of the rules
// above): as it is when it holds no blank, tab, newline or double quote and
// is not empty, else in double quotes with every quote escaped and the
// backslashes before a quote or the end doubled.
ByteString quoteWindowsArgument(const ByteString& argument);

// The command line that starts argv[0] with the other words as its
// arguments: the program in double quotes, then each argument quoted as
// above, separated by blanks. An argument ends at its first 0 byte, as a
// command line can hold none. Empty when the program's name holds a double
// quote, which no file name does.
ByteString windowsCommandLine(const ByteStringList& argv);

// The handler command (program first, "%u" where the link goes, as
// linkArguments takes it) for a command that the registry holds for a
// kind of link, split with splitWindowsCommand. A web browser gets the
// link alone, whatever else its command says. A mail client keeps its
// arguments, "%1" becoming the link, every other argument that begins
// with "%" (%2, %*, %L ...) dropped and a "%" elsewhere kept literally.
// False for a program that is a command interpreter or runs as one
// (cmd.exe, command.com, PowerShell, the script hosts, mshta, a .bat or
// .cmd file), which would read the link as commands.
bool registryHandlerCommand(LinkKind kind, const ByteStringList& words, ByteStringList& command);

}  // namespace orv
