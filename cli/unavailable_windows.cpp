// The commands whose work has no Windows backend yet (hashing and the
// scratch file of downloads; the feeds' XML): they say so, in the same
// one-line form as every failure.
#include "cli/commands.h"

namespace orv::cli {

namespace {

int unavailable(Context& ctx) {
    return ctx.fail(kFileError, "", "'" + ctx.options().command + "' is not available in the Windows build yet",
                    "use the Linux build for digests and feeds");
}

}  // namespace

int runDigest(Context& ctx) { return unavailable(ctx); }
int runFeed(Context& ctx) { return unavailable(ctx); }

}  // namespace orv::cli
