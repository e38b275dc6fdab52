#include "app/text_codec.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "app/text_conversion.h"

namespace orv {

namespace detail {

size_t sequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8) return 4;
    if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
    return lead >= 0xC0 ? 2 : 1;
}

}  // namespace detail

namespace {

const char kHex[] = "0123456789ABCDEF";

// A conversion that never fails: what cannot be converted is written in
// ASCII instead, one input byte (or, from UTF-8, one character) at a time,
// or as `replacement` when one is given.
std::string convertShowing(detail::Conversion* cd, std::string_view in, bool fromUtf8, bool* replaced = nullptr,
                           const char* replacement = nullptr) {
    std::string out;
    size_t pos = 0;
    while (pos < in.size()) {
        // The longest run up to the first bad byte converts in one call.
        pos += detail::convertPrefix(cd, in.substr(pos), out);
        if (pos >= in.size()) break;
        if (replaced) *replaced = true;
        const auto lead = static_cast<unsigned char>(in[pos]);
        const size_t n = fromUtf8 ? std::min(detail::sequenceLength(lead), in.size() - pos) : 1;
        if (replacement) {
            out += replacement;
        } else if (fromUtf8 && n > 1) {
            uint32_t cp = lead & (0x7F >> n);
            for (size_t i = 1; i < n; ++i) cp = (cp << 6) | (static_cast<unsigned char>(in[pos + i]) & 0x3F);
            char buf[16];
            std::snprintf(buf, sizeof buf, "\\u{%04X}", cp);
            out += buf;
        } else {
            out += "\\x";
            out += kHex[lead >> 4];
            out += kHex[lead & 15];
        }
        pos += n;
    }
    return out;
}

}  // namespace

std::string localeEncoding() { return detail::systemEncoding(); }

const char* encodingNamesHint() { return detail::encodingNamesHint(); }

std::string terminalEncoding() {
    const std::string name = localeEncoding();
    return name == "ANSI_X3.4-1968" ? "UTF-8" : name;
}

bool isPlainAscii(std::string_view bytes) {
    // Eight bytes at a time: no high bit, no escape, no shift out or in
    // (0x0E and 0x0F are the bytes that read 0x0F with their lowest bit set).
    constexpr uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
    auto hasByte = [](uint64_t word, uint8_t c) {
        const uint64_t x = word ^ (kOnes * c);
        return ((x - kOnes) & ~x & kHighs) != 0;
    };
    size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        if ((word & kHighs) || hasByte(word, kEscape) || hasByte(word | kOnes, kShiftIn)) return false;
    }
    for (; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (static_cast<unsigned char>(c) >= 0x80 || c == kEscape || c == kShiftOut || c == kShiftIn) return false;
    }
    return true;
}

bool isValidUtf8(std::string_view bytes) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        // Runs of ASCII, eight bytes at a time.
        if (i + 8 <= n) {
            uint64_t word;
            std::memcpy(&word, s + i, 8);
            if ((word & 0x8080808080808080ull) == 0) {
                i += 8;
                continue;
            }
        }
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t length;
        unsigned char low = 0x80, high = 0xBF;  // the second byte's range
        if (c >= 0xC2 && c <= 0xDF) length = 2;
        else if (c == 0xE0) length = 3, low = 0xA0;
        else if (c == 0xED) length = 3, high = 0x9F;  // no surrogates
        else if (c >= 0xE1 && c <= 0xEF) length = 3;
        else if (c == 0xF0) length = 4, low = 0x90;
        else if (c == 0xF4) length = 4, high = 0x8F;  // nothing past U+10FFFF
        else if (c >= 0xF1 && c <= 0xF3) length = 4;
        else return false;
        if (n - i < length || s[i + 1] < low || s[i + 1] > high) return false;
        for (size_t k = 2; k < length; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}


TextCodec::~TextCodec() { close(); }

void TextCodec::close() {
    detail::closeConversion(toUnicode_);
    detail::closeConversion(fromUnicode_);
    toUnicode_ = fromUnicode_ = nullptr;
}

bool TextCodec::open(const std::string& encoding) {
    close();
    const std::string name = encoding.empty() ? localeEncoding() : encoding;
    toUnicode_ = detail::openConversion("UTF-8", name);
    fromUnicode_ = detail::openConversion(name, "UTF-8");
    if (!toUnicode_ || !fromUnicode_) {
        close();
        return false;
    }
    name_ = name;
    std::string ascii;
    for (int i = 0; i < 0x80; ++i) {
        if (i != kEscape && i != kShiftOut && i != kShiftIn) ascii += static_cast<char>(i);
    }
    std::string back;
    asciiCompatible_ = detail::convertWhole(toUnicode_, ascii, back) && back == ascii && detail::convertWhole(fromUnicode_, ascii, back) &&
                       back == ascii;
    return true;
}

bool TextCodec::decode(std::string_view bytes, std::string& utf8) {
    if (asciiCompatible_ && isPlainAscii(bytes)) {
        utf8.assign(bytes);
        return true;
    }
    return detail::convertWhole(toUnicode_, bytes, utf8) && detail::convertWhole(fromUnicode_, utf8, scratch_) && scratch_ == bytes;
}

bool TextCodec::encode(std::string_view utf8, ByteString& bytes) {
    if (utf8.size() >= ByteString::npos) return false;
    if (asciiCompatible_ && isPlainAscii(utf8)) {
        bytes = ByteString(utf8);
        return true;
    }
    if (!detail::convertWhole(fromUnicode_, utf8, scratch_) || scratch_.size() >= ByteString::npos) return false;
    bytes = ByteString(scratch_);
    return true;
}

std::string TextCodec::decodeShowing(std::string_view bytes) {
    if (asciiCompatible_ && isPlainAscii(bytes)) return std::string(bytes);
    return convertShowing(toUnicode_, bytes, false);
}

std::string TextCodec::decodeReplacing(std::string_view bytes, bool& replaced) {
    replaced = false;
    if (asciiCompatible_ && isPlainAscii(bytes)) return std::string(bytes);
    return convertShowing(toUnicode_, bytes, false, &replaced, "\xEF\xBF\xBD");  // U+FFFD
}

std::string TextCodec::encodeShowing(std::string_view utf8) {
    if (asciiCompatible_ && isPlainAscii(utf8)) return std::string(utf8);
    return convertShowing(fromUnicode_, utf8, true);
}

}  // namespace orv
