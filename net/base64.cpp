#include "net/base64.h"

namespace orv {
namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

void encodeGroup(ByteString& out, const unsigned char* b, uint32_t n) {
    uint32_t v = static_cast<uint32_t>(b[0]) << 16;
    if (n > 1) v |= static_cast<uint32_t>(b[1]) << 8;
    if (n > 2) v |= b[2];
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += n > 1 ? kAlphabet[(v >> 6) & 63] : '=';
    out += n > 2 ? kAlphabet[v & 63] : '=';
}

}  // namespace

void Base64Encoder::add(const ByteString& bytes) {
    for (uint32_t i = 0; i < bytes.length(); ++i) {
        if (pendingCount < 2) {
            pending[pendingCount++] = bytes.byteAt(i);
            continue;
        }
        const unsigned char group[3] = {pending[0], pending[1], bytes.byteAt(i)};
        encodeGroup(output, group, 3);
        pendingCount = 0;
    }
}

ByteString Base64Encoder::finish() {
    if (pendingCount > 0) encodeGroup(output, pending, pendingCount);
    pendingCount = 0;
    return output;
}

ByteString base64Encode(const ByteString& bytes) {
    Base64Encoder encoder;
    encoder.add(bytes);
    return encoder.finish();
}

bool base64Decode(std::string_view text, ByteString& out) {
    auto value = [](char c) -> int {
        if (c >= 'A' && c <= 'Z') return c - 'A';
        if (c >= 'a' && c <= 'z') return c - 'a' + 26;
        if (c >= '0' && c <= '9') return c - '0' + 52;
        return c == '+' ? 62 : c == '/' ? 63 : -1;
    };
    if (text.size() % 4 != 0 || text.size() / 4 * 3 >= ByteString::npos) return false;
    out.clear();
    out.reserve(static_cast<uint32_t>(text.size() / 4 * 3));
    for (size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        const int pad = last ? (text[i + 3] == '=') + (text[i + 2] == '=') : 0;
        if (pad == 1 && text[i + 2] == '=') return false;
        uint32_t group = 0;
        for (int k = 0; k < 4; ++k) {
            const int v = k >= 4 - pad ? 0 : value(text[i + k]);
            if (v < 0) return false;
            group = group << 6 | static_cast<uint32_t>(v);
        }
        const char bytes[3] = {static_cast<char>(group >> 16), static_cast<char>(group >> 8), static_cast<char>(group)};
        out.append(bytes, static_cast<uint32_t>(3 - pad));
    }
    return true;
}

}  // namespace orv
