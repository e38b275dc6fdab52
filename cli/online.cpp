#include "cli/online.h"

#include <map>
#include <memory>

#include "app/failure_reason.h"

namespace orv::cli {

namespace {

// One set of options for the whole run: the environment (proxies, trusted
// certificates) is read once, at the top.
const DownloadSizeOptions& options() {
    static const DownloadSizeOptions made{NetEnvironment::fromProcess(), std::chrono::milliseconds(30000)};
    return made;
}


// Whether a link answers with success, through the size request's own
// exchange: redirects, secure connections, proxies and its time limit.
LinkAnswer answers(const ByteString& link) {
    const LinkCheckResult r = checkLink(link, options());
    return {r.ok, r.ok ? ByteString() : failureReason(r.message)};
}

DownloadSizeResult downloadSize(const ByteString& location) {
    DownloadSizeResult r = strictDownloadSize(location, options());
    r.message = failureReason(r.message);
    return r;
}

}  // namespace

DownloadSizeResult strictDownloadSize(const ByteString& location, const DownloadSizeOptions& options) {
    DownloadSizeResult r = determineDownloadSize(location, options);
    ByteString size;
    if (r.ok && !definiteSize(r, size)) {
        ByteString said;
        for (const ByteString& length : r.lengths) said += (said.empty() ? "\"" : ", \"") + length + "\"";
        r = {};
        r.message = "Error:  the server's Content-Length is not a size: " + said + "\n";
    } else if (r.ok) {
        r.size = size;
    }
    return r;
}

const DownloadSizeOptions& processOptions() { return options(); }

OnlineProbes onlineProbes() { return {downloadSize, answers}; }

std::function<DownloadSizeResult(const ByteString&)> rememberingSizes(
    std::function<DownloadSizeResult(const ByteString&)> downloadSize) {
    auto asked = std::make_shared<std::map<ByteString, DownloadSizeResult>>();
    return [asked, downloadSize = std::move(downloadSize)](const ByteString& location) {
        auto it = asked->find(location);
        if (it == asked->end()) it = asked->emplace(location, downloadSize(location)).first;
        return it->second;
    };
}

}  // namespace orv::cli
