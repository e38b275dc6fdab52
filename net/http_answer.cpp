#include "net/http_answer.h"

#include "net/http_request.h"
#include "support/decimal.h"
#include "support/numbers.h"

namespace orv {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The length of the run of digits at `at`.
uint32_t digitsAt(const ByteString& s, uint32_t at) {
    uint32_t n = 0;
    while (at + n < s.length() && isDigit(s[at + n])) ++n;
    return n;
}

// "scheme://" at the start, the scheme made of letters, digits, "+", "-", ".".
bool hasScheme(const ByteString& s) {
    const uint32_t end = s.find(ByteString("://"));
    if (end == ByteString::npos || end == 0 || !isAlpha(s[0])) return false;
    for (uint32_t i = 1; i < end; ++i)
        if (!isAlpha(s[i]) && !isDigit(s[i]) && s[i] != '+' && s[i] != '-' && s[i] != '.') return false;
    return true;
}

ByteString percentEncoded(const ByteString& s) {
    static const char kHex[] = "0123456789ABCDEF";
    ByteString out;
    for (uint32_t i = 0; i < s.length(); ++i) {
        const unsigned char c = s.byteAt(i);
        if (c != ' ' && c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

// A path ("/..." up to any query) without its "." and ".." segments.
ByteString withoutDotSegments(const ByteString& path) {
    const ByteStringList segments = split(path.Mid(1), '/');
    ByteStringList kept;
    for (size_t i = 0; i < segments.size(); ++i) {
        const bool dot = segments[i] == ".", dotDot = segments[i] == "..";
        if (dotDot && !kept.empty()) kept.pop_back();
        if (!dot && !dotDot) kept.push_back(segments[i]);
        else if (i + 1 == segments.size()) kept.push_back("");
    }
    return "/" + join(kept, "/");
}

bool isValidAuthority(const ByteString& authority) {
    ByteString scheme, host, path;
    uint16_t port = 0;
    HttpRequest::ParseUrl("x://" + authority, scheme, host, port, path);
    const ByteString portText = authority.Mid(host.length() + 1);
    const bool portOk = authority.length() == host.length() ||
                        (digitsAt(portText, 0) == portText.length() && portText.length() <= 5 && port != 0 &&
                         parseU32(portText) <= 0xFFFF);
    if (!portOk || host.empty()) return false;
    const bool literal = host[0] == '[';
    if (literal && (host.length() < 4 || host[host.length() - 1] != ']')) return false;
    for (uint32_t i = literal ? 1 : 0; i < host.length() - (literal ? 1 : 0); ++i) {
        const char c = host[i];
        const bool ok = literal ? (isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' || c == '.')
                                : (isAlpha(c) || isDigit(c) || c == '-' || c == '.' || c == '_');
        if (!ok) return false;
    }
    return true;
}

}  // namespace

bool findHeaderValue(const ByteStringList& lines, const ByteString& name, ByteString& value) {
    for (const ByteString& line : lines) {
        if (line.length() <= name.length() || line[name.length()] != ':' ||
            line.compareNoCase(name.length(), 0, name, 0) != 0)
            continue;
        value = line.Mid(name.length() + 1);
        value.trim();
        return true;
    }
    return false;
}

ByteStringList findHeaderValues(const ByteStringList& lines, const ByteString& name) {
    ByteStringList values;
    ByteString value;
    for (const ByteString& line : lines) {
        const ByteStringList one{line};
        if (findHeaderValue(one, name, value)) values.push_back(value);
    }
    return values;
}

bool isFollowedRedirect(uint32_t code) {
    return code == 301 || code == 302 || code == 303 || code == 307 || code == 308;
}

bool resolveReference(const ByteString& base, const ByteString& reference, ByteString& url) {
    ByteString ref = reference;
    ref.trim();
    for (uint32_t i = 0; i < ref.length(); ++i)
        if (ref.byteAt(i) < 0x20 || ref.byteAt(i) == 0x7F) return false;
    ref.replaceAll("\\", "/");
    ref = percentEncoded(ref.Left(ref.find('#')));
    if (hasScheme(ref)) {
        url = ref;
    } else {
        const uint32_t schemeEnd = base.find(ByteString("://"));
        if (schemeEnd == ByteString::npos) return false;
        const uint32_t pathAt = base.find('/', schemeEnd + 3);
        const ByteString origin = base.Left(pathAt);
        ByteString path = pathAt == ByteString::npos ? ByteString("/") : base.Mid(pathAt);
        path = path.Left(path.find('?'));
        if (ref.Left(2) == "//") url = base.Left(schemeEnd + 1) + ref;
        else if (ref.empty() || ref[0] == '?') url = origin + path + ref;
        else if (ref[0] == '/') url = origin + ref;
        else url = origin + path.Left(static_cast<uint32_t>(path.view().rfind('/')) + 1) + ref;
    }
    // Authority, then the path ("/" when there is none) without dot segments.
    const uint32_t hostAt = url.find(ByteString("://")) + 3;
    uint32_t pathAt = hostAt;
    while (pathAt < url.length() && url[pathAt] != '/' && url[pathAt] != '?') ++pathAt;
    if (!isValidAuthority(url.Mid(hostAt, pathAt - hostAt))) return false;
    ByteString rest = url.Mid(pathAt);
    if (rest.empty() || rest[0] == '?') rest = "/" + rest;
    const uint32_t query = rest.find('?');
    url = url.Left(pathAt) + withoutDotSegments(rest.Left(query)) + rest.Mid(query == ByteString::npos ? rest.length() : query);
    return true;
}

bool contentRangeTotal(const ByteString& value, ByteString& total) {
    ByteString v = value;
    v.trim();
    const ByteString unit("bytes ");
    if (v.length() <= unit.length() || v.compareNoCase(unit.length(), 0, unit, 0) != 0) return false;
    uint32_t at = unit.length();
    while (at < v.length() && v[at] == ' ') ++at;
    const uint32_t first = digitsAt(v, at);
    if (first == 0 || at + first >= v.length() || v[at + first] != '-') return false;
    const uint32_t lastAt = at + first + 1, last = digitsAt(v, lastAt);
    if (last == 0 || lastAt + last >= v.length() || v[lastAt + last] != '/') return false;
    const uint32_t totalAt = lastAt + last + 1, digits = digitsAt(v, totalAt);
    if (digits == 0 || totalAt + digits != v.length()) return false;
    const Decimal from = Decimal::parse(v.Mid(at, first)), to = Decimal::parse(v.Mid(lastAt, last));
    const Decimal all = Decimal::parse(v.Mid(totalAt));
    if (to < from || !(to < all)) return false;
    total = all.toText();
    return true;
}

}  // namespace orv
