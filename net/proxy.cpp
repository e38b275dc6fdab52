#include "net/proxy.h"

#include <cstdlib>

#include "net/http_request.h"
#include "net/resolve.h"

namespace orv {
namespace {

ByteString variable(const char* lower, const char* upper) {
    const char* value = std::getenv(lower);
    if (!value || !*value) value = std::getenv(upper);
    return ByteString(value);
}

bool bypassed(const ByteString& noProxy, const ByteString& host) {
    ByteString name = bareHost(host);
    name.toLower();
    ByteString list = noProxy;
    list.replaceAll(" ", ",");
    for (ByteString entry : split(list, ',')) {
        entry = bareHost(entry);
        entry.toLower();
        while (!entry.empty() && entry[0] == '.') entry = entry.Mid(1);
        if (entry == "*") return true;
        if (entry.empty() || entry.length() > name.length()) continue;
        const uint32_t at = name.length() - entry.length();
        if (name.Mid(at) == entry && (at == 0 || name[at - 1] == '.')) return true;
    }
    return false;
}

}  // namespace

NetEnvironment NetEnvironment::fromProcess() {
    NetEnvironment e;
    e.httpProxy = variable("http_proxy", "HTTP_PROXY");
    e.httpsProxy = variable("https_proxy", "HTTPS_PROXY");
    e.noProxy = variable("no_proxy", "NO_PROXY");
    e.certFile = ByteString(std::getenv("SSL_CERT_FILE"));
    e.certDir = ByteString(std::getenv("SSL_CERT_DIR"));
    return e;
}

bool proxyFor(const NetEnvironment& environment, bool secure, const ByteString& host, ProxyServer& proxy,
              ByteString& problem) {
    proxy = ProxyServer();
    ByteString text = secure ? environment.httpsProxy : environment.httpProxy;
    text.trim();
    if (text.empty() || bypassed(environment.noProxy, host)) return true;
    const uint32_t schemeEnd = text.find(ByteString("://"));
    if (schemeEnd != ByteString::npos && !text.Left(schemeEnd).equalsNoCase("http")) {
        problem = secure ? "The proxy set for secure locations (https_proxy) is not an HTTP proxy."
                         : "The proxy set for web locations (http_proxy) is not an HTTP proxy.";
        return false;
    }
    ByteString authority = text.Mid(schemeEnd == ByteString::npos ? 0 : schemeEnd + 3);
    authority = authority.Left(authority.find('/'));
    const uint32_t at = static_cast<uint32_t>(authority.view().rfind('@'));
    if (at != ByteString::npos) {
        const ByteString userInfo = authority.Left(at);
        const uint32_t colon = userInfo.find(':');
        proxy.user = percentDecoded(userInfo.Left(colon));
        proxy.password = colon == ByteString::npos ? ByteString() : percentDecoded(userInfo.Mid(colon + 1));
        authority = authority.Mid(at + 1);
    }
    ByteString scheme, path;
    HttpRequest::ParseUrl("http://" + authority, scheme, proxy.host, proxy.port, path);
    if (proxy.port == 0) proxy.port = 1080;
    return true;
}

}  // namespace orv
