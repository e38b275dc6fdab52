// Package texts between their bytes and Unicode (UTF-8), through the
// platform's converter (the C library's iconv; on Windows its code pages). Texts in a package are bytes in some 8-bit encoding (the
// locale's, or for packages made on Windows typically windows-1252); a text
// counts as decodable only when decoding it and encoding the result again
// gives back the very same bytes, so whatever is shown or exported as
// Unicode can always be written back unchanged.
#pragma once

#include <string>
#include <string_view>

#include "support/byte_string.h"

namespace orv {

namespace detail {
struct Conversion;
}

// ASCII (every byte below 0x80) without the bytes that switch stateful encodings (ISO-2022 and
// the like) into another character set: escape, shift out, shift in. In an
// encoding that keeps ASCII, such a text stands for itself.
bool isPlainAscii(std::string_view bytes);
inline constexpr char kEscape = 0x1B, kShiftOut = 0x0E, kShiftIn = 0x0F;

// Whether the bytes are UTF-8 as a converter accepts it: no overlong
// forms, no surrogates, nothing past U+10FFFF, no cut sequence.
bool isValidUtf8(std::string_view bytes);

// The encoding of the current locale's character type (LC_CTYPE), as the
// converters name it ("UTF-8", "ANSI_X3.4-1968" for the C locale; on
// Windows the process code page).
std::string localeEncoding();
// The encoding of text that reaches the program from outside (arguments)
// and goes out to the terminal: the locale's, except that the C and POSIX
// locales, which say nothing about the bytes, count as UTF-8, what scripts
// in such containers hand over in practice.
std::string terminalEncoding();
// Where a user finds the encoding names the platform knows, for messages.
const char* encodingNamesHint();

class TextCodec {
public:
    TextCodec() = default;
    ~TextCodec();
    TextCodec(const TextCodec&) = delete;
    TextCodec& operator=(const TextCodec&) = delete;

    // Opens the codec for an encoding the platform knows ("UTF-8",
    // "windows-1252", "ISO-8859-15"); an empty name means the locale's.
    // False, leaving the codec closed, for a name it does not know.
    bool open(const std::string& encoding);
    bool isOpen() const { return toUnicode_ != nullptr; }
    // The encoding's name as given (the locale's for an empty name).
    const std::string& name() const { return name_; }

    // The text as UTF-8. False when some byte does not decode or the
    // decoded text would not encode back to the same bytes.
    bool decode(std::string_view bytes, std::string& utf8);
    // Whether this UTF-8 text has the same bytes in this encoding, so that
    // encode would only copy it (ASCII in an ASCII-compatible encoding).
    bool keepsAsIs(std::string_view utf8) const { return asciiCompatible_ && isPlainAscii(utf8); }
    // UTF-8 text in this encoding. False for invalid UTF-8 or a character
    // the encoding cannot hold.
    bool encode(std::string_view utf8, ByteString& bytes);

    // For showing a text, not for keeping it: the text as UTF-8 with every
    // byte that does not decode written as "\xNN".
    std::string decodeShowing(std::string_view bytes);
    // For keeping a text readable whatever it holds: the text as UTF-8
    // with U+FFFD for every byte that does not decode; `replaced` says
    // whether any did.
    std::string decodeReplacing(std::string_view bytes, bool& replaced);
    // For showing: UTF-8 in this encoding with every character it cannot
    // hold written as "\u{XXXX}" (the encoding must hold ASCII).
    std::string encodeShowing(std::string_view utf8);

private:
    void close();

    detail::Conversion* toUnicode_ = nullptr;
    detail::Conversion* fromUnicode_ = nullptr;
    bool asciiCompatible_ = false;  // plain ASCII texts stand for themselves
    std::string name_;
    std::string scratch_;
};

}  // namespace orv
