// Opening a web or mail link in the user's browser or mail client.
//
// The program comes from the desktop's default handler of the link's URL
// scheme (x-scheme-handler/https, .../http or .../mailto, found through the
// mimeapps.list files and desktop entries of the XDG directories); where
// there is none, it is unusable or it cannot be started, xdg-open is
// started instead. The program is started directly, never through a shell:
// the link reaches it as one argument whatever characters it holds.
//
// openLink is the one way a link leaves the program: the dialogs' "Test"
// labels, the link label's own opening and OpenWebLink / OpenMailLink all
// come through it.
#pragma once

#include "links/desktop_handlers.h"
#include "links/launch.h"
#include "support/byte_string.h"

namespace orv {

enum class LinkKind { Web, Mail };

// What opening a link needs from the system: the XDG variables, the
// handler files and the launcher. The program uses realLinkSystem(); tests
// hand in their own.
struct LinkSystem {
    EnvReader env;
    FileReader readFile;
    Launcher launch;
};
LinkSystem realLinkSystem();

enum class LinkOpened { Refused, NotStarted, Started };

// Web: a link that looks like an option (after leading blanks and control
// bytes) is refused; backslashes become forward slashes. Mail: a non-empty
// link that is not a mailto link is refused; an empty one starts the mail
// client alone; only the to, cc, bcc, subject, body and in-reply-to
// parameters are handed on.
LinkOpened openLink(const LinkSystem& system, LinkKind kind, const ByteString& link);

// Mail for a mailto link, web for anything else.
LinkKind linkKindOf(const ByteString& link);

// openLink on the real system. The result is 0 when the link is refused,
// else 1, whatever the start reports.
int OpenWebLink(ByteString link);
int OpenMailLink(ByteString link);

}  // namespace orv
