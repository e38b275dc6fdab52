// Digesting a download from nginx over HTTPS after a redirect: hashes and
// signature checked by other programs (sha256sum, sha512sum, openssl).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>

#include "app/download_digest.h"
#include "tests/net/nginx_server.h"

namespace orv {
namespace {

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

}  // namespace
}  // namespace orv
