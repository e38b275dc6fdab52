// Opening a web or mail link in the user's browser or mail client.
//
// The link first passes its rules (link_arguments.h): a web link reaches
// only a web browser as an http or https address, a mail link only a mail
// client as a mailto address. The program is the desktop's handler for the
// link's kind, found by the platform's backend; where there is none, it is
// unusable or it cannot be started, xdg-open is started with the link
// instead (never for an empty link; Windows has no such fallback).
// Programs are started directly, never through a shell: the link reaches
// them as one argument whatever characters it holds.
//
// openLink is the one way a link leaves the program: the dialogs' "Test"
// labels, the link label's own opening and OpenWebLink / OpenMailLink all
// come through it.
#pragma once

#include <functional>

#include "links/launch.h"
#include "links/link_arguments.h"
#include "support/byte_string.h"

namespace orv {

// The command words (program first, field codes in place) of the
// desktop's handler for a handler type such as "x-scheme-handler/https";
// false when there is none that can be used.
using HandlerFinder = std::function<bool(const ByteString& handlerType, ByteStringList& command)>;

// What opening a link needs from the system. The program uses
// realLinkSystem(); tests hand in their own.
struct LinkSystem {
    HandlerFinder findHandler;
    Launcher launch;
    // Tried when the handler cannot be used (none: nothing else is tried).
    ByteStringList fallback = fallbackCommand();
};
// The system's handlers (POSIX: the desktop of this process's environment;
// Windows: the registry) and launchDetached.
LinkSystem realLinkSystem();

enum class LinkOpened { Refused, NotStarted, Started };

LinkOpened openLink(const LinkSystem& system, LinkKind kind, const ByteString& link);

// Mail for a mailto link, web for anything else.
LinkKind linkKindOf(const ByteString& link);

// openLink on the real system. The result is 0 when the link is refused,
// else 1, whatever the start reports.
int OpenWebLink(ByteString link);
int OpenMailLink(ByteString link);

}  // namespace orv
