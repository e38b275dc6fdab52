// The "Determine Automatically..." exchange of the Version dialog, and the
// link check of the command-line program: HTTP requests for a download
// location over plain or secure connections, directly or through the
// environment's proxies, following redirects.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string_view>

#include "net/proxy.h"
#include "support/byte_string.h"

namespace orv {

struct DownloadSizeResult {
    bool ok = false;
    ByteString size;     // the size in bytes as the server gave it, when ok
    // When ok from a 200 answer: the value of every Content-Length line of
    // it, in order (size is the first). A program that must not guess
    // checks them with definiteSize.
    ByteStringList lengths;
    ByteString message;  // when not ok: the complete text of the "Error" box
    // When ok: the answer's ETag and Last-Modified, empty where it gave none.
    ByteString etag, lastModified;
};

struct DownloadSizeOptions {
    // Proxies and trusted certificates (empty: no proxy, the system's).
    NetEnvironment environment;
    // Everything, name look-ups and every redirect included, ends within
    // this time; a server that drips its answer ends with the socket layer's
    // time-out text (WSAETIMEDOUT) in the chain of the phase it was in.
    std::chrono::milliseconds timeLimit{30000};
};

// Asks the server of an "http" or "https" location for the download's size
// with HEAD, synchronously. Redirects (301, 302, 303, 307, 308) are followed
// through their Location, at most 5 of them. When the last answer to HEAD
// has no Content-Length, or HEAD is refused with 405 or 501, a GET with
// "Range: bytes=0-0" asks once more: the size is the total of its
// Content-Range, or the Content-Length of a 200 answer; its body is never
// read. On failure `message` is the complete text of the "Error" message box
// (its first line followed by the client's and the socket layer's texts).
DownloadSizeResult determineDownloadSize(const ByteString& location, const DownloadSizeOptions& options);
// The same with this process's environment and the 30-second limit.
DownloadSizeResult determineDownloadSize(const ByteString& location);

// The size when the server named exactly one: an answer whose every
// Content-Length is one decimal number below 2^64 and all of them agree,
// or a valid Content-Range total. False for anything a careful program
// must not take as a size ("abc", "-5", "7.5", "10, 20", an empty value,
// 60,000 digits, two lines that disagree).
bool definiteSize(const DownloadSizeResult& result, ByteString& size);

struct LinkCheckResult {
    bool ok = false;
    ByteString message;  // when not ok: why, worded as the size request words it
};

// Whether a web link answers with success: a 2xx status after the same
// redirects, secure connections, proxies and time limit as the size
// request (HEAD, or the ranged GET when HEAD is refused with 405 or 501).
LinkCheckResult checkLink(const ByteString& location, const DownloadSizeOptions& options);

// The head of a download's answer, handed over before its body.
struct DownloadHead {
    bool lengthKnown = false;
    uint64_t length = 0;  // the body's length, when the server gave it
    ByteString etag, lastModified;  // empty where the server gave none
};

// Takes a download: its head once, then its body piece by piece as it
// arrives. Either returns false to stop the download.
struct DownloadReceiver {
    std::function<bool(const DownloadHead& head)> head;
    std::function<bool(std::string_view piece)> body;
};

struct DownloadResult {
    bool ok = false;
    ByteString message;  // when not ok: why (empty when the receiver stopped it)
};

// Downloads a location's body with GET, after the same redirects, secure
// connections and proxies as the size request. The answer's head, every
// redirect included, must arrive within `options.timeLimit`; the body may
// then take as long as it needs, but a server silent for `idleLimit` ends
// the download with the socket layer's time-out text. Only a 200 answer is
// downloaded; any other ends as the size request words it.
DownloadResult downloadLocation(const ByteString& location, const DownloadSizeOptions& options,
                                std::chrono::milliseconds idleLimit, const DownloadReceiver& receiver);

}  // namespace orv
