// Address literals as the strict textual forms read them, on every platform.
#include <gtest/gtest.h>

#include "net/ip_address.h"

namespace orv {
namespace {

TEST(IpAddress, StrictFormsOnly) {
    const struct {
        const char* text;
        uint32_t bits;  // 0: refused
        const char* hex;
    } cases[] = {
        {"192.168.0.1", 32, "c0a80001"}, {"0.0.0.0", 32, "00000000"}, {"255.255.255.255", 32, "ffffffff"},
        {"::1", 128, "00000000000000000000000000000001"}, {"::", 128, "00000000000000000000000000000000"},
        {"1::", 128, "00010000000000000000000000000000"}, {"fe80::a:B:c", 128, "fe800000000000000000000a000b000c"},
        {"::ffff:10.0.0.1", 128, "00000000000000000000ffff0a000001"},
        {"1:2:3:4:5:6:7:8", 128, "00010002000300040005000600070008"},
        {"1:2:3:4:5:6:1.2.3.4", 128, "00010002000300040005000601020304"},
        // What inet_addr would take, and what is no address at all.
        {"127.1", 0, ""}, {"010.0.0.1", 0, ""}, {"0x7f.0.0.1", 0, ""}, {"256.0.0.1", 0, ""}, {"1.2.3.4.", 0, ""},
        {"1.2.3.4 ", 0, ""}, {"", 0, ""}, {"[::1]", 0, ""}, {"fe80::1%eth0", 0, ""}, {":1::", 0, ""}, {"1:", 0, ""},
        {"1::2::3", 0, ""}, {":::", 0, ""}, {"12345::", 0, ""}, {"1:2:3:4:5:6:7:8:9", 0, ""},
        {"1:2:3:4::5:6:7:8", 0, ""}, {"1:2:3:4:5:6:7:1.2.3.4", 0, ""}, {"::1.2.3", 0, ""}, {"example.com", 0, ""},
    };
    for (const auto& c : cases) {
        IpAddress a;
        ASSERT_EQ(parseIpAddress(c.text, a), c.bits != 0) << c.text;
        if (c.bits == 0) continue;
        std::string hex;
        for (uint32_t i = 0; i < c.bits / 8; ++i) hex += "0123456789abcdef"[a.bytes[i] >> 4], hex += "0123456789abcdef"[a.bytes[i] & 15];
        EXPECT_EQ(a.bits, c.bits) << c.text;
        EXPECT_EQ(hex, c.hex) << c.text;
    }
}

TEST(IpAddress, Networks) {
    IpAddress a, b, v6;
    ASSERT_TRUE(parseIpAddress("10.1.2.3", a) && parseIpAddress("10.1.3.0", b) && parseIpAddress("::a01:203", v6));
    EXPECT_TRUE(sameNetwork(a, b, 16) && sameNetwork(a, b, 23) && !sameNetwork(a, b, 24) && sameNetwork(a, b, 0));
    EXPECT_FALSE(sameNetwork(a, b, 33) || sameNetwork(a, v6, 0));
}

}  // namespace
}  // namespace orv
