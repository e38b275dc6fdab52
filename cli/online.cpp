#include "cli/online.h"

namespace orv::cli {

namespace {

// Whether a link answers with success: the editor's HEAD exchange, where an
// answer of 200 without a Content-Length counts as success too. (It follows
// no redirect and speaks plain HTTP only, as the editor's button does.)
LinkAnswer answers(const ByteString& link) {
    const DownloadSizeResult r = determineDownloadSize(link);
    if (r.ok || r.message.find(ByteString("Unable to determine the size")) == 0) return {true, {}};
    ByteString reason = r.message;
    reason.replaceAll("\n", " ");
    return {false, reason};
}

DownloadSizeResult downloadSize(const ByteString& location) {
    DownloadSizeResult r = determineDownloadSize(location);
    r.message.replaceAll("\n", " ");
    return r;
}

}  // namespace

OnlineProbes onlineProbes() { return {downloadSize, answers}; }

}  // namespace orv::cli
