// LockFileEx on the file itself. Windows' byte-range locks are binding on
// every other handle, so the lock covers one byte far past any end of
// file: it keeps other lockers out without keeping readers and the save
// from the file's bytes. The handle lets others read, write and replace
// the file (the holder's own save must), and the system releases the
// lock when the process ends, however it ends.
#include <windows.h>

#include <algorithm>
#include <thread>

#include "package/file.h"
#include "package/file_lock.h"
#include "support/dynamic_library.h"
#include "support/system_error.h"

namespace orv {

namespace {

BoundFunction<decltype(CreateFileA)> createFile("kernel32.dll", "CreateFileA");
BoundFunction<decltype(GetFileType)> getFileType("kernel32.dll", "GetFileType");
BoundFunction<decltype(GetFileInformationByHandle)> fileInformation("kernel32.dll", "GetFileInformationByHandle");
BoundFunction<decltype(LockFileEx)> lockFile("kernel32.dll", "LockFileEx");

constexpr DWORD kDirectoryNotSupported = 336;  // ERROR_DIRECTORY_NOT_SUPPORTED
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;  // byte 2^63 - 2^32: no file reaches it

// The path as the file layer gives it to the system.
std::string systemName(const ByteString& path) {
    ByteString p = path;
    sanitizePath(p);
    return std::string(p.view().substr(0, p.view().find('\0')));
}

// Opens the file at `path` for `access`, or INVALID_HANDLE_VALUE with the
// system's error; a folder or device is kDirectoryNotSupported or
// ERROR_BAD_FILE_TYPE.
HANDLE openFile(const std::string& name, DWORD access, BY_HANDLE_FILE_INFORMATION& info) {
    auto* create = createFile.get();
    auto* type = getFileType.get();
    auto* information = fileInformation.get();
    if (!create || !type || !information) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (name.empty() || name.starts_with("\\\\.\\") || name.starts_with("\\\\?\\")) {
        SetLastError(ERROR_BAD_FILE_TYPE);
        return INVALID_HANDLE_VALUE;
    }
    // Folders open too (FILE_FLAG_BACKUP_SEMANTICS), so they can be told apart.
    const HANDLE h = create(name.c_str(), access, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return h;
    DWORD problem = 0;
    if (type(h) != FILE_TYPE_DISK) problem = ERROR_BAD_FILE_TYPE;
    else if (!information(h, &info)) problem = GetLastError();
    else if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) problem = kDirectoryNotSupported;
    if (problem == 0) return h;
    CloseHandle(h);
    SetLastError(problem);
    return INVALID_HANDLE_VALUE;
}

FileIdentity identityOf(const BY_HANDLE_FILE_INFORMATION& i) {
    FileIdentity id;
    id.exists = true;
    id.device = i.dwVolumeSerialNumber;
    id.inode = uint64_t{i.nFileIndexHigh} << 32 | i.nFileIndexLow;
    id.size = uint64_t{i.nFileSizeHigh} << 32 | i.nFileSizeLow;
    id.modified = static_cast<int64_t>(uint64_t{i.ftLastWriteTime.dwHighDateTime} << 32 | i.ftLastWriteTime.dwLowDateTime);
    return id;
}

bool sameFile(const FileIdentity& a, const FileIdentity& b) { return a.device == b.device && a.inode == b.inode; }

bool missing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

}  // namespace

FileIdentity fileIdentity(const ByteString& path) {
    BY_HANDLE_FILE_INFORMATION info{};
    const HANDLE h = openFile(systemName(path), FILE_READ_ATTRIBUTES, info);
    if (h == INVALID_HANDLE_VALUE) return {};
    CloseHandle(h);
    return identityOf(info);
}

LockResult FileLock::lock(const ByteString& path, std::chrono::milliseconds wait) {
    unlock();
    reason_.clear();
    const auto deadline = std::chrono::steady_clock::now() + wait;
    auto pause = std::chrono::milliseconds(2);
    const std::string name = systemName(path);
    // Some systems' ReplaceFileA leaves the name empty for a moment while a
    // save swaps the files (Wine's does): a file seen during this wait is
    // looked for a little longer before it counts as gone.
    bool seen = false;
    int grace = 25;
    for (;;) {
        BY_HANDLE_FILE_INFORMATION info{};
        const HANDLE h = openFile(name, GENERIC_READ, info);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (missing(error) && seen && grace-- > 0 && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                continue;
            }
            if (missing(error)) return LockResult::Missing;
            reason_ = error == kDirectoryNotSupported ? ByteString("Is a folder")
                      : error == ERROR_BAD_FILE_TYPE  ? ByteString("not a regular file")
                                                      : systemErrorText(error);
            return LockResult::Failed;
        }
        seen = true;
        auto* lockRange = lockFile.get();
        OVERLAPPED where{};
        where.OffsetHigh = kLockOffsetHigh;
        const bool locked =
            lockRange && lockRange(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where);
        const DWORD error = locked ? 0 : (lockRange ? GetLastError() : ERROR_PROC_NOT_FOUND);
        if (!locked && error != ERROR_LOCK_VIOLATION && error != ERROR_IO_PENDING) {
            reason_ = systemErrorText(error);
            CloseHandle(h);
            return LockResult::Failed;
        }
        if (locked) {
            // A save that finished while we waited put a new file in place:
            // the lock on the old one protects nothing.
            const FileIdentity held = identityOf(info);
            const FileIdentity named = fileIdentity(path);
            if (named.exists && sameFile(held, named)) {
                handle_ = reinterpret_cast<intptr_t>(h);
                identity_ = held;
                return LockResult::Locked;
            }
            CloseHandle(h);
            continue;  // lock the file that is there now (or find it gone)
        }
        CloseHandle(h);
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return LockResult::Busy;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

void FileLock::unlock() {
    if (handle_ == kNone) return;
    CloseHandle(reinterpret_cast<HANDLE>(handle_));  // closing the handle releases the lock
    handle_ = kNone;
    identity_ = {};
}

}  // namespace orv
