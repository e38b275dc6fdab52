// The system description from Windows' own reports, every call bound at
// run time: a missing one leaves its part of the text out.
#include <windows.h>

#include "crash/os_version_text.h"
#include "crash/processor_text.h"
#include "crash/system_probe.h"
#include "support/dynamic_library.h"

namespace orv {

namespace {

using GetVersionFn = LONG WINAPI(OSVERSIONINFOEXW*);
BoundFunction<GetVersionFn> gRealVersion("ntdll.dll", "RtlGetVersion");
BoundFunction<BOOL WINAPI(OSVERSIONINFOA*)> gVersion("kernel32.dll", "GetVersionExA");
BoundFunction<int WINAPI(int)> gMetric("user32.dll", "GetSystemMetrics");
BoundFunction<void WINAPI(SYSTEM_INFO*)> gSystemInfo("kernel32.dll", "GetNativeSystemInfo");
BoundFunction<BOOL WINAPI(DWORD)> gFeature("kernel32.dll", "IsProcessorFeaturePresent");
BoundFunction<BOOL WINAPI(MEMORYSTATUSEX*)> gMemoryEx("kernel32.dll", "GlobalMemoryStatusEx");
BoundFunction<void WINAPI(MEMORYSTATUS*)> gMemory("kernel32.dll", "GlobalMemoryStatus");
BoundFunction<BOOL WINAPI(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER)> gDiskEx("kernel32.dll",
                                                                                              "GetDiskFreeSpaceExA");
BoundFunction<BOOL WINAPI(LPCSTR, LPDWORD, LPDWORD, LPDWORD, LPDWORD)> gDisk("kernel32.dll", "GetDiskFreeSpaceA");

ByteString narrow(const wchar_t* text) {
    char out[512];
    const int n = WideCharToMultiByte(CP_ACP, 0, text, -1, out, sizeof out, nullptr, nullptr);
    return n > 1 ? ByteString(out, static_cast<uint32_t>(n - 1)) : ByteString();
}

void addMetrics(WindowsVersion& v) {
    if (auto* metric = gMetric.get()) {
        v.tabletPC = metric(SM_TABLETPC) != 0;
        v.mediaCenter = metric(SM_MEDIACENTER) != 0;
        v.starter = metric(SM_STARTER) != 0;
        v.serverR2 = static_cast<uint32_t>(metric(SM_SERVERR2));
    }
}

// The real version: the kernel's own report, which no compatibility layer
// changes; else the classic query, extended structure first.
bool readVersion(WindowsVersion& v) {
    OSVERSIONINFOEXW real{};
    real.dwOSVersionInfoSize = sizeof real;
    if (auto* get = gRealVersion.get(); get && get(&real) == 0) {
        v = {real.dwPlatformId, real.dwMajorVersion, real.dwMinorVersion, real.dwBuildNumber,
             narrow(real.szCSDVersion), true, real.wServicePackMajor, real.wServicePackMinor, real.wSuiteMask,
             real.wProductType};
        return true;
    }
    auto* get = gVersion.get();
    OSVERSIONINFOEXA info{};
    info.dwOSVersionInfoSize = sizeof info;  // 156 bytes
    bool extended = get && get(reinterpret_cast<OSVERSIONINFOA*>(&info));
    if (!extended) {
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);  // 148 bytes
        if (!get || !get(reinterpret_cast<OSVERSIONINFOA*>(&info))) return false;
    }
    v = {info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber,
         ByteString(info.szCSDVersion), extended, info.wServicePackMajor, info.wServicePackMinor, info.wSuiteMask,
         info.wProductType};
    return true;
}

ProcessorInfo readProcessor() {
    ProcessorInfo cpu;
    SYSTEM_INFO info{};
    if (auto* get = gSystemInfo.get()) get(&info);
    cpu.architecture = info.wProcessorArchitecture;
    cpu.level = info.wProcessorLevel;
    cpu.revision = info.wProcessorRevision;
    if (auto* present = gFeature.get())
        for (uint32_t feature = 0; feature < 64; ++feature)
            if (present(feature)) cpu.set(feature);
    return cpu;
}

MemoryStatus memoryNow() {
    MemoryStatus m;
    MEMORYSTATUSEX extended{};
    extended.dwLength = sizeof extended;  // 64 bytes
    if (auto* get = gMemoryEx.get(); get && get(&extended)) {
        m = {true, extended.ullAvailPhys, extended.ullTotalPhys, extended.dwMemoryLoad};
    } else if (auto* basic = gMemory.get()) {
        MEMORYSTATUS status{};
        status.dwLength = sizeof status;  // 32 bytes on 32-bit systems
        basic(&status);
        m = {status.dwTotalPhys != 0, status.dwAvailPhys, status.dwTotalPhys, status.dwMemoryLoad};
    }
    return m;
}

DiskSpace diskSpace(const char* root) {
    DiskSpace d;
    ULARGE_INTEGER caller{}, total{}, free{};
    if (!root[0]) return d;
    if (auto* get = gDiskEx.get(); get && get(root, &caller, &total, &free)) {
        d.query = DiskSpace::Query::extended;
        d.freeToCaller = caller.QuadPart;
        d.totalToCaller = total.QuadPart;
        d.totalFree = free.QuadPart;
        return d;
    }
    DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
    if (auto* basic = gDisk.get(); basic && basic(root, &sectors, &bytes, &freeClusters, &clusters))
        d = {DiskSpace::Query::basic, 0, 0, 0, sectors, bytes, freeClusters, clusters};
    return d;
}

}  // namespace

SystemDescription describeSystem(const ByteString& systemFolder) {
    SystemDescription d;
    WindowsVersion version;
    if (readVersion(version)) {
        addMetrics(version);
        d.os.add(windowsVersionText(version).view());
    }
    d.cpu.add(processorText(readProcessor()).view());
    ByteString root = folderRoot(systemFolder);
    root.replaceAll("/", "\\");
    d.diskRoot.add(root.view());
    // Bound now, so that a crash finds them bound.
    gMemoryEx.get();
    gMemory.get();
    gDiskEx.get();
    gDisk.get();
    return d;
}

SystemInfoText systemInfoNow(const SystemDescription& system) {
    return systemInfoText(system.os.view(), system.cpu.view(), memoryText(memoryNow()).view(),
                          system.diskRoot.view(), diskText(diskSpace(system.diskRoot.text)).view());
}

}  // namespace orv
