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

// True when a program could read the link as an option: its first byte
// after any leading bytes 0x00-0x20 and 0x7F is "-" (browsers trim blanks
// and controls before they decide what is a switch).
bool looksLikeOption(const ByteString& link);

// The mail link with only the parameters a mail client may be handed: to,
// cc, bcc, subject, body and in-reply-to (names compared without regard to
// letter case, after undoing %XX escapes and trimming blanks). Everything
// else (attach, attachment, a client's own extensions) is dropped; the
// kept parameters keep their spelling and order, and a query emptied by
// this loses its "?".
ByteString withAllowedMailParameters(const ByteString& mailLink);

// The argv that opens `link` with a handler whose Exec words are `command`
// (program first). False, with `argv` empty, when the link is refused or
// the command is empty.
// Web: a link that looks like an option is refused; backslashes become
// slashes.
bool webArguments(const ByteStringList& command, ByteString link, ByteStringList& argv);
// Mail: a non-empty link that is not a mailto link is refused; an empty
// link starts the program without one; other parameters than the allowed
// ones are dropped.
bool mailArguments(const ByteStringList& command, const ByteString& link, ByteStringList& argv);

// The command used where the desktop names no usable handler: xdg-open.
ByteStringList fallbackCommand();

}  // namespace orv
