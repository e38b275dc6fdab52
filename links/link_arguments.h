// What a link may be handed to another program as: the checks a link must
// pass, the kind of handler that opens it, and the argument list to start.
// Plain rules over text, the same on every platform.
#pragma once

#include "support/byte_string.h"

namespace orv {

enum class LinkKind { Web, Mail };

// The text a program is handed for a link, or false when the link is
// refused.
// Web: a web link reaches a web browser and nothing else. Blanks and
// control bytes around it go and backslashes become slashes. A link whose
// scheme is http or https (any letter case) is kept; a text without a
// scheme - a host, "host:port/...", a path - is a web address and gets
// "http://" in front ("http:" before "//host"), so it is never read as a
// file or an option; any other scheme (file:, ssh:, javascript:, a drive
// letter) is refused. An empty link stays empty: the browser starts alone.
// Mail: a non-empty link must begin with "mailto:" (any letter case); only
// the to, cc, bcc, subject, body and in-reply-to parameters stay (see
// withAllowedMailParameters). An empty link starts the mail client alone.
bool linkTarget(LinkKind kind, const ByteString& link, ByteString& target);

// The desktop's handler type for a target of linkTarget:
// "x-scheme-handler/https" for an https link, "x-scheme-handler/mailto"
// for mail, else "x-scheme-handler/http".
ByteString handlerType(LinkKind kind, const ByteString& target);

// True when the first seven characters are "mailto:" in any letter case.
bool isMailLink(const ByteString& link);

// The mail link with only the parameters a mail client may be handed: to,
// cc, bcc, subject, body and in-reply-to (names compared without regard to
// letter case, after undoing %XX escapes and trimming blanks). Everything
// else (attach, attachment, a client's own extensions) is dropped; the
// kept parameters keep their spelling and order, and a query emptied by
// this loses its "?". In a kept value "?", "&" and ";" are written %3F,
// %26 and %3B, so no client can read one parameter as two.
ByteString withAllowedMailParameters(const ByteString& mailLink);

// The argv that opens `link` with a handler whose Exec words are `command`
// (program first): the command with the link's target in place of its
// field codes. False, with `argv` empty, when the link is refused or the
// command is empty.
bool linkArguments(LinkKind kind, const ByteStringList& command, const ByteString& link, ByteStringList& argv);

// The command used where the desktop names no usable handler: xdg-open.
ByteStringList fallbackCommand();

}  // namespace orv
