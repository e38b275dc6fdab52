#include "net/schannel_api.h"

#include <atomic>
#include <mutex>

#include "support/dynamic_library.h"

namespace orv::schannel {

namespace {

bool bindAll(Api& a) {
    void* crypt = LoadLibrarySlot("crypt32.dll");
    INIT_SECURITY_INTERFACE_A init = nullptr;
    if (!BindInto(LoadLibrarySlot("secur32.dll"), init, "InitSecurityInterfaceA")) return false;
    a.sspi = init();
    return a.sspi && BindInto(crypt, a.CertGetCertificateChain, "CertGetCertificateChain") &&
           BindInto(crypt, a.CertVerifyCertificateChainPolicy, "CertVerifyCertificateChainPolicy") &&
           BindInto(crypt, a.CertFreeCertificateChain, "CertFreeCertificateChain") &&
           BindInto(crypt, a.CertFreeCertificateContext, "CertFreeCertificateContext") &&
           BindInto(crypt, a.CertFindExtension, "CertFindExtension") &&
           BindInto(crypt, a.CryptDecodeObjectEx, "CryptDecodeObjectEx") &&
           BindInto(crypt, a.CertCompareCertificateName, "CertCompareCertificateName");
}

std::mutex gLock;
Api gApi{};
std::atomic<bool> gBound{false};

}  // namespace

const Api* api() {
    if (gBound.load(std::memory_order_acquire)) return &gApi;
    std::lock_guard<std::mutex> guard(gLock);
    if (!gBound.load(std::memory_order_relaxed)) {
        Api a{};
        if (bindAll(a)) {
            gApi = a;
            gBound.store(true, std::memory_order_release);
        }
    }
    return gBound.load(std::memory_order_relaxed) ? &gApi : nullptr;
}

}  // namespace orv::schannel
