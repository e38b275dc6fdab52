// The functions of Windows' secure channel (secur32.dll) and certificate
// library (crypt32.dll), bound by name on first use: a system without them
// still starts the program, and only secure connections fail.
#pragma once

#include <windows.h>
#include <wincrypt.h>
#define SECURITY_WIN32
#define SCHANNEL_USE_BLACKLISTS  // the newer credentials, which can ask for TLS 1.3
#include <subauth.h>
#include <schannel.h>
#include <security.h>
#include <sspi.h>

namespace orv::schannel {

struct Api {
    PSecurityFunctionTableA sspi;
    decltype(&::CertGetCertificateChain) CertGetCertificateChain;
    decltype(&::CertVerifyCertificateChainPolicy) CertVerifyCertificateChainPolicy;
    decltype(&::CertFreeCertificateChain) CertFreeCertificateChain;
    decltype(&::CertFreeCertificateContext) CertFreeCertificateContext;
    decltype(&::CertFindExtension) CertFindExtension;
    decltype(&::CryptDecodeObjectEx) CryptDecodeObjectEx;
    decltype(&::CertCompareCertificateName) CertCompareCertificateName;
};

// Every function, or null when one of the libraries or functions is
// missing (tried again on the next call). Thread-safe.
const Api* api();

}  // namespace orv::schannel

#include "support/byte_string.h"

namespace orv::schannel {

// Checks the certificate that the server of an established context sent:
// its chain must end at a root of the Windows certificate store and be
// meant for web servers, and its subjectAltName must name `host`. Empty
// when it passes, else the one sentence that says why not.
ByteString verifyServerCertificate(const Api& a, CtxtHandle& context, const ByteString& host);

}  // namespace orv::schannel
