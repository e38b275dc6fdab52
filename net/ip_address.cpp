#include "net/ip_address.h"

#include <cstring>

namespace orv {

namespace {

bool parseIPv4(std::string_view t, unsigned char* out) {
    int parts = 0;
    size_t i = 0;
    while (parts < 4) {
        const size_t start = i;
        unsigned value = 0;
        while (i < t.size() && i - start < 4 && t[i] >= '0' && t[i] <= '9') value = value * 10 + unsigned(t[i++] - '0');
        const size_t digits = i - start;
        if (digits == 0 || digits > 3 || value > 255 || (digits > 1 && t[start] == '0')) return false;
        out[parts++] = static_cast<unsigned char>(value);
        if (parts < 4 && (i >= t.size() || t[i++] != '.')) return false;
    }
    return i == t.size();
}

bool parseIPv6(std::string_view t, unsigned char* out) {
    unsigned char groups[16] = {};
    int filled = 0;     // bytes written so far
    int gap = -1;       // where "::" stands, in bytes
    size_t i = 0;
    if (t.substr(0, 2) == "::") {
        gap = 0;
        i = 2;
    } else if (!t.empty() && t[0] == ':') {
        return false;
    }
    while (i < t.size()) {
        if (filled == 16) return false;
        const size_t start = i;
        unsigned value = 0;
        while (i < t.size() && i - start < 5 && hexDigitValue(t[i]) >= 0) value = value << 4 | unsigned(hexDigitValue(t[i++]));
        if (i < t.size() && t[i] == '.') {  // the last 32 bits as IPv4
            if (filled > 12 || !parseIPv4(t.substr(start), groups + filled)) return false;
            filled += 4;
            i = t.size();
            break;
        }
        if (i == start || i - start > 4) return false;
        groups[filled++] = static_cast<unsigned char>(value >> 8);
        groups[filled++] = static_cast<unsigned char>(value);
        if (i == t.size()) break;
        if (t[i++] != ':') return false;
        if (i < t.size() && t[i] == ':') {
            if (gap >= 0) return false;
            gap = filled;
            ++i;
        } else if (i == t.size()) {
            return false;  // a single trailing ":"
        }
    }
    if (gap < 0 && filled != 16) return false;
    if (gap >= 0 && filled == 16) return false;  // "::" must stand for at least one group
    std::memset(out, 0, 16);
    const int tail = gap < 0 ? 0 : filled - gap;
    std::memcpy(out, groups, static_cast<size_t>(filled - tail));
    std::memcpy(out + 16 - tail, groups + filled - tail, static_cast<size_t>(tail));
    return true;
}

}  // namespace

bool parseIpAddress(const ByteString& text, IpAddress& address) {
    IpAddress parsed;
    if (parseIPv4(text.view(), parsed.bytes)) parsed.bits = 32;
    else if (parseIPv6(text.view(), parsed.bytes)) parsed.bits = 128;
    else return false;
    address = parsed;
    return true;
}

bool sameNetwork(const IpAddress& a, const IpAddress& b, uint32_t prefixBits) {
    if (a.bits != b.bits || prefixBits > a.bits) return false;
    const uint32_t whole = prefixBits / 8, rest = prefixBits % 8;
    if (std::memcmp(a.bytes, b.bytes, whole) != 0) return false;
    const unsigned mask = (0xFF00u >> rest) & 0xFFu;
    return rest == 0 || (a.bytes[whole] & mask) == (b.bytes[whole] & mask);
}

}  // namespace orv
