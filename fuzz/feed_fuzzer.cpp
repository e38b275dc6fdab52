// Builds every feed from any package the reader accepts, with the texts
// read as UTF-8 and as windows-1252. Whatever the texts hold, each feed must
// be UTF-8 without the control characters XML 1.0 forbids, and must parse
// back as XML.
#include <pugixml.hpp>

#include <cstddef>
#include <cstdint>

#include "app/feed.h"
#include "package/format.h"

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

// Well-formed UTF-8 (no overlong forms, no surrogates), and only the
// control characters tab, line feed and carriage return.
bool fitForXml(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size() || (c < 0x20 && c != '\t' && c != '\n' && c != '\r')) return false;
        uint32_t code = n == 1 ? c : c & (0x7F >> n);
        for (size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
            code = code << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        }
        const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[n] || (code >= 0xD800 && code < 0xE000) || code == 0xFFFE || code == 0xFFFF || code > 0x10FFFF)
            return false;
        i += n;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    orv::Package p;
    if (!orv::readPackage(p, orv::ByteString(reinterpret_cast<const char*>(data), static_cast<uint32_t>(size)))) return 0;
    static orv::TextCodec utf8, western;
    static const bool opened = utf8.open("UTF-8") && western.open("windows-1252");
    check(opened);
    for (orv::TextCodec* codec : {&utf8, &western}) {
        for (orv::FeedFormat format : {orv::FeedFormat::Appcast, orv::FeedFormat::AppStream, orv::FeedFormat::Pad}) {
            const orv::Feed feed = orv::buildFeed(p, {}, *codec, {format, orv::FeedOs::Guess});
            check(fitForXml(feed.xml));
            pugi::xml_document doc;
            check(doc.load_buffer(feed.xml.data(), feed.xml.size(), pugi::parse_default, pugi::encoding_utf8));
        }
    }
    return 0;
}
