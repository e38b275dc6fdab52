// flock() on the file itself: held per open file, so it works on a file
// opened for reading only, and released by the kernel when the process
// ends, however it ends.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <thread>

#include "package/file_lock.h"

namespace orv {

namespace {

FileIdentity identityOf(const struct stat& st) {
    FileIdentity id;
    id.exists = true;
    id.device = static_cast<uint64_t>(st.st_dev);
    id.inode = static_cast<uint64_t>(st.st_ino);
    id.size = static_cast<uint64_t>(st.st_size);
    id.modified = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return id;
}

bool sameFile(const FileIdentity& a, const FileIdentity& b) { return a.device == b.device && a.inode == b.inode; }

}  // namespace

FileIdentity fileIdentity(const ByteString& path) {
    struct stat st {};
    if (::stat(std::string(path.view()).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    return identityOf(st);
}

LockResult FileLock::lock(const ByteString& path, std::chrono::milliseconds wait) {
    unlock();
    reason_.clear();
    const auto deadline = std::chrono::steady_clock::now() + wait;
    auto pause = std::chrono::milliseconds(2);
    const std::string name(path.view());
    for (;;) {
        // Not blocking on a FIFO planted under the name; only a regular
        // file is locked.
        const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (fd < 0) {
            if (errno == ENOENT) return LockResult::Missing;
            reason_ = std::strerror(errno);
            return LockResult::Failed;
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            reason_ = S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : "not a regular file";
            ::close(fd);
            return LockResult::Failed;
        }
        int rc;
        do rc = ::flock(fd, LOCK_EX | LOCK_NB);
        while (rc != 0 && errno == EINTR);
        if (rc != 0 && errno != EWOULDBLOCK) {
            reason_ = std::strerror(errno);
            ::close(fd);
            return LockResult::Failed;
        }
        if (rc == 0) {
            // A save that finished while we waited put a new file in place:
            // the lock on the old one protects nothing.
            ::fstat(fd, &st);
            const FileIdentity locked = identityOf(st);
            const FileIdentity named = fileIdentity(path);
            if (named.exists && sameFile(locked, named)) {
                handle_ = fd;
                identity_ = locked;
                return LockResult::Locked;
            }
            ::close(fd);
            if (!named.exists) return LockResult::Missing;
            continue;  // lock the file that is there now
        }
        ::close(fd);
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return LockResult::Busy;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

void FileLock::unlock() {
    if (handle_ == kNone) return;
    ::close(static_cast<int>(handle_));  // closing the last descriptor releases the lock
    handle_ = kNone;
    identity_ = {};
}

}  // namespace orv
