#include "net/schannel_api.h"

#include <atomic>
#include <mutex>

#include "support/dynamic_library.h"

namespace orv::schannel {

namespace {

template <typename F>
bool bind(void* library, F& slot, const char* name) {
    slot = reinterpret_cast<F>(BindFunction(library, name));
    return slot != nullptr;
}

bool bindAll(Api& a) {
    void* crypt = LoadLibrarySlot("crypt32.dll");
    INIT_SECURITY_INTERFACE_A init = nullptr;
    if (!bind(LoadLibrarySlot("secur32.dll"), init, "InitSecurityInterfaceA")) return false;
    a.sspi = init();
    return a.sspi && bind(crypt, a.CertGetCertificateChain, "CertGetCertificateChain") &&
           bind(crypt, a.CertVerifyCertificateChainPolicy, "CertVerifyCertificateChainPolicy") &&
           bind(crypt, a.CertFreeCertificateChain, "CertFreeCertificateChain") &&
           bind(crypt, a.CertFreeCertificateContext, "CertFreeCertificateContext") &&
           bind(crypt, a.CertFindExtension, "CertFindExtension") &&
           bind(crypt, a.CryptDecodeObjectEx, "CryptDecodeObjectEx") &&
           bind(crypt, a.CertCompareCertificateName, "CertCompareCertificateName");
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
