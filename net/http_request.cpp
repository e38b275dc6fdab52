#include "net/http_request.h"

#include <algorithm>
#include <string_view>

#include "net/base64.h"
#include "support/numbers.h"

namespace orv {
namespace {

const char kNotAttached[] = "Error:  Socket structure not attached.\n";

bool startsWithNoCase(const ByteString& line, std::string_view prefix) {
    if (line.length() < prefix.size()) return false;
    for (uint32_t i = 0; i < prefix.size(); ++i) {
        const char c = line[i], lower = static_cast<char>(c | 0x20);
        if (c != prefix[i] && !(lower >= 'a' && lower <= 'z' && lower == (prefix[i] | 0x20))) return false;
    }
    return true;
}

const char* methodWord(uint32_t type) {
    switch (type) {
    case kHttpGet: return "GET";
    case kHttpPost: return "POST";
    case kHttpHead: return "HEAD";
    default: return nullptr;
    }
}

}  // namespace

SocketClient::~SocketClient() = default;

bool SocketClient::Attach(const SocketHandle& socket) {
    socket_ = socket.Clone();
    if (socket_->IsConnected() && socket_->GetConnectionType() == 1) return socket_->Accept();
    return true;
}

ByteString SocketClient::TakeErrorText() {
    ByteString text = std::move(errorText_);
    errorText_.clear();
    return text;
}

HttpRequest::~HttpRequest() = default;

bool HttpRequest::ParseUrl(const ByteString& url, ByteString& scheme, ByteString& host, uint16_t& port,
                           ByteString& path) {
    scheme.clear();
    host.clear();
    path.clear();
    port = 0;
    ByteString text = url;
    text.replaceAll("\\", "/");
    const uint32_t separator = text.find(ByteString("://"));
    if (separator == ByteString::npos) return false;
    scheme = text.Left(separator);
    const uint32_t hostStart = separator + 3;
    const uint32_t slash = text.find('/', hostStart);
    if (slash != ByteString::npos) {
        host = text.Mid(hostStart, slash - hostStart);
        path = text.Mid(slash);
    } else {
        host = text.Mid(hostStart);
        path = "/";
    }
    // The port's colon comes after the brackets of an IPv6 literal.
    const uint32_t colon = host.find(':', host.length() > 0 && host[0] == '[' ? host.find(']') : 0);
    if (colon != ByteString::npos) {
        port = static_cast<uint16_t>(parseU32(host.Mid(colon + 1)));
        host = host.Left(colon);
    }
    return true;
}

bool HttpRequest::Attach(const SocketHandle& socket) {
    if (!SocketClient::Attach(socket)) return false;
    return Reset();
}

bool HttpRequest::Reset() {
    if (!socket_) {
        errorText_ += kNotAttached;
        return false;
    }
    if (socket_->IsConnected()) socket_->Disconnect();
    contentLength_ = Decimal();
    chunked_ = 0;
    closeAfterResponse_ = 0;
    state_ = 0;
    receiveBuffer_ = ByteString();
    scan_ = 0;
    headBytes_ = 0;
    bodyLengthState_ = BodyLength::None;
    bodyLength_ = 0;
    return true;
}

bool HttpRequest::SetServer(const ByteString& host, uint16_t port, const ByteString& user,
                            const ByteString& password, uint32_t authMethod) {
    if (!socket_) {
        errorText_ += kNotAttached;
        return false;
    }
    if (socket_->IsConnected() || state_ != 0) Reset();
    serverHost_ = host;
    serverPort_ = port;
    serverUser_ = user;
    serverPassword_ = password;
    serverAuthMethod_ = authMethod;
    return true;
}

void HttpRequest::SetProxy(const ByteString& host, uint16_t port, const ByteString& user,
                           const ByteString& password, uint32_t authMethod) {
    proxyHost_ = host;
    proxyPort_ = port;
    proxyUser_ = user;
    proxyPassword_ = password;
    proxyAuthMethod_ = authMethod;
}

bool HttpRequest::SendRequest(uint32_t requestType, const ByteString& path, const ByteString& version,
                              const ByteString& query) {
    if (!socket_) {
        errorText_ += kNotAttached;
        return false;
    }
    // A new request starts on a new connection unless only the connect
    // has happened so far.
    if (socket_->IsConnected() && state_ != 1) Reset();
    if (state_ == 0) {
        if (serverHost_.empty()) {
            errorText_ += "Error:  Server name not defined.\n";
            return false;
        }
        const bool viaProxy = !proxyHost_.empty();
        const ByteString& host = viaProxy ? proxyHost_ : serverHost_;
        const uint16_t port = viaProxy ? proxyPort_ : serverPort_;
        if (!socket_->Connect(host, port, 0, 0, AF_UNSPEC, SOCK_STREAM, 0)) {
            errorText_ += viaProxy ? "Error:  Unable to connect to proxy server '" : "Error:  Unable to connect to server '";
            errorText_ += host + "' on port " + textFromU16(port) + ".\n";
            errorText_ += socket_->TakeErrorText();
            return false;
        }
        state_ = 1;
    }
    if (state_ != 1) return false;  // the socket was dropped in mid-exchange
    requestType_ = requestType;
    const char* method = methodWord(requestType);
    if (!method) {
        errorText_ += "Error:  Unrecognized request type.  'GET', 'POST', and 'HEAD' are supported.\n";
        return false;
    }
    ByteString line = method;
    line += " ";
    if (!proxyHost_.empty()) line += "http://" + serverHost_ + ":" + textFromU16(serverPort_);
    if (path.empty() || path[0] != '/') line += "/";
    line += path;
    if (!query.empty()) line += "?" + query;
    line += " HTTP/";
    line += version.empty() ? ByteString("1.1") : version;
    line += "\r\n";
    if (!socket_->Send(line)) {
        errorText_ += "Error:  Unable to send HTTP request data.\n";
        errorText_ += socket_->TakeErrorText();
        return false;
    }
    state_ = 2;
    if (!sendAuthorization("Proxy-Authorization", proxyUser_, proxyPassword_, proxyAuthMethod_,
                           "Error:  Unknown proxy authorization method.\n"))
        return false;
    return sendAuthorization("Authorization", serverUser_, serverPassword_, serverAuthMethod_,
                             "Error:  Unknown authorization method.\n");
}

bool HttpRequest::sendAuthorization(const ByteString& name, const ByteString& user, const ByteString& password,
                                    uint32_t method, const char* unknownMethod) {
    if (user.empty()) return true;
    if (method != 0) {
        errorText_ += unknownMethod;
        return false;
    }
    return SendHeader(name, "Basic " + base64Encode(user + ":" + password));
}

bool HttpRequest::checkSocket() {
    if (!socket_) {
        errorText_ += kNotAttached;
        return false;
    }
    if (!socket_->IsConnected()) {
        errorText_ += "Error:  Socket not connected.  Request must be sent first.\n";
        return false;
    }
    return true;
}

bool HttpRequest::SendHeader(const ByteString& name, const ByteString& value) {
    if (!checkSocket()) return false;
    if (state_ != 2) {
        errorText_ += "Error:  Unable to send the header.  Headers have already been finalized.\n";
        return false;
    }
    if (!socket_->Send(name + ": " + value + "\r\n")) {
        errorText_ += "Error:  Unable to send the header '" + name + "'.\n";
        errorText_ += socket_->TakeErrorText();
        return false;
    }
    return true;
}

bool HttpRequest::FinaliseHeaders() {
    if (!checkSocket()) return false;
    if (state_ != 2) {
        errorText_ += "Error:  Unable to finalize the headers.  Headers have already been finalized.\n";
        return false;
    }
    if (!socket_->Send("\r\n")) {
        errorText_ += "Error:  Unable to finalize the headers.\n";
        errorText_ += socket_->TakeErrorText();
        return false;
    }
    state_ = 3;
    return true;
}

bool HttpRequest::FinaliseRequest() {
    if (!checkSocket()) return false;
    if (state_ != 3) {
        errorText_ += "Error:  Unable to finalize the request.  Headers have not been finalized.\n";
        return false;
    }
    state_ = 4;
    return true;
}

bool HttpRequest::takeLine(ByteString& line) {
    const char* bytes = receiveBuffer_.data();
    const uint32_t length = receiveBuffer_.length(), start = receiveBuffer_.cursor();
    uint32_t i = std::max(start, scan_);
    while (i < length && bytes[i] != '\r' && bytes[i] != '\n') ++i;
    scan_ = i;
    if (i == length || (bytes[i] == '\r' && i + 1 == length)) return false;  // an LF may still follow a CR
    uint32_t next = i + 1;
    if (bytes[i] == '\r' && bytes[next] == '\n') ++next;
    line = receiveBuffer_.Mid(start, i - start);
    headBytes_ += next - start;
    receiveBuffer_.seekCursor(0, next);
    scan_ = next;
    return true;
}

bool HttpRequest::headTooLong() {
    if (headBytes_ <= headLimit_) return false;
    errorText_ += "Error:  The HTTP response headers are longer than " + textFromU32(headLimit_) + " bytes.\n";
    return true;
}

// Reads once more into the buffer, unless the line still being received
// already takes the response head past its limit.
bool HttpRequest::receiveMore(const char* failure) {
    const uint32_t consumed = receiveBuffer_.cursor();
    const uint32_t pending = receiveBuffer_.length() - consumed;
    if (static_cast<uint64_t>(headBytes_) + pending > headLimit_) {
        headBytes_ += pending;
        return !headTooLong();
    }
    // Taken lines are dropped only when that moves no more bytes than it
    // frees, so the work stays linear in the bytes received.
    if (consumed > 0 && consumed >= pending) {
        receiveBuffer_.remove(0, consumed);
        receiveBuffer_.seekCursor(0, 0);
        scan_ -= consumed;
    }
    ByteString piece;
    if (!socket_->Receive(piece)) {
        errorText_ += failure;
        errorText_ += socket_->TakeErrorText();
        return false;
    }
    receiveBuffer_.append(piece);
    return true;
}

bool HttpRequest::ReceiveStatus(ByteString& version, ByteString& code, ByteString& reason) {
    version.clear();
    code.clear();
    reason.clear();
    if (!checkSocket()) return false;
    if (state_ != 4) {
        errorText_ += "Error:  Unable to receive the response.  Response already received or request has not been "
                      "finalized.\n";
        return false;
    }
    // The head is counted from the response's first byte, empty lines
    // before the status line included.
    headBytes_ = 0;
    bodyLengthState_ = BodyLength::None;
    ByteString line;
    for (;;) {
        if (!takeLine(line)) {
            if (!receiveMore("Error:  Unable to receive the HTTP response.\n")) return false;
            continue;
        }
        if (headTooLong()) return false;
        if (!line.empty()) break;
    }
    const uint32_t end = line.length();
    uint32_t i = 0;
    while (i < end && line[i] != ' ') ++i;
    version = line.Left(i);
    while (i < end && line[i] == ' ') ++i;
    uint32_t codeStart = i;
    while (i < end && line[i] != ' ') ++i;
    code = line.Mid(codeStart, i - codeStart);
    while (i < end && line[i] == ' ') ++i;
    reason = line.Mid(i);
    state_ = 5;
    return true;
}

void HttpRequest::noteHeader(const ByteString& line) {
    if (startsWithNoCase(line, "Content-Length: ") && contentLength_.isZero()) {
        ByteString value = line.Mid(16);
        value.trimLeft();
        contentLength_ = Decimal::parse(value);
    }
    if (startsWithNoCase(line, "Connection: close")) closeAfterResponse_ = 1;
    if (startsWithNoCase(line, "Transfer-Encoding: chunked")) chunked_ = 1;
    if (startsWithNoCase(line, "Content-Length:")) noteBodyLength(line);
}

bool HttpRequest::ReceiveHeaders(ByteStringList& lines) {
    lines.clear();
    if (!checkSocket()) return false;
    if (state_ != 5) {
        errorText_ += "Error:  Unable to receive headers.  Headers already received or response has not been "
                      "received.\n";
        return false;
    }
    for (;;) {
        ByteString line;
        if (!takeLine(line)) {
            if (!receiveMore("Error:  Unable to receive the HTTP headers.\n")) return false;
            continue;
        }
        if (headTooLong()) return false;
        if (line.empty()) break;
        noteHeader(line);
        lines.push_back(std::move(line));
    }
    receiveBuffer_.remove(0, receiveBuffer_.cursor());  // what follows is body
    receiveBuffer_.seekCursor(0, 0);
    scan_ = 0;
    if (chunked_ == 1 || requestType_ == kHttpHead) contentLength_ = Decimal();
    remainingLength_ = contentLength_;
    if (requestType_ == kHttpHead) {
        receiveBuffer_ = ByteString();
        closeAfterResponse_ = 0;
        state_ = 0;
    } else {
        state_ = 6;
    }
    return true;
}

}  // namespace orv
