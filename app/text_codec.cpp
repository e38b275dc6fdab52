#include "app/text_codec.h"

#include <algorithm>
#include <cstdio>

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
// ASCII instead, one input byte (or, from UTF-8, one character) at a time.
std::string convertShowing(detail::Conversion* cd, std::string_view in, bool fromUtf8) {
    std::string out;
    size_t pos = 0;
    while (pos < in.size()) {
        // The longest run up to the first bad byte converts in one call.
        pos += detail::convertPrefix(cd, in.substr(pos), out);
        if (pos >= in.size()) break;
        const auto lead = static_cast<unsigned char>(in[pos]);
        const size_t n = fromUtf8 ? std::min(detail::sequenceLength(lead), in.size() - pos) : 1;
        if (fromUtf8 && n > 1) {
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

bool isPlainAscii(std::string_view bytes) {
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80 || c == kEscape || c == kShiftOut || c == kShiftIn) return false;
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

std::string TextCodec::encodeShowing(std::string_view utf8) {
    if (asciiCompatible_ && isPlainAscii(utf8)) return std::string(utf8);
    return convertShowing(fromUnicode_, utf8, true);
}

}  // namespace orv
