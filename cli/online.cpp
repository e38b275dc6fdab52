#include "cli/online.h"

#include <map>
#include <memory>

namespace orv::cli {

namespace {

// One set of options for the whole run: the environment (proxies, trusted
// certificates) is read once, at the top.
const DownloadSizeOptions& options() {
    static const DownloadSizeOptions made{NetEnvironment::fromProcess(), std::chrono::milliseconds(30000)};
    return made;
}

ByteString oneLine(ByteString text) {
    text.replaceAll("\n", " ");
    text.trim();
    return text;
}

// Whether a link answers with success, through the size request's own
// exchange: redirects, secure connections, proxies and its time limit.
LinkAnswer answers(const ByteString& link) {
    const LinkCheckResult r = checkLink(link, options());
    return {r.ok, r.ok ? ByteString() : oneLine(r.message)};
}

DownloadSizeResult downloadSize(const ByteString& location) {
    DownloadSizeResult r = determineDownloadSize(location, options());
    r.message = oneLine(r.message);
    return r;
}

}  // namespace

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
