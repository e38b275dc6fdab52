#include "support/numbers.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "support/decimal.h"

namespace orv {

namespace {

template <typename U>
ByteString unsignedText(U v) {
    char buf[24];
    char* end = buf + sizeof buf;
    char* p = end;
    do {
        *--p = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v);
    return ByteString(p, static_cast<uint32_t>(end - p));
}

template <typename U>
U parseUnsigned(std::string_view t) {
    size_t i = 0;
    while (i < t.size() && isBlankByte(static_cast<unsigned char>(t[i]))) ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    U v = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') v = static_cast<U>(v * 10u + static_cast<U>(t[i++] - '0'));
    return negative ? static_cast<U>(U(0) - v) : v;
}

void writeAt(ByteString& out, uint32_t& pos, const ByteString& text) {
    const uint64_t end = uint64_t{pos} + text.length();
    if (end > ByteString::kMaxLength) outOfMemory();
    if (end > out.length()) out.setLength(static_cast<uint32_t>(end));
    std::memcpy(out.data() + pos, text.data(), text.length());
    pos += text.length();
}

ByteString groupThousands(const ByteString& digits) {
    ByteString out;
    uint32_t n = digits.length();
    for (uint32_t i = 0; i < n; ++i) {
        if (i && (n - i) % 3 == 0) out.append(',');
        out.append(digits[i]);
    }
    return out;
}

}  // namespace

ByteString textFromU16(uint16_t v) { return unsignedText<uint32_t>(v); }
ByteString textFromU32(uint32_t v) { return unsignedText(v); }
ByteString textFromU64(uint64_t v) { return unsignedText(v); }

ByteString textFromI32(int32_t v) {
    if (v >= 0) return unsignedText(static_cast<uint32_t>(v));
    return "-" + unsignedText(0u - static_cast<uint32_t>(v));
}

ByteString textFromDouble(double v) {
    char buf[400];
    int n = std::snprintf(buf, sizeof buf, "%.10lf", v);
    if (n < 0) return {};
    return ByteString(buf, static_cast<uint32_t>(std::min<int>(n, sizeof buf - 1)));
}

void appendU16(ByteString& out, uint32_t& pos, uint16_t v) { writeAt(out, pos, textFromU16(v)); }
void appendU32(ByteString& out, uint32_t& pos, uint32_t v) { writeAt(out, pos, textFromU32(v)); }
void appendU64(ByteString& out, uint32_t& pos, uint64_t v) { writeAt(out, pos, textFromU64(v)); }
void appendI32(ByteString& out, uint32_t& pos, int32_t v) { writeAt(out, pos, textFromI32(v)); }
void appendDouble(ByteString& out, uint32_t& pos, double v) { writeAt(out, pos, textFromDouble(v)); }

uint32_t parseU32(std::string_view text) { return parseUnsigned<uint32_t>(text); }
uint64_t parseU64(std::string_view text) { return parseUnsigned<uint64_t>(text); }

ByteString bytesToDecimal(const unsigned char* bytes, uint32_t n, bool mostSignificantFirst) {
    if (n <= 8) {
        uint64_t v = 0;
        for (uint32_t i = 0; i < n; ++i) {
            uint32_t k = mostSignificantFirst ? i : n - 1 - i;
            v = (v << 8) | bytes[k];
        }
        return textFromU64(v);
    }
    Decimal v;
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t k = mostSignificantFirst ? i : n - 1 - i;
        v = v * Decimal(256) + Decimal(bytes[k]);
    }
    return v.toText();
}

ByteString FormatByteSize(const ByteString& number, uint32_t unitChoice) {
    static const char* const kUnits[] = {"Bytes", "KB", "MB", "GB", "TB", "PB", "EB", "ZB", "YB"};
    ByteString terminated(number);
    double value = std::atof(terminated.c_str());
    uint32_t unit = 0;
    if (unitChoice == 0) {
        double limit = 1024.0;
        while (unit < 8 && value >= limit) {
            ++unit;
            limit *= 1024.0;
        }
    } else {
        unit = unitChoice <= 8 ? unitChoice - 1 : 8;
    }
    double quotient = value / std::pow(1024.0, unit);
    ByteString text = textFromDouble(quotient);
    uint32_t dot = text.find('.');
    ByteString whole = dot == ByteString::npos ? text : text.Left(dot);
    ByteString fraction = dot == ByteString::npos ? ByteString() : text.Mid(dot + 1, 2);
    while (fraction.length() < 2) fraction.append('0');
    bool negative = !whole.empty() && whole[0] == '-';
    ByteString grouped = groupThousands(negative ? whole.Mid(1) : whole);
    if (negative) grouped = "-" + grouped;
    if (unit == 0) return grouped + " Bytes";
    return grouped + "." + fraction + kUnits[unit];
}

}  // namespace orv
