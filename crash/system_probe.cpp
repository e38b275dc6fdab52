#include "crash/system_probe.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include "crash/os_version_text.h"
#include "crash/processor_text.h"
#include "support/numbers.h"

namespace orv {

namespace {

// Kibibytes of a "Name:   1234 kB" line of /proc/meminfo; 0 when absent.
uint64_t memInfoKiB(const ByteString& meminfo, const char* name) {
    ByteString text = meminfo;
    const ByteString prefix = ByteString(name) + ":";
    while (!text.atEnd()) {
        ByteString line = text.readLine();
        if (line.Left(prefix.length()) == prefix) return parseU64(line.Mid(prefix.length()));
    }
    return 0;
}

DiskSpace diskSpace(const ByteString& folder) {
    ByteString path = folder;
    struct statvfs fs {};
    DiskSpace disk;
    if (statvfs(path.c_str(), &fs) != 0) return disk;
    const uint64_t unit = fs.f_frsize ? fs.f_frsize : fs.f_bsize;
    disk.query = DiskSpace::Query::extended;
    disk.freeToCaller = unit * fs.f_bavail;
    disk.totalToCaller = unit * fs.f_blocks;
    disk.totalFree = unit * fs.f_bfree;
    return disk;
}

// The kernel's summary, when /proc is not available: free rather than
// available memory.
MemoryStatus memoryFromSysinfo() {
    struct sysinfo info {};
    MemoryStatus m;
    if (sysinfo(&info) != 0 || info.totalram == 0) return m;
    const uint64_t unit = info.mem_unit ? info.mem_unit : 1;
    m.known = true;
    m.totalBytes = unit * info.totalram;
    m.freeBytes = unit * info.freeram;
    m.loadPercent = static_cast<uint32_t>((info.totalram - info.freeram) * 100 / info.totalram);
    return m;
}

}  // namespace

MemoryStatus memoryFromMemInfo(const ByteString& meminfo) {
    MemoryStatus m;
    const uint64_t total = memInfoKiB(meminfo, "MemTotal");
    if (total == 0) return m;
    uint64_t available = memInfoKiB(meminfo, "MemAvailable");
    if (available == 0) available = memInfoKiB(meminfo, "MemFree");
    if (available > total) available = total;
    m.known = true;
    m.totalBytes = total * 1024;
    m.freeBytes = available * 1024;
    m.loadPercent = static_cast<uint32_t>(((total - available) * 100 + total / 2) / total);
    return m;
}

ByteString readSystemFile(const char* path) {
    ByteString content;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return content;
    char buffer[16384];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) content.append(buffer, static_cast<uint32_t>(n));
    close(fd);
    return content;
}

ByteString collectSystemInfo(const ByteString& systemFolder) {
    struct utsname kernel {};
    const bool haveKernel = uname(&kernel) == 0;
    const ByteString machine = haveKernel ? ByteString(kernel.machine) : ByteString();
    ByteString prettyName = osReleasePrettyName(readSystemFile("/etc/os-release"));
    if (prettyName.empty()) prettyName = osReleasePrettyName(readSystemFile("/usr/lib/os-release"));
    const ByteString os = haveKernel ? linuxVersionText(prettyName, kernel.sysname, kernel.release, machine)
                                     : prettyName;
    const ByteString cpu = processorText(processorFromCpuInfo(readSystemFile("/proc/cpuinfo"), machine));
    MemoryStatus memory = memoryFromMemInfo(readSystemFile("/proc/meminfo"));
    if (!memory.known) memory = memoryFromSysinfo();
    const ByteString ram = memoryText(memory);
    const ByteString root = folderRoot(systemFolder);
    return systemInfoText(os, cpu, ram, root, root.empty() ? ByteString() : diskText(diskSpace(root)));
}

}  // namespace orv
