// Whether a server certificate is for the host that was asked for, judged
// from its subjectAltName entries alone: a host named only in the common
// name does not count. The rule of the secure sockets that check names
// themselves (Windows); OpenSSL applies the same rule on POSIX.
#pragma once

#include <vector>

#include "net/ip_address.h"
#include "support/byte_string.h"

namespace orv {

struct CertificateNames {
    ByteStringList dnsNames;            // dNSName entries
    std::vector<IpAddress> addresses;   // iPAddress entries
};

// `host` as asked for (brackets of an IPv6 literal allowed). An address
// literal matches only an iPAddress entry with the same bytes. A name
// matches a dNSName that equals it in any letter case (one trailing dot
// on either ignored), or a wildcard "*.rest" whose "*" stands for exactly
// one whole, non-empty label of the host, where "rest" holds at least two
// labels ("*.example.com", never "*.com" or "w*.example.com"). Names with
// bytes outside printable ASCII never match.
bool certificateNamesHost(const CertificateNames& names, const ByteString& host);

// Why a secure socket refuses a server's certificate.
enum class CertificateProblem {
    Expired,
    NotYetValid,
    SelfSigned,
    UnknownAuthority,
    OtherHost,
    NoAltName,  // for another host, and with no subjectAltName at all
    Revoked,
    Other,      // `detail` says what the system reported
};

// The one sentence that names the problem ("The server's certificate has
// expired."), the same on every platform.
ByteString certificateVerdict(CertificateProblem problem, const ByteString& detail = {});

}  // namespace orv
