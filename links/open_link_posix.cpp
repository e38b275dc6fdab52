// The link openers' system on a freedesktop.org desktop: its handlers from
// mimeapps.list and desktop entries, programs started with posix_spawn.
#include <cstdlib>

#include "links/desktop_handlers.h"
#include "links/open_link.h"

namespace orv {

LinkSystem realLinkSystem() {
    return {desktopHandlerFinder([](const char* name) -> const char* { return std::getenv(name); }, readSmallFile),
            launchDetached};
}

}  // namespace orv
