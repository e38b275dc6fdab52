#include "links/link_arguments.h"

#include "links/exec_line.h"

namespace orv {

namespace {

// A parameter name as a mail client would read it: %XX undone, blanks
// around it gone, lower case.
ByteString normalisedName(const ByteString& raw) {
    ByteString out = percentDecoded(raw);
    out.trim();
    out.toLower();
    return out;
}

bool isAllowedMailParameter(const ByteString& param) {
    const uint32_t eq = param.find('=');
    const ByteString name = normalisedName(eq == ByteString::npos ? param : param.Left(eq));
    for (const char* allowed : {"to", "cc", "bcc", "subject", "body", "in-reply-to"}) {
        if (name == allowed) return true;
    }
    return false;
}

}  // namespace

ByteString webHandlerType(const ByteString& link) {
    const ByteString https = "https";
    if (link.length() >= 5 && link.compareNoCase(5, 0, https, 0) == 0) return "x-scheme-handler/https";
    return "x-scheme-handler/http";
}

bool isMailLink(const ByteString& link) {
    const ByteString scheme = "mailto:";
    return link.length() >= 7 && link.compareNoCase(7, 0, scheme, 0) == 0;
}

bool looksLikeOption(const ByteString& link) {
    for (uint32_t i = 0; i < link.length(); ++i) {
        const auto c = static_cast<unsigned char>(link[i]);
        if (c > 0x20 && c != 0x7f) return c == '-';
    }
    return false;
}

ByteString withAllowedMailParameters(const ByteString& mailLink) {
    const uint32_t q = mailLink.find('?');
    if (q == ByteString::npos) return mailLink;
    ByteStringList kept;
    for (const ByteString& param : split(mailLink.Mid(q + 1), '&')) {
        if (isAllowedMailParameter(param)) kept.push_back(param);
    }
    ByteString out = mailLink.Left(q);
    if (!kept.empty()) out += "?" + join(kept, "&");
    return out;
}

bool webArguments(const ByteStringList& command, ByteString link, ByteStringList& argv) {
    argv.clear();
    if (command.empty() || looksLikeOption(link)) return false;
    link.replaceAll("\\", "/");
    argv = expandExecArguments(command, link);
    return true;
}

bool mailArguments(const ByteStringList& command, const ByteString& link, ByteStringList& argv) {
    argv.clear();
    if (command.empty() || (!link.empty() && !isMailLink(link))) return false;
    argv = expandExecArguments(command, withAllowedMailParameters(link));
    return true;
}

ByteStringList fallbackCommand() { return {"xdg-open", "%u"}; }

}  // namespace orv
