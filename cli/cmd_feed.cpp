// `feed`: an appcast, an AppStream <releases> block or a PAD file from a
// package and its digest file.
#include "app/feed.h"
#include "cli/commands.h"
#include "cli/digests.h"

namespace orv::cli {

int runFeed(const Options& o, Context& ctx) {
    Package p;
    DigestFile digests;
    bool exists = false;
    if (const int status = loadPackage(o.file, p)) return status;
    if (const int status = loadDigests(o.file, digests, exists)) return status;
    FeedRequest request;
    request.format = o.feedFormat == "appstream" ? FeedFormat::AppStream
                     : o.feedFormat == "pad"     ? FeedFormat::Pad
                                                 : FeedFormat::Appcast;
    request.os = o.os == "windows" ? FeedOs::Windows
                 : o.os == "macos" ? FeedOs::MacOS
                 : o.os == "linux" ? FeedOs::Linux
                                   : FeedOs::Guess;
    const Feed feed = buildFeed(p, digests, ctx.package(), request);
    for (const std::string& warning : feed.warnings) complain(kOk, "warning: " + safeText(warning));
    if (feed.xml.size() >= ByteString::kMaxLength)
        return complain(kFileError, "the feed would be 4 GiB or larger");
    return writeOutput(o.output.empty() ? "-" : o.output, ByteString(feed.xml));
}

}  // namespace orv::cli
