// The system description that goes into a crash report: four lines for the
// operating system, the processor, the memory and the system disk. The
// texts are built by plain functions over plain records; system_probe.h
// fills the records from the running machine. The memory and disk figures
// are read during the crash, so everything here but folderRoot works in
// fixed buffers and is async-signal-safe.
#pragma once

#include <cstdint>
#include <string_view>

#include "crash/safe_text.h"
#include "support/byte_string.h"

namespace orv {

// Physical memory as the platform reports it.
struct MemoryStatus {
    bool known = false;
    uint64_t freeBytes = 0;
    uint64_t totalBytes = 0;
    uint32_t loadPercent = 0;  // memory in use, 0..100
};

// Free space of one disk. The extended query reports the caller's share
// (quotas) and the whole; the basic one reports cluster counts.
struct DiskSpace {
    enum class Query { failed, basic, extended };
    Query query = Query::failed;
    // Extended query.
    uint64_t freeToCaller = 0;
    uint64_t totalToCaller = 0;
    uint64_t totalFree = 0;
    // Basic query.
    uint64_t sectorsPerCluster = 0;
    uint64_t bytesPerSector = 0;
    uint64_t freeClusters = 0;
    uint64_t totalClusters = 0;
};

using FigureText = SafeText<128>;
using SystemInfoText = SafeText<4096>;

// The memory status from the text of /proc/meminfo: MemAvailable (or
// MemFree) of MemTotal, the load being the share in use.
MemoryStatus memoryFromMemInfo(std::string_view meminfo);

// The byte-size text of FormatByteSize with the unit chosen by size
// ("1,023 Bytes", "1.50KB", "2.00GB"), to the same digit.
FigureText byteSizeText(uint64_t bytes);

// "1.20GB Free, 1.99GB Total (39%)"; empty when the status is unknown.
FigureText memoryText(const MemoryStatus& memory);

// "10.00GB Free (User), 40.00GB Total (User), 10.00GB Free" for the
// extended query, "1.00GB Free, 2.00GB Total" for the basic one, empty when
// the query failed.
FigureText diskText(const DiskSpace& disk);

// The root of a folder path, after turning backslashes into slashes:
// "C:/" for a drive path, "//server/share/" for a network path, "/" for an
// absolute POSIX path; empty when the path has none of these forms.
ByteString folderRoot(const ByteString& path);

// The four lines, each label padded with blanks to six characters and each
// line ended by CR LF: "OS:", "CPU:", "RAM:" and the first two characters
// of the disk root.
SystemInfoText systemInfoText(std::string_view osText, std::string_view cpuText, std::string_view ramText,
                              std::string_view diskRoot, std::string_view diskText);

}  // namespace orv
