// The download-size request against a real web server on the loopback interface.
#include <gtest/gtest.h>

#include "app/download_size.h"
#include "support/numbers.h"
#include "tests/net/nginx_server.h"

namespace orv {
namespace {

TEST(NginxHead, SizeOfAServedFileAndAMissingOne) {
    if (!testing::nginxInstalled()) GTEST_SKIP() << "nginx is not installed at /usr/sbin/nginx";
    testing::NginxServer nginx;
    nginx.writeFile("setup.exe", 1234567);
    ASSERT_TRUE(nginx.start()) << "nginx did not start; see " << nginx.errorLog();
    const ByteString base = "http://127.0.0.1:" + textFromU16(nginx.port());

    DownloadSizeResult found = determineDownloadSize(base + "/setup.exe");
    EXPECT_TRUE(found.ok) << found.message.toStdString();
    EXPECT_EQ(found.size, "1234567");

    DownloadSizeResult missing = determineDownloadSize(base + "/no-such-file.zip");
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.message, "Expected HTTP 200 response to request.\nReceived:  404 Not Found");
}

}  // namespace
}  // namespace orv
