// The platform's text conversion beneath TextCodec: iconv on POSIX, code
// pages on Windows. One Conversion converts one way between an encoding
// and UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orv::detail {

struct Conversion;

// Null when the platform does not know one of the encodings.
Conversion* openConversion(const std::string& to, const std::string& from);
void closeConversion(Conversion* conversion);
// The whole text from the start state; false on any invalid or incomplete
// sequence or a character the target cannot hold.
bool convertWhole(Conversion* conversion, std::string_view in, std::string& out);
// Appends the conversion of the longest beginning of `in` that converts;
// returns how many bytes of `in` that took.
size_t convertPrefix(Conversion* conversion, std::string_view in, std::string& out);
// The encoding of the system's 8-bit texts (the locale's, or on Windows
// the process code page).
std::string systemEncoding();
// Where a user finds the encoding names this platform knows.
const char* encodingNamesHint();

// Length of the UTF-8 sequence that starts with `lead` (1 for a stray byte).
size_t sequenceLength(unsigned char lead);

}  // namespace orv::detail
