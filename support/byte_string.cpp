#include "support/byte_string.h"

#include <algorithm>
#include <cstdlib>

namespace orv {

namespace {

unsigned char upperAscii(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }
unsigned char lowerAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }
bool isLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

bool isBlankByte(unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == 0; }

ByteString::ByteString(const char* text) {
    if (text) append(std::string_view(text));
}

ByteString::ByteString(const char* bytes, uint32_t length) { append(bytes, length); }

ByteString::ByteString(std::string_view bytes) { append(bytes); }

ByteString::ByteString(char c) { append(c); }

ByteString::ByteString(uint32_t count, char fill) {
    bytes_.reserve(count);
    bytes_.resize(count);
    std::memset(bytes_.mutableData(), fill, count);
}

ByteString& ByteString::operator=(const ByteString& other) {
    bytes_ = other.bytes_;
    setCursor(0);
    return *this;
}

void ByteString::setLength(uint32_t n) {
    bytes_.resize(n);
    clampCursor();
}

bool ByteString::tryResizeForOverwrite(uint32_t n) {
    if (!bytes_.tryResizeForOverwrite(n)) return false;
    clampCursor();
    return true;
}

const char* ByteString::c_str() {
    char* d = bytes_.mutableData();
    d[length()] = 0;  // storage always has one byte past the capacity
    return d;
}

ByteString& ByteString::append(const char* bytes, uint32_t n) {
    bytes_.append(bytes, n);
    return *this;
}

ByteString& ByteString::append(std::string_view s) {
    if (s.size() > kMaxLength) outOfMemory();
    return append(s.data(), static_cast<uint32_t>(s.size()));
}

void ByteString::insertGap(uint32_t pos, uint32_t n) {
    if (pos > length()) setLength(pos);
    const uint32_t old = length();
    if (n > kMaxLength - old) outOfMemory();
    setLength(old + n);
    char* d = data();
    std::memmove(d + pos + n, d + pos, old - pos);
    std::memset(d + pos, 0, n);
}

void ByteString::insert(uint32_t pos, const ByteString& s) {
    const ByteString copy(s);  // s may be *this
    insertGap(pos, copy.length());
    if (!copy.empty()) std::memcpy(data() + pos, copy.data(), copy.length());
}

void ByteString::remove(uint32_t pos, uint32_t n) {
    // A range past the end first extends the text with 0 bytes and then
    // goes: what is left is the first pos bytes, extended with 0 bytes to
    // pos where the text was shorter. Computed without the extension.
    const uint32_t old = length();
    if (static_cast<uint64_t>(pos) + n >= old) {
        setLength(std::min(pos, old));
        setLength(pos);
        return;
    }
    char* d = data();
    std::memmove(d + pos, d + pos + n, old - pos - n);
    setLength(old - n);
}

void ByteString::replaceRange(uint32_t pos, uint32_t n, const ByteString& with) {
    const ByteString copy(with);
    remove(pos, n);
    insert(pos, copy);
}

void ByteString::writeRepeated(uint32_t pos, const ByteString& s, uint32_t times) {
    const ByteString copy(s);
    const uint64_t end = pos + static_cast<uint64_t>(copy.length()) * times;
    if (end > kMaxLength) outOfMemory();
    if (end > length()) setLength(static_cast<uint32_t>(end));
    char* d = data();
    for (uint64_t at = pos; at < end; at += copy.length()) std::memcpy(d + at, copy.data(), copy.length());
}

ByteString ByteString::Left(uint32_t n) const { return ByteString(data(), std::min(n, length())); }

ByteString ByteString::Right(uint32_t n) const {
    n = std::min(n, length());
    return ByteString(data() + length() - n, n);
}

ByteString ByteString::Mid(uint32_t pos) const {
    if (pos >= length()) return {};
    return ByteString(data() + pos, length() - pos);
}

ByteString ByteString::Mid(uint32_t pos, uint32_t n) const {
    if (pos >= length()) return {};
    return ByteString(data() + pos, std::min(n, length() - pos));
}

uint32_t ByteString::find(const ByteString& what, uint32_t start, uint32_t nth) const {
    if (nth == 0) nth = 1;
    std::string_view hay = view();
    size_t at = start;
    for (;;) {
        if (at > hay.size()) return npos;
        size_t hit = hay.find(what.view(), at);
        if (hit == std::string_view::npos) return npos;
        if (--nth == 0) return static_cast<uint32_t>(hit);
        at = hit + 1;
    }
}

uint32_t ByteString::find(char c, uint32_t start) const {
    if (start >= length()) return npos;
    const void* hit = std::memchr(data() + start, c, length() - start);
    return hit ? static_cast<uint32_t>(static_cast<const char*>(hit) - data()) : npos;
}

int ByteString::replaceAll(const ByteString& what, const ByteString& with) {
    if (what == with || what.empty()) return 0;
    uint32_t at = find(what, 0);
    if (at == npos) return 0;
    ByteString out;
    uint32_t from = 0;
    while (at != npos) {
        out.append(data() + from, at - from);
        out.append(with);
        from = at + what.length();
        at = find(what, from);
    }
    out.append(data() + from, length() - from);
    const uint32_t cur = cursor();
    *this = std::move(out);
    setCursor(std::min(cur, length()));
    return 1;
}

int ByteString::compareNoCase(uint32_t n, uint32_t p, const ByteString& other, uint32_t q) const {
    for (uint32_t i = 0; i < n; ++i) {
        bool haveA = p + static_cast<uint64_t>(i) < length();
        bool haveB = q + static_cast<uint64_t>(i) < other.length();
        if (!haveA || !haveB) return haveA ? 1 : -1;
        unsigned char a = byteAt(p + i);
        unsigned char b = other.byteAt(q + i);
        if (a == b) continue;
        if (isLetter(a) && isLetter(b)) {
            a = upperAscii(a);
            b = upperAscii(b);
            if (a == b) continue;
        }
        return a < b ? -1 : 1;
    }
    return 0;
}

int ByteString::compareNoCase(const ByteString& other, uint32_t p, uint32_t q) const {
    uint32_t ra = p < length() ? length() - p : 0;
    uint32_t rb = q < other.length() ? other.length() - q : 0;
    return compareNoCase(std::max(ra, rb), p, other, q);
}

bool ByteString::equalsNoCase(const ByteString& other) const {
    return length() == other.length() && compareNoCase(length(), 0, other, 0) == 0;
}

void ByteString::trimLeft() {
    uint32_t i = 0;
    while (i < length() && isBlankByte(byteAt(i))) ++i;
    if (i > 0) remove(0, i);
}

void ByteString::trim() {
    uint32_t end = length();
    while (end > 0 && isBlankByte(byteAt(end - 1))) --end;
    setLength(end);
    trimLeft();
}

void ByteString::toUpper() {
    char* d = data();
    for (uint32_t i = 0; i < length(); ++i) d[i] = static_cast<char>(upperAscii(byteAt(i)));
}

void ByteString::toLower() {
    char* d = data();
    for (uint32_t i = 0; i < length(); ++i) d[i] = static_cast<char>(lowerAscii(byteAt(i)));
}

void ByteString::toTitle() {
    char* d = data();
    bool afterLetter = false;
    for (uint32_t i = 0; i < length(); ++i) {
        unsigned char c = byteAt(i);
        if (isLetter(c)) {
            d[i] = static_cast<char>(afterLetter ? lowerAscii(c) : upperAscii(c));
            afterLetter = true;
        } else {
            afterLetter = false;
        }
    }
}

ByteString ByteString::readBytes(uint32_t n) {
    const uint32_t at = cursor();
    n = std::min(n, length() - at);
    ByteString out(data() + at, n);
    setCursor(at + n);
    return out;
}

ByteString ByteString::readLine(bool completeOnly) {
    const char* d = data();
    const uint32_t at = cursor(), end = length();
    uint32_t i = at;
    while (i < end && d[i] != '\r' && d[i] != '\n') ++i;
    if (i == end) {
        if (completeOnly) return {};
        setCursor(i);
        return ByteString(d + at, i - at);
    }
    uint32_t next = i + 1;
    if (d[i] == '\r') {
        if (next == end && completeOnly) return {};  // LF may still follow
        if (next < end && d[next] == '\n') ++next;
    }
    setCursor(next);
    return ByteString(d + at, i - at);
}

void ByteString::seekCursor(int mode, uint32_t n) {
    const uint32_t at = cursor(), end = length();
    switch (mode) {
    case 0: setCursor(std::min(n, end)); break;
    case 1: setCursor(n >= end ? 0 : end - n); break;
    case 2: setCursor(static_cast<uint32_t>(std::min<uint64_t>(static_cast<uint64_t>(at) + n, end))); break;
    case 3: setCursor(n >= at ? 0 : at - n); break;
    default: break;
    }
}

ByteString operator+(const ByteString& a, const ByteString& b) {
    ByteString out;
    if (uint64_t{a.length()} + b.length() > ByteString::kMaxLength) outOfMemory();
    out.reserve(a.length() + b.length());
    out.append(a).append(b);
    return out;
}

ByteString operator+(const ByteString& a, const char* b) {
    ByteString out(a);
    out.append(b);
    return out;
}

ByteString operator+(const char* a, const ByteString& b) {
    ByteString out(a);
    out.append(b);
    return out;
}

ByteString operator+(const ByteString& a, char b) {
    ByteString out(a);
    out.append(b);
    return out;
}

ByteStringList split(const ByteString& s, char sep) {
    ByteStringList out;
    if (s.empty()) return out;
    uint32_t from = 0;
    for (;;) {
        uint32_t at = s.find(sep, from);
        if (at == ByteString::npos) {
            out.emplace_back(s.data() + from, s.length() - from);
            return out;
        }
        out.emplace_back(s.data() + from, at - from);
        from = at + 1;
    }
}

ByteStringList splitChunks(const ByteString& s, uint32_t n) {
    ByteStringList out;
    if (n == 0) return out;
    for (uint32_t at = 0; at < s.length(); at += n) out.push_back(s.Mid(at, n));
    return out;
}

ByteString join(const ByteStringList& parts, const ByteString& sep) {
    ByteString out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) out.append(sep);
        out.append(parts[i]);
    }
    return out;
}

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

ByteString percentDecoded(const ByteString& s) {
    ByteString out;
    for (uint32_t i = 0; i < s.length(); ++i) {
        if (s[i] == '%' && i + 2 < s.length() && hexDigitValue(s[i + 1]) >= 0 && hexDigitValue(s[i + 2]) >= 0) {
            out += static_cast<char>(hexDigitValue(s[i + 1]) * 16 + hexDigitValue(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

}  // namespace orv
