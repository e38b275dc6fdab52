#include <gtest/gtest.h>

#include "crash/processor_text.h"
#include "crash/system_info.h"
#include "crash/system_probe.h"

namespace orv {
namespace {

constexpr uint64_t kGiB = uint64_t{1} << 30;

TEST(SystemInfo, MemoryAndDiskTexts) {
    MemoryStatus memory{true, kGiB, 5 * kGiB / 2, 60};
    EXPECT_EQ(memoryText(memory), "1.00GB Free, 2.50GB Total (60%)");
    EXPECT_EQ(memoryText(MemoryStatus{}), "");

    DiskSpace extended;
    extended.query = DiskSpace::Query::extended;
    extended.freeToCaller = 10 * kGiB;
    extended.totalToCaller = 40 * kGiB;
    extended.totalFree = 10 * kGiB;
    EXPECT_EQ(diskText(extended), "10.00GB Free (User), 40.00GB Total (User), 10.00GB Free");

    DiskSpace basic;
    basic.query = DiskSpace::Query::basic;
    basic.sectorsPerCluster = 8;
    basic.bytesPerSector = 512;
    basic.freeClusters = 262144;    // 1 GiB in 4 KiB clusters
    basic.totalClusters = 1048576;  // 4 GiB
    EXPECT_EQ(diskText(basic), "1.00GB Free, 4.00GB Total");
    EXPECT_EQ(diskText(DiskSpace{}), "");
}

TEST(SystemInfo, FolderRoots) {
    EXPECT_EQ(folderRoot("C:\\WINDOWS\\system32"), "C:/");
    EXPECT_EQ(folderRoot("d:"), "d:/");
    EXPECT_EQ(folderRoot("\\\\server\\share\\dir\\x"), "//server/share/");
    EXPECT_EQ(folderRoot("//server/share"), "//server/share/");
    EXPECT_EQ(folderRoot("//server"), "");
    EXPECT_EQ(folderRoot("/usr/share"), "/");
    EXPECT_EQ(folderRoot("relative/dir"), "");
}

TEST(SystemInfo, FourLinesWithLabelsPaddedToSixCharacters) {
    EXPECT_EQ(systemInfoText("Windows XP", "Intel", "1.00GB Free, 2.50GB Total (60%)", "C:/", "10.00GB Free"),
              "OS:   Windows XP\r\nCPU:  Intel\r\nRAM:  1.00GB Free, 2.50GB Total (60%)\r\nC:    10.00GB Free\r\n");
    EXPECT_EQ(systemInfoText("", "", "", "/", ""), "OS:   \r\nCPU:  \r\nRAM:  \r\n/     \r\n");
}

ProcessorInfo cpu(uint32_t architecture, uint32_t level, uint32_t revision, std::initializer_list<uint32_t> features) {
    ProcessorInfo info{architecture, level, revision, 0};
    for (uint32_t f : features) info.set(f);
    return info;
}

TEST(ProcessorText, IntelFamiliesModelsAndSteppings) {
    EXPECT_EQ(processorText(cpu(0, 6, 0x0803, {})), "Intel Pentium Pro/II/III Model 8 Stepping 3");
    EXPECT_EQ(processorText(cpu(0, 15, 0x0200, {})), "Intel Pentium 4 Model 2");
    EXPECT_EQ(processorText(cpu(0, 5, 0x0005, {})), "Intel Pentium Stepping 5");
    EXPECT_EQ(processorText(cpu(0, 4, 0x0102, {})), "Intel 486 Model B Stepping 2");
    EXPECT_EQ(processorText(cpu(0, 3, 0xFFD3, {})), "Intel 386 Model 3 Stepping 3");
    EXPECT_EQ(processorText(cpu(0, 3, 0xFF43, {})), "Intel 386 Model -6 Stepping 3");
    EXPECT_EQ(processorText(cpu(0, 7, 0x0803, {})), "Intel (Unknown Level 7)");
}

TEST(ProcessorText, OtherArchitecturesShowLevelAndRevision) {
    EXPECT_EQ(processorText(cpu(9, 6, 15363, {})), "AMD64 Level 6 Revision 15363");
    EXPECT_EQ(processorText(cpu(3, 1, 2, {})), "PPC (PowerPC) Level 1 Revision 2");
    EXPECT_EQ(processorText(cpu(10, 6, 1, {})), "Intel (32-bit on 64-bit emulation) Level 6 Revision 1");
    EXPECT_EQ(processorText(cpu(11, 0, 0, {})), "Unknown CPU Level 0 Revision 0");
}

TEST(ProcessorText, FeaturesInTheirFixedOrder) {
    EXPECT_EQ(processorText(cpu(0, 6, 0, {kFeatureSse, kFeatureMmx})), "Intel Pentium Pro/II/III (MMX, SSE)");
    EXPECT_EQ(processorText(cpu(9, 6, 1,
                                {kFeatureFloatingPointPrecisionErrata, kFeatureFloatingPointEmulated, kFeatureRdtsc,
                                 kFeaturePae, kFeatureSse3, kFeatureSse2, kFeatureSse, kFeatureMmx, kFeature3DNow,
                                 kFeatureNx})),
              "AMD64 Level 6 Revision 1 (Data Execution Prevention (DEP) enabled, 3DNow!, MMX, SSE, SSE2, SSE3, "
              "Physical Address Extension (PAE) enabled, RDTSC, floating-point emulation, "
              "floating-point precision errors)");
}

const char kCpuInfo[] =
    "processor\t: 0\n"
    "vendor_id\t: GenuineIntel\n"
    "cpu family\t: 6\n"
    "model\t\t: 85\n"
    "model name\t: Intel(R) Xeon(R) CPU\n"
    "stepping\t: 7\n"
    "flags\t\t: fpu vme tsc pae mmx sse sse2 pni nx sse4_1\n"
    "\n"
    "processor\t: 1\n"
    "cpu family\t: 15\n"
    "flags\t\t: 3dnow\n";

TEST(ProcessorText, ReadFromTheFirstProcessorOfCpuInfo) {
    ProcessorInfo info = processorFromCpuInfo(kCpuInfo, "x86_64");
    EXPECT_EQ(info.architecture, 9u);
    EXPECT_EQ(info.level, 6u);
    EXPECT_EQ(info.revision, (85u << 8) | 7u);
    EXPECT_EQ(processorText(info),
              "AMD64 Level 6 Revision 21767 (Data Execution Prevention (DEP) enabled, MMX, SSE, SSE2, SSE3, "
              "Physical Address Extension (PAE) enabled, RDTSC)");

    // A 32-bit kernel without a floating-point unit and with the division fault.
    ProcessorInfo old = processorFromCpuInfo("cpu family\t: 5\nmodel\t: 2\nstepping\t: 12\nfdiv_bug\t: yes\n"
                                             "flags\t: tsc\n",
                                             "i586");
    EXPECT_EQ(processorText(old),
              "Intel Pentium Model 2 Stepping 12 (RDTSC, floating-point emulation, floating-point precision errors)");
    EXPECT_EQ(processorText(processorFromCpuInfo("", "riscv64")), "Unknown CPU Level 0 Revision 0");
}

TEST(SystemProbe, MemoryFromMemInfo) {
    MemoryStatus m = memoryFromMemInfo("MemTotal:        2097152 kB\nMemFree:          100000 kB\n"
                                       "MemAvailable:     524288 kB\n");
    EXPECT_TRUE(m.known);
    EXPECT_EQ(m.totalBytes, 2 * kGiB);
    EXPECT_EQ(m.freeBytes, kGiB / 2);
    EXPECT_EQ(m.loadPercent, 75u);
    EXPECT_EQ(memoryFromMemInfo("MemTotal: 1000 kB\nMemFree: 1000 kB\n").loadPercent, 0u);
    EXPECT_FALSE(memoryFromMemInfo("").known);
}

}  // namespace
}  // namespace orv
