#include "app/text_codec.h"

#include <cstring>

namespace orv {

bool isPlainAscii(std::string_view bytes) {
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80 || c == kEscape || c == kShiftOut || c == kShiftIn) return false;
    }
    return true;
}

bool isValidUtf8(std::string_view bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        // Runs of ASCII, eight bytes at a time.
        if (i + 8 <= n) {
            uint64_t word;
            std::memcpy(&word, s + i, 8);
            if ((word & 0x8080808080808080ull) == 0) {
                i += 8;
                continue;
            }
        }
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t length;
        unsigned char low = 0x80, high = 0xBF;  // the second byte's range
        if (c >= 0xC2 && c <= 0xDF) length = 2;
        else if (c == 0xE0) length = 3, low = 0xA0;
        else if (c == 0xED) length = 3, high = 0x9F;  // no surrogates
        else if (c >= 0xE1 && c <= 0xEF) length = 3;
        else if (c == 0xF0) length = 4, low = 0x90;
        else if (c == 0xF4) length = 4, high = 0x8F;  // nothing past U+10FFFF
        else if (c >= 0xF1 && c <= 0xF3) length = 4;
        else return false;
        if (n - i < length || s[i + 1] < low || s[i + 1] > high) return false;
        for (size_t k = 2; k < length; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}

}  // namespace orv
