// The size request against a private nginx on loopback ports: plain and
// secure servers with certificates from a throw-away authority, redirects,
// answers without a length, and the scripted proxy in between. The same
// cases on every platform: OpenSSL on POSIX, Schannel and the Windows
// certificate store on Windows.
#include <gtest/gtest.h>

#include "app/download_size.h"
#include "support/numbers.h"
#include "tests/net/script_server.h"
#include "tests/net/web_servers.h"

namespace orv {
namespace {

class Web : public ::testing::Test {
protected:
    static void SetUpTestSuite() { web = new testing::WebServers; }
    static void TearDownTestSuite() { delete web; }
    void SetUp() override {
        ASSERT_TRUE(web->problem().empty()) << web->problem();
        options = web->trusting();
    }
    static std::string ask(const std::string& location, const DownloadSizeOptions& o) {
        const DownloadSizeResult r = determineDownloadSize(std::string_view(location), o);
        return (r.ok ? r.size : r.message).toStdString();
    }
    static std::string at(const char* host, const char* server) {
        return std::string(host) + ":" + std::to_string(web->port(server));
    }

    static inline testing::WebServers* web = nullptr;
    DownloadSizeOptions options;
};

TEST_F(Web, SizesAndVerdicts) {
    const auto refused = [](const char* server) {
        return "Error sending request to the server.\nError:  Unable to connect to server 'localhost' on port " +
               std::to_string(web->port(server)) + ".\nError:  The server's certificate ";
    };
    const std::pair<std::string, std::string> cases[] = {
        {"http://" + at("127.0.0.1", "plain") + "/chain", "1234567"},  // plain, secure, relative with dot segments
        {"https://" + at("localhost", "secure") + "/setup.exe", "1234567"},
        {"https://" + at("127.0.0.1", "secure") + "/setup.exe", "1234567"},  // an address in the subjectAltName
        {"http://" + at("127.0.0.1", "plain") + "/nolength.exe", "1234567"},  // no Content-Length to HEAD
        {"http://" + at("127.0.0.1", "plain") + "/loop", "Too many redirects.\nThe server redirected the request more than 5 times."},
        {"https://" + at("localhost", "expired") + "/setup.exe", refused("expired") + "has expired.\n"},
        {"https://" + at("localhost", "other") + "/setup.exe", refused("other") + "is for another host.\n"},
        {"https://" + at("localhost", "self") + "/setup.exe", refused("self") + "is self-signed.\n"},
        {"https://" + at("localhost", "cn") + "/setup.exe",
         refused("cn") + "has no subjectAltName; a host named only in its common name is not accepted.\n"},
        {"http://" + at("[::1]", "v6") + "/setup.exe", web->port("v6") ? "1234567" : ""},  // when the machine has IPv6
    };
    for (const auto& [location, expected] : cases) {
        EXPECT_EQ(expected.empty() ? "" : ask(location, options), expected) << location;
    }
    // The command-line program's link check goes the same way.
    EXPECT_TRUE(checkLink(std::string_view("http://" + at("127.0.0.1", "plain") + "/chain"), options).ok);
    EXPECT_EQ(checkLink(std::string_view("http://" + at("127.0.0.1", "plain") + "/none"), options).message,
              "Expected HTTP 200 response to request.\nReceived:  404 Not Found");
    // An authority that is not trusted.
    EXPECT_EQ(ask("https://" + at("localhost", "foreign") + "/setup.exe", {}),
              refused("foreign") + "was issued by an unknown certificate authority.\n");
}

TEST_F(Web, ProxiesForPlainAndSecureLocationsAndTheirExceptions) {
    testing::ScriptServer proxy(testing::kProxy);
    const ByteString at = "127.0.0.1:" + textFromU16(proxy.port());
    options.environment.httpProxy = "http://us%65r:pw@" + at;
    options.environment.httpsProxy = "a:b@" + at;
    const std::string p = std::to_string(web->port("plain")), s = std::to_string(web->port("secure"));
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
