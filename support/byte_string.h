// ByteString: the program's one text and byte-buffer type.
//
// Owned bytes of any value (0 included) with a length and a read cursor.
// Texts are 8-bit in the system code page and carry no terminator; c_str()
// gives a terminated view for platform calls. Short texts (up to
// kInlineCapacity bytes, which covers ids, numbers and release dates) live
// inside the object and need no allocation.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

class ByteString {
public:
    static constexpr uint32_t npos = 0xFFFFFFFFu;
    static constexpr uint32_t kInlineCapacity = 19;

    ByteString() noexcept : data_(small_) {}
    ByteString(const char* text);  // NOLINT: implicit like a string literal; null gives empty
    ByteString(const char* bytes, uint32_t length);
    ByteString(std::string_view bytes);  // NOLINT
    explicit ByteString(char c);
    ByteString(uint32_t count, char fill);
    ByteString(const ByteString& other);
    ByteString(ByteString&& other) noexcept;
    ByteString& operator=(const ByteString& other);
    ByteString& operator=(ByteString&& other) noexcept;
    ~ByteString();

    uint32_t length() const { return length_; }
    uint32_t size() const { return length_; }
    bool empty() const { return length_ == 0; }
    uint32_t capacity() const { return capacity_; }
    const char* data() const { return data_; }
    char* data() { return data_; }
    const char* c_str();        // writes a 0 byte past the end, length unchanged
    std::string_view view() const { return {data_, length_}; }
    std::string toStdString() const { return std::string(data_, length_); }
    unsigned char byteAt(uint32_t i) const { return static_cast<unsigned char>(data_[i]); }
    char operator[](uint32_t i) const { return data_[i]; }
    char& operator[](uint32_t i) { return data_[i]; }

    // Sets the length; new bytes are 0. Shrinking keeps the storage.
    void setLength(uint32_t n);
    void reserve(uint32_t n);
    void clear() { setLength(0); }

    // Appending.
    ByteString& append(const char* bytes, uint32_t n);
    ByteString& append(std::string_view s) { return append(s.data(), static_cast<uint32_t>(s.size())); }
    ByteString& append(const ByteString& s) { return append(s.data_, s.length_); }
    ByteString& append(const char* text) { return text ? append(text, static_cast<uint32_t>(std::strlen(text))) : *this; }
    ByteString& append(char c);
    ByteString& operator+=(const ByteString& s) { return append(s); }
    ByteString& operator+=(const char* s) { return append(s); }
    ByteString& operator+=(char c) { return append(c); }

    // Editing. Positions beyond the end first extend the text with 0 bytes.
    void insertGap(uint32_t pos, uint32_t n);
    void insert(uint32_t pos, const ByteString& s);
    void remove(uint32_t pos, uint32_t n);
    void replaceRange(uint32_t pos, uint32_t n, const ByteString& with);
    void writeRepeated(uint32_t pos, const ByteString& s, uint32_t times);

    // Extraction: clamps to the text, never fails.
    ByteString Left(uint32_t n) const;
    ByteString Right(uint32_t n) const;
    ByteString Mid(uint32_t pos) const;
    ByteString Mid(uint32_t pos, uint32_t n) const;

    // Position of the nth occurrence (n from 1) of `what` at or after
    // `start`, or npos.
    uint32_t find(const ByteString& what, uint32_t start = 0, uint32_t nth = 1) const;
    uint32_t find(char c, uint32_t start = 0) const;
    // Replaces every occurrence; 0 if `what` equals `with` or none was found.
    int replaceAll(const ByteString& what, const ByteString& with);

    // Case-insensitive comparison (ASCII letters only) of n bytes from
    // position p of this text with `other` from position q: -1, 0 or 1.
    int compareNoCase(uint32_t n, uint32_t p, const ByteString& other, uint32_t q) const;
    // Over the longer of the two remainders.
    int compareNoCase(const ByteString& other, uint32_t p = 0, uint32_t q = 0) const;
    bool equalsNoCase(const ByteString& other) const;

    // Trimming (blank, tab, CR, LF, 0) and case.
    void trimLeft();
    void trim();
    void toUpper();
    void toLower();
    void toTitle();

    // Cursor operations.
    uint32_t cursor() const { return cursor_; }
    ByteString readBytes(uint32_t n);
    // Next line without its terminator (CR, LF or CR LF). With
    // completeOnly, a line without terminator, or ending in a CR that is
    // the text's last byte, is not taken: empty result, cursor unchanged.
    ByteString readLine(bool completeOnly = false);
    bool atEnd() const { return cursor_ >= length_; }
    // 0 set, 1 back from the end, 2 forward, 3 back.
    void seekCursor(int mode, uint32_t n);

    bool operator==(const ByteString& o) const {
        return length_ == o.length_ && std::memcmp(data_, o.data_, length_) == 0;
    }
    bool operator!=(const ByteString& o) const { return !(*this == o); }
    bool operator==(const char* s) const { return view() == std::string_view(s ? s : ""); }
    bool operator<(const ByteString& o) const { return view() < o.view(); }

private:
    void growTo(uint32_t needed);  // capacity at least needed
    bool isInline() const { return data_ == small_; }

    char* data_;
    uint32_t length_ = 0;
    uint32_t capacity_ = kInlineCapacity;
    uint32_t cursor_ = 0;
    char small_[kInlineCapacity + 1];  // + terminator slot: 40 bytes in all
};

ByteString operator+(const ByteString& a, const ByteString& b);
ByteString operator+(const ByteString& a, const char* b);
ByteString operator+(const char* a, const ByteString& b);
ByteString operator+(const ByteString& a, char b);

using ByteStringList = std::vector<ByteString>;

// Splits at every `sep` into (separators + 1) texts; an empty text gives none.
ByteStringList split(const ByteString& s, char sep);
// Chunks of n bytes, the last one shorter.
ByteStringList splitChunks(const ByteString& s, uint32_t n);
ByteString join(const ByteStringList& parts, const ByteString& sep);

bool isBlankByte(unsigned char c);  // blank, tab, CR, LF or 0

}  // namespace orv
