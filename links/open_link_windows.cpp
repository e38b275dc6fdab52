// The link openers' system on Windows: the handler that the registry names
// for a link's scheme (the user's choice, then the class's own command),
// started with CreateProcessA. There is no further fallback: Windows has
// no xdg-open, and asking the shell to open a link would hand it to
// whatever it chose.
#include <windows.h>

#include "links/open_link.h"
#include "links/windows_command.h"
#include "support/dynamic_library.h"

namespace orv {

namespace {

BoundFunction<decltype(RegOpenKeyExA)> openKey("advapi32.dll", "RegOpenKeyExA");
BoundFunction<decltype(RegQueryValueExA)> queryValue("advapi32.dll", "RegQueryValueExA");
BoundFunction<decltype(RegCloseKey)> closeKey("advapi32.dll", "RegCloseKey");
BoundFunction<decltype(ExpandEnvironmentStringsA)> expand("kernel32.dll", "ExpandEnvironmentStringsA");

constexpr DWORD kMaxValue = 32768;  // a command line is no longer

// A text value of a key ("" for its default value): strings without their
// end, expandable ones with the environment put in; false when there is
// none or it is not text.
bool readText(HKEY root, const ByteString& key, const char* name, ByteString& text) {
    auto* open = openKey.get();
    auto* query = queryValue.get();
    auto* close = closeKey.get();
    HKEY h = nullptr;
    ByteString k = key;
    if (!open || !query || !close || open(root, k.c_str(), 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS) return false;
    DWORD type = 0, size = kMaxValue;
    ByteString value(kMaxValue, '\0');
    const LONG rc = query(h, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size);
    close(h);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
    value.setLength(size);
    value = value.Left(value.find('\0'));
    if (type == REG_EXPAND_SZ) {
        ByteString expanded(kMaxValue, '\0');
        auto* put = expand.get();
        const DWORD n = put ? put(value.c_str(), expanded.data(), kMaxValue) : 0;
        if (n == 0 || n > kMaxValue) return false;
        value = expanded.Left(n - 1);
    }
    text = value;
    return !text.empty();
}

// A class's key as the classes root shows it: the user's own first, then
// the machine's.
bool readClassText(const ByteString& key, ByteString& text) {
    return readText(HKEY_CURRENT_USER, "Software\\Classes\\" + key, "", text) ||
           readText(HKEY_LOCAL_MACHINE, "Software\\Classes\\" + key, "", text);
}

// The registered command for a URL scheme: the class the user chose for
// it, else the scheme's own class.
bool schemeCommand(const ByteString& scheme, ByteString& command) {
    ByteString progId;
    const ByteString choice = "Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\" + scheme + "\\UserChoice";
    if (readText(HKEY_CURRENT_USER, choice, "ProgId", progId) && readClassText(progId + "\\shell\\open\\command", command))
        return true;
    return readClassText(scheme + "\\shell\\open\\command", command);
}

bool findRegistryHandler(const ByteString& handlerType, ByteStringList& command) {
    command.clear();
    const ByteString scheme = handlerType.Mid(static_cast<uint32_t>(handlerType.view().rfind('/')) + 1);
    ByteString line;
    ByteStringList words;
    if (!schemeCommand(scheme, line) || !splitWindowsCommand(line, words)) return false;
    return registryHandlerCommand(scheme == "mailto" ? LinkKind::Mail : LinkKind::Web, words, command);
}

}  // namespace

LinkSystem realLinkSystem() { return {findRegistryHandler, launchDetached, {}}; }

}  // namespace orv
