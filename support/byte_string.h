// ByteString carries every text and byte buffer of the program: package
// fields, whole files, request and answer lines, links. It is a run of
// bytes in which 0 is as good as any other value, with a read position for
// taking a text apart front to back (readLine, readBytes). No encoding is
// assumed beyond "8-bit, as the system shows it", and no 0 follows the last
// byte until c_str() is asked for one. Texts that fit kInlineCapacity bytes
// (ids, numbers, release dates) need no allocation; longer ones may share
// their storage with other texts (share(), Sharer), which is how the
// package reader's texts point into the file's bytes instead of copying them.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "support/compact_array.h"

namespace orv {

class ByteString {
    using Storage = CompactArray<char, 20, 1>;

public:
    static constexpr uint32_t npos = 0xFFFFFFFFu;
    static constexpr uint32_t kInlineCapacity = Storage::kInlineCapacity;
    // The longest text. Growing beyond it is an allocation failure: the
    // try... forms report it, the others end the program (support/memory.h).
    static constexpr uint32_t kMaxLength = Storage::kMaxLength;

    ByteString() noexcept = default;
    ByteString(const char* text);  // NOLINT: implicit like a string literal; null gives empty
    ByteString(const char* bytes, uint32_t length);
    ByteString(std::string_view bytes);  // NOLINT
    explicit ByteString(char c);
    ByteString(uint32_t count, char fill);
    // Copies are deep and start with the cursor at 0.
    ByteString(const ByteString& other) : bytes_(other.bytes_) {}
    ByteString(ByteString&& other) noexcept = default;
    ByteString& operator=(const ByteString& other);
    ByteString& operator=(ByteString&& other) noexcept = default;

    uint32_t length() const { return bytes_.length(); }
    uint32_t size() const { return bytes_.length(); }
    bool empty() const { return bytes_.length() == 0; }
    uint32_t capacity() const { return bytes_.capacity(); }
    const char* data() const { return bytes_.data(); }
    char* data() { return bytes_.mutableData(); }
    const char* c_str();        // writes a 0 byte past the end, length unchanged
    std::string_view view() const { return {bytes_.data(), bytes_.length()}; }
    std::string toStdString() const { return std::string(view()); }
    unsigned char byteAt(uint32_t i) const { return static_cast<unsigned char>(bytes_.data()[i]); }
    char operator[](uint32_t i) const { return bytes_.data()[i]; }
    char& operator[](uint32_t i) { return data()[i]; }

    // Sets the length; new bytes are 0. Shrinking keeps the storage.
    void setLength(uint32_t n);
    void reserve(uint32_t n) { bytes_.reserve(n); }
    void clear() { setLength(0); }
    // Fallible forms for sizes that come from input: false, with the text
    // unchanged, when memory runs out or the length would pass kMaxLength.
    bool tryReserve(uint32_t n) { return bytes_.tryReserve(n); }
    // Sets the length without filling new bytes: the caller writes them.
    bool tryResizeForOverwrite(uint32_t n);

    // The bytes pos .. pos + n - 1 (clamped, like Mid) without copying
    // them: the result shares this text's storage, which lives as long as
    // either text does. Changing either text copies it first.
    ByteString share(uint32_t pos, uint32_t n) const { return ByteString(bytes_.share(pos, n)); }
    // Hands out many texts that share one text's storage (see share()),
    // cheaper than share() for each. The source must stay unchanged while
    // the sharer lives.
    class Sharer {
    public:
        explicit Sharer(const ByteString& source) : source_(source.data()), sharer_(source.bytes_) {}
        ByteString share(uint32_t pos, uint32_t n) { return ByteString(sharer_.share(source_ + pos, n)); }
        ByteString share(std::string_view piece) {
            return ByteString(sharer_.share(piece.data(), static_cast<uint32_t>(piece.size())));
        }
        // target = share(piece), without a temporary; the cursor goes to 0.
        void assign(ByteString& target, std::string_view piece) {
            sharer_.assign(target.bytes_, piece.data(), static_cast<uint32_t>(piece.size()));
            target.setCursor(0);
        }

    private:
        const char* source_;
        Storage::Sharer sharer_;
    };

    // Appending. Appending a text to itself is allowed.
    ByteString& append(const char* bytes, uint32_t n);
    ByteString& append(std::string_view s);
    ByteString& append(const ByteString& s) { return append(s.data(), s.length()); }
    ByteString& append(const char* text) { return text ? append(std::string_view(text)) : *this; }
    ByteString& append(char c) { return append(&c, 1); }
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
    uint32_t cursor() const { return bytes_.ownerWord(); }
    ByteString readBytes(uint32_t n);
    // Next line without its terminator (CR, LF or CR LF). With
    // completeOnly, a line without terminator, or ending in a CR that is
    // the text's last byte, is not taken: empty result, cursor unchanged.
    ByteString readLine(bool completeOnly = false);
    bool atEnd() const { return cursor() >= length(); }
    // 0 set, 1 back from the end, 2 forward, 3 back.
    void seekCursor(int mode, uint32_t n);

    bool operator==(const ByteString& o) const { return bytes_ == o.bytes_; }
    bool operator!=(const ByteString& o) const { return !(*this == o); }
    bool operator==(const char* s) const { return view() == std::string_view(s ? s : ""); }
    bool operator<(const ByteString& o) const { return view() < o.view(); }

private:
    explicit ByteString(Storage&& bytes) noexcept : bytes_(std::move(bytes)) {}
    void setCursor(uint32_t c) { bytes_.setOwnerWord(c); }
    void clampCursor() {
        if (cursor() > length()) setCursor(length());
    }

    Storage bytes_;
};
static_assert(sizeof(ByteString) == 40);

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

bool isBlankByte(unsigned char c);

// The value of a hexadecimal digit in either case, or -1.
int hexDigitValue(char c);

// The text with every %XX escape (two hexadecimal digits) undone; a "%"
// without two such digits stays as it is.
ByteString percentDecoded(const ByteString& s);  // blank, tab, CR, LF or 0

}  // namespace orv
