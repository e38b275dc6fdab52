// The server certificate of a secure channel, judged as on every platform:
// trusted root, then host name, then validity.
#include <cstdio>
#include <cstring>

#include "net/certificate_names.h"
#include "net/schannel_api.h"
#include "support/system_error.h"

namespace orv::schannel {

namespace {

// The subjectAltName of a certificate; false when it has none.
bool altNames(const Api& a, const CERT_INFO& info, CertificateNames& names) {
    const CERT_EXTENSION* ext = a.CertFindExtension(szOID_SUBJECT_ALT_NAME2, info.cExtension, info.rgExtension);
    CERT_ALT_NAME_INFO* alt = nullptr;
    DWORD size = 0;
    if (!ext || !a.CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, ext->Value.pbData, ext->Value.cbData,
                                       CRYPT_DECODE_ALLOC_FLAG, nullptr, &alt, &size))
        return false;
    for (DWORD i = 0; i < alt->cAltEntry; ++i) {
        const CERT_ALT_NAME_ENTRY& e = alt->rgAltEntry[i];
        if (e.dwAltNameChoice == CERT_ALT_NAME_DNS_NAME && e.pwszDNSName) {
            ByteString name;
            for (const wchar_t* c = e.pwszDNSName; *c; ++c) name += *c < 0x80 ? static_cast<char>(*c) : '\x01';
            names.dnsNames.push_back(name);
        } else if (e.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS &&
                   (e.IPAddress.cbData == 4 || e.IPAddress.cbData == 16)) {
            IpAddress address;
            address.bits = e.IPAddress.cbData * 8;
            std::memcpy(address.bytes, e.IPAddress.pbData, e.IPAddress.cbData);
            names.addresses.push_back(address);
        }
    }
    LocalFree(alt);
    return true;
}

bool selfSigned(const Api& a, const CERT_CHAIN_CONTEXT& chain, const CERT_INFO& leaf) {
    return chain.cChain > 0 && chain.rgpChain[0]->cElement == 1 &&
           a.CertCompareCertificateName(X509_ASN_ENCODING, const_cast<CERT_NAME_BLOB*>(&leaf.Subject),
                                        const_cast<CERT_NAME_BLOB*>(&leaf.Issuer));
}

bool notYetValid(const CERT_INFO& leaf) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return CompareFileTime(&leaf.NotBefore, &now) > 0;
}

ByteString trustProblem(DWORD status) {
    if (status & CERT_TRUST_IS_NOT_SIGNATURE_VALID) return "a signature in its chain is not valid";
    if (status & CERT_TRUST_IS_NOT_VALID_FOR_USAGE) return "it is not meant for web servers";
    if (status & CERT_TRUST_INVALID_BASIC_CONSTRAINTS) return "an issuer in its chain is not a certificate authority";
    char text[40];
    std::snprintf(text, sizeof text, "trust status 0x%08lX", static_cast<unsigned long>(status));
    return text;
}

ByteString judge(const Api& a, const CERT_CHAIN_CONTEXT& chain, const CERT_INFO& leaf, const ByteString& host) {
    const DWORD status = chain.TrustStatus.dwErrorStatus;
    if (status & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN))
        return certificateVerdict(selfSigned(a, chain, leaf) ? CertificateProblem::SelfSigned
                                                             : CertificateProblem::UnknownAuthority);
    CertificateNames names;
    const bool hasAltNames = altNames(a, leaf, names);
    if (!certificateNamesHost(names, host))
        return certificateVerdict(hasAltNames ? CertificateProblem::OtherHost : CertificateProblem::NoAltName);
    if (status & CERT_TRUST_IS_NOT_TIME_VALID)
        return certificateVerdict(notYetValid(leaf) ? CertificateProblem::NotYetValid : CertificateProblem::Expired);
    if (status & CERT_TRUST_IS_REVOKED) return certificateVerdict(CertificateProblem::Revoked);
    if (status != CERT_TRUST_NO_ERROR) return certificateVerdict(CertificateProblem::Other, trustProblem(status));
    // The system's rules for web servers on top: the name has been checked
    // above, from the subjectAltName alone.
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.fdwChecks = 0x00001000;  // SECURITY_FLAG_IGNORE_CERT_CN_INVALID (wininet.h)
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS verdict{};
    verdict.cbSize = sizeof verdict;
    if (!a.CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, &chain, &policy, &verdict))
        return certificateVerdict(CertificateProblem::Other, "the system could not apply its rules for web servers");
    switch (static_cast<HRESULT>(verdict.dwError)) {
    case S_OK: return {};
    case CERT_E_EXPIRED: return certificateVerdict(CertificateProblem::Expired);
    case CERT_E_UNTRUSTEDROOT:
    case CERT_E_CHAINING: return certificateVerdict(CertificateProblem::UnknownAuthority);
    case CRYPT_E_REVOKED: return certificateVerdict(CertificateProblem::Revoked);
    default: return certificateVerdict(CertificateProblem::Other, systemErrorText(verdict.dwError));
    }
}

}  // namespace

ByteString verifyServerCertificate(const Api& a, CtxtHandle& context, const ByteString& host) {
    PCCERT_CONTEXT leaf = nullptr;
    if (a.sspi->QueryContextAttributesA(&context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &leaf) != SEC_E_OK || !leaf)
        return certificateVerdict(CertificateProblem::Other, "the server sent none");
    LPSTR serverAuth[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof para;
    para.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    para.RequestedUsage.Usage.cUsageIdentifier = 1;
    para.RequestedUsage.Usage.rgpszUsageIdentifier = serverAuth;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    ByteString verdict;
    if (!a.CertGetCertificateChain(nullptr, leaf, nullptr, leaf->hCertStore, &para, 0, nullptr, &chain) || !chain)
        verdict = certificateVerdict(CertificateProblem::Other, "its chain could not be built");
    else
        verdict = judge(a, *chain, *leaf->pCertInfo, host);
    if (chain) a.CertFreeCertificateChain(chain);
    a.CertFreeCertificateContext(leaf);
    return verdict;
}

}  // namespace orv::schannel
