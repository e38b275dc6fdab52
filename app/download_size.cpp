#include "app/download_size.h"

#include <memory>

#include "net/http_request.h"
#include "support/numbers.h"

namespace orv {
namespace {

DownloadSizeResult failure(const ByteString& message) {
    DownloadSizeResult result;
    result.message = message;
    return result;
}

// The value of the first "Content-Length:" line, or false when there is none.
bool findContentLength(const ByteStringList& lines, ByteString& value) {
    const ByteString name("Content-Length:");
    for (const ByteString& line : lines) {
        if (line.length() < name.length() || line.compareNoCase(name.length(), 0, name, 0) != 0) continue;
        value = line.Mid(name.length());
        value.trim();
        return true;
    }
    return false;
}

}  // namespace

DownloadSizeResult determineDownloadSize(const ByteString& location) {
    return determineDownloadSize(location, DownloadSizeOptions{});
}

DownloadSizeResult determineDownloadSize(const ByteString& location, const DownloadSizeOptions& options) {
    const Deadline deadline = Deadline::clock::now() + options.timeLimit;
    ByteString scheme, host, path;
    uint16_t port = 0;
    if (!HttpRequest::ParseUrl(location, scheme, host, port, path))
        return failure("The location field does not contain a valid URL.\nMake sure the 'Test' link works.");
    if (!scheme.equalsNoCase("http")) {
        ByteString shown = scheme;
        shown.toUpper();
        return failure("The protocol is not HTTP.  This program does not support the " + shown + " protocol.");
    }
    if (port == 0) port = 80;

    HttpRequest request;
    bool sent;
    {
        // The request keeps its own clone; this handle goes once it is attached.
        auto socket = std::make_unique<SocketHandle>();
        socket->SetDeadline(deadline);
        sent = request.Attach(*socket) && request.SetServer(host, port, "", "", 0) &&
               request.SendRequest(kHttpHead, path, "1.1", "");
    }
    if (!sent) return failure("Error sending request to the server.\n" + request.TakeErrorText());

    request.SendHeader("Host", port == 80 ? host : host + ":" + textFromU16(port));
    if (!request.FinaliseHeaders() || !request.FinaliseRequest())
        return failure("Error finalizing the data sent to the server.\n" + request.TakeErrorText());

    ByteString version, code, reason;
    if (!request.ReceiveStatus(version, code, reason))
        return failure("Error getting the response.\n" + request.TakeErrorText());
    if (parseU32(code) != 200)
        return failure("Expected HTTP 200 response to request.\nReceived:  " + code + " " + reason);

    ByteStringList lines;
    if (!request.ReceiveHeaders(lines)) return failure("Error getting the headers.\n" + request.TakeErrorText());
    DownloadSizeResult result;
    if (!findContentLength(lines, result.size))
        return failure("Unable to determine the size of the file automatically.\nYou will have to enter the file "
                       "size by hand.");
    result.ok = true;
    return result;
}

}  // namespace orv
