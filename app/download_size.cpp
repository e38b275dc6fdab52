#include "app/download_size.h"

#include <memory>
#include <string_view>

#include "net/http_answer.h"
#include "net/http_request.h"
#include "net/tls_socket.h"
#include "support/numbers.h"

namespace orv {
namespace {

constexpr int kMaxRedirects = 5;

// One request's target.
struct Hop {
    ByteString url, scheme, host, path;
    uint16_t port = 0;
    bool secure = false;
};

// The last answer of a walk, or the message of the failure that ended it.
struct Answer {
    ByteString message;
    uint32_t code = 0;
    ByteString codeText, reason;
    ByteStringList lines;
    bool stopped = false;  // a download's receiver stopped it
};

// A download's body, wanted in place of the size.
struct BodyWanted {
    const DownloadReceiver& receiver;
    std::chrono::milliseconds idleLimit;
};

const char* const kNotAUrl = "The location field does not contain a valid URL.\nMake sure the 'Test' link works.";

// The target of a request for `url` as ParseUrl splits it, with no other
// check: false, with the message, for a text without "://" or a scheme
// other than http or https.
bool toHop(const ByteString& url, Hop& hop, ByteString& message) {
    if (!HttpRequest::ParseUrl(url, hop.scheme, hop.host, hop.port, hop.path)) {
        message = kNotAUrl;
        return false;
    }
    hop.url = url;
    hop.secure = hop.scheme.equalsNoCase("https");
    if (!hop.secure && !hop.scheme.equalsNoCase("http")) {
        ByteString shown = hop.scheme;
        shown.toUpper();
        message = "The protocol is not HTTP.  This program does not support the " + shown + " protocol.";
        return false;
    }
    if (hop.port == 0) hop.port = hop.secure ? 443 : 80;
    return true;
}

// The first request goes where the typed location says, split as ParseUrl
// splits it: the path is sent as typed (dot segments, query and fragment
// included) and a user part stays in the host, so its look-up fails. Only
// the bytes that would end the request line early are refused: the text
// comes from a package file, and must not add headers of its own.
bool firstHop(const ByteString& location, Hop& hop, ByteString& message) {
    if (location.view().find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
        message = kNotAUrl;
        return false;
    }
    if (!toHop(location, hop, message)) return false;
    // Where relative redirects are resolved from.
    const ByteString base = hop.scheme + "://" + hop.host + ":" + textFromU16(hop.port) + hop.path.Left(hop.path.find('#'));
    if (!resolveReference("", base, hop.url)) hop.url = base;
    return true;
}

// The body of a 200 answer to a download's GET. The head's deadline no
// longer holds: only a server silent for the idle limit ends it.
void readBody(HttpRequest& request, SocketHandle& socket, const BodyWanted& body, Answer& a) {
    DownloadHead head;
    DownloadSizeResult said;  // the length as a careful program takes a size
    said.ok = true;
    said.lengths = findHeaderValues(a.lines, "Content-Length");
    ByteString length;
    head.lengthKnown = !request.chunked() && !said.lengths.empty() && definiteSize(said, length);
    if (head.lengthKnown) head.length = parseU64(length);
    findHeaderValue(a.lines, "ETag", head.etag);
    findHeaderValue(a.lines, "Last-Modified", head.lastModified);
    socket.SetDeadline(Deadline::max());
    socket.SetTimeouts({SocketTimeouts{}.connectMilliseconds, static_cast<uint32_t>(body.idleLimit.count())});
    a.stopped = !body.receiver.head(head);
    if (a.stopped || request.ReceiveBody(body.receiver.body)) return;
    a.message = request.TakeErrorText();
    a.stopped = a.message.empty();
    if (!a.stopped) a.message = "Error getting the download.\n" + a.message;
}

// One exchange: HEAD, GET for the first byte, or a download's GET. Headers
// are read only for the answers that need them (success, partial content,
// redirect).
Answer ask(const Hop& hop, bool ranged, const DownloadSizeOptions& options, Deadline deadline,
           const BodyWanted* body) {
    Answer a;
    const NetEnvironment& environment = options.environment;
    ProxyServer proxy;
    if (!proxyFor(environment, hop.secure, hop.host, proxy, a.message)) return a;
    std::unique_ptr<SocketHandle> socket;
    if (hop.secure) socket = std::make_unique<TlsSocketHandle>(TlsTrust{environment.certFile, environment.certDir}, proxy);
    else socket = std::make_unique<SocketHandle>();
    socket->SetDeadline(deadline);
    // Nothing beyond what is read is wanted: the connection closes at once,
    // without reading (the rest of) a body or waiting for the server to
    // close its side.
    socket->SetWaitTime(0, 0);

    HttpRequest request;
    bool sent = request.Attach(*socket) && request.SetServer(hop.host, hop.port, "", "", 0);
    if (!hop.secure) request.SetProxy(proxy.host, proxy.port, proxy.user, proxy.password, 0);
    sent = sent && request.SendRequest(ranged || body ? kHttpGet : kHttpHead, hop.path, "1.1", "");
    if (!body) socket.reset();  // the request keeps its own clone; a download still needs this one
    if (!sent) {
        a.message = "Error sending request to the server.\n" + request.TakeErrorText();
        return a;
    }
    const uint16_t defaultPort = hop.secure ? 443 : 80;
    request.SendHeader("Host", hop.port == defaultPort ? hop.host : hop.host + ":" + textFromU16(hop.port));
    if (ranged) request.SendHeader("Range", "bytes=0-0");
    if (!request.FinaliseHeaders() || !request.FinaliseRequest()) {
        a.message = "Error finalizing the data sent to the server.\n" + request.TakeErrorText();
        return a;
    }
    ByteString version;
    if (!request.ReceiveStatus(version, a.codeText, a.reason)) {
        a.message = "Error getting the response.\n" + request.TakeErrorText();
        return a;
    }
    a.code = parseU32(a.codeText);
    if ((a.code == 200 || a.code == 206 || isFollowedRedirect(a.code)) && !request.ReceiveHeaders(a.lines))
        a.message = "Error getting the headers.\n" + request.TakeErrorText();
    else if (body && a.code == 200) readBody(request, *socket, *body, a);
    return a;
}

// Asks for `location` and follows its redirects, all within one deadline.
// HEAD first; the ranged GET once HEAD is refused with 405 or 501, or, when
// `wantSize`, when a 200 answer to HEAD has no Content-Length.
Answer walk(const ByteString& location, const DownloadSizeOptions& options, bool wantSize,
            const BodyWanted* body = nullptr) {
    const Deadline deadline = Deadline::clock::now() + options.timeLimit;
    Answer a;
    Hop hop;
    ByteString url;
    if (!firstHop(location, hop, a.message)) return a;
    bool ranged = false;
    for (int redirects = 0;;) {
        a = ask(hop, ranged, options, deadline, body);
        ByteString value;
        if (!a.message.empty()) return a;
        if (isFollowedRedirect(a.code)) {
            if (!findHeaderValue(a.lines, "Location", value)) return a;
            if (++redirects > kMaxRedirects) {
                a.message = "Too many redirects.\nThe server redirected the request more than 5 times.";
                return a;
            }
            if (!resolveReference(hop.url, value, url)) {
                a.message = "The server redirected the request to a location that is not a valid URL.";
                return a;
            }
            if (!toHop(url, hop, a.message)) return a;
            continue;
        }
        const bool refused = a.code == 405 || a.code == 501;
        const bool noLength = a.code == 200 && !findHeaderValue(a.lines, "Content-Length", value);
        if (body || ranged || !(refused || (wantSize && noLength))) return a;
        ranged = true;
    }
}

ByteString unexpected(const Answer& a) {
    return "Expected HTTP 200 response to request.\nReceived:  " + a.codeText + " " + a.reason;
}

}  // namespace

DownloadSizeResult determineDownloadSize(const ByteString& location) {
    return determineDownloadSize(location, DownloadSizeOptions{NetEnvironment::fromProcess()});
}

DownloadSizeResult determineDownloadSize(const ByteString& location, const DownloadSizeOptions& options) {
    const Answer a = walk(location, options, true);
    DownloadSizeResult result;
    ByteString value;
    if (!a.message.empty()) result.message = a.message;
    else if (a.code != 200 && a.code != 206) result.message = unexpected(a);
    else if (a.code == 206 ? findHeaderValue(a.lines, "Content-Range", value) && contentRangeTotal(value, result.size)
                           : findHeaderValue(a.lines, "Content-Length", result.size)) {
        result.ok = true;
        if (a.code == 200) result.lengths = findHeaderValues(a.lines, "Content-Length");
        findHeaderValue(a.lines, "ETag", result.etag);
        findHeaderValue(a.lines, "Last-Modified", result.lastModified);
    } else
        result.message = "Unable to determine the size of the file automatically.\nYou will have to enter the file "
                         "size by hand.";
    return result;
}

bool definiteSize(const DownloadSizeResult& result, ByteString& size) {
    if (!result.ok) return false;
    if (result.lengths.empty()) {  // from a Content-Range total, checked already
        size = result.size;
        return true;
    }
    ByteString first;
    for (const ByteString& text : result.lengths) {
        if (text.empty() || text.length() > 20) return false;
        for (uint32_t i = 0; i < text.length(); ++i)
            if (text[i] < '0' || text[i] > '9') return false;
        uint32_t lead = 0;  // "007" and "7" agree
        while (lead + 1 < text.length() && text[lead] == '0') ++lead;
        const ByteString digits = text.Mid(lead);
        if (digits.length() == 20 && ByteString("18446744073709551615") < digits) return false;
        if (!first.empty() && digits != first) return false;
        first = digits;
    }
    size = first;
    return true;
}

LinkCheckResult checkLink(const ByteString& location, const DownloadSizeOptions& options) {
    const Answer a = walk(location, options, false);
    LinkCheckResult result;
    result.ok = a.message.empty() && a.code / 100 == 2;
    if (!result.ok) result.message = a.message.empty() ? unexpected(a) : a.message;
    return result;
}

DownloadResult downloadLocation(const ByteString& location, const DownloadSizeOptions& options,
                                std::chrono::milliseconds idleLimit, const DownloadReceiver& receiver) {
    const BodyWanted body{receiver, idleLimit};
    const Answer a = walk(location, options, false, &body);
    DownloadResult result;
    if (!a.message.empty()) result.message = a.message;
    else if (a.code != 200) result.message = unexpected(a);
    else result.ok = !a.stopped;
    return result;
}

}  // namespace orv
