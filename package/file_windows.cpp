// File access on Windows: the kernel's file functions, bound by name on
// first use, over paths in the process code page (UTF-8 by the manifest).
// A save writes a new file beside the target and swaps it in with
// ReplaceFileA, which keeps what makes the old file what it is (its
// attributes, ACL, creation time, short name).
#include <windows.h>

#include <atomic>
#include <string>

#include "package/file.h"
#include "package/file_platform.h"
#include "support/dynamic_library.h"

namespace orv {

namespace {

// The file functions, each bound on first use; a missing one fails the
// operation that needs it.
BoundFunction<decltype(CreateFileA)> createFile("kernel32.dll", "CreateFileA");
BoundFunction<decltype(ReadFile)> readFile("kernel32.dll", "ReadFile");
BoundFunction<decltype(WriteFile)> writeFile("kernel32.dll", "WriteFile");
BoundFunction<decltype(GetFileSizeEx)> getFileSize("kernel32.dll", "GetFileSizeEx");
BoundFunction<decltype(GetFileType)> getFileType("kernel32.dll", "GetFileType");
BoundFunction<decltype(GetFileAttributesA)> getAttributes("kernel32.dll", "GetFileAttributesA");
BoundFunction<decltype(SetFileAttributesA)> setAttributes("kernel32.dll", "SetFileAttributesA");
BoundFunction<decltype(GetLogicalDrives)> logicalDrives("kernel32.dll", "GetLogicalDrives");
BoundFunction<decltype(CreateDirectoryA)> createDirectory("kernel32.dll", "CreateDirectoryA");
BoundFunction<decltype(GetFileInformationByHandle)> fileInformation("kernel32.dll", "GetFileInformationByHandle");
BoundFunction<decltype(GetFinalPathNameByHandleA)> finalPath("kernel32.dll", "GetFinalPathNameByHandleA");
BoundFunction<decltype(FlushFileBuffers)> flush("kernel32.dll", "FlushFileBuffers");
BoundFunction<decltype(SetFilePointerEx)> setPointer("kernel32.dll", "SetFilePointerEx");
BoundFunction<decltype(SetEndOfFile)> setEnd("kernel32.dll", "SetEndOfFile");
BoundFunction<decltype(ReplaceFileA)> replaceFile("kernel32.dll", "ReplaceFileA");
BoundFunction<decltype(MoveFileExA)> moveFile("kernel32.dll", "MoveFileExA");
BoundFunction<decltype(DeleteFileA)> deleteFile("kernel32.dll", "DeleteFileA");
BoundFunction<decltype(GetFullPathNameA)> fullPath("kernel32.dll", "GetFullPathNameA");

HANDLE native(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// The path as the system receives it, or empty when unusable: nothing
// left after the path rules, a 0 byte that would cut it short, or the
// system's device and raw namespaces ("\\.\", "\\?\", "\??\"), which no
// package file lives in.
std::string systemPath(const ByteString& path) {
    ByteString p = path;
    sanitizePath(p);
    const std::string_view v = p.view();
    if (v.empty() || v.find('\0') != std::string_view::npos) return {};
    if (v.starts_with("\\\\.\\") || v.starts_with("\\\\?\\") || v.starts_with("\\??\\")) return {};
    return std::string(v);
}

// Opens a file as CreateFileA does; only files on disk count (never a
// console, printer port or pipe, whatever the name). Not inherited by
// programs that the editor starts.
HANDLE openHandle(const std::string& path, DWORD access, DWORD disposition, DWORD share = FILE_SHARE_READ) {
    auto* create = createFile.get();
    auto* type = getFileType.get();
    if (!create || !type || path.empty()) return INVALID_HANDLE_VALUE;
    const HANDLE h = create(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE && type(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        return INVALID_HANDLE_VALUE;
    }
    return h;
}

bool sizeOf(HANDLE h, uint64_t& size) {
    LARGE_INTEGER value{};
    auto* get = getFileSize.get();
    const bool ok = get && get(h, &value);
    size = ok ? static_cast<uint64_t>(value.QuadPart) : 0;
    return ok;
}

OVERLAPPED at(uint64_t offset) {
    OVERLAPPED o{};
    o.Offset = static_cast<DWORD>(offset);
    o.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return o;
}

bool writeAll(HANDLE h, const char* bytes, uint64_t count, uint64_t offset, uint64_t& written) {
    written = 0;
    auto* write = writeFile.get();
    while (write && written < count) {
        const uint64_t left = count - written;
        const DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
        OVERLAPPED where = at(offset + written);
        DWORD n = 0;
        if (!write(h, bytes + written, chunk, &n, &where) || n == 0) return false;
        written += n;
    }
    return written == count;
}

constexpr DWORD kNoAttributes = INVALID_FILE_ATTRIBUTES;

DWORD attributesOf(const std::string& path) {
    auto* get = getAttributes.get();
    return get && !path.empty() ? get(path.c_str()) : kNoAttributes;
}

}  // namespace

bool sanitizePath(ByteString& path) { return windowsSafePath(path); }

bool File::open(const ByteString& path, const ByteString& mode) {
    close();
    const std::string p = systemPath(path);
    if (p.empty() || mode.empty()) return false;
    const bool plus = mode.length() > 1 && mode[1] == '+';
    DWORD access = GENERIC_WRITE | (plus ? GENERIC_READ : 0);
    DWORD first = OPEN_EXISTING;
    bool readable = plus;
    switch (mode[0]) {
    case 'r':
        access |= GENERIC_READ;
        if (!plus) access = GENERIC_READ;
        readable = true;
        break;
    case 'w': first = TRUNCATE_EXISTING; break;
    case 'a': break;
    default: return false;
    }
    // Checked first: truncation happens as the file opens.
    const DWORD existing = attributesOf(p);
    if ((access & GENERIC_WRITE) && existing != kNoAttributes && (existing & FILE_ATTRIBUTE_READONLY)) return false;
    HANDLE h = openHandle(p, access, first);
    if (h == INVALID_HANDLE_VALUE && mode[0] != 'r' && GetLastError() == ERROR_FILE_NOT_FOUND)
        h = openHandle(p, access, CREATE_NEW);
    uint64_t size = 0;
    if (h == INVALID_HANDLE_VALUE) return false;
    if (!sizeOf(h, size)) {
        CloseHandle(h);
        return false;
    }
    handle_ = reinterpret_cast<intptr_t>(h);
    readable_ = readable;
    writable_ = mode[0] != 'r' || plus;
    size_ = size;
    position_ = mode[0] == 'a' ? size_ : 0;
    return true;
}

namespace detail {

void closeHandle(intptr_t handle) {
    CloseHandle(native(handle));
}

bool readAt(intptr_t handle, char* bytes, uint32_t count, uint64_t offset, uint32_t& got) {
    got = 0;
    auto* read = readFile.get();
    if (!read) return count == 0;
    while (got < count) {
        OVERLAPPED where = at(offset + got);
        DWORD n = 0;
        if (!read(native(handle), bytes + got, count - got, &n, &where)) return GetLastError() == ERROR_HANDLE_EOF;
        if (n == 0) break;
        got += n;
    }
    return true;
}

bool writeAt(intptr_t handle, const char* bytes, uint64_t count, uint64_t offset, uint64_t& written) {
    return writeAll(native(handle), bytes, count, offset, written);
}

}  // namespace detail

bool File::refreshSize() {
    if (!isOpen()) return false;
    sizeOf(native(handle_), size_);
    return true;
}

namespace {

void ensureTrailing(ByteString& path) {
    if (path.empty() || path[path.length() - 1] != '\\') path.append('\\');
}

bool isDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

bool isFile(const ByteString& path) {
    ByteString p = path;
    sanitizePath(p);
    if (p.length() > 1 && p[p.length() - 1] == '\\') p.setLength(p.length() - 1);
    const DWORD a = attributesOf(systemPath(p));
    return a != kNoAttributes && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool isDirectory(const ByteString& path) {
    ByteString p = path;
    sanitizePath(p);
    ensureTrailing(p);
    const DWORD a = attributesOf(systemPath(p));
    if (a != kNoAttributes) return a & FILE_ATTRIBUTE_DIRECTORY;
    // A drive without a medium in it is still there.
    auto* drives = logicalDrives.get();
    if (p.length() != 3 || !isDriveLetter(p[0]) || p[1] != ':' || !drives) return false;
    const int letter = (p[0] | 0x20) - 'a';
    return (drives() >> letter) & 1;
}

bool createDirectories(const ByteString& path) {
    ByteString p = path;
    sanitizePath(p);
    ensureTrailing(p);
    const ByteStringList components = split(p, '\\');
    auto* create = createDirectory.get();
    for (size_t k = 1; k < components.size() && create; ++k) {
        ByteStringList first(components.begin(), components.begin() + static_cast<std::ptrdiff_t>(k));
        ByteString directory = join(first, "\\");
        sanitizePath(directory);
        ensureTrailing(directory);
        const std::string s = systemPath(directory);
        if (!isDirectory(directory) && !s.empty()) create(s.c_str(), nullptr);  // failures are not reported
    }
    return true;
}

namespace {

// A fresh name beside `target` for the new file of a save.
std::string temporaryName(const std::string& target) {
    static std::atomic<uint32_t> counter{0};
    const size_t slash = target.rfind('\\');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    return folder + "." + name.substr(0, 120) + "." + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(counter++) + "-" + std::to_string(GetTickCount64()) + ".tmp";
}

enum class Saved { Done, Failed, Unsuitable };

// The text in a new file beside `target`, flushed; its name in `temp`.
Saved writeTemporary(const ByteString& text, const std::string& target, std::string& temp) {
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
        temp = temporaryName(target);
        h = openHandle(temp, GENERIC_WRITE, CREATE_NEW, 0);
        if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    if (h == INVALID_HANDLE_VALUE) return Saved::Unsuitable;  // the folder takes no new file
    uint64_t written = 0;
    auto* flushFile = flush.get();
    const bool ok = writeAll(h, text.data(), text.length(), 0, written) && flushFile && flushFile(h);
    CloseHandle(h);
    if (ok) return Saved::Done;
    if (auto* remove = deleteFile.get()) remove(temp.c_str());
    return Saved::Failed;
}

Saved saveAsNewFile(const ByteString& text, const std::string& target) {
    std::string temp;
    const Saved written = writeTemporary(text, target, temp);
    if (written != Saved::Done) return written == Saved::Unsuitable ? Saved::Failed : written;
    auto* move = moveFile.get();
    if (move && move(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return Saved::Done;
    if (auto* remove = deleteFile.get()) remove(temp.c_str());
    return Saved::Failed;
}

// The safe route for an existing file: the new file replaces it and takes
// over its attributes and security; the old one is gone only once the new
// one is in place. Unsuitable when no new file can be made beside it or
// the old one cannot be replaced by one.
Saved saveThroughNewFile(const ByteString& text, const std::string& target, DWORD attributes) {
    std::string temp;
    const Saved written = writeTemporary(text, target, temp);
    if (written != Saved::Done) return written;
    auto* replace = replaceFile.get();
    auto* remove = deleteFile.get();
    auto* move = moveFile.get();
    if (!replace || !remove || !move) return Saved::Failed;
    // The old file steps aside under a name of its own until the new one is
    // in place, so a replacement that fails halfway leaves it to be put
    // back, whatever the system's ReplaceFileA does on the way (Wine's
    // would delete it first).
    const std::string backup = temporaryName(target);
    if (replace(target.c_str(), temp.c_str(), backup.c_str(), 0, nullptr, nullptr)) {
        // Not every implementation carries the attributes over.
        auto* set = setAttributes.get();
        if (attributesOf(target) != attributes && set) set(target.c_str(), attributes);
        remove(backup.c_str());  // gone once its last reader lets go
        return Saved::Done;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) move(backup.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
    remove(temp.c_str());
    return error == ERROR_UNABLE_TO_REMOVE_REPLACED || error == ERROR_ACCESS_DENIED ? Saved::Unsuitable
                                                                                     : Saved::Failed;
}

// The route that keeps the file itself (its links, identity and security).
// Room for a longer text is taken first, so a full disk fails before any
// old byte is overwritten.
Saved saveInPlace(const ByteString& text, HANDLE h, uint64_t oldSize) {
    auto* seek = setPointer.get();
    auto* end = setEnd.get();
    auto* flushFile = flush.get();
    if (!seek || !end || !flushFile) return Saved::Failed;
    LARGE_INTEGER length{};
    length.QuadPart = static_cast<LONGLONG>(text.length());
    if (text.length() > oldSize && !(seek(h, length, nullptr, FILE_BEGIN) && end(h))) return Saved::Failed;
    uint64_t written = 0;
    const bool ok = writeAll(h, text.data(), text.length(), 0, written) && seek(h, length, nullptr, FILE_BEGIN) &&
                    end(h) && flushFile(h);
    return ok ? Saved::Done : Saved::Failed;
}

// The full form of a path (not every implementation of ReplaceFileA takes
// a relative one); empty when the system cannot make one.
std::string absolute(const std::string& path) {
    auto* full = fullPath.get();
    std::string out(MAX_PATH, '\0');
    DWORD n = full ? full(path.c_str(), static_cast<DWORD>(out.size()), out.data(), nullptr) : 0;
    if (n >= out.size()) {
        out.resize(n + 1);
        n = full(path.c_str(), static_cast<DWORD>(out.size()), out.data(), nullptr);
    }
    if (n == 0 || n >= out.size()) return {};
    out.resize(n);
    return out;
}

// The path a link or junction at `path` finally leads to, for an open
// handle to it; the full form of `path` itself when it is a plain file.
std::string finalTarget(HANDLE h, const std::string& path, DWORD attributes) {
    auto* final = finalPath.get();
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT) || !final) return absolute(path);
    std::string out(MAX_PATH, '\0');
    DWORD n = final(h, out.data(), static_cast<DWORD>(out.size()), FILE_NAME_NORMALIZED);
    if (n >= out.size()) {
        out.resize(n + 1);
        n = final(h, out.data(), static_cast<DWORD>(out.size()), FILE_NAME_NORMALIZED);
    }
    if (n == 0 || n >= out.size()) return {};
    out.resize(n);
    // "\\?\C:\..." is the same file as "C:\..."; "\\?\UNC\server\share" as "\\server\share".
    if (out.starts_with("\\\\?\\UNC\\")) return "\\\\" + out.substr(8);
    if (out.starts_with("\\\\?\\")) return out.substr(4);
    return out;
}

}  // namespace

bool saveFile(const ByteString& text, const ByteString& path) {
    const std::string target = systemPath(path);
    if (target.empty() || target.back() == '\\') return false;
    // Opening for writing is the test of whether we may write the file: it
    // answers for ACLs and files in use. A file marked read-only is never
    // overwritten, whatever the system beneath allows (Wine run as root
    // would let it).
    const HANDLE h = openHandle(target, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND && saveAsNewFile(text, target) == Saved::Done;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    uint64_t oldSize = 0;
    auto* information = fileInformation.get();
    Saved result = Saved::Failed;
    if (information && information(h, &info) &&
        !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) && sizeOf(h, oldSize)) {
        // A second link would keep the old bytes if the file were replaced.
        const std::string real = finalTarget(h, target, attributesOf(target));
        if (info.nNumberOfLinks == 1 && !real.empty()) {
            CloseHandle(h);  // the replacement needs the file to itself
            result = saveThroughNewFile(text, real, info.dwFileAttributes);
            if (result != Saved::Unsuitable) return result == Saved::Done;
            const HANDLE again = openHandle(real, GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
            if (again == INVALID_HANDLE_VALUE) return false;
            result = saveInPlace(text, again, oldSize);
            CloseHandle(again);
            return result == Saved::Done;
        }
        result = saveInPlace(text, h, oldSize);
    }
    CloseHandle(h);
    return result == Saved::Done;
}

// Windows' links are followed as the system follows them: saveFile
// refuses none of them.
bool isRefusedLink(const ByteString&) { return false; }

}  // namespace orv
