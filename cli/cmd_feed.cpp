// feed: an appcast, an AppStream <releases> block or a PAD file from a
// package and its digest file.
#include <nlohmann/json.hpp>

#include "app/feed.h"
#include "cli/commands.h"
#include "cli/digests.h"
#include "cli/records.h"

namespace orv::cli {

namespace {

// "version 2.0 (id 3) title", as check names a field.
std::string fieldName(Context& ctx, const FeedField& f) {
    std::string out =
        f.subject == Subject::Common ? "common" : recordName(ctx, subjectName(f.subject), f.name, f.position, f.id);
    return f.field.empty() ? out : out + " " + f.field;
}

}  // namespace

int runFeed(Context& ctx) {
    const Options& o = ctx.options();
    Package p;
    DigestFile digests;
    bool exists = false;
    if (const int status = loadPackage(ctx, o.file, p)) return status;
    if (const int status = loadDigests(ctx, o.file, digests, exists)) return status;
    FeedRequest request;
    request.format = o.feedFormat == "appstream" ? FeedFormat::AppStream
                     : o.feedFormat == "pad"     ? FeedFormat::Pad
                                                 : FeedFormat::Appcast;
    request.os = o.os == "windows" ? FeedOs::Windows
                 : o.os == "macos" ? FeedOs::MacOS
                 : o.os == "linux" ? FeedOs::Linux
                                   : FeedOs::Guess;
    const Feed feed = buildFeed(p, digests, ctx.package(), request);
    for (const FeedWarning& w : feed.warnings) ctx.warn(fieldName(ctx, w.where), safeText(w.message));
    if (feed.xml.size() >= ByteString::kMaxLength)
        return ctx.fail(kFileError, "", "cannot write the feed", "it would be 4 GiB or larger");
    const std::string output = o.output.empty() ? "-" : o.output;
    if (!o.json) return writeOutput(ctx, output, ByteString(feed.xml));
    // With --json standard output holds one JSON document: the feed goes
    // into it unless it went to a file.
    if (output != "-")
        if (const int status = writeOutput(ctx, output, ByteString(feed.xml))) return status;
    nlohmann::ordered_json result = {{"file", o.file},
                                     {"encoding", ctx.package().name()},
                                     {"format", o.feedFormat},
                                     {"output", output},
                                     {"bytes", feed.xml.size()},
                                     {"warnings", feed.warnings.size()}};
    if (output == "-") result["feed"] = feed.xml;
    return ctx.write(result.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n") && ctx.flush()
               ? kOk
               : kFileError;
}

}  // namespace orv::cli
