#include "crash/os_version_text.h"

#include "support/numbers.h"

namespace orv {

ByteString linuxVersionText(const ByteString& prettyName, const ByteString& sysname, const ByteString& release,
                            const ByteString& machine) {
    ByteString kernel = sysname;
    if (!release.empty()) kernel += " " + release;
    if (!machine.empty()) kernel += " " + machine;
    if (prettyName.empty()) return kernel;
    if (kernel.empty()) return prettyName;
    return prettyName + " (" + kernel + ")";
}

namespace {

// The first edition that applies: the metrics, then the suite flags.
ByteString edition(const WindowsVersion& v, const char* home, const char* otherwise) {
    if (v.tabletPC) return " Tablet PC Edition";
    if (v.mediaCenter) return " Media Center Edition";
    if (v.starter) return " Starter Edition";
    if (v.suiteMask & 0x40) return " Embedded";
    if (v.suiteMask & 0x200) return home;
    return otherwise;
}

// The name of a version newer than Vista: Windows 10 and 11 share 10.0.
ByteString laterVersion(const WindowsVersion& v) {
    const bool server = v.productType != 1;
    if (v.major == 6 && v.minor == 1) return server ? " Server 2008 R2" : " 7";
    if (v.major == 6 && v.minor == 2) return server ? " Server 2012" : " 8";
    if (v.major == 6 && v.minor == 3) return server ? " Server 2012 R2" : " 8.1";
    if (v.major == 10 && v.minor == 0) {
        if (!server) return v.build >= 22000 ? " 11" : " 10";
        return v.build >= 20348 ? " Server 2022" : v.build >= 17763 ? " Server 2019" : " Server 2016";
    }
    return " Unknown Version";
}

ByteString ntName(const WindowsVersion& v) {
    const uint32_t version = v.major * 100 + v.minor;
    switch (version) {
    case 600:
        return v.productType != 1 ? " Server 2008" : " Vista" + edition(v, " Home Edition", " Professional");
    case 502: {
        ByteString name = " Server 2003";
        if (v.suiteMask & 0x400) name += " Web Edition";
        else if (v.suiteMask & 0x2) name += " Enterprise Edition";
        if (v.serverR2 != 0) name += " \"R2\" Build " + textFromU32(v.serverR2);
        return name;
    }
    case 501: return " XP" + edition(v, " Home", " Professional");
    case 500:
        if (v.suiteMask & 0x80) return " 2000 Datacenter Server";
        return v.suiteMask & 0x2 ? " 2000 Advanced Server" : " 2000";
    case 400: return v.suiteMask & 0x2 ? " NT Enterprise Edition" : " NT";
    case 351: case 350: case 310: return " NT";
    default: return version > 600 ? laterVersion(v) : " Unknown Version";
    }
}

ByteString ntDetails(const WindowsVersion& v) {
    ByteString text;
    if (!v.servicePack.empty()) text += " " + v.servicePack;
    if (v.extended && (v.servicePackMajor || v.servicePackMinor))
        text += " SP v" + textFromU32(v.servicePackMajor) + "." + textFromU32(v.servicePackMinor);
    text += " (NT v" + textFromU32(v.major) + "." + textFromU32(v.minor) + " Build " + textFromU32(v.build) + ")";
    if (!v.extended) return text;
    static const char* const kTypes[] = {" [Unknown NT Product Type]", " [Workstation]", " [Domain Controller]",
                                         " [Server]"};
    text += kTypes[v.productType <= 3 ? v.productType : 0];
    ByteStringList suites;
    if (v.suiteMask & 0x4) suites.push_back("BackOffice");
    if (v.suiteMask & 0x100) suites.push_back("Terminal Services (1 user)");
    if (v.suiteMask & 0x10) suites.push_back("Terminal Services");
    if (v.suiteMask & 0x1)
        suites.push_back(v.suiteMask & 0x20 ? "Small Business Edition" : "Formerly Small Business Edition");
    if (!suites.empty()) text += " {" + join(suites, ", ") + "}";
    return text;
}

ByteString nineXName(const WindowsVersion& v) {
    if (v.major != 4) return " Unknown Version";
    const uint32_t build = v.build & 0xFFFF;
    ByteString name;
    if (v.minor == 0) name = build > 1213 ? " 95 C" : build > 1080 ? " 95 B" : build >= 951 ? " 95 Service Pack 1" : " 95";
    else if (v.minor == 10) name = build > 2182 ? " 98 Second Edition" : build >= 1999 ? " 98 Service Pack 1" : " 98";
    else if (v.minor == 90) name = " Me";
    else name = " Unknown Version";
    return name + " (v" + textFromU32(v.major) + "." + textFromU32(v.minor) + " Build " + textFromU32(build) + ")";
}

}  // namespace

ByteString windowsVersionText(const WindowsVersion& v) {
    switch (v.platformId) {
    case 2: return "Windows" + ntName(v) + ntDetails(v);
    case 1: return "Windows" + nineXName(v);
    case 3:
        return "Windows CE (v" + textFromU32(v.major) + "." + textFromU32(v.minor) + " Build " + textFromU32(v.build) + ")";
    case 0: return "Windows Win32s (v3.1 Build 0)";
    default: return "Windows Unknown Version";
    }
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
