// Reading an answer's body: counted by Content-Length, chunked, or up to
// the server's close. The server is not trusted: a chunk-size line may hold
// at most 4 KiB, the trailer at most the head's own limit, and a size or
// length too large for 64 bits is an error rather than a wrap-around.
#include <algorithm>

#include "net/http_request.h"
#include "support/numbers.h"

namespace orv {
namespace {

constexpr uint32_t kMaxChunkLine = 4096;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    const char lower = static_cast<char>(c | 0x20);
    if (lower >= 'a' && lower <= 'f') return lower - 'a' + 10;
    return -1;
}

// "1A2B[;extensions]" with optional blanks before the extensions.
bool chunkSize(const ByteString& line, uint64_t& size) {
    size = 0;
    uint32_t i = 0;
    for (; i < line.length() && hexDigit(line[i]) >= 0; ++i) {
        if (size >> 60) return false;  // one more digit would not fit
        size = size * 16 + static_cast<uint64_t>(hexDigit(line[i]));
    }
    if (i == 0) return false;
    while (i < line.length() && (line[i] == ' ' || line[i] == '\t')) ++i;
    return i == line.length() || line[i] == ';';
}

}  // namespace

void HttpRequest::noteBodyLength(const ByteString& line) {
    ByteString value = line.Mid(15);
    value.trim();
    uint64_t length = 0;
    bool number = !value.empty() && value.length() <= 19;
    for (uint32_t i = 0; number && i < value.length(); ++i) {
        number = value[i] >= '0' && value[i] <= '9';
        length = length * 10 + static_cast<uint64_t>(value[i] - '0');
    }
    if (!number || (bodyLengthState_ == BodyLength::Given && length != bodyLength_)) {
        bodyLengthState_ = BodyLength::Bad;
    } else if (bodyLengthState_ == BodyLength::None) {
        bodyLengthState_ = BodyLength::Given;
        bodyLength_ = length;
    }
}

// One more read into `piece`. `closed` tells a clean end from a failure.
bool HttpRequest::receivePiece(ByteString& piece, bool& closed) {
    closed = false;
    if (socket_->Receive(piece)) return true;
    const ByteString why = socket_->TakeErrorText();
    if (why.empty()) {
        closed = true;
        return true;
    }
    errorText_ += "Error:  Unable to receive the HTTP body.\n";
    errorText_ += why;
    return false;
}

bool HttpRequest::ReceiveBody(const BodySink& sink) {
    if (!checkSocket()) return false;
    if (state_ != 6) {
        errorText_ += "Error:  Unable to receive the body.  The headers have not been received.\n";
        return false;
    }
    state_ = 0;  // whatever happens now, this exchange is over
    ByteString buffer = std::move(receiveBuffer_);  // what came with the head
    receiveBuffer_.clear();
    scan_ = 0;
    if (chunked_) return receiveChunked(buffer, sink);
    if (bodyLengthState_ == BodyLength::Bad) {
        errorText_ += "Error:  The answer's Content-Length is not one number.\n";
        return false;
    }
    if (bodyLengthState_ == BodyLength::Given) return receiveCounted(buffer, bodyLength_, sink);
    for (bool closed = false;;) {  // the body ends where the server closes
        if (!buffer.empty() && !sink(buffer.view())) return false;
        if (!receivePiece(buffer, closed)) return false;
        if (closed) return true;
    }
}

bool HttpRequest::receiveCounted(ByteString& piece, uint64_t length, const BodySink& sink) {
    uint64_t left = length;
    for (bool closed = false;;) {
        const uint32_t take = static_cast<uint32_t>(std::min<uint64_t>(piece.length(), left));
        if (take > 0 && !sink(std::string_view(piece.data(), take))) return false;
        left -= take;
        if (left == 0) return true;
        if (!receivePiece(piece, closed)) return false;
        if (closed) {
            errorText_ += "Error:  The connection closed after " + ByteString(std::to_string(length - left)) +
                          " of the " + ByteString(std::to_string(length)) + " bytes of the body.\n";
            return false;
        }
    }
}

// The next line of a chunked body from `buffer` at `at`, reading more as
// needed; `closed` when the server left before the line was complete.
bool HttpRequest::takeChunkLine(ByteString& buffer, uint32_t& at, ByteString& line, bool& closed) {
    ByteString piece;
    for (;;) {
        const uint32_t end = buffer.find('\n', at);
        const uint32_t length = (end == ByteString::npos ? buffer.length() : end) - at;
        if (length > kMaxChunkLine) {  // the same verdict however the bytes arrive
            errorText_ += "Error:  A line of the chunked body is longer than " + textFromU32(kMaxChunkLine) + " bytes.\n";
            return false;
        }
        if (end != ByteString::npos) {
            line = buffer.Mid(at, end - at);
            if (!line.empty() && line[line.length() - 1] == '\r') line.setLength(line.length() - 1);
            at = end + 1;
            return true;
        }
        buffer.remove(0, at);
        at = 0;
        if (!receivePiece(piece, closed)) return false;
        if (closed) return true;
        buffer.append(piece);
    }
}

bool HttpRequest::receiveChunked(ByteString& buffer, const BodySink& sink) {
    const char* const broken = "Error:  The chunked body is broken: ";
    uint32_t at = 0;
    ByteString line;
    bool closed = false;
    auto cutShort = [&] {
        errorText_ += broken;
        errorText_ += "the connection closed before its end.\n";
        return false;
    };
    for (;;) {
        if (!takeChunkLine(buffer, at, line, closed)) return false;
        if (closed) return cutShort();
        uint64_t size = 0;
        if (!chunkSize(line, size)) {
            errorText_ += broken;
            errorText_ += "a chunk does not start with its size in hexadecimal.\n";
            return false;
        }
        if (size == 0) break;
        while (size > 0) {
            if (at == buffer.length()) {
                at = 0;
                if (!receivePiece(buffer, closed)) return false;
                if (closed) return cutShort();
            }
            const uint32_t take = static_cast<uint32_t>(std::min<uint64_t>(buffer.length() - at, size));
            if (!sink(std::string_view(buffer.data() + at, take))) return false;
            at += take;
            size -= take;
        }
        if (!takeChunkLine(buffer, at, line, closed)) return false;
        if (closed) return cutShort();
        if (!line.empty()) {
            errorText_ += broken;
            errorText_ += "a chunk is longer than its size says.\n";
            return false;
        }
    }
    // The trailer: header lines up to an empty one, bounded like a head.
    for (uint32_t trailer = 0;;) {
        if (!takeChunkLine(buffer, at, line, closed)) return false;
        if (closed || line.empty()) return true;  // a server that leaves without the last line lost nothing
        if ((trailer += line.length()) > headLimit_) {
            errorText_ += broken;
            errorText_ += "its trailer is too long.\n";
            return false;
        }
    }
}

}  // namespace orv
