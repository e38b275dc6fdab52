// The web servers of the integration tests and benchmarks, by name: plain,
// secure (good certificate), expired, other (for another host), self
// (self-signed), cn (host in the common name only), foreign (issued by an
// authority nobody trusts; POSIX: the secure server without the
// authority's file) and v6 (plain on [::1], where the machine has IPv6).
//
// On POSIX the fixture starts a private nginx itself (nginx_server.h). A
// Windows program under Wine cannot: tests/windows/web_fixture.sh starts
// one on the host beforehand, and the fixture adds its authority to the
// current user's Root store for as long as it lives.
#pragma once

#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

#include "app/download_size.h"
#ifdef _WIN32
#include <windows.h>
#include <wincrypt.h>

#include "support/dynamic_library.h"
#else
#include "tests/net/nginx_server.h"
#endif

namespace orv::testing {

class WebServers {
public:
    WebServers();
    ~WebServers();
    WebServers(const WebServers&) = delete;
    WebServers& operator=(const WebServers&) = delete;

    // Empty when the servers are up, else why not.
    const std::string& problem() const { return problem_; }
    // The port of a named server; 0 when there is none.
    uint16_t port(const std::string& name) const {
        auto it = ports_.find(name);
        return it == ports_.end() ? 0 : it->second;
    }
    // Options under which the test authority is trusted.
    DownloadSizeOptions trusting() const { return trusting_; }

private:
    std::map<std::string, uint16_t> ports_;
    std::string problem_;
    DownloadSizeOptions trusting_;
#ifdef _WIN32
    std::string authority_;  // its certificate, DER
#else
    NginxServer nginx_;
#endif
};

#ifdef _WIN32
// Wine reports a certificate deleted from the user's Root store but keeps
// it in the registry: the key named after its SHA-1 goes too.
inline void forgetInRegistry(PCCERT_CONTEXT certificate) {
    static BoundFunction<decltype(CertGetCertificateContextProperty)> property("crypt32.dll",
                                                                                "CertGetCertificateContextProperty");
    static BoundFunction<decltype(RegDeleteKeyA)> removeKey("advapi32.dll", "RegDeleteKeyA");
    BYTE hash[20];
    DWORD size = sizeof hash;
    if (!property.get() || !removeKey.get() || !property.get()(certificate, CERT_SHA1_HASH_PROP_ID, hash, &size)) return;
    std::string key = "Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\";
    for (DWORD i = 0; i < size; ++i) key += "0123456789ABCDEF"[hash[i] >> 4], key += "0123456789ABCDEF"[hash[i] & 15];
    removeKey.get()(HKEY_CURRENT_USER, key.c_str());
}

// Adds the authority's certificate to the current user's Root store, or
// removes it again. The store is written back when it is closed, and only
// then do other openers (the chain engine) see the change.
inline bool changeRootStore(const std::string& der, bool add) {
    static BoundFunction<decltype(CertOpenSystemStoreA)> open("crypt32.dll", "CertOpenSystemStoreA");
    static BoundFunction<decltype(CertCloseStore)> close("crypt32.dll", "CertCloseStore");
    static BoundFunction<decltype(CertAddEncodedCertificateToStore)> put("crypt32.dll", "CertAddEncodedCertificateToStore");
    static BoundFunction<decltype(CertCreateCertificateContext)> create("crypt32.dll", "CertCreateCertificateContext");
    static BoundFunction<decltype(CertFindCertificateInStore)> find("crypt32.dll", "CertFindCertificateInStore");
    static BoundFunction<decltype(CertDeleteCertificateFromStore)> remove("crypt32.dll", "CertDeleteCertificateFromStore");
    static BoundFunction<decltype(CertFreeCertificateContext)> release("crypt32.dll", "CertFreeCertificateContext");
    if (!open.get() || !close.get() || !put.get() || !create.get() || !find.get() || !remove.get() || !release.get())
        return false;
    HCERTSTORE store = open.get()(0, "ROOT");
    if (!store) return false;
    const auto* bytes = reinterpret_cast<const BYTE*>(der.data());
    const DWORD size = static_cast<DWORD>(der.size());
    bool ok = false;
    if (add) {
        ok = put.get()(store, X509_ASN_ENCODING, bytes, size, CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    } else if (PCCERT_CONTEXT wanted = create.get()(X509_ASN_ENCODING, bytes, size)) {
        PCCERT_CONTEXT found = find.get()(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, wanted, nullptr);
        ok = found && remove.get()(found);  // frees `found`
        forgetInRegistry(wanted);
        release.get()(wanted);
    }
    return close.get()(store, 0) && ok;
}

inline WebServers::WebServers() {
    std::ifstream list(ORV_WEB_FIXTURE "/servers.txt");
    std::string name;
    for (unsigned port; list >> name >> port;) ports_[name] = static_cast<uint16_t>(port);
    std::ifstream der(ORV_WEB_FIXTURE "/ca.der", std::ios::binary);
    authority_.assign(std::istreambuf_iterator<char>(der), {});
    if (ports_.empty() || authority_.empty()) problem_ = "no web fixture at " ORV_WEB_FIXTURE " (CTest starts it)";
    else if (!changeRootStore(authority_, true)) problem_ = "the test authority cannot be added to the Root store";
}

inline WebServers::~WebServers() {
    if (problem_.empty()) changeRootStore(authority_, false);
}
#else
inline WebServers::WebServers() {
    if (!nginxInstalled()) {
        problem_ = std::string("nginx is not installed at ") + kNginxBinary;
        return;
    }
    NginxServer& n = nginx_;
    n.writeFile("setup.exe", 1234567), n.writeFile("nolength.exe", 1234567);
    const bool made = n.makeCertificate("good", "DNS:localhost,IP:127.0.0.1", 1) &&
                      n.makeCertificate("expired", "DNS:localhost", -1) &&
                      n.makeCertificate("other", "DNS:other.example", 1) &&
                      n.makeCertificate("self", "DNS:localhost", 1, true) && n.makeCertificate("cn", "", 1);
    const uint16_t secure = n.addServer("location = /a/b/final { return 301 ../../setup.exe; }", "good");
    ports_["secure"] = ports_["foreign"] = secure;
    ports_["plain"] = n.addServer("location = /chain { return 302 https://127.0.0.1:" + std::to_string(secure) +
                                  "/a/b/final; }\nlocation = /loop { return 302 /loop; }\nlocation = /nolength.exe { "
                                  "ssi on; ssi_types *; if ($request_method = GET) { rewrite ^ /setup.exe last; } }");
    for (const char* name : {"expired", "other", "self", "cn"}) ports_[name] = n.addServer("", name);
    if (const uint16_t v6 = n.addServer("", "", "[::1]")) ports_["v6"] = v6;
    if (!made || !n.start()) problem_ = "nginx did not start; see " + n.errorLog();
    trusting_.environment.certFile = std::string_view(n.caFile());
}

inline WebServers::~WebServers() = default;
#endif

}  // namespace orv::testing
