// The command whose work has no Windows backend yet (the feeds' XML, as
// Debian has no XML library for MinGW): it says so, in the same one-line
// form as every failure.
#include "cli/commands.h"

namespace orv::cli {

namespace {

int unavailable(Context& ctx) {
    return ctx.fail(kFileError, "", "'" + ctx.options().command + "' is not available in the Windows build yet",
                    "use the Linux build for feeds");
}

}  // namespace

int runFeed(Context& ctx) { return unavailable(ctx); }

}  // namespace orv::cli
