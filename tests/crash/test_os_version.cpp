#include <gtest/gtest.h>

#include "crash/os_version_text.h"

namespace orv {
namespace {

WindowsVersion nt(uint32_t major, uint32_t minor, uint32_t build, uint32_t suite = 0, uint32_t product = 1) {
    WindowsVersion v;
    v.known = true;
    v.platformId = 2;
    v.major = major;
    v.minor = minor;
    v.build = build;
    v.suiteMask = suite;
    v.productType = product;
    return v;
}

// The words between "Windows" and the NT details.
ByteString edition(const WindowsVersion& v, const WindowsMetrics& m = {}) {
    ByteString text = windowsVersionText(v, m);
    const uint32_t details = text.find(" (NT v");
    return text.Mid(7, details - 7);
}

TEST(WindowsVersionText, VistaAndXpEditionsInPriorityOrder) {
    WindowsMetrics tablet;
    tablet.tabletPc = true;
    tablet.mediaCenter = true;
    WindowsMetrics media;
    media.mediaCenter = true;
    media.starter = true;
    WindowsMetrics starter;
    starter.starter = true;
    EXPECT_EQ(edition(nt(6, 0, 6000, 0x240), tablet), " Vista Tablet PC Edition");
    EXPECT_EQ(edition(nt(6, 0, 6000, 0x240), media), " Vista Media Center Edition");
    EXPECT_EQ(edition(nt(6, 0, 6000, 0x240), starter), " Vista Starter Edition");
    EXPECT_EQ(edition(nt(6, 0, 6000, 0x240)), " Vista Embedded");
    EXPECT_EQ(edition(nt(6, 0, 6000, 0x200)), " Vista Home Edition");
    EXPECT_EQ(edition(nt(6, 0, 6000)), " Vista Professional");
    EXPECT_EQ(edition(nt(5, 1, 2600, 0x200)), " XP Home");
    EXPECT_EQ(edition(nt(5, 1, 2600, 0x40)), " XP Embedded");
    EXPECT_EQ(edition(nt(5, 1, 2600), tablet), " XP Tablet PC Edition");
    EXPECT_EQ(edition(nt(5, 1, 2600)), " XP Professional");
}

TEST(WindowsVersionText, ServerAndOlderNtNames) {
    WindowsMetrics r2;
    r2.serverR2 = 3790;
    EXPECT_EQ(edition(nt(5, 2, 3790, 0x402, 3)), " Server 2003 Web Edition");
    EXPECT_EQ(edition(nt(5, 2, 3790, 0x2, 3), r2), " Server 2003 Enterprise Edition \"R2\" Build 3790");
    EXPECT_EQ(edition(nt(5, 2, 3790, 0, 3)), " Server 2003");
    EXPECT_EQ(edition(nt(5, 0, 2195, 0x82, 3)), " 2000 Datacenter Server");
    EXPECT_EQ(edition(nt(5, 0, 2195, 0x2, 3)), " 2000 Advanced Server");
    EXPECT_EQ(edition(nt(5, 0, 2195)), " 2000");
    EXPECT_EQ(edition(nt(4, 0, 1381, 0x2)), " NT Enterprise Edition");
    EXPECT_EQ(edition(nt(4, 0, 1381)), " NT");
    EXPECT_EQ(edition(nt(3, 51, 1057)), " NT");
    EXPECT_EQ(edition(nt(3, 50, 807)), " NT");
    EXPECT_EQ(edition(nt(3, 10, 511)), " NT");
    EXPECT_EQ(edition(nt(3, 20, 1)), " Unknown Version");
    EXPECT_EQ(edition(nt(10, 0, 19045)), " Unknown Version");
}

TEST(WindowsVersionText, NtDetailsProductTypesAndSuites) {
    WindowsVersion xp = nt(5, 1, 2600, 0x104);
    xp.servicePack = "Service Pack 2";
    xp.servicePackMajor = 2;
    EXPECT_EQ(windowsVersionText(xp, {}),
              "Windows XP Professional Service Pack 2 SP v2.0 (NT v5.1 Build 2600) [Workstation] "
              "{BackOffice, Terminal Services (1 user)}");
    EXPECT_EQ(windowsVersionText(nt(5, 0, 2195, 0x11, 2), {}),
              "Windows 2000 (NT v5.0 Build 2195) [Domain Controller] "
              "{Terminal Services, Formerly Small Business Edition}");
    EXPECT_EQ(windowsVersionText(nt(5, 2, 3790, 0x21, 3), {}),
              "Windows Server 2003 (NT v5.2 Build 3790) [Server] {Small Business Edition}");
    // The basic query leaves the product type unknown.
    EXPECT_EQ(windowsVersionText(nt(4, 0, 1381, 0, 0), {}), "Windows NT (NT v4.0 Build 1381) [Unknown NT Product Type]");
}

TEST(WindowsVersionText, The95FamilyByBuild) {
    auto text = [](uint32_t minor, uint32_t build, uint32_t major = 4) {
        WindowsVersion v;
        v.known = true;
        v.platformId = 1;
        v.major = major;
        v.minor = minor;
        v.build = build;
        return windowsVersionText(v, {});
    };
    EXPECT_EQ(text(0, 950), "Windows 95 (v4.0 Build 950)");
    EXPECT_EQ(text(0, 951), "Windows 95 Service Pack 1 (v4.0 Build 951)");
    EXPECT_EQ(text(0, 1080), "Windows 95 Service Pack 1 (v4.0 Build 1080)");
    EXPECT_EQ(text(0, 0x04000000 | 1111), "Windows 95 B (v4.0 Build 1111)");
    EXPECT_EQ(text(0, 1214), "Windows 95 C (v4.0 Build 1214)");
    EXPECT_EQ(text(10, 1998), "Windows 98 (v4.10 Build 1998)");
    EXPECT_EQ(text(10, 2182), "Windows 98 Service Pack 1 (v4.10 Build 2182)");
    EXPECT_EQ(text(10, 2222), "Windows 98 Second Edition (v4.10 Build 2222)");
    EXPECT_EQ(text(90, 3000), "Windows Me (v4.90 Build 3000)");
    EXPECT_EQ(text(5, 1), "Windows Unknown Version (v4.5 Build 1)");
    EXPECT_EQ(text(0, 1, 5), "Windows Unknown Version (v5.0 Build 1)");
}

TEST(WindowsVersionText, OtherPlatformsAndUnknownVersion) {
    WindowsVersion v;
    EXPECT_EQ(windowsVersionText(v, {}), "");
    v.known = true;
    v.platformId = 0;
    EXPECT_EQ(windowsVersionText(v, {}), "Windows Win32s (v3.1 Build 0)");
    v.platformId = 3;
    v.major = 4;
    v.minor = 20;
    v.build = 1081;
    EXPECT_EQ(windowsVersionText(v, {}), "Windows CE (v4.20 Build 1081)");
    v.platformId = 7;
    EXPECT_EQ(windowsVersionText(v, {}), "Windows Unknown Version");
}

TEST(LinuxVersionText, DistributionAndKernel) {
    const ByteString release = "NAME=\"Debian GNU/Linux\"\n# comment\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n";
    const ByteString pretty = osReleasePrettyName(release);
    EXPECT_EQ(pretty, "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(osReleasePrettyName("PRETTY_NAME=Alpine\n"), "Alpine");
    EXPECT_EQ(osReleasePrettyName("NAME=x\n"), "");
    EXPECT_EQ(linuxVersionText(pretty, "Linux", "6.1.0-13-amd64", "x86_64"),
              "Debian GNU/Linux 12 (bookworm) (Linux 6.1.0-13-amd64 x86_64)");
    EXPECT_EQ(linuxVersionText("", "Linux", "6.1.0", "aarch64"), "Linux 6.1.0 aarch64");
}

}  // namespace
}  // namespace orv
