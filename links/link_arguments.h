// What each kind of link is handed to its program as: the checks a link
// must pass, the URL scheme whose handler opens it, and the argv to start.
#pragma once

#include "support/byte_string.h"

namespace orv {

// The handler type of a web link: "x-scheme-handler/https" when its first
// five characters are "https" in any letter case, else
// "x-scheme-handler/http".
ByteString webHandlerType(const ByteString& link);
inline constexpr const char* kMailHandlerType = "x-scheme-handler/mailto";

// True when the first seven characters are "mailto:" in any letter case.
bool isMailLink(const ByteString& link);

// The link without its "attach" and "attachment" query parameters (names
// compared without regard to letter case, after undoing %XX escapes). The
// other parameters keep their order; a query emptied by this loses its "?".
// A link without attachments comes back unchanged.
ByteString withoutAttachments(const ByteString& mailLink);

// The argv that opens `link` with a handler whose Exec words are `command`
// (program first). False, with `argv` empty, when the link is refused or
// the command is empty.
// Web: a link beginning with "-" is refused; backslashes become slashes.
bool webArguments(const ByteStringList& command, ByteString link, ByteStringList& argv);
// Mail: a non-empty link that is not a mailto link is refused; an empty
// link starts the program without one; attachments are dropped.
bool mailArguments(const ByteStringList& command, const ByteString& link, ByteStringList& argv);

// The command used where the desktop names no handler: xdg-open.
ByteStringList fallbackCommand();

}  // namespace orv
