#include "app/failure_reason.h"

#include "net/socket_errors.h"

namespace orv {

namespace {

ByteString lineAt(const ByteString& text, uint32_t start) {
    uint32_t end = text.find('\n', start);
    if (end == ByteString::npos) end = text.length();
    ByteString line = text.Mid(start, end - start);
    line.trim();
    return line;
}

bool startsWith(const ByteString& text, const char* prefix) { return text.view().starts_with(prefix); }

}  // namespace

ByteString failureReason(const ByteString& message) {
    if (const int32_t code = socketErrorIn(message)) return socketErrorReason(code);
    // The last "Error:  " line is the innermost verdict (a certificate
    // refused, a head too long, a proxy that said no).
    const size_t error = message.view().rfind("Error:  ");
    if (error != std::string_view::npos) return lineAt(message, static_cast<uint32_t>(error) + 8);
    const ByteString first = lineAt(message, 0);
    if (startsWith(first, "Expected HTTP 200")) {
        static constexpr std::string_view kReceived = "Received:  ";
        const size_t at = message.view().find(kReceived);
        return "the server answered " +
               (at == std::string_view::npos ? ByteString("otherwise") : lineAt(message, static_cast<uint32_t>(at + kReceived.size())));
    }
    if (startsWith(first, "Unable to determine the size")) return "the server did not give the size";
    if (startsWith(first, "The protocol is not HTTP")) return "not an http or https URL";
    if (startsWith(first, "The location field does not contain a valid URL")) return "not a valid URL";
    if (startsWith(first, "Too many redirects")) return "redirected more than 5 times";
    if (!first.empty() && first[first.length() - 1] == '.') return first.Left(first.length() - 1);
    return first;
}

}  // namespace orv
