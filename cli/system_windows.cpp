// The Windows side of the command-line program: why files fail, in the
// system's words, reading standard input, and standard streams that carry
// bytes unchanged (no CR before every LF, nothing lost to a console code
// page).
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>

#include "cli/cli.h"
#include "package/file.h"
#include "support/system_error.h"

namespace orv::cli {

namespace {

// The path as the file layer hands it to the system.
std::string systemName(const std::string& path) {
    ByteString p(path);
    sanitizePath(p);
    return std::string(p.view().substr(0, p.view().find('\0')));
}

enum class Kind { File, Folder, Other };

// Opens an existing file for reading; a folder or device is told apart.
HANDLE openForReading(const std::string& name, Kind& kind, uint64_t& size) {
    kind = Kind::Other;
    if (name.empty()) {  // a device's name, which the path rules drop
        SetLastError(ERROR_BAD_FILE_TYPE);
        return INVALID_HANDLE_VALUE;
    }
    const HANDLE h = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return h;
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info)) {
        kind = info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? Kind::Folder : Kind::File;
        size = uint64_t{info.nFileSizeHigh} << 32 | info.nFileSizeLow;
    }
    return h;
}

std::string kindProblem(Kind kind) { return kind == Kind::Folder ? "Is a folder" : "not a regular file"; }

// The system's words for a failed open; a device is not a regular file.
std::string openProblem(DWORD error) {
    return error == ERROR_BAD_FILE_TYPE ? kindProblem(Kind::Other) : systemErrorText(error).toStdString();
}

UINT gConsoleCodePage = 0;
void restoreConsole() { SetConsoleOutputCP(gConsoleCodePage); }

}  // namespace

void prepareStandardStreams() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // Texts are written as UTF-8 (the process code page): a console shows
    // them so while the program runs, and gets its own page back after.
    DWORD mode = 0;
    if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) || GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode)) {
        gConsoleCodePage = GetConsoleOutputCP();
        if (gConsoleCodePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) std::atexit(restoreConsole);
    }
}

std::string readFailure(const std::string& path) {
    Kind kind;
    uint64_t size = 0;
    const HANDLE h = openForReading(systemName(path), kind, size);
    if (h == INVALID_HANDLE_VALUE) return openProblem(GetLastError());
    CloseHandle(h);
    if (kind != Kind::File) return kindProblem(kind);
    if (size >= ByteString::npos) return "too large (4 GiB or more)";
    return "the file could not be read whole (too large for the memory there is?)";
}

std::string writeObstacle(const std::string& path) {
    const std::string name = systemName(path);
    const size_t slash = name.rfind('\\');
    const std::string folder = slash == std::string::npos ? "." : name.substr(0, slash + 1);
    const DWORD folderAttributes = GetFileAttributesA(folder.c_str());
    if (folderAttributes == INVALID_FILE_ATTRIBUTES) return systemErrorText(GetLastError()).toStdString();
    if (!(folderAttributes & FILE_ATTRIBUTE_DIRECTORY)) return systemErrorText(ERROR_DIRECTORY).toStdString();
    const DWORD attributes = GetFileAttributesA(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) return kindProblem(Kind::Folder);
        if (attributes & FILE_ATTRIBUTE_READONLY) return "the file is marked read-only";
        const HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return systemErrorText(GetLastError()).toStdString();
        CloseHandle(h);
    }
    return "";
}

std::string writeFailure(const std::string& path) {
    const DWORD saved = GetLastError();
    const std::string obstacle = writeObstacle(path);
    if (!obstacle.empty()) return obstacle;
    return saved ? systemErrorText(saved).toStdString() : "the system refused the write";
}

bool readWhole(const std::string& path, ByteString& content, uint32_t spare, std::string& reason) {
    content.clear();
    const bool standardInput = path == "-";
    Kind kind = Kind::File;
    uint64_t size = 0;
    const HANDLE h = standardInput ? GetStdHandle(STD_INPUT_HANDLE) : openForReading(systemName(path), kind, size);
    if (h == INVALID_HANDLE_VALUE || h == nullptr) {
        reason = standardInput ? "there is none" : openProblem(GetLastError());
        return false;
    }
    if (kind != Kind::File) {
        reason = kindProblem(kind);
        CloseHandle(h);
        return false;
    }
    if (!standardInput && size + spare < ByteString::npos) content.reserve(static_cast<uint32_t>(size) + spare);
    char buf[1 << 16];
    bool ok = true;
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(h, buf, sizeof buf, &n, nullptr)) {
            const DWORD error = GetLastError();
            if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) break;  // the writer has finished
            reason = systemErrorText(error).toStdString();
            ok = false;
            break;
        }
        if (n == 0) break;
        if (content.length() + uint64_t{n} + spare >= ByteString::npos) {
            reason = "too large (4 GiB or more)";
            ok = false;
            break;
        }
        content.append(buf, n);
    }
    if (!standardInput) CloseHandle(h);
    return ok;
}

}  // namespace orv::cli
