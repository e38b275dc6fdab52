// A minimal HTTP/1.x client over the socket layer.
//
// One HttpRequest drives one exchange at a time through fixed steps:
// Attach, SetServer, SendRequest, SendHeader..., FinaliseHeaders,
// FinaliseRequest, ReceiveStatus, ReceiveHeaders. Every step returns true
// on success; a failure appends lines ending in "\n" to the request's error
// text (followed by the socket layer's own text where a socket call failed),
// which TakeErrorText hands over. After the headers of a GET or POST,
// ReceiveBody streams the answer's body.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "net/socket.h"
#include "support/byte_string.h"
#include "support/decimal.h"

namespace orv {

// A client that owns a clone of a socket handle and collects error texts.
class SocketClient {
public:
    SocketClient() = default;
    virtual ~SocketClient();
    SocketClient(const SocketClient&) = delete;
    SocketClient& operator=(const SocketClient&) = delete;

    // Uses a clone of `socket`; a bound socket first accepts a connection.
    virtual bool Attach(const SocketHandle& socket);
    virtual ByteString TakeErrorText();

protected:
    std::unique_ptr<SocketHandle> socket_;
    ByteString errorText_;
};

enum HttpRequestType : uint32_t { kHttpGet = 0, kHttpPost = 1, kHttpHead = 2 };

// A response head (empty lines before the status line, the status line and
// the header lines with their line ends) holds at most this many bytes; the
// limit is checked after every line, so the verdict does not depend on how
// the bytes arrive in pieces.
constexpr uint32_t kMaxHttpHeaderBytes = 64 * 1024;

class HttpRequest : public SocketClient {
public:
    // `headLimit`: the most bytes a response head may hold.
    explicit HttpRequest(uint32_t headLimit = kMaxHttpHeaderBytes) : headLimit_(headLimit) {}
    ~HttpRequest() override;

    // Splits "scheme://host[:port]/path"; backslashes count as slashes, a
    // missing path is "/", a missing port is 0. False without "://". An
    // IPv6 literal host keeps its brackets ("[::1]").
    static bool ParseUrl(const ByteString& url, ByteString& scheme, ByteString& host, uint16_t& port,
                         ByteString& path);

    bool Attach(const SocketHandle& socket) override;
    // Ends any exchange and disconnects; the error text stays.
    bool Reset();
    bool SetServer(const ByteString& host, uint16_t port, const ByteString& user, const ByteString& password,
                   uint32_t authMethod);
    // Routes requests through a proxy (empty host: none). Auth method 0 is
    // Basic, the only one supported.
    void SetProxy(const ByteString& host, uint16_t port, const ByteString& user, const ByteString& password,
                  uint32_t authMethod);
    // Connects if needed and sends the request line (and authorization).
    bool SendRequest(uint32_t requestType, const ByteString& path, const ByteString& version,
                     const ByteString& query);
    bool SendHeader(const ByteString& name, const ByteString& value);
    bool FinaliseHeaders();
    bool FinaliseRequest();
    bool ReceiveStatus(ByteString& version, ByteString& code, ByteString& reason);
    bool ReceiveHeaders(ByteStringList& lines);

    // One piece of an answer's body as it arrives; false stops the reading.
    using BodySink = std::function<bool(std::string_view piece)>;
    // Reads the body of the answer whose headers were just received (state
    // 6) and hands it to `sink` piece by piece as it arrives: the bytes the
    // Content-Length gives, the chunks of a chunked answer, or everything
    // until the server closes when it gives neither. Nothing is kept. The
    // exchange is then over (state 0). False when the connection fails or
    // ends early, the Content-Length is not one number, the chunked framing
    // is broken, or the sink stops (which adds no message: the sink knows
    // why).
    bool ReceiveBody(const BodySink& sink);

    uint32_t state() const { return state_; }
    uint32_t requestType() const { return requestType_; }
    const Decimal& contentLength() const { return contentLength_; }
    const Decimal& remainingLength() const { return remainingLength_; }
    bool chunked() const { return chunked_ != 0; }
    bool closeAfterResponse() const { return closeAfterResponse_ != 0; }

private:
    bool checkSocket();  // attached and connected
    // Takes the next complete line of the response head; false when none
    // has fully arrived. Each byte is looked at once, however the bytes
    // arrive.
    bool takeLine(ByteString& line);
    bool headTooLong();  // appends the message when the head is past its limit
    bool receiveMore(const char* failure);
    bool sendAuthorization(const ByteString& name, const ByteString& user, const ByteString& password,
                           uint32_t method, const char* unknownMethod);
    void noteHeader(const ByteString& line);
    void noteBodyLength(const ByteString& line);
    bool receivePiece(ByteString& piece, bool& closed);
    bool receiveCounted(ByteString& piece, uint64_t length, const BodySink& sink);
    bool receiveChunked(ByteString& buffer, const BodySink& sink);
    bool takeChunkLine(ByteString& buffer, uint32_t& at, ByteString& line, bool& closed);

    ByteString proxyHost_;
    uint16_t proxyPort_ = 80;
    ByteString proxyUser_;
    ByteString proxyPassword_;
    uint32_t proxyAuthMethod_ = 0;
    ByteString serverHost_;
    uint16_t serverPort_ = 80;
    ByteString serverUser_;
    ByteString serverPassword_;
    uint32_t serverAuthMethod_ = 0;
    uint32_t requestType_ = 0;
    Decimal contentLength_;
    Decimal remainingLength_;
    uint32_t chunked_ = 0;
    uint32_t closeAfterResponse_ = 0;
    uint32_t state_ = 0;
    ByteString receiveBuffer_;  // its cursor is the start of what is not yet taken
    uint32_t scan_ = 0;         // where the search for the current line's end goes on
    uint32_t headBytes_ = 0;    // bytes of the response head taken so far
    uint32_t headLimit_;
    // The body's length as the first Content-Length header gives it (any
    // spacing); a value that is not a number, or a second header with
    // another value, makes it unusable.
    enum class BodyLength { None, Given, Bad } bodyLengthState_ = BodyLength::None;
    uint64_t bodyLength_ = 0;
};

}  // namespace orv
