// The operating-system line of the system description.
#pragma once

#include <cstdint>

#include "support/byte_string.h"

namespace orv {

// The operating-system line on Linux: the distribution's name followed by
// the kernel, "Debian GNU/Linux 12 (bookworm) (Linux 6.1.0 x86_64)"; the
// kernel alone when there is no distribution name.
ByteString linuxVersionText(const ByteString& prettyName, const ByteString& sysname, const ByteString& release,
                            const ByteString& machine);

// What Windows reports of itself: the version information (the extended
// fields only when `extended`) and the system metrics that name editions.
struct WindowsVersion {
    uint32_t platformId = 2;  // 0 Win32s, 1 Windows 95/98/Me, 2 NT, 3 CE
    uint32_t major = 0, minor = 0, build = 0;
    ByteString servicePack;  // "Service Pack 1"; empty for none
    bool extended = false;
    uint32_t servicePackMajor = 0, servicePackMinor = 0;
    uint32_t suiteMask = 0;
    uint32_t productType = 1;  // 1 workstation, 2 domain controller, 3 server
    bool tabletPC = false, mediaCenter = false, starter = false;
    uint32_t serverR2 = 0;  // the second-release metric of Server 2003
};

// The operating-system line on Windows: "Windows XP Professional Service
// Pack 2 SP v2.0 (NT v5.1 Build 2600) [Workstation]". Versions after Vista,
// which older programs cannot name, are named too: "Windows 10", "Windows
// 11", "Windows Server 2022".
ByteString windowsVersionText(const WindowsVersion& v);

// PRETTY_NAME of an os-release file's text, without its quotes; empty when
// the file has none.
ByteString osReleasePrettyName(const ByteString& osRelease);

}  // namespace orv
