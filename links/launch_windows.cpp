// Starting a handler on Windows: CreateProcessA (bound at run time) with a
// command line built by the quoting rules (links/windows_command.h), never
// through a command interpreter, inheriting none of our handles.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "links/launch.h"
#include "links/windows_command.h"
#include "support/dynamic_library.h"

namespace orv {

namespace {

BoundFunction<decltype(CreateProcessA)> createProcess("kernel32.dll", "CreateProcessA");
BoundFunction<decltype(GetFileAttributesA)> getAttributes("kernel32.dll", "GetFileAttributesA");

bool isProgramFile(const ByteString& path) {
    ByteString p = path;
    auto* get = getAttributes.get();
    const DWORD a = get ? get(p.c_str()) : INVALID_FILE_ATTRIBUTES;
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool hasFolder(const ByteString& program) {
    return program.find('\\') != ByteString::npos || program.find('/') != ByteString::npos ||
           program.find(':') != ByteString::npos;
}

}  // namespace

// A program named with a folder is taken as it is; a bare name is looked
// for in the folders of PATH only (never the working folder), with ".exe"
// added when it has no extension.
ByteString resolveProgram(const ByteString& program) {
    if (program.empty()) return {};
    if (hasFolder(program)) return isProgramFile(program) ? program : ByteString();
    const bool hasExtension = program.find('.') != ByteString::npos;
    const char* env = std::getenv("PATH");
    for (const ByteString& dir : split(ByteString(env ? env : ""), ';')) {
        if (dir.empty() || dir == ".") continue;
        const ByteString full = dir + (dir[dir.length() - 1] == '\\' ? "" : "\\") + program;
        if (isProgramFile(full)) return full;
        if (!hasExtension && isProgramFile(full + ".exe")) return full + ".exe";
    }
    return {};
}

bool launchDetached(const std::vector<ByteStringList>& candidates) {
    auto* create = createProcess.get();
    for (const ByteStringList& c : candidates) {
        if (!create || c.empty()) continue;
        ByteString path = resolveProgram(c[0]);
        ByteStringList argv = c;
        argv[0] = path;
        std::string line = windowsCommandLine(argv).toStdString();  // terminated, and the call may write to it
        if (path.empty() || line.empty()) continue;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        // No handles inherited; a group of its own, so a Ctrl+C in our
        // console does not reach it; our error mode is not its.
        if (!create(path.c_str(), line.data(), nullptr, nullptr, FALSE,
                    CREATE_NEW_PROCESS_GROUP | CREATE_DEFAULT_ERROR_MODE, nullptr, nullptr, &startup, &started))
            continue;
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
        return true;
    }
    return false;
}

}  // namespace orv
