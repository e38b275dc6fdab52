#include <gtest/gtest.h>

#include "crash/os_version_text.h"

namespace orv {
namespace {

WindowsVersion version(uint32_t platform, uint32_t major, uint32_t minor, uint32_t build, uint32_t suite = 0,
                       uint32_t product = 1) {
    return WindowsVersion{true, platform, major, minor, build, {}, 0, 0, suite, product};
}

TEST(WindowsVersionText, NtEditionsInPriorityOrder) {
    const WindowsMetrics none{}, tablet{true, true, false, 0}, media{false, true, true, 0},
        starter{false, false, true, 0}, r2{false, false, false, 3790};
    const struct {
        uint32_t major, minor, build, suite, product;
        WindowsMetrics metrics;
        const char* edition;  // the words between "Windows" and the NT details
    } rows[] = {
        {6, 0, 6000, 0x240, 1, tablet, " Vista Tablet PC Edition"},
        {6, 0, 6000, 0x240, 1, media, " Vista Media Center Edition"},
        {6, 0, 6000, 0x240, 1, starter, " Vista Starter Edition"},
        {6, 0, 6000, 0x240, 1, none, " Vista Embedded"},
        {6, 0, 6000, 0x200, 1, none, " Vista Home Edition"},
        {6, 0, 6000, 0, 1, none, " Vista Professional"},
        {5, 1, 2600, 0x200, 1, none, " XP Home"},
        {5, 1, 2600, 0x40, 1, none, " XP Embedded"},
        {5, 1, 2600, 0, 1, tablet, " XP Tablet PC Edition"},
        {5, 1, 2600, 0, 1, none, " XP Professional"},
        {5, 2, 3790, 0x402, 3, none, " Server 2003 Web Edition"},
        {5, 2, 3790, 0x2, 3, r2, " Server 2003 Enterprise Edition \"R2\" Build 3790"},
        {5, 0, 2195, 0x82, 3, none, " 2000 Datacenter Server"},
        {5, 0, 2195, 0x2, 3, none, " 2000 Advanced Server"},
        {5, 0, 2195, 0, 1, none, " 2000"},
        {4, 0, 1381, 0x2, 1, none, " NT Enterprise Edition"},
        {3, 51, 1057, 0, 1, none, " NT"},
        {3, 20, 1, 0, 1, none, " Unknown Version"},
        {10, 0, 19045, 0, 1, none, " Unknown Version"},
    };
    for (const auto& row : rows) {
        const ByteString text = windowsVersionText(version(2, row.major, row.minor, row.build, row.suite, row.product),
                                                   row.metrics);
        EXPECT_EQ(text.Mid(7, text.find(" (NT v") - 7), row.edition) << text.toStdString();
    }
}

TEST(WindowsVersionText, NtDetailsProductTypesAndSuites) {
    WindowsVersion xp = version(2, 5, 1, 2600, 0x104);
    xp.servicePack = "Service Pack 2";
    xp.servicePackMajor = 2;
    EXPECT_EQ(windowsVersionText(xp, {}),
              "Windows XP Professional Service Pack 2 SP v2.0 (NT v5.1 Build 2600) [Workstation] "
              "{BackOffice, Terminal Services (1 user)}");
    // The basic query leaves the product type unknown.
    EXPECT_EQ(windowsVersionText(version(2, 4, 0, 1381, 0, 0), {}),
              "Windows NT (NT v4.0 Build 1381) [Unknown NT Product Type]");
}

TEST(WindowsVersionText, The95FamilyAndOtherPlatforms) {
    const struct {
        WindowsVersion v;
        const char* expected;
    } rows[] = {
        {version(1, 4, 0, 950), "Windows 95 (v4.0 Build 950)"},
        {version(1, 4, 0, 951), "Windows 95 Service Pack 1 (v4.0 Build 951)"},
        {version(1, 4, 0, 0x04000000 | 1111), "Windows 95 B (v4.0 Build 1111)"},
        {version(1, 4, 0, 1214), "Windows 95 C (v4.0 Build 1214)"},
        {version(1, 4, 10, 1998), "Windows 98 (v4.10 Build 1998)"},
        {version(1, 4, 10, 2182), "Windows 98 Service Pack 1 (v4.10 Build 2182)"},
        {version(1, 4, 10, 2222), "Windows 98 Second Edition (v4.10 Build 2222)"},
        {version(1, 4, 90, 3000), "Windows Me (v4.90 Build 3000)"},
        {version(1, 4, 5, 1), "Windows Unknown Version (v4.5 Build 1)"},
        {version(1, 5, 0, 1), "Windows Unknown Version (v5.0 Build 1)"},
        {version(0, 0, 0, 0), "Windows Win32s (v3.1 Build 0)"},
        {version(3, 4, 20, 1081), "Windows CE (v4.20 Build 1081)"},
        {version(7, 4, 20, 1081), "Windows Unknown Version"},
        {WindowsVersion{}, ""},
    };
    for (const auto& row : rows) EXPECT_EQ(windowsVersionText(row.v, {}), row.expected);
}

TEST(LinuxVersionText, DistributionAndKernel) {
    const ByteString pretty =
        osReleasePrettyName("NAME=\"Debian GNU/Linux\"\n# comment\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
    EXPECT_EQ(pretty, "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(osReleasePrettyName("NAME=x\n"), "");
    EXPECT_EQ(linuxVersionText(pretty, "Linux", "6.1.0-13-amd64", "x86_64"),
              "Debian GNU/Linux 12 (bookworm) (Linux 6.1.0-13-amd64 x86_64)");
    EXPECT_EQ(linuxVersionText("", "Linux", "6.1.0", "aarch64"), "Linux 6.1.0 aarch64");
}

}  // namespace
}  // namespace orv
