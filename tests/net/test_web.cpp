// The size request against a private nginx on loopback ports: plain and
// secure servers with certificates from a throw-away authority, redirects,
// answers without a length, and the scripted proxy in between.
#include <gtest/gtest.h>

#include "app/download_size.h"
#include "support/numbers.h"
#include "tests/net/nginx_server.h"
#include "tests/net/script_server.h"

namespace orv {
namespace {

class Web : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!testing::nginxInstalled()) return;
        testing::NginxServer& n = *(nginx = new testing::NginxServer);
        n.writeFile("setup.exe", 1234567), n.writeFile("nolength.exe", 1234567);
        started = n.makeCertificate("good", "DNS:localhost,IP:127.0.0.1", 1) &&
                  n.makeCertificate("expired", "DNS:localhost", -1) && n.makeCertificate("other", "DNS:other.example", 1) &&
                  n.makeCertificate("self", "DNS:localhost", 1, true) && n.makeCertificate("cn", "", 1);
        secure = n.addServer("location = /a/b/final { return 301 ../../setup.exe; }", "good");
        plain = n.addServer("location = /chain { return 302 https://127.0.0.1:" + std::to_string(secure) +
                            "/a/b/final; }\nlocation = /loop { return 302 /loop; }\nlocation = /nolength.exe { ssi on; "
                            "ssi_types *; if ($request_method = GET) { rewrite ^ /setup.exe last; } }");
        expired = n.addServer("", "expired"), other = n.addServer("", "other"), self = n.addServer("", "self");
        cnOnly = n.addServer("", "cn");
        v6 = n.addServer("", "", "[::1]");
        started = started && n.start();
    }
    static void TearDownTestSuite() { delete nginx; }
    void SetUp() override {
        if (!nginx) GTEST_SKIP() << "nginx is not installed at " << testing::kNginxBinary;
        ASSERT_TRUE(started) << "nginx did not start; see " << nginx->errorLog();
        options.environment.certFile = std::string_view(nginx->caFile());
    }
    static std::string ask(const std::string& location, const DownloadSizeOptions& o) {
        const DownloadSizeResult r = determineDownloadSize(std::string_view(location), o);
        return (r.ok ? r.size : r.message).toStdString();
    }

    static inline testing::NginxServer* nginx = nullptr;
    static inline uint16_t plain, secure, expired, other, self, cnOnly, v6;
    static inline bool started = false;
    DownloadSizeOptions options;
};

TEST_F(Web, SizesAndVerdicts) {
    const auto at = [](const char* host, uint16_t port) { return std::string(host) + ":" + std::to_string(port); };
    const auto refused = [](uint16_t port) {
        return "Error sending request to the server.\nError:  Unable to connect to server 'localhost' on port " +
               std::to_string(port) + ".\nError:  The server's certificate ";
    };
    const std::pair<std::string, std::string> cases[] = {
        {"http://" + at("127.0.0.1", plain) + "/chain", "1234567"},  // plain, secure, relative with dot segments
        {"https://" + at("localhost", secure) + "/setup.exe", "1234567"},
        {"http://" + at("127.0.0.1", plain) + "/nolength.exe", "1234567"},  // no Content-Length to HEAD
        {"http://" + at("127.0.0.1", plain) + "/loop", "Too many redirects.\nThe server redirected the request more than 5 times."},
        {"https://" + at("localhost", expired) + "/setup.exe", refused(expired) + "has expired.\n"},
        {"https://" + at("localhost", other) + "/setup.exe", refused(other) + "is for another host.\n"},
        {"https://" + at("localhost", self) + "/setup.exe", refused(self) + "is self-signed.\n"},
        {"https://" + at("localhost", cnOnly) + "/setup.exe",
         refused(cnOnly) + "has no subjectAltName; a host named only in its common name is not accepted.\n"},
        {"http://" + at("[::1]", v6) + "/setup.exe", v6 ? "1234567" : ""},  // when the machine has IPv6
    };
    for (const auto& [location, expected] : cases) {
        EXPECT_EQ(expected.empty() ? "" : ask(location, options), expected) << location;
    }
    // The command-line program's link check goes the same way.
    EXPECT_TRUE(checkLink(std::string_view("http://" + at("127.0.0.1", plain) + "/chain"), options).ok);
    EXPECT_EQ(checkLink(std::string_view("http://" + at("127.0.0.1", plain) + "/none"), options).message,
              "Expected HTTP 200 response to request.\nReceived:  404 Not Found");
    // Without the authority's file only the system's trust is left.
    EXPECT_EQ(ask("https://" + at("localhost", secure) + "/setup.exe", {}),
              refused(secure) + "was issued by an unknown certificate authority.\n");
}

TEST_F(Web, ProxiesForPlainAndSecureLocationsAndTheirExceptions) {
    testing::ScriptServer proxy(testing::kProxy);
    const ByteString at = "127.0.0.1:" + textFromU16(proxy.port());
    options.environment.httpProxy = "http://us%65r:pw@" + at;
    options.environment.httpsProxy = "a:b@" + at;
    const std::string p = std::to_string(plain), s = std::to_string(secure);
    EXPECT_EQ(ask("http://127.0.0.1:" + p + "/chain", options), "1234567");
    options.environment.noProxy = "example.org, LOCALHOST";
    EXPECT_EQ(ask("https://localhost:" + s + "/setup.exe", options), "1234567");
    // Two tunnels: to the secure server's redirect, then to the file.
    const std::string tunnel = "CONNECT 127.0.0.1:" + s + " HTTP/1.1\r\nHost: 127.0.0.1:" + s +
                               "\r\nProxy-Authorization: Basic YTpi\r\n\r\n";
    EXPECT_EQ(proxy.received().toStdString(), "HEAD http://127.0.0.1:" + p + "/chain HTTP/1.1\r\nProxy-Authorization: "
                                              "Basic dXNlcjpwdw==\r\nHost: 127.0.0.1:" + p + "\r\n\r\n" + tunnel + tunnel);
}

}  // namespace
}  // namespace orv
