#include "crash/os_version_text.h"

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
