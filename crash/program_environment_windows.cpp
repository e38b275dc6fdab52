#include "crash/program_environment.h"

#include <windows.h>

#include "crash/command_line.h"
#include "crash/crash_library.h"
#include "support/dynamic_library.h"
#include "support/numbers.h"

namespace orv {

namespace {

// The shell and the registry are bound at run time: without them the
// folders come from the next source.
BoundFunction<HRESULT WINAPI(HWND, int, HANDLE, DWORD, LPSTR)> gShellFolder("shell32.dll", "SHGetFolderPathA");
BoundFunction<LONG WINAPI(HKEY, LPCSTR, DWORD, REGSAM, PHKEY)> gOpenKey("advapi32.dll", "RegOpenKeyExA");
BoundFunction<LONG WINAPI(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD)> gQueryValue("advapi32.dll",
                                                                                       "RegQueryValueExA");
BoundFunction<LONG WINAPI(HKEY)> gCloseKey("advapi32.dll", "RegCloseKey");
BoundFunction<LPCH WINAPI()> gEnvironmentStrings("kernel32.dll", "GetEnvironmentStrings");
BoundFunction<BOOL WINAPI(LPCH)> gFreeEnvironmentStrings("kernel32.dll", "FreeEnvironmentStringsA");

ByteString withoutTrailingSeparator(ByteString path) {
    while (path.length() > 3 && (path[path.length() - 1] == '\\' || path[path.length() - 1] == '/'))
        path = path.Left(path.length() - 1);
    return path;
}

ByteString expanded(const ByteString& text) {
    ByteString source = text, out;
    const DWORD n = ExpandEnvironmentStringsA(source.c_str(), nullptr, 0);
    if (n == 0) return text;
    out.setLength(n);
    const DWORD written = ExpandEnvironmentStringsA(source.c_str(), out.data(), n);
    out.setLength(written > 0 && written <= n ? written - 1 : 0);
    return out;
}

ByteString shellFolder(int csidl) {
    auto* get = gShellFolder.get();
    char path[MAX_PATH] = {};
    if (!get || get(nullptr, csidl, nullptr, 0, path) != S_OK) return {};
    return withoutTrailingSeparator(ByteString(path));
}

// A registry value as text: strings without their terminator (references
// to environment variables expanded), numbers in decimal.
ByteString registryText(bool user, const char* key, const char* value) {
    auto* open = gOpenKey.get();
    auto* close = gCloseKey.get();
    auto* query = gQueryValue.get();
    HKEY handle = nullptr;
    if (!open || !query || !close || open(user ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &handle) != 0)
        return {};
    DWORD type = 0, size = 0;
    ByteString data;
    if (query(handle, value, nullptr, &type, nullptr, &size) == 0 && size <= 65536) {
        data.setLength(size);
        if (query(handle, value, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) != 0) size = 0;
        data.setLength(size);
    }
    close(handle);
    if (type == REG_DWORD && data.length() == 4) return textFromU32(*reinterpret_cast<const uint32_t*>(data.data()));
    if (type == REG_QWORD && data.length() == 8) return textFromU64(*reinterpret_cast<const uint64_t*>(data.data()));
    if (type != REG_SZ && type != REG_EXPAND_SZ) return {};
    const uint32_t end = data.find('\0');
    if (end != ByteString::npos) data = data.Left(end);
    return type == REG_EXPAND_SZ ? expanded(data) : data;
}

ByteString systemText(UINT (*WINAPI get)(LPSTR, UINT)) {
    char path[MAX_PATH] = {};
    const UINT n = get(path, MAX_PATH);
    return n > 0 && n < MAX_PATH ? ByteString(path, n) : ByteString("C:\\Windows");
}

}  // namespace

SpecialFolderTable systemSpecialFolders(const ProgramEnvironment&) {
    WindowsFolderSources s;
    s.shellFolder = shellFolder;
    s.registryText = registryText;
    s.windowsDirectory = systemText(GetWindowsDirectoryA);
    s.systemDirectory = systemText(GetSystemDirectoryA);
    return resolveWindowsFolders(s);
}

ByteString temporaryFolder(const ProgramEnvironment& env) {
    for (const char* name : {"TMP", "TEMP", "USERPROFILE"}) {
        const ByteString value = environmentValue(env, name);
        if (!value.empty()) return withoutTrailingSeparator(value);
    }
    return systemText(GetWindowsDirectoryA);
}

bool installCrashReporter(ProgramEnvironment& env) {
    ByteString subject = crashReportSubject(env.programPath);
    const ByteString systemFolder = specialFolder(env, SpecialFolder::windowsDirectory);
    PrivateFolders folders;
    folders.fallback.add(temporaryFolder(env).view());
    env.crashHandler = std::make_unique<ProgramCrashHandler>(runningProgramFolder(), folders, systemFolder);
    registerCrashHandler(env.crashHandler.get());
    env.crashReporterInstalled = crashLibraryInstall(crashReportCallback, kCrashReportDestination, subject.c_str());
    return env.crashReporterInstalled;
}

bool initProgramEnvironment(int, char**, char**) {
    static bool initialised = false;
    if (initialised) return false;
    initialised = true;
    ProgramEnvironment& env = programEnvironment();
    env.programPath = runningProgramPath();
    env.arguments.assign(1, env.programPath);
    for (ByteString& argument : splitCommandLine(commandLineArguments(ByteString(GetCommandLineA()))))
        env.arguments.push_back(std::move(argument));
    auto* strings = gEnvironmentStrings.get();
    auto* release = gFreeEnvironmentStrings.get();
    if (LPCH block = strings ? strings() : nullptr) {
        readEnvironmentBlock(env, block);
        if (release) release(block);
    }
    installCrashReporter(env);
    return true;
}

}  // namespace orv
