// Proxies and trusted certificates for outgoing requests, set the way the
// environment sets them for command-line HTTP clients. The variables are
// read once, by whoever starts a request, and handed down as a value.
#pragma once

#include <cstdint>

#include "support/byte_string.h"

namespace orv {

struct ProxyServer {
    ByteString host;  // empty: no proxy
    uint16_t port = 0;
    ByteString user;  // not empty: "Proxy-Authorization: Basic"
    ByteString password;
};

struct NetEnvironment {
    ByteString httpProxy;   // http_proxy, else HTTP_PROXY
    ByteString httpsProxy;  // https_proxy, else HTTPS_PROXY
    ByteString noProxy;     // no_proxy, else NO_PROXY
    ByteString certFile;    // SSL_CERT_FILE: trusted certificates in place of the system's file
    ByteString certDir;     // SSL_CERT_DIR: in place of the system's folder
    // The variables the proxies came from, as messages name them.
    const char* httpProxyName = "http_proxy";
    const char* httpsProxyName = "https_proxy";

    // The variables of this process.
    static NetEnvironment fromProcess();
};

// The proxy a request for `host` (as ParseUrl gives it) goes through: none
// when the variable for its scheme is empty or no_proxy names the host.
// no_proxy is a list (commas or blanks between entries) as command-line
// HTTP clients read it: "*" for every host; for a host name, a name that
// is the host itself or a domain it lies in (with or without a leading
// dot, any letter case); for an address (IPv4, or IPv6 with or without
// brackets), the same address or a network holding it ("127.0.0.0/8",
// "::1/128") - an address is never matched as a domain suffix. A proxy URL
// is "[http://][user[:password]@]host[:port]" with the port 1080 when none
// is given and user and password percent-decoded. False, with the complete
// message naming the variable in `problem`, when the variable names
// another kind of proxy or a port that is not a number from 1 to 65535.
bool proxyFor(const NetEnvironment& environment, bool secure, const ByteString& host, ProxyServer& proxy,
              ByteString& problem);

}  // namespace orv
