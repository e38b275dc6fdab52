// The operating-system line of the system description.
#pragma once

#include <cstdint>

#include "support/byte_string.h"

namespace orv {

// Version information as the Windows version query reports it. The basic
// query leaves the service-pack numbers, the suite mask and the product
// type at 0.
struct WindowsVersion {
    bool known = false;  // false when neither version query succeeded
    uint32_t platformId = 0;  // 0 Win32s, 1 the 95 family, 2 NT, 3 CE
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
    ByteString servicePack;  // e.g. "Service Pack 2"
    uint32_t servicePackMajor = 0;
    uint32_t servicePackMinor = 0;
    uint32_t suiteMask = 0;
    uint32_t productType = 0;  // 1 workstation, 2 domain controller, 3 server
};

// The system metrics that pick an edition.
struct WindowsMetrics {
    bool tabletPc = false;
    bool mediaCenter = false;
    bool starter = false;
    int32_t serverR2 = 0;  // the second release's build, 0 when absent
};

// "Windows XP Professional Service Pack 2 SP v2.0 (NT v5.1 Build 2600)
// [Workstation]"; empty when the version is unknown.
ByteString windowsVersionText(const WindowsVersion& v, const WindowsMetrics& metrics);

// The operating-system line on Linux: the distribution's name followed by
// the kernel, "Debian GNU/Linux 12 (bookworm) (Linux 6.1.0 x86_64)"; the
// kernel alone when there is no distribution name.
ByteString linuxVersionText(const ByteString& prettyName, const ByteString& sysname, const ByteString& release,
                            const ByteString& machine);

// PRETTY_NAME of an os-release file's text, without its quotes; empty when
// the file has none.
ByteString osReleasePrettyName(const ByteString& osRelease);

}  // namespace orv
