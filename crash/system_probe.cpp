#include "crash/system_probe.h"

#include <fcntl.h>
#include <sys/statfs.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include "crash/os_version_text.h"
#include "crash/processor_text.h"
#include "support/numbers.h"

namespace orv {

namespace {

// Kibibytes of a "Name:   1234 kB" line of /proc/meminfo; 0 when absent.
uint64_t memInfoKiB(std::string_view meminfo, std::string_view name) {
    while (!meminfo.empty()) {
        const size_t end = meminfo.find('\n');
        const std::string_view line = meminfo.substr(0, end);
        if (line.size() > name.size() && line.substr(0, name.size()) == name && line[name.size()] == ':')
            return parseU64(line.substr(name.size() + 1));
        meminfo = end == std::string_view::npos ? std::string_view() : meminfo.substr(end + 1);
    }
    return 0;
}

// statfs rather than statvfs: a plain system call on every C library.
DiskSpace diskSpace(const char* root) {
    struct statfs fs {};
    DiskSpace disk;
    if (!root[0] || statfs(root, &fs) != 0) return disk;
    const uint64_t unit = fs.f_frsize ? static_cast<uint64_t>(fs.f_frsize) : static_cast<uint64_t>(fs.f_bsize);
    disk.query = DiskSpace::Query::extended;
    disk.freeToCaller = unit * fs.f_bavail;
    disk.totalToCaller = unit * fs.f_blocks;
    disk.totalFree = unit * fs.f_bfree;
    return disk;
}

// /proc/meminfo, or the kernel's summary (free rather than available
// memory) when /proc is not mounted.
MemoryStatus memoryNow() {
    static char buffer[16384];
    size_t length = 0;
    const int fd = open("/proc/meminfo", O_RDONLY | O_CLOEXEC);
    ssize_t n;
    while (fd >= 0 && length < sizeof buffer && (n = read(fd, buffer + length, sizeof buffer - length)) > 0)
        length += static_cast<size_t>(n);
    if (fd >= 0) close(fd);
    MemoryStatus m = memoryFromMemInfo(std::string_view(buffer, length));
    struct sysinfo info {};
    if (m.known || sysinfo(&info) != 0 || info.totalram == 0) return m;
    const uint64_t unit = info.mem_unit ? info.mem_unit : 1;
    m.known = true;
    m.totalBytes = unit * info.totalram;
    m.freeBytes = unit * info.freeram;
    m.loadPercent = static_cast<uint32_t>((info.totalram - info.freeram) * 100 / info.totalram);
    return m;
}

}  // namespace

MemoryStatus memoryFromMemInfo(std::string_view meminfo) {
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

SystemDescription describeSystem(const ByteString& systemFolder) {
    struct utsname kernel {};
    const bool haveKernel = uname(&kernel) == 0;
    const ByteString machine = haveKernel ? ByteString(kernel.machine) : ByteString();
    ByteString prettyName = osReleasePrettyName(readSystemFile("/etc/os-release"));
    if (prettyName.empty()) prettyName = osReleasePrettyName(readSystemFile("/usr/lib/os-release"));
    SystemDescription d;
    d.os.add((haveKernel ? linuxVersionText(prettyName, kernel.sysname, kernel.release, machine) : prettyName).view());
    d.cpu.add(processorText(processorFromCpuInfo(readSystemFile("/proc/cpuinfo"), machine)).view());
    d.diskRoot.add(folderRoot(systemFolder).view());
    return d;
}

SystemInfoText systemInfoNow(const SystemDescription& system) {
    return systemInfoText(system.os.view(), system.cpu.view(), memoryText(memoryNow()).view(),
                          system.diskRoot.view(), diskText(diskSpace(system.diskRoot.text)).view());
}

}  // namespace orv
