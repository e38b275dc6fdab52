#include "app/text_codec.h"

#include <cstring>

namespace orv {

bool isPlainAscii(std::string_view bytes) {
    // Eight bytes at a time: no high bit, no escape, no shift out or in
    // (0x0E and 0x0F are the bytes that read 0x0F with their lowest bit set).
    constexpr uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
    auto hasByte = [](uint64_t word, uint8_t c) {
        const uint64_t x = word ^ (kOnes * c);
        return ((x - kOnes) & ~x & kHighs) != 0;
    };
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        if ((word & kHighs) || hasByte(word, kEscape) || hasByte(word | kOnes, kShiftIn)) return false;
    }
    for (; i < bytes.size(); ++i) {
        const char c = bytes[i];
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
