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

ByteString::ByteString(const char* text) : data_(small_) {
    if (text) append(text, static_cast<uint32_t>(std::strlen(text)));
}

ByteString::ByteString(const char* bytes, uint32_t length) : data_(small_) { append(bytes, length); }

ByteString::ByteString(std::string_view bytes) : data_(small_) { append(bytes); }

ByteString::ByteString(char c) : data_(small_) { append(c); }

ByteString::ByteString(uint32_t count, char fill) : data_(small_) {
    setLength(count);
    std::memset(data_, fill, count);
}

ByteString::ByteString(const ByteString& other) : data_(small_) { append(other.data_, other.length_); }

ByteString::ByteString(ByteString&& other) noexcept : data_(small_) {
    if (other.isInline()) {
        std::memcpy(small_, other.small_, other.length_);
        length_ = other.length_;
    } else {
        data_ = other.data_;
        length_ = other.length_;
        capacity_ = other.capacity_;
        other.data_ = other.small_;
        other.capacity_ = kInlineCapacity;
    }
    cursor_ = other.cursor_;
    other.length_ = 0;
    other.cursor_ = 0;
}

ByteString& ByteString::operator=(const ByteString& other) {
    if (this == &other) return *this;
    length_ = 0;
    append(other.data_, other.length_);
    cursor_ = 0;
    return *this;
}

ByteString& ByteString::operator=(ByteString&& other) noexcept {
    if (this == &other) return *this;
    if (other.isInline()) {
        std::memcpy(data_, other.small_, other.length_);  // our capacity >= inline
        length_ = other.length_;
    } else {
        if (!isInline()) std::free(data_);
        data_ = other.data_;
        length_ = other.length_;
        capacity_ = other.capacity_;
        other.data_ = other.small_;
        other.capacity_ = kInlineCapacity;
    }
    cursor_ = other.cursor_;
    other.length_ = 0;
    other.cursor_ = 0;
    return *this;
}

ByteString::~ByteString() {
    if (!isInline()) std::free(data_);
}

void ByteString::growTo(uint32_t needed) {
    if (needed <= capacity_) return;
    // A fresh text gets exactly what it asks for (the reader's case); a text
    // that is being built up doubles, so appending stays linear.
    uint64_t want = length_ == 0 ? needed : std::max<uint64_t>(needed, 2ull * capacity_);
    if (want > 0xFFFFFFF0ull) want = needed;
    char* fresh = static_cast<char*>(std::malloc(static_cast<size_t>(want) + 1));
    if (!fresh) std::abort();
    std::memcpy(fresh, data_, length_);
    if (!isInline()) std::free(data_);
    data_ = fresh;
    capacity_ = static_cast<uint32_t>(want);
}

void ByteString::reserve(uint32_t n) { growTo(n); }

void ByteString::setLength(uint32_t n) {
    if (n > length_) {
        growTo(n);
        std::memset(data_ + length_, 0, n - length_);
    }
    length_ = n;
    if (cursor_ > length_) cursor_ = length_;
}

const char* ByteString::c_str() {
    data_[length_] = 0;  // storage always has one byte past the capacity
    return data_;
}

ByteString& ByteString::append(const char* bytes, uint32_t n) {
    if (n == 0) return *this;
    if (length_ + n > capacity_) {
        // `bytes` may point into our own storage.
        if (bytes >= data_ && bytes < data_ + length_) {
            ByteString copy(bytes, n);
            return append(copy.data_, n);
        }
        growTo(length_ + n);
    }
    std::memmove(data_ + length_, bytes, n);
    length_ += n;
    return *this;
}

ByteString& ByteString::append(char c) {
    if (length_ + 1 > capacity_) growTo(length_ + 1);
    data_[length_++] = c;
    return *this;
}

void ByteString::insertGap(uint32_t pos, uint32_t n) {
    if (pos > length_) setLength(pos);
    uint32_t old = length_;
    setLength(length_ + n);
    std::memmove(data_ + pos + n, data_ + pos, old - pos);
    std::memset(data_ + pos, 0, n);
}

void ByteString::insert(uint32_t pos, const ByteString& s) {
    ByteString copy(s);  // s may be *this
    insertGap(pos, copy.length_);
    std::memcpy(data_ + pos, copy.data_, copy.length_);
}

void ByteString::remove(uint32_t pos, uint32_t n) {
    uint64_t end = static_cast<uint64_t>(pos) + n;
    if (end > length_) setLength(static_cast<uint32_t>(std::min<uint64_t>(end, 0xFFFFFFFFull)));
    std::memmove(data_ + pos, data_ + end, length_ - end);
    setLength(length_ - n);
}

void ByteString::replaceRange(uint32_t pos, uint32_t n, const ByteString& with) {
    ByteString copy(with);
    remove(pos, n);
    insert(pos, copy);
}

