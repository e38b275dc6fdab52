#include "crash/system_info.h"

#include "support/numbers.h"

namespace orv {

namespace {

ByteString sizeText(uint64_t bytes) { return FormatByteSize(textFromU64(bytes), 0); }

ByteString labelled(const ByteString& label, const ByteString& text) {
    ByteString line = label;
    while (line.length() < 6) line.append(' ');
    line.append(text);
    line.append("\r\n");
    return line;
}

}  // namespace

ByteString memoryText(const MemoryStatus& m) {
    if (!m.known) return {};
    return sizeText(m.freeBytes) + " Free, " + sizeText(m.totalBytes) + " Total (" + textFromU32(m.loadPercent) +
           "%)";
}

ByteString diskText(const DiskSpace& d) {
    switch (d.query) {
    case DiskSpace::Query::extended:
        return sizeText(d.freeToCaller) + " Free (User), " + sizeText(d.totalToCaller) + " Total (User), " +
               sizeText(d.totalFree) + " Free";
    case DiskSpace::Query::basic: {
        const uint64_t cluster = d.sectorsPerCluster * d.bytesPerSector;
        return sizeText(cluster * d.freeClusters) + " Free, " + sizeText(cluster * d.totalClusters) + " Total";
    }
    case DiskSpace::Query::failed:
        break;
    }
    return {};
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

ByteString systemInfoText(const ByteString& osText, const ByteString& cpuText, const ByteString& ramText,
                          const ByteString& diskRoot, const ByteString& diskText) {
    return labelled("OS:", osText) + labelled("CPU:", cpuText) + labelled("RAM:", ramText) +
           labelled(diskRoot.Left(2), diskText);
}

}  // namespace orv
