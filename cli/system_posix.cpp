// The POSIX side of the command-line program: why files fail, in the
// system's words, and reading standard input.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/cli.h"
#include "package/file.h"

namespace orv::cli {

void prepareStandardStreams() {}

std::string readFailure(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::strerror(errno);
    struct stat st {};
    const bool ok = ::fstat(fd, &st) == 0;
    ::close(fd);
    if (ok && S_ISDIR(st.st_mode)) return std::strerror(EISDIR);
    if (ok && !S_ISREG(st.st_mode)) return "not a regular file";
    if (ok && st.st_size >= static_cast<off_t>(ByteString::npos)) return "too large (4 GiB or more)";
    return "the file could not be read whole (too large for the memory there is?)";
}

std::string writeObstacle(const std::string& path) {
    if (isRefusedLink(ByteString(path)))
        return "a link another user made in a shared folder, which is not followed";
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) return std::strerror(errno);
    if (!S_ISDIR(st.st_mode)) return std::strerror(ENOTDIR);
    // The save writes a new file in the folder and renames it over the old.
    if (::access(folder.c_str(), W_OK | X_OK) != 0) return std::strerror(errno);
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return std::strerror(EISDIR);
        if (!S_ISREG(st.st_mode)) return "not a regular file";
        if (::access(path.c_str(), W_OK) != 0) return std::strerror(errno);
    }
    return "";
}

std::string writeFailure(const std::string& path) {
    const int saved = errno;
    const std::string obstacle = writeObstacle(path);
    if (!obstacle.empty()) return obstacle;
    return saved ? std::strerror(saved) : "the system refused the write";
}

bool readWhole(const std::string& path, ByteString& content, uint32_t spare, std::string& reason) {
    content.clear();
    const bool standardInput = path == "-";
    const int fd = standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        reason = std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (!standardInput && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        reason = S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : "not a regular file";
        ::close(fd);
        return false;
    }
    if (!standardInput && static_cast<uint64_t>(st.st_size) + spare < ByteString::npos)
        content.reserve(static_cast<uint32_t>(st.st_size) + spare);  // read in place, no copy on growing
    char buf[1 << 16];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            reason = std::strerror(errno);
            ok = false;
            break;
        }
        if (content.length() + static_cast<uint64_t>(n) + spare >= ByteString::npos) {
            reason = "too large (4 GiB or more)";
            ok = false;
            break;
        }
        content.append(buf, static_cast<uint32_t>(n));
    }
    if (!standardInput) ::close(fd);
    return ok;
}

}  // namespace orv::cli
