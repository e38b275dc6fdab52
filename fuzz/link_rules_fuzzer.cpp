// The link rules: whatever a package's link field holds, a web link
// reaches a browser only as an http or https address and a mail link only
// as a mailto address whose parameters cannot be split in two.
//
// Input: byte 0 picks web or mail; the rest is the link.
#include <cstdint>
#include <cstdlib>

#include "links/link_arguments.h"

namespace {

using orv::ByteString;
using orv::ByteStringList;
using orv::LinkKind;

void check(bool condition) {
    if (!condition) std::abort();
}

bool startsWithNoCase(const ByteString& text, const ByteString& prefix) {
    return text.length() >= prefix.length() && text.compareNoCase(prefix.length(), 0, prefix, 0) == 0;
}

void checkWeb(const ByteString& link) {
    ByteString target;
    ByteStringList argv;
    const bool accepted = orv::linkTarget(LinkKind::Web, link, target);
    check(orv::linkArguments(LinkKind::Web, {"browser", "%u"}, link, argv) == accepted);
    if (!accepted) return check(argv.empty());
    check(argv == (target.empty() ? ByteStringList{"browser"} : ByteStringList{"browser", target}));
    if (target.empty()) return;
    const bool secure = startsWithNoCase(target, "https:");
    check(secure || startsWithNoCase(target, "http:"));
    check(target.byteAt(target.length() - 1) > 0x20 && target.find('\\') == ByteString::npos);
    ByteString again;
    check(orv::linkTarget(LinkKind::Web, target, again) && again == target);  // a target needs nothing more
    check(secure == (orv::handlerType(LinkKind::Web, target) == "x-scheme-handler/https"));
}

void checkMail(const ByteString& link) {
    ByteString target;
    if (!orv::linkTarget(LinkKind::Mail, link, target)) return check(!link.empty() && !orv::isMailLink(link));
    check(target.empty() == link.empty() && (target.empty() || orv::isMailLink(target)));
    check(orv::withAllowedMailParameters(target) == target);  // nothing left to drop or escape
    const uint32_t query = target.find('?');
    if (query == ByteString::npos) return;
    for (const ByteString& parameter : orv::split(target.Mid(query + 1), '&')) {
        const uint32_t eq = parameter.find('=');
        const ByteString value = eq == ByteString::npos ? ByteString() : parameter.Mid(eq + 1);
        check(value.find('?') == ByteString::npos && value.find(';') == ByteString::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 64 * 1024) return 0;
    const ByteString link(reinterpret_cast<const char*>(data) + 1, static_cast<uint32_t>(size - 1));
    if (data[0] & 1) checkMail(link);
    else checkWeb(link);
    return 0;
}
