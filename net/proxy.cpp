#include "net/proxy.h"

#include <cstdlib>

#include "net/http_request.h"
#include "net/ip_address.h"
#include "net/resolve.h"
#include "support/numbers.h"

namespace orv {
namespace {

// The variable's value and, through `name`, which of the two spellings
// gave it.
ByteString variable(const char* lower, const char* upper, const char*& name) {
    const char* value = std::getenv(name = lower);
    if (!value || !*value) value = std::getenv(name = upper);
    if (!value || !*value) name = lower;
    return ByteString(value);
}

// Whether an entry, an address or a network "address/bits", holds the
// address. A name never matches an address.
bool entryHoldsAddress(const ByteString& entry, const IpAddress& host) {
    const uint32_t slash = entry.find('/');
    IpAddress network;
    if (!parseIpAddress(bareHost(entry.Left(slash)), network) || network.bits != host.bits) return false;
    uint32_t bits = network.bits;
    if (slash != ByteString::npos) {
        const ByteString prefix = entry.Mid(slash + 1);
        bool digits = !prefix.empty() && prefix.length() <= 3;
        for (uint32_t i = 0; i < prefix.length(); ++i) digits = digits && prefix[i] >= '0' && prefix[i] <= '9';
        if (!digits || parseU32(prefix) > network.bits) return false;
        bits = parseU32(prefix);
    }
    return sameNetwork(network, host, bits);
}

// Whether an entry names the host or a domain it lies in.
bool entryHoldsName(ByteString entry, const ByteString& name) {
    while (!entry.empty() && entry[0] == '.') entry = entry.Mid(1);
    if (entry.empty() || entry.length() > name.length()) return false;
    const uint32_t at = name.length() - entry.length();
    return name.Mid(at) == entry && (at == 0 || name[at - 1] == '.');
}

bool bypassed(const ByteString& noProxy, const ByteString& host) {
    ByteString name = bareHost(host);
    name.toLower();
    IpAddress address;
    const bool isAddress = parseIpAddress(name, address);
    ByteString list = noProxy;
    list.replaceAll(" ", ",");
    list.replaceAll("\t", ",");
    for (ByteString entry : split(list, ',')) {
        entry.toLower();
        if (entry == "*") return true;
        if (isAddress ? entryHoldsAddress(entry, address) : entryHoldsName(bareHost(entry), name)) return true;
    }
    return false;
}

// The port after the host of a proxy's "host[:port]": 1080 when none is
// given, false when it is not a number from 1 to 65535 or anything
// follows its digits.
bool proxyPort(const ByteString& authority, const ByteString& host, uint16_t& port) {
    port = 1080;
    if (authority.length() <= host.length() + 1) return true;  // none, or a bare ":"
    const ByteString text = authority.Mid(host.length() + 1);
    uint32_t zeros = 0;
    while (zeros < text.length() && text[zeros] == '0') ++zeros;
    bool digits = text.length() - zeros <= 5;  // no number so long that it wraps
    for (uint32_t i = 0; i < text.length(); ++i) digits = digits && text[i] >= '0' && text[i] <= '9';
    const uint32_t value = digits ? parseU32(text.Mid(zeros)) : 0;
    if (value < 1 || value > 65535) return false;
    port = static_cast<uint16_t>(value);
    return true;
}

}  // namespace

NetEnvironment NetEnvironment::fromProcess() {
    NetEnvironment e;
    e.httpProxy = variable("http_proxy", "HTTP_PROXY", e.httpProxyName);
    e.httpsProxy = variable("https_proxy", "HTTPS_PROXY", e.httpsProxyName);
    const char* ignored = nullptr;
    e.noProxy = variable("no_proxy", "NO_PROXY", ignored);
    e.certFile = ByteString(std::getenv("SSL_CERT_FILE"));
    e.certDir = ByteString(std::getenv("SSL_CERT_DIR"));
    return e;
}

bool proxyFor(const NetEnvironment& environment, bool secure, const ByteString& host, ProxyServer& proxy,
              ByteString& problem) {
    proxy = ProxyServer();
    ByteString text = secure ? environment.httpsProxy : environment.httpProxy;
    const ByteString name = secure ? environment.httpsProxyName : environment.httpProxyName;
    const ByteString kind = secure ? "secure locations" : "web locations";
    text.trim();
    if (text.empty() || bypassed(environment.noProxy, host)) return true;
    const uint32_t schemeEnd = text.find(ByteString("://"));
    if (schemeEnd != ByteString::npos && !text.Left(schemeEnd).equalsNoCase("http")) {
        problem = "The proxy set for " + kind + " (" + name + ") is not an HTTP proxy.";
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
    if (!proxyPort(authority, proxy.host, proxy.port)) {
        problem = "The proxy set for " + kind + " (" + name + ") has a port that is not a number from 1 to 65535.";
        proxy = ProxyServer();
        return false;
    }
    return true;
}

}  // namespace orv
