// Digesting downloads from loopback servers: the hashes of known bytes, and
// the answers that must end a download.
#include <gtest/gtest.h>

#include <tuple>

#include "app/download_digest.h"
#include "app/hashing.h"
#include "support/numbers.h"
#include "tests/net/script_server.h"

namespace orv {
namespace {

using testing::ScriptServer;

DigestOptions quick(std::chrono::milliseconds idle = std::chrono::seconds(5)) {
    DigestOptions o;
    o.request.timeLimit = std::chrono::seconds(10);
    o.idleLimit = idle;
    return o;
}

// Each backend (OpenSSL, bcrypt.dll) against published values: pieces add
// up to the whole, and a finished hash starts again from nothing.
TEST(DownloadDigest, HashesOfKnownBytes) {
    for (const auto& [kind, abc, empty] :
         {std::tuple{HashKind::Sha256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
                     "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
          std::tuple{HashKind::Sha512,
                     "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd"
                     "454d4423643ce80e2a9ac94fa54ca49f",
                     "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce47d0d13c5d85f2b0ff8318d2877eec2f"
                     "63b931bd47417a81a538327af927da3e"}}) {
        StreamHash hash(kind);
        hash.add("a"), hash.add(""), hash.add("bc");
        EXPECT_EQ(hash.finish(), abc);
        EXPECT_EQ(hash.finish(), empty);
    }

    const std::string body(1234567, 'a');
    ScriptServer server({ByteString("HTTP/1.1 200 OK\r\nContent-Length: 1234567\r\n\r\n" + body)});
    const DigestOutcome r = digestDownload("http://127.0.0.1:" + textFromU16(server.port()) + "/f", quick());
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.digest.size, body.size());
    EXPECT_EQ(r.digest.sha256, "2fe0df4c46e25309c7ab8742a24a2d15a2009d8439ba6ec6d2a0d01a8f9bd6f0");
    EXPECT_EQ(r.digest.sha512,
              "a314be79a3d9426b7d6ba4284ce4c701aea603874f779fbb4da0b3565fb05bdd5e83bb002f36a8ad19f05e8812535938f285c2"
              "5ec46baf7c066e4e01fc20894c");
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
