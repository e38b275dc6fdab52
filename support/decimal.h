// Decimal: a signed integer of unbounded size with decimal text form.
// Used where a count may exceed 64 bits: long byte buffers written as
// decimal text and the content lengths that a web server announces.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "support/byte_string.h"

namespace orv {

class Decimal {
public:
    Decimal() = default;
    Decimal(uint64_t v);  // NOLINT: numbers convert naturally

    // Lenient parse: blanks, optional sign, digits up to the first
    // non-digit. No digits give 0.
    static Decimal parse(std::string_view text);
    static Decimal parse(const ByteString& text) { return parse(text.view()); }
    static Decimal parse(const char* text) { return parse(std::string_view(text ? text : "")); }

    ByteString toText() const;
    bool isZero() const { return limbs_.empty(); }
    bool isNegative() const { return negative_; }
    // The value clamped to 0 .. UINT64_MAX.
    uint64_t toU64Saturated() const;

    friend Decimal operator+(const Decimal& a, const Decimal& b);
    friend Decimal operator-(const Decimal& a, const Decimal& b);
    friend Decimal operator*(const Decimal& a, const Decimal& b);
    friend bool operator==(const Decimal& a, const Decimal& b) {
        return a.negative_ == b.negative_ && a.limbs_ == b.limbs_;
    }
    friend int compare(const Decimal& a, const Decimal& b);
    friend bool operator<(const Decimal& a, const Decimal& b) { return compare(a, b) < 0; }
    Decimal operator-() const;

private:
    void trim();
    std::vector<uint32_t> limbs_;  // least significant first; empty is zero
    bool negative_ = false;
};

}  // namespace orv
