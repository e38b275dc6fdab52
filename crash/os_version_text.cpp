#include "crash/os_version_text.h"

#include "support/numbers.h"

namespace orv {

namespace {

constexpr uint32_t kSuiteSmallBusiness = 0x1;
constexpr uint32_t kSuiteEnterprise = 0x2;
constexpr uint32_t kSuiteBackOffice = 0x4;
constexpr uint32_t kSuiteTerminal = 0x10;
constexpr uint32_t kSuiteSmallBusinessRestricted = 0x20;
constexpr uint32_t kSuiteEmbedded = 0x40;
constexpr uint32_t kSuiteDatacenter = 0x80;
constexpr uint32_t kSuiteSingleUserTerminal = 0x100;
constexpr uint32_t kSuitePersonal = 0x200;
constexpr uint32_t kSuiteBlade = 0x400;

ByteString versionPair(uint32_t major, uint32_t minor) { return textFromU32(major) + "." + textFromU32(minor); }

// Vista and XP share the order of their edition words.
ByteString clientEdition(const WindowsVersion& v, const WindowsMetrics& m, const char* home) {
    if (m.tabletPc) return " Tablet PC Edition";
    if (m.mediaCenter) return " Media Center Edition";
    if (m.starter) return " Starter Edition";
    if (v.suiteMask & kSuiteEmbedded) return " Embedded";
    if (v.suiteMask & kSuitePersonal) return home;
    return " Professional";
}

ByteString ntName(const WindowsVersion& v, const WindowsMetrics& m) {
    const uint32_t s = v.suiteMask;
    if (v.major == 6 && v.minor == 0) return " Vista" + clientEdition(v, m, " Home Edition");
    if (v.major == 5 && v.minor == 2) {
        ByteString text = " Server 2003";
        if (s & kSuiteBlade) text += " Web Edition";
        else if (s & kSuiteEnterprise) text += " Enterprise Edition";
        if (m.serverR2 != 0) text += " \"R2\" Build " + textFromI32(m.serverR2);
        return text;
    }
    if (v.major == 5 && v.minor == 1) return " XP" + clientEdition(v, m, " Home");
    if (v.major == 5 && v.minor == 0) {
        if (s & kSuiteDatacenter) return " 2000 Datacenter Server";
        if (s & kSuiteEnterprise) return " 2000 Advanced Server";
        return " 2000";
    }
    if (v.major == 4 && v.minor == 0) return (s & kSuiteEnterprise) ? " NT Enterprise Edition" : " NT";
    if (v.major == 3 && (v.minor == 51 || v.minor == 50 || v.minor == 10)) return " NT";
    return " Unknown Version";
}

ByteString ntDetails(const WindowsVersion& v) {
    ByteString text;
    if (!v.servicePack.empty()) text += " " + v.servicePack;
    if (v.servicePackMajor != 0 || v.servicePackMinor != 0)
        text += " SP v" + versionPair(v.servicePackMajor, v.servicePackMinor);
    text += " (NT v" + versionPair(v.major, v.minor) + " Build " + textFromU32(v.build) + ")";
    switch (v.productType) {
    case 1: text += " [Workstation]"; break;
    case 2: text += " [Domain Controller]"; break;
    case 3: text += " [Server]"; break;
    default: text += " [Unknown NT Product Type]"; break;
    }
    ByteStringList suites;
    if (v.suiteMask & kSuiteBackOffice) suites.emplace_back("BackOffice");
    if (v.suiteMask & kSuiteSingleUserTerminal) suites.emplace_back("Terminal Services (1 user)");
    if (v.suiteMask & kSuiteTerminal) suites.emplace_back("Terminal Services");
    if (v.suiteMask & kSuiteSmallBusiness)
        suites.emplace_back((v.suiteMask & kSuiteSmallBusinessRestricted) ? "Small Business Edition"
                                                                          : "Formerly Small Business Edition");
    if (!suites.empty()) text += " {" + join(suites, ", ") + "}";
    return text;
}

ByteString family95Name(const WindowsVersion& v) {
    const uint32_t build = v.build & 0xFFFF;
    if (v.major != 4) return " Unknown Version";
    if (v.minor == 0) {
        if (build >= 951 && build <= 1080) return " 95 Service Pack 1";
        if (build >= 1081 && build <= 1213) return " 95 B";
        if (build > 1213) return " 95 C";
        return " 95";
    }
    if (v.minor == 10) {
        if (build >= 1999 && build <= 2182) return " 98 Service Pack 1";
        if (build > 2182) return " 98 Second Edition";
        return " 98";
    }
    if (v.minor == 90) return " Me";
    return " Unknown Version";
}

}  // namespace

ByteString windowsVersionText(const WindowsVersion& v, const WindowsMetrics& metrics) {
    if (!v.known) return {};
    ByteString text = "Windows";
    switch (v.platformId) {
    case 2: return text + ntName(v, metrics) + ntDetails(v);
    case 1:
        return text + family95Name(v) + " (v" + versionPair(v.major, v.minor) + " Build " +
               textFromU32(v.build & 0xFFFF) + ")";
    case 3: return text + " CE (v" + versionPair(v.major, v.minor) + " Build " + textFromU32(v.build) + ")";
    case 0: return text + " Win32s (v3.1 Build 0)";
    default: return text + " Unknown Version";
    }
}

ByteString linuxVersionText(const ByteString& prettyName, const ByteString& sysname, const ByteString& release,
                            const ByteString& machine) {
    ByteString kernel = sysname;
    if (!release.empty()) kernel += " " + release;
    if (!machine.empty()) kernel += " " + machine;
    if (prettyName.empty()) return kernel;
    if (kernel.empty()) return prettyName;
    return prettyName + " (" + kernel + ")";
}

ByteString osReleasePrettyName(const ByteString& osRelease) {
    ByteString text = osRelease;
    while (!text.atEnd()) {
        ByteString line = text.readLine();
        line.trim();
        if (line.Left(12) != "PRETTY_NAME=") continue;
        ByteString value = line.Mid(12);
        const uint32_t n = value.length();
        if (n >= 2 && (value[0] == '"' || value[0] == '\'') && value[n - 1] == value[0]) value = value.Mid(1, n - 2);
        value.replaceAll("\\\"", "\"");
        return value;
    }
    return {};
}

}  // namespace orv
