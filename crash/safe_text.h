// Fixed-size text building for code that runs inside a signal handler: no
// allocation, no locale, truncates silently when full.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace orv {

template <size_t N>
struct SafeText {
    char text[N] = {};
    size_t length = 0;

    SafeText& add(std::string_view s) {
        for (char c : s) add(c);
        return *this;
    }
    SafeText& add(const char* s) {
        while (s && *s && length + 1 < N) text[length++] = *s++;
        text[length] = '\0';
        return *this;
    }
    SafeText& add(char c) {
        if (length + 1 < N) text[length++] = c;
        text[length] = '\0';
        return *this;
    }
    // Decimal, left-padded with zeros to `width` digits.
    SafeText& number(uint64_t v, int width = 1) {
        char digits[24];
        int n = 0;
        do {
            digits[n++] = static_cast<char>('0' + v % 10);
            v /= 10;
        } while (v);
        while (n < width && n < 20) digits[n++] = '0';
        while (n) add(digits[--n]);
        return *this;
    }
    SafeText& hex(uint64_t v) {
        add("0x");
        char digits[16];
        int n = 0;
        do {
            digits[n++] = "0123456789abcdef"[v & 0xF];
            v >>= 4;
        } while (v);
        while (n) add(digits[--n]);
        return *this;
    }
    void truncate(size_t n) {
        if (n < length) length = n;
        text[length] = '\0';
    }
    std::string_view view() const { return {text, length}; }
};

// Bounded copy that always terminates.
inline void copyText(char* to, size_t capacity, const char* from) {
    size_t i = 0;
    while (from && from[i] && i + 1 < capacity) {
        to[i] = from[i];
        ++i;
    }
    to[i] = '\0';
}

}  // namespace orv
