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

}  // namespace orv
