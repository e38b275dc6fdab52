#include "package/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <string>

#include "support/numbers.h"

namespace orv {

namespace {

// The path as the system receives it: sanitized, and empty when unusable
// (nothing left, or a 0 byte that would cut it short).
std::string systemPath(const ByteString& path) {
    ByteString p = path;
    sanitizePath(p);
    if (p.empty() || p.view().find('\0') != std::string_view::npos) return {};
    return p.toStdString();
}

int openRetrying(const char* path, int flags, mode_t mode) {
    int fd;
    do {
        fd = ::open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool writeAll(int fd, const char* bytes, uint64_t count, uint64_t offset, uint64_t& written) {
    written = 0;
    while (written < count) {
        const ssize_t n = pwrite(fd, bytes + written, count - written, static_cast<off_t>(offset + written));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        written += static_cast<uint64_t>(n);
    }
    return true;
}

}  // namespace

bool File::open(const ByteString& path, const ByteString& mode) {
    close();
    const std::string p = systemPath(path);
    if (p.empty() || mode.empty()) return false;
    const bool plus = mode.length() > 1 && mode[1] == '+';
    int flags = plus ? O_RDWR : O_WRONLY;
    bool readable = plus, toEnd = false;
    switch (mode[0]) {
    case 'r':
        flags = plus ? O_RDWR : O_RDONLY;
        readable = true;
        break;
    case 'w': flags |= O_CREAT | O_TRUNC; break;
    case 'a':
        flags |= O_CREAT;
        toEnd = true;
        break;
    default: return false;
    }
    // Non-blocking only while opening, so a named pipe cannot hang us.
    const int fd = openRetrying(p.c_str(), flags | O_NONBLOCK, 0666);
    if (fd < 0) return false;
    struct stat st {};
    const int status = fcntl(fd, F_GETFL);
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || status < 0 || fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    readable_ = readable;
    writable_ = mode[0] != 'r' || plus;
    size_ = static_cast<uint64_t>(st.st_size);
    position_ = toEnd ? size_ : 0;
    return true;
}

bool File::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    readable_ = writable_ = false;
    lastWriteComplete_ = true;
    lastReadFailed_ = false;
    position_ = size_ = 0;
    return true;
}

bool File::read(ByteString& target, uint32_t count) {
    if (!isOpen() || !readable_) return false;
    auto left = [this] { return position_ >= size_ ? uint64_t{0} : size_ - position_; };
    if (count > left()) {
        refreshSize();
        if (count > left()) count = static_cast<uint32_t>(left());
    }
    ByteString buffer;
    buffer.setLength(count);
    uint32_t got = 0;
    lastReadFailed_ = false;
    while (got < count) {
        const ssize_t n = pread(fd_, buffer.data() + got, count - got, static_cast<off_t>(position_ + got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) lastReadFailed_ = true;
        if (n <= 0) break;
        got += static_cast<uint32_t>(n);
    }
    buffer.setLength(got);
    target = std::move(buffer);
    position_ += got;
    return true;
}

bool File::write(const ByteString& bytes) {
    if (!isOpen() || !writable_) return false;
    uint64_t written = 0;
    lastWriteComplete_ = writeAll(fd_, bytes.data(), bytes.length(), position_, written);
    position_ += written;
    if (position_ > size_) size_ = position_;
    return true;
}

bool File::seek(int mode, const ByteString& offset) {
    if (!isOpen()) return false;
    const uint64_t by = parseU64(offset);
    switch (mode) {
    case 0: position_ = by; break;
    case 1: position_ = size_ - by; break;
    case 2: position_ += by; break;
    case 3: position_ -= by; break;
    default: break;
    }
    if (position_ > size_) position_ = size_;
    return true;
}

ByteString File::position() const { return textFromU64(position_); }
ByteString File::size() const { return textFromU64(size_); }

bool File::refreshSize() {
    if (!isOpen()) return false;
    struct stat st {};
    size_ = fstat(fd_, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
    return true;
}

bool sanitizePath(ByteString& path) {
    ByteString out;
    out.reserve(path.length());
    for (uint32_t i = 0; i < path.length(); ++i) {
        const char c = path[i];
        if (c != '*' && c != '?' && c != '"' && c != '<' && c != '>' && c != '|') out.append(c);
    }
    path = std::move(out);
    return true;
}

namespace {

bool isDeviceName(const ByteString& component) {
    for (const char* name : {"NUL", "CON", "AUX", "PRN", "CLOCK$"})
        if (component.equalsNoCase(name)) return true;
    if (component.length() != 4 || component[3] < '0' || component[3] > '9') return false;
    return component.compareNoCase(3, 0, "LPT", 0) == 0 || component.compareNoCase(3, 0, "COM", 0) == 0;
}

void ensureTrailing(ByteString& path, char separator) {
    if (path.empty() || path[path.length() - 1] != separator) path.append(separator);
}

}  // namespace

bool sanitizeWindowsPath(ByteString& path) {
    sanitizePath(path);
    path.replaceAll("/", "\\");
    ByteStringList kept;
    // split gives nothing for an empty text, which joins back to empty.
    for (ByteString& component : split(path, '\\'))
        if (!isDeviceName(component)) kept.push_back(std::move(component));
    path = join(kept, "\\");
    return true;
}

bool isFile(const ByteString& path) {
    ByteString p = path;
    sanitizePath(p);
    if (p.length() > 1 && p[p.length() - 1] == '/') p.setLength(p.length() - 1);
    const std::string s = systemPath(p);
    struct stat st {};
    return !s.empty() && stat(s.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool isDirectory(const ByteString& path) {
    ByteString p = path;
    sanitizePath(p);
    ensureTrailing(p, '/');
    const std::string s = systemPath(p);
    struct stat st {};
    return !s.empty() && stat(s.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool createDirectories(const ByteString& path) {
    ByteString p = path;
    sanitizePath(p);
    ensureTrailing(p, '/');
    const ByteStringList components = split(p, '/');
    ByteString prefix;
    for (size_t k = 0; k + 1 < components.size(); ++k) {
        if (k > 0) prefix.append('/');
        prefix.append(components[k]);
        ByteString directory = prefix;
        ensureTrailing(directory, '/');
        if (!isDirectory(directory)) {
            const std::string s = systemPath(directory);
            if (!s.empty()) mkdir(s.c_str(), 0777);  // a failure shows in the final check
        }
    }
    return isDirectory(p);
}

bool loadFile(ByteString& target, const ByteString& path) {
    target = ByteString();
    File file;
    if (!file.open(path, "rb")) return false;
    // A length that does not fit one text must not be cut short silently.
    if (file.sizeValue() > UINT32_MAX) return false;
    ByteString content;
    file.read(content, static_cast<uint32_t>(file.sizeValue()));
    if (file.lastReadFailed()) return false;
    target = std::move(content);
    return true;
}

namespace {

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Follows symbolic links at the end of the path to the name they lead to,
// which need not exist yet. False for a loop or an unreadable link.
bool resolveLinks(std::string& path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        std::string link(PATH_MAX, '\0');
        const ssize_t n = readlink(path.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<size_t>(n) >= link.size()) return false;
        link.resize(static_cast<size_t>(n));
        path = link[0] == '/' ? link : folderOf(path) + link;
    }
    return false;
}

// Creates a new, hidden file beside `target`; its name goes to `temp`.
int createTemporary(const std::string& target, std::string& temp) {
    static std::atomic<uint32_t> counter{0};
    const std::string folder = folderOf(target);
    const std::string base = target.substr(folder.size(), 120);
    for (int attempt = 0; attempt < 100; ++attempt) {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        temp = folder + "." + base + "." + std::to_string(getpid()) + "-" + std::to_string(counter++) + "-" +
               std::to_string(now.tv_nsec) + ".tmp";
        const int fd = openRetrying(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Gives the new file the old one's owner (where we may) and permissions.
bool keepOwnerAndMode(int fd, const struct stat& old) {
    // Only a privileged process may give a file away; otherwise it stays ours.
    if (fchown(fd, old.st_uid, old.st_gid) != 0) {}
    return fchmod(fd, old.st_mode & 07777) == 0;
}

void syncFolder(const std::string& target) {
    const std::string folder = folderOf(target);
    const int fd = openRetrying(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY, 0);
    if (fd < 0) return;
    fsync(fd);  // some file systems cannot; the rename has happened either way
    ::close(fd);
}

}  // namespace

bool saveFile(const ByteString& text, const ByteString& path) {
    std::string target = systemPath(path);
    if (target.empty() || !resolveLinks(target)) return false;
    struct stat old {};
    const bool exists = stat(target.c_str(), &old) == 0;
    if (exists && (!S_ISREG(old.st_mode) || access(target.c_str(), W_OK) != 0)) return false;

    std::string temp;
    const int fd = createTemporary(target, temp);
    if (fd < 0) return false;
    uint64_t written = 0;
    bool ok = (!exists || keepOwnerAndMode(fd, old)) && writeAll(fd, text.data(), text.length(), 0, written) &&
              fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || rename(temp.c_str(), target.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    syncFolder(target);
    return true;
}

}  // namespace orv
