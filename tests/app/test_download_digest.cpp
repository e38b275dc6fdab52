// Digesting downloads from loopback servers: hashes and signatures checked
// by other programs (sha256sum, sha512sum, openssl), and the answers that
// must end a download.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>

#include "app/download_digest.h"
#include "support/numbers.h"
#include "tests/net/nginx_server.h"
#include "tests/net/script_server.h"

namespace orv {
namespace {

using testing::ScriptServer;

std::string run(const std::string& command) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    char buf[512];
    while (p && std::fgets(buf, sizeof buf, p)) out += buf;
    if (p) ::pclose(p);
    return out;
}

DigestOptions quick(std::chrono::milliseconds idle = std::chrono::seconds(5)) {
    DigestOptions o;
    o.request.timeLimit = std::chrono::seconds(10);
    o.idleLimit = idle;
    return o;
}

TEST(DownloadDigest, AFileFromNginxHashedAndSignedAsOtherToolsSeeIt) {
    if (!testing::nginxInstalled()) GTEST_SKIP() << "nginx is not installed";
    testing::NginxServer nginx;
    const std::string file = nginx.root() + "/setup.exe", dir = nginx.root() + "/..";
    std::mt19937 rng(3);
    std::string bytes(3 * 1024 * 1024 + 7, '\0');
    for (char& c : bytes) c = static_cast<char>(rng());
    std::ofstream(file, std::ios::binary) << bytes;
    ASSERT_TRUE(nginx.makeCertificate("good", "IP:127.0.0.1", 1));
    const uint16_t secure = nginx.addServer("", "good");
    const uint16_t plain = nginx.addServer("location = /moved { return 302 https://127.0.0.1:" + std::to_string(secure) +
                                           "/setup.exe; }");
    ASSERT_TRUE(nginx.start());
    ASSERT_EQ(std::system(("openssl genpkey -algorithm ed25519 -out " + dir + "/key.pem 2>/dev/null").c_str()), 0);
    SigningKey key;
    std::string error;
    std::ifstream pem(dir + "/key.pem");
    ASSERT_TRUE(key.load(std::string(std::istreambuf_iterator<char>(pem), {}), error)) << error;

    DigestOptions o = quick();
    o.request.environment.certFile = std::string_view(nginx.caFile());
    o.key = &key;
    uint64_t lastSeen = 0, total = 0;
    o.progress = [&](uint64_t received, uint64_t announced) { lastSeen = received, total = announced; };
    const DigestOutcome r = digestDownload(ByteString("http://127.0.0.1:" + std::to_string(plain) + "/moved"), o);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.digest.size, bytes.size());
    EXPECT_EQ(lastSeen, bytes.size());
    EXPECT_EQ(total, bytes.size());
    EXPECT_EQ(r.digest.sha256 + "  " + file + "\n", run("sha256sum " + file));
    EXPECT_EQ(r.digest.sha512 + "  " + file + "\n", run("sha512sum " + file));
    EXPECT_FALSE(r.digest.etag.empty() || r.digest.lastModified.empty());
    std::ofstream(dir + "/sig.b64") << r.digest.edSignature;
    EXPECT_EQ(run("cd " + dir + " && base64 -d sig.b64 > sig && openssl pkey -in key.pem -pubout -out pub.pem && "
                  "openssl pkeyutl -verify -pubin -inkey pub.pem -rawin -in " + file + " -sigfile sig"),
              "Signature Verified Successfully\n");
    EXPECT_EQ(r.digest.edPublicKey, key.publicKeyBase64());
}

TEST(DownloadDigest, AnswersThatEndOrBoundTheDownload) {
    const ByteString ok = "HTTP/1.1 200 OK\r\n";
    const struct {
        std::vector<ByteString> answer;
        uint64_t maxBytes;
        const char* expected;  // the SHA-256, or part of the message
    } cases[] = {
        {{ok + "Transfer-Encoding: chunked\r\n\r\n2\r\nhe\r\n3\r\nllo\r\n0\r\n\r\n"}, 100,
         "2cf24dba5fb0a30e26e83b2ac5b9e29e1b161e5c1fa7425e73043362938b9824"},  // sha256("hello")
        {{ok + "Content-Length: 5\r\n\r\nhe"}, 100, "Error getting the download.\nError:  Unable to receive"},  // silent
        {{ok + "Content-Length: 5\r\n\r\nhello"}, 4, "larger than 4 bytes"},
        {{ok + "Connection: close\r\n\r\nhello"}, 4, "larger than 4 bytes"},
        {{"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"}, 100, "Received:  404 Not Found"},
    };
    for (const auto& c : cases) {
        ScriptServer server(c.answer);
        DigestOptions o = quick(std::chrono::milliseconds(300));
        o.maxBytes = c.maxBytes;
        const auto start = std::chrono::steady_clock::now();
        const DigestOutcome r = digestDownload("http://127.0.0.1:" + textFromU16(server.port()) + "/f", o);
        const std::string got = r.ok ? r.digest.sha256 : r.message;
        EXPECT_NE(got.find(c.expected), std::string::npos) << c.answer[0].toStdString() << " gave " << got;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    }
}

TEST(DownloadDigest, AServerThatDripsIsStopped) {
    ScriptServer server({"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n"}, testing::ServerEnd::Drip);
    const DigestOutcome r = digestDownload("http://127.0.0.1:" + textFromU16(server.port()) + "/f",
                                           quick(std::chrono::milliseconds(500)));
    EXPECT_NE(r.message.find("sent less than 1024 bytes in 0.50 s"), std::string::npos) << r.message;
}

}  // namespace
}  // namespace orv
