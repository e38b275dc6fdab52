#include "app/text_codec.h"

#include <iconv.h>
#include <langinfo.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orv {

namespace {

// Converts a whole text from the start state; false on any invalid or
// incomplete sequence.
bool convert(void* handle, std::string_view in, std::string& out) {
    const auto cd = static_cast<iconv_t>(handle);
    out.clear();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    size_t used = 0;
    out.resize(in.size() * 2 + 16);
    for (bool flushing = false;;) {
        char* dst = out.data() + used;
        size_t dstLeft = out.size() - used;
        const size_t r = flushing ? iconv(cd, nullptr, nullptr, &dst, &dstLeft) : iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        used = out.size() - dstLeft;
        if (r != static_cast<size_t>(-1)) {
            if (flushing) break;
            flushing = true;  // stateful encodings end with a shift back
            continue;
        }
        if (errno != E2BIG) return false;
        out.resize(out.size() * 2);
    }
    out.resize(used);
    return true;
}

const char kHex[] = "0123456789ABCDEF";

// Length of the UTF-8 sequence that starts with `lead` (1 for a stray byte).
size_t sequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8) return 4;
    if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
    return lead >= 0xC0 ? 2 : 1;
}

// Like convert, but never fails: what cannot be converted is written in
// ASCII instead, one input byte (or, from UTF-8, one character) at a time.
std::string convertShowing(void* handle, std::string_view in, bool fromUtf8) {
    const auto cd = static_cast<iconv_t>(handle);
    std::string out;
    std::string piece;
    size_t pos = 0;
    while (pos < in.size()) {
        // The longest run up to the first bad byte converts in one call.
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data() + pos);
        size_t srcLeft = in.size() - pos;
        piece.resize(srcLeft * 4 + 16);
        char* dst = piece.data();
        size_t dstLeft = piece.size();
        const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        const bool full = r == static_cast<size_t>(-1) && errno == E2BIG;
        if (r != static_cast<size_t>(-1)) iconv(cd, nullptr, nullptr, &dst, &dstLeft);
        out.append(piece.data(), piece.size() - dstLeft);
        pos = in.size() - srcLeft;
        if (pos >= in.size()) break;
        if (full) continue;
        const auto lead = static_cast<unsigned char>(in[pos]);
        const size_t n = fromUtf8 ? std::min(sequenceLength(lead), in.size() - pos) : 1;
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

std::string localeEncoding() {
    const char* codeset = nl_langinfo(CODESET);
    return codeset && *codeset ? codeset : "ANSI_X3.4-1968";
}

std::string terminalEncoding() {
    const std::string name = localeEncoding();
    return name == "ANSI_X3.4-1968" ? "UTF-8" : name;
}

TextCodec::~TextCodec() { close(); }

void TextCodec::close() {
    if (toUnicode_ != kClosed) iconv_close(static_cast<iconv_t>(toUnicode_));
    if (fromUnicode_ != kClosed) iconv_close(static_cast<iconv_t>(fromUnicode_));
    toUnicode_ = fromUnicode_ = kClosed;
}

bool TextCodec::open(const std::string& encoding) {
    close();
    const std::string name = encoding.empty() ? localeEncoding() : encoding;
    toUnicode_ = iconv_open("UTF-8", name.c_str());
    fromUnicode_ = iconv_open(name.c_str(), "UTF-8");
    static_assert(sizeof(iconv_t) == sizeof(void*));
    if (toUnicode_ == kClosed || fromUnicode_ == kClosed) {
        close();
        return false;
    }
    name_ = name;
    std::string ascii;
    for (int i = 0; i < 0x80; ++i) {
        if (i != kEscape && i != kShiftOut && i != kShiftIn) ascii += static_cast<char>(i);
    }
    std::string back;
    asciiCompatible_ = convert(toUnicode_, ascii, back) && back == ascii && convert(fromUnicode_, ascii, back) &&
                       back == ascii;
    return true;
}

bool TextCodec::decode(std::string_view bytes, std::string& utf8) {
    if (asciiCompatible_ && isPlainAscii(bytes)) {
        utf8.assign(bytes);
        return true;
    }
    return convert(toUnicode_, bytes, utf8) && convert(fromUnicode_, utf8, scratch_) && scratch_ == bytes;
}

bool TextCodec::encode(std::string_view utf8, ByteString& bytes) {
    if (utf8.size() >= ByteString::npos) return false;
    if (asciiCompatible_ && isPlainAscii(utf8)) {
        bytes = ByteString(utf8);
        return true;
    }
    if (!convert(fromUnicode_, utf8, scratch_) || scratch_.size() >= ByteString::npos) return false;
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
