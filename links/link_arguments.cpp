#include "links/link_arguments.h"

#include "links/exec_line.h"

namespace orv {

namespace {

bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isSchemeChar(char c) { return isAlpha(c) || isDigit(c) || c == '+' || c == '-' || c == '.'; }

// The scheme of a link ("ssh" of "ssh://h"), or empty when it has none.
// "host:8080/x" is a host and its port, as a browser's address bar reads it.
ByteString schemeOf(const ByteString& link) {
    const uint32_t n = link.length();
    if (n == 0 || !isAlpha(link[0])) return {};
    uint32_t colon = 1;
    while (colon < n && isSchemeChar(link[colon])) ++colon;
    if (colon == n || link[colon] != ':') return {};
    uint32_t end = colon + 1;
    while (end < n && isDigit(link[end])) ++end;
    const bool port = end > colon + 1 && (end == n || link[end] == '/' || link[end] == '?' || link[end] == '#');
    return port ? ByteString() : link.Left(colon);
}

bool webTarget(const ByteString& link, ByteString& target) {
    uint32_t from = 0, to = link.length();
    while (from < to && link.byteAt(from) <= 0x20) ++from;
    while (to > from && link.byteAt(to - 1) <= 0x20) --to;
    target = link.Mid(from, to - from);
    target.replaceAll("\\", "/");
    if (target.empty()) return true;
    const ByteString scheme = schemeOf(target);
    if (scheme.equalsNoCase("http") || scheme.equalsNoCase("https")) return true;
    if (!scheme.empty()) return false;
    target = (target.Left(2) == "//" ? "http:" : "http://") + target;
    return true;
}

// A parameter name as a mail client would read it: %XX undone, blanks
// around it gone, lower case.
ByteString normalisedName(const ByteString& raw) {
    ByteString out = percentDecoded(raw);
    out.trim();
    out.toLower();
    return out;
}

bool isAllowedMailParameter(const ByteString& name) {
    const ByteString normalised = normalisedName(name);
    for (const char* allowed : {"to", "cc", "bcc", "subject", "body", "in-reply-to"})
        if (normalised == allowed) return true;
    return false;
}

// A value with the bytes that separate parameters escaped.
ByteString separatorsEscaped(const ByteString& value) {
    ByteString out;
    for (uint32_t i = 0; i < value.length(); ++i) {
        const char c = value[i];
        if (c == '?') out += "%3F";
        else if (c == '&') out += "%26";
        else if (c == ';') out += "%3B";
        else out += c;
    }
    return out;
}

}  // namespace

bool linkTarget(LinkKind kind, const ByteString& link, ByteString& target) {
    if (kind == LinkKind::Web) return webTarget(link, target);
    target.clear();
    if (!link.empty() && !isMailLink(link)) return false;
    target = withAllowedMailParameters(link);
    return true;
}

ByteString handlerType(LinkKind kind, const ByteString& target) {
    if (kind == LinkKind::Mail) return "x-scheme-handler/mailto";
    return schemeOf(target).equalsNoCase("https") ? "x-scheme-handler/https" : "x-scheme-handler/http";
}

bool isMailLink(const ByteString& link) {
    const ByteString scheme = "mailto:";
    return link.length() >= 7 && link.compareNoCase(7, 0, scheme, 0) == 0;
}

ByteString withAllowedMailParameters(const ByteString& mailLink) {
    const uint32_t q = mailLink.find('?');
    if (q == ByteString::npos) return mailLink;
    ByteStringList kept;
    for (const ByteString& param : split(mailLink.Mid(q + 1), '&')) {
        const uint32_t eq = param.find('=');
        if (!isAllowedMailParameter(param.Left(eq))) continue;
        kept.push_back(eq == ByteString::npos ? param : param.Left(eq + 1) + separatorsEscaped(param.Mid(eq + 1)));
    }
    ByteString out = mailLink.Left(q);
    if (!kept.empty()) out += "?" + join(kept, "&");
    return out;
}

bool linkArguments(LinkKind kind, const ByteStringList& command, const ByteString& link, ByteStringList& argv) {
    argv.clear();
    ByteString target;
    if (command.empty() || !linkTarget(kind, link, target)) return false;
    argv = expandExecArguments(command, target);
    return true;
}

ByteStringList fallbackCommand() { return {"xdg-open", "%u"}; }

}  // namespace orv
