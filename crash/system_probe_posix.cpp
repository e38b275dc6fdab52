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
