#include <gtest/gtest.h>

#include <vector>

#include "crash/os_version_text.h"
#include "crash/processor_text.h"
#include "crash/system_info.h"
#include "crash/system_probe.h"
#include "support/numbers.h"

namespace orv {
namespace {

constexpr uint64_t kGiB = uint64_t{1} << 30;

// The crash-time byte sizes agree with FormatByteSize to the digit, edges
// of units and of its ten-decimal rounding included.
TEST(SystemInfo, ByteSizesAsFormatByteSizeWritesThem) {
    std::vector<uint64_t> values = {0, 1, 1023, 1024, 1535, 1536, (1u << 20) - 1, (1u << 20) - 10, 1073741823,
                                    (uint64_t{2} << 40) - 1, (uint64_t{1} << 53) + 1, ~uint64_t{0}, ~uint64_t{0} >> 1};
    for (uint64_t v = 0x9E3779B97F4A7C15u, i = 0; i < 3000; ++i) {
        v = v * 6364136223846793005u + 1442695040888963407u;
        values.push_back(v >> (v % 61));
    }
    for (uint64_t v : values) EXPECT_EQ(byteSizeText(v).view(), FormatByteSize(textFromU64(v), 0).view()) << v;
}

TEST(SystemInfo, MemoryDiskAndTheFourLines) {
    EXPECT_EQ(memoryText(MemoryStatus{true, kGiB, 5 * kGiB / 2, 60}).view(), "1.00GB Free, 2.50GB Total (60%)");
    EXPECT_EQ(memoryText(MemoryStatus{}).view(), "");
    const DiskSpace extended{DiskSpace::Query::extended, 10 * kGiB, 40 * kGiB, 10 * kGiB};
    EXPECT_EQ(diskText(extended).view(), "10.00GB Free (User), 40.00GB Total (User), 10.00GB Free");
    const DiskSpace basic{DiskSpace::Query::basic, 0, 0, 0, 8, 512, 262144, 1048576};  // 4 KiB clusters
    EXPECT_EQ(diskText(basic).view(), "1.00GB Free, 4.00GB Total");
    EXPECT_EQ(diskText(DiskSpace{}).view(), "");
    EXPECT_EQ(systemInfoText("Windows XP", "Intel", "1.00GB Free", "C:/", "10.00GB Free").view(),
              "OS:   Windows XP\r\nCPU:  Intel\r\nRAM:  1.00GB Free\r\nC:    10.00GB Free\r\n");

    EXPECT_EQ(memoryText(memoryFromMemInfo("MemTotal: 2097152 kB\nMemFree: 1 kB\nMemAvailable: 524288 kB\n")).view(),
              "512.00MB Free, 2.00GB Total (75%)");
    EXPECT_EQ(memoryFromMemInfo("MemTotal: 1000 kB\nMemFree: 1000 kB\n").loadPercent, 0u);
    EXPECT_FALSE(memoryFromMemInfo("").known);
}

TEST(SystemInfo, FolderRoots) {
    const char* rows[][2] = {{"C:\\WINDOWS\\system32", "C:/"}, {"\\\\server\\share\\dir\\x", "//server/share/"},
                             {"//server", ""}, {"/usr/share", "/"}, {"relative/dir", ""}};
    for (const auto& row : rows) EXPECT_EQ(folderRoot(row[0]), row[1]) << row[0];
}

ProcessorInfo cpu(uint32_t architecture, uint32_t level, uint32_t revision, std::initializer_list<uint32_t> features) {
    ProcessorInfo info{architecture, level, revision, 0};
    for (uint32_t f : features) info.set(f);
    return info;
}

TEST(ProcessorText, ArchitecturesLevelsAndFeatures) {
    const struct {
        ProcessorInfo info;
        const char* expected;
    } rows[] = {
        {cpu(0, 6, 0x0803, {}), "Intel Pentium Pro/II/III Model 8 Stepping 3"},
        {cpu(0, 15, 0x0200, {}), "Intel Pentium 4 Model 2"},
        {cpu(0, 5, 0x0005, {}), "Intel Pentium Stepping 5"},
        {cpu(0, 4, 0x0102, {}), "Intel 486 Model B Stepping 2"},
        {cpu(0, 3, 0xFF43, {}), "Intel 386 Model -6 Stepping 3"},
        {cpu(0, 7, 0x0803, {}), "Intel (Unknown Level 7)"},
        {cpu(9, 6, 1,
             {kFeatureFloatingPointPrecisionErrata, kFeatureFloatingPointEmulated, kFeatureRdtsc, kFeaturePae,
              kFeatureSse3, kFeatureSse2, kFeatureSse, kFeatureMmx, kFeature3DNow, kFeatureNx}),
         "AMD64 Level 6 Revision 1 (Data Execution Prevention (DEP) enabled, 3DNow!, MMX, SSE, SSE2, SSE3, "
         "Physical Address Extension (PAE) enabled, RDTSC, floating-point emulation, floating-point precision errors)"},
    };
    for (const auto& row : rows) EXPECT_EQ(processorText(row.info), row.expected);
}

TEST(ProcessorText, ReadFromTheFirstProcessorOfCpuInfo) {
    EXPECT_EQ(processorText(processorFromCpuInfo("processor\t: 0\ncpu family\t: 6\nmodel\t\t: 85\nstepping\t: 7\n"
                                                 "flags\t\t: fpu tsc pae mmx sse sse2 pni nx sse4_1\n\n"
                                                 "processor\t: 1\ncpu family\t: 15\nflags\t\t: 3dnow\n",
                                                 "x86_64")),
              "AMD64 Level 6 Revision 21767 (Data Execution Prevention (DEP) enabled, MMX, SSE, SSE2, SSE3, "
              "Physical Address Extension (PAE) enabled, RDTSC)");
    // A 32-bit kernel without a floating-point unit and with the division fault.
    EXPECT_EQ(processorText(processorFromCpuInfo("cpu family\t: 5\nmodel\t: 2\nstepping\t: 12\nfdiv_bug\t: yes\n"
                                                 "flags\t: tsc\n", "i586")),
              "Intel Pentium Model 2 Stepping 12 (RDTSC, floating-point emulation, floating-point precision errors)");
    EXPECT_EQ(processorText(processorFromCpuInfo("", "riscv64")), "Unknown CPU Level 0 Revision 0");
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
