// Opening a web or mail link in the user's browser or mail client.
//
// The program comes from the desktop's default handler of the link's URL
// scheme (x-scheme-handler/https, .../http or .../mailto, found through the
// mimeapps.list files and desktop entries of the XDG directories); where
// there is none, or it cannot be started, xdg-open is started instead.
// The program is started directly, never through a shell: the link reaches
// it as one argument whatever characters it holds. The child is detached
// and reaped at once; it inherits no open files of ours beyond the standard
// output and error.
#pragma once

#include "support/byte_string.h"

namespace orv {

// Starts the browser on the link, with every backslash turned into a
// forward slash. A link that begins with "-" would be read as an option and
// is not opened: the result is 0. Otherwise 1, whatever the start reports.
int OpenWebLink(ByteString link);

// Starts the mail client on a "mailto:" link (the scheme in any letter
// case), without any "attach"/"attachment" parameters. An empty link starts
// the mail client alone. The result is 0 when the link is refused (it is
// neither empty nor a mailto link), else 1, whatever the start reports.
int OpenMailLink(ByteString link);

}  // namespace orv
