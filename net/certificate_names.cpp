#include "net/certificate_names.h"

#include "net/resolve.h"

namespace orv {

namespace {

bool printable(const ByteString& s) {
    for (uint32_t i = 0; i < s.length(); ++i)
        if (s.byteAt(i) <= 0x20 || s.byteAt(i) >= 0x7F) return false;
    return !s.empty();
}

ByteString withoutTrailingDot(const ByteString& s) {
    return s.length() > 1 && s[s.length() - 1] == '.' ? s.Left(s.length() - 1) : s;
}

bool nameMatches(ByteString pattern, const ByteString& host) {
    pattern = withoutTrailingDot(pattern);
    if (!printable(pattern)) return false;
    if (pattern.equalsNoCase(host)) return pattern.find('*') == ByteString::npos;
    if (pattern.Left(2) != "*.") return false;
    const ByteString rest = pattern.Mid(1);  // ".example.com"
    if (rest.find('*') != ByteString::npos || rest.find('.', 1) == ByteString::npos) return false;
    const uint32_t dot = host.find('.');
    return dot != ByteString::npos && dot > 0 && host.Mid(dot).equalsNoCase(rest);
}

}  // namespace

bool certificateNamesHost(const CertificateNames& names, const ByteString& host) {
    const ByteString bare = bareHost(host);
    IpAddress literal;
    if (parseIpAddress(bare, literal)) {
        for (const IpAddress& a : names.addresses)
            if (a.bits == literal.bits && sameNetwork(a, literal, a.bits)) return true;
        return false;
    }
    const ByteString name = withoutTrailingDot(bare);
    if (!printable(name) || name.find('*') != ByteString::npos) return false;
    for (const ByteString& pattern : names.dnsNames)
        if (nameMatches(pattern, name)) return true;
    return false;
}

ByteString certificateVerdict(CertificateProblem problem, const ByteString& detail) {
    switch (problem) {
    case CertificateProblem::Expired: return "The server's certificate has expired.";
    case CertificateProblem::NotYetValid: return "The server's certificate is not yet valid.";
    case CertificateProblem::SelfSigned: return "The server's certificate is self-signed.";
    case CertificateProblem::UnknownAuthority:
        return "The server's certificate was issued by an unknown certificate authority.";
    case CertificateProblem::OtherHost: return "The server's certificate is for another host.";
    case CertificateProblem::NoAltName:
        return "The server's certificate has no subjectAltName; a host named only in its common name is not accepted.";
    case CertificateProblem::Revoked: return "The server's certificate has been revoked.";
    case CertificateProblem::Other: break;
    }
    return "The server's certificate could not be verified (" + detail + ").";
}

}  // namespace orv