void ByteString::writeRepeated(uint32_t pos, const ByteString& s, uint32_t times) {
    ByteString copy(s);
    uint64_t end = pos + static_cast<uint64_t>(copy.length_) * times;
    if (end > length_) setLength(static_cast<uint32_t>(end));
    for (uint32_t i = 0; i < times; ++i) std::memcpy(data_ + pos + i * copy.length_, copy.data_, copy.length_);
}

ByteString ByteString::Left(uint32_t n) const { return ByteString(data_, std::min(n, length_)); }

ByteString ByteString::Right(uint32_t n) const {
    n = std::min(n, length_);
    return ByteString(data_ + length_ - n, n);
}

ByteString ByteString::Mid(uint32_t pos) const {
    if (pos >= length_) return {};
    return ByteString(data_ + pos, length_ - pos);
}

ByteString ByteString::Mid(uint32_t pos, uint32_t n) const {
    if (pos >= length_) return {};
    return ByteString(data_ + pos, std::min(n, length_ - pos));
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
    if (start >= length_) return npos;
    const void* hit = std::memchr(data_ + start, c, length_ - start);
    return hit ? static_cast<uint32_t>(static_cast<const char*>(hit) - data_) : npos;
}

int ByteString::replaceAll(const ByteString& what, const ByteString& with) {
    if (what == with || what.empty()) return 0;
    uint32_t at = find(what, 0);
    if (at == npos) return 0;
    ByteString out;
    uint32_t from = 0;
    while (at != npos) {
        out.append(data_ + from, at - from);
        out.append(with);
        from = at + what.length_;
        at = find(what, from);
    }
    out.append(data_ + from, length_ - from);
    uint32_t cur = cursor_;
    *this = std::move(out);
    cursor_ = std::min(cur, length_);
    return 1;
}

int ByteString::compareNoCase(uint32_t n, uint32_t p, const ByteString& other, uint32_t q) const {
    for (uint32_t i = 0; i < n; ++i) {
        bool haveA = p + static_cast<uint64_t>(i) < length_;
        bool haveB = q + static_cast<uint64_t>(i) < other.length_;
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
    uint32_t ra = p < length_ ? length_ - p : 0;
    uint32_t rb = q < other.length_ ? other.length_ - q : 0;
    return compareNoCase(std::max(ra, rb), p, other, q);
}

bool ByteString::equalsNoCase(const ByteString& other) const {
    return length_ == other.length_ && compareNoCase(length_, 0, other, 0) == 0;
}

void ByteString::trimLeft() {
    uint32_t i = 0;
    while (i < length_ && isBlankByte(byteAt(i))) ++i;
    remove(0, i);
}

void ByteString::trim() {
    uint32_t end = length_;
    while (end > 0 && isBlankByte(byteAt(end - 1))) --end;
    setLength(end);
    trimLeft();
}

void ByteString::toUpper() {
    for (uint32_t i = 0; i < length_; ++i) data_[i] = static_cast<char>(upperAscii(byteAt(i)));
}

void ByteString::toLower() {
    for (uint32_t i = 0; i < length_; ++i) data_[i] = static_cast<char>(lowerAscii(byteAt(i)));
}

void ByteString::toTitle() {
    bool afterLetter = false;
    for (uint32_t i = 0; i < length_; ++i) {
        unsigned char c = byteAt(i);
        if (isLetter(c)) {
            data_[i] = static_cast<char>(afterLetter ? lowerAscii(c) : upperAscii(c));
            afterLetter = true;
        } else {
            afterLetter = false;
        }
    }
}

ByteString ByteString::readBytes(uint32_t n) {
    n = std::min(n, length_ - cursor_);
    ByteString out(data_ + cursor_, n);
    cursor_ += n;
    return out;
}

ByteString ByteString::readLine(bool completeOnly) {
    uint32_t i = cursor_;
    while (i < length_ && data_[i] != '\r' && data_[i] != '\n') ++i;
    if (i == length_) {
        if (completeOnly) return {};
        ByteString out(data_ + cursor_, i - cursor_);
        cursor_ = i;
        return out;
    }
    uint32_t next = i + 1;
    if (data_[i] == '\r') {
        if (next == length_ && completeOnly) return {};  // LF may still follow
        if (next < length_ && data_[next] == '\n') ++next;
    }
    ByteString out(data_ + cursor_, i - cursor_);
    cursor_ = next;
    return out;
}

void ByteString::seekCursor(int mode, uint32_t n) {
    switch (mode) {
    case 0: cursor_ = std::min(n, length_); break;
    case 1: cursor_ = n >= length_ ? 0 : length_ - n; break;
    case 2: cursor_ = static_cast<uint32_t>(std::min<uint64_t>(static_cast<uint64_t>(cursor_) + n, length_)); break;
    case 3: cursor_ = n >= cursor_ ? 0 : cursor_ - n; break;
    default: break;
    }
}

ByteString operator+(const ByteString& a, const ByteString& b) {
    ByteString out;
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

}  // namespace orv
