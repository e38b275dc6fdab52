#include "crash/system_info.h"

#include "support/numbers.h"

namespace orv {

namespace {

__extension__ typedef unsigned __int128 Wide;

template <size_t N>
void addGrouped(SafeText<N>& out, uint64_t v) {
    char digits[24];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v);
    while (n) {
        out.add(digits[--n]);
        if (n && n % 3 == 0) out.add(',');
    }
}

void addLine(SystemInfoText& out, std::string_view label, std::string_view text) {
    out.add(label);
    for (size_t i = label.size(); i < 6; ++i) out.add(' ');
    out.add(text).add("\r\n");
}

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

// FormatByteSize reads the number as a double, divides it by the unit and
// prints the quotient with ten decimals ("%.10lf", rounded half to even),
// of which it keeps two. The same in integers: dividing by a power of two
// is exact, so only the ten-decimal rounding needs care.
FigureText byteSizeText(uint64_t bytes) {
    static const char* const kUnits[] = {" Bytes", "KB", "MB", "GB", "TB", "PB", "EB"};
    const double asDouble = static_cast<double>(bytes);
    const Wide value = asDouble >= 18446744073709551616.0 ? Wide(1) << 64 : Wide(static_cast<uint64_t>(asDouble));
    int unit = 0;
    while (unit < 6 && value >= Wide(1) << (10 * (unit + 1))) ++unit;
    const int shift = 10 * unit;
    const Wide scaled = value * 10000000000ull;
    Wide tenDecimals = scaled >> shift;
    if (shift > 0) {
        const Wide rest = scaled - (tenDecimals << shift), half = Wide(1) << (shift - 1);
        if (rest > half || (rest == half && (tenDecimals & 1))) ++tenDecimals;
    }
    FigureText text;
    addGrouped(text, static_cast<uint64_t>(tenDecimals / 10000000000ull));
    if (unit > 0) text.add('.').number(static_cast<uint64_t>(tenDecimals / 100000000ull % 100), 2);
    text.add(kUnits[unit]);
    return text;
}

FigureText memoryText(const MemoryStatus& m) {
    FigureText text;
    if (!m.known) return text;
    text.add(byteSizeText(m.freeBytes).view()).add(" Free, ").add(byteSizeText(m.totalBytes).view());
    text.add(" Total (").number(m.loadPercent).add("%)");
    return text;
}

FigureText diskText(const DiskSpace& d) {
    FigureText text;
    switch (d.query) {
    case DiskSpace::Query::extended:
        text.add(byteSizeText(d.freeToCaller).view()).add(" Free (User), ");
        text.add(byteSizeText(d.totalToCaller).view()).add(" Total (User), ");
        text.add(byteSizeText(d.totalFree).view()).add(" Free");
        break;
    case DiskSpace::Query::basic: {
        const uint64_t cluster = d.sectorsPerCluster * d.bytesPerSector;
        text.add(byteSizeText(cluster * d.freeClusters).view()).add(" Free, ");
        text.add(byteSizeText(cluster * d.totalClusters).view()).add(" Total");
        break;
    }
    case DiskSpace::Query::failed:
        break;
    }
    return text;
}

ByteString folderRoot(const ByteString& path) {
    ByteString p = path;
    p.replaceAll("\\", "/");
    const char first = p.empty() ? '\0' : p[0];
    const bool letter = (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z');
    if (letter && p.length() >= 2 && p[1] == ':') return p.Left(2) + "/";
    if (p.length() > 2 && p[0] == '/' && p[1] == '/') {
        const uint32_t serverEnd = p.find('/', 2);
        if (serverEnd == ByteString::npos || serverEnd == 2) return {};
        const uint32_t shareEnd = p.find('/', serverEnd + 1);
        if (shareEnd == serverEnd + 1) return {};
        if (shareEnd == ByteString::npos) return p.length() > serverEnd + 1 ? p + "/" : ByteString();
        return p.Left(shareEnd + 1);
    }
    if (first == '/') return "/";
    return {};
}

SystemInfoText systemInfoText(std::string_view osText, std::string_view cpuText, std::string_view ramText,
                              std::string_view diskRoot, std::string_view diskText) {
    SystemInfoText text;
    addLine(text, "OS:", osText);
    addLine(text, "CPU:", cpuText);
    addLine(text, "RAM:", ramText);
    addLine(text, diskRoot.substr(0, 2), diskText);
    return text;
}

}  // namespace orv
