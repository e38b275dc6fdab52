#include "package/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <string>
#include <vector>

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
    // Bytes the read overwrites are not filled first, and a count that
    // memory cannot hold reads nothing and reports the failure.
    ByteString buffer;
    lastReadFailed_ = !buffer.tryResizeForOverwrite(count);
    if (lastReadFailed_) count = 0;
    uint32_t got = 0;
    char* bytes = buffer.data();
    while (got < count) {
        const ssize_t n = pread(fd_, bytes + got, count - got, static_cast<off_t>(position_ + got));
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

void ensureTrailing(ByteString& path, char separator) {
    if (path.empty() || path[path.length() - 1] != separator) path.append(separator);
}

}  // namespace

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
            if (!s.empty()) mkdir(s.c_str(), 0777);  // failures are not reported
        }
    }
    return true;
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
int createTemporary(const std::string& target, std::string& temp, mode_t mode) {
    static std::atomic<uint32_t> counter{0};
    const std::string folder = folderOf(target);
    const std::string base = target.substr(folder.size(), 120);
    for (int attempt = 0; attempt < 100; ++attempt) {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        temp = folder + "." + base + "." + std::to_string(getpid()) + "-" + std::to_string(counter++) + "-" +
               std::to_string(now.tv_nsec) + ".tmp";
        const int fd = openRetrying(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// The names of a file's extended attributes (POSIX ACLs are two of them).
bool attributeNames(int fd, std::vector<std::string>& names) {
    names.clear();
    std::string list;
    for (;;) {
        const ssize_t size = flistxattr(fd, nullptr, 0);
        if (size < 0) return errno == ENOTSUP;
        list.resize(static_cast<size_t>(size));
        const ssize_t got = flistxattr(fd, list.data(), list.size());
        if (got >= 0) {
            list.resize(static_cast<size_t>(got));
            break;
        }
        if (errno != ERANGE) return false;  // the list grew meanwhile: ask again
    }
    for (size_t at = 0; at < list.size();) {
        const size_t end = list.find('\0', at);
        names.push_back(list.substr(at, end - at));
        at = end == std::string::npos ? list.size() : end + 1;
    }
    return true;
}

bool copyAttribute(int from, int to, const std::string& name) {
    std::string value;
    for (;;) {
        const ssize_t size = fgetxattr(from, name.c_str(), nullptr, 0);
        if (size < 0) return errno == ENODATA;  // removed meanwhile
        value.resize(static_cast<size_t>(size));
        const ssize_t got = fgetxattr(from, name.c_str(), value.data(), value.size());
        if (got >= 0) {
            value.resize(static_cast<size_t>(got));
            break;
        }
        if (errno != ERANGE) return false;
    }
    return fsetxattr(to, name.c_str(), value.data(), value.size(), 0) == 0;
}

// Gives the new file everything that makes the old one what it is: owner,
// group, permission bits and every extended attribute, dropping those the
// new one got on its own (a folder's default ACL). False when any of it
// cannot be given, as when someone else owns the old file.
bool keepIdentity(int oldFd, int fd, const struct stat& old) {
    struct stat now {};
    if (fstat(fd, &now) != 0) return false;
    if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) && fchown(fd, old.st_uid, old.st_gid) != 0)
        return false;
    if (fchmod(fd, old.st_mode & 07777) != 0) return false;
    std::vector<std::string> oldNames, newNames;
    if (!attributeNames(oldFd, oldNames) || !attributeNames(fd, newNames)) return false;
    for (const std::string& name : newNames)
        if (std::find(oldNames.begin(), oldNames.end(), name) == oldNames.end() &&
            fremovexattr(fd, name.c_str()) != 0)
            return false;
    for (const std::string& name : oldNames)
        if (!copyAttribute(oldFd, fd, name)) return false;
    return true;
}

void syncFolder(const std::string& target) {
    const std::string folder = folderOf(target);
    const int fd = openRetrying(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY, 0);
    if (fd < 0) return;
    fsync(fd);  // some file systems cannot; the rename has happened either way
    ::close(fd);
}

enum class Saved { Done, Failed, Unsuitable };

// The safe route: a new file beside the target, flushed, then renamed over
// it. Unsuitable, with nothing left behind, when the new file cannot be
// made or cannot keep the old one's identity.
Saved saveThroughNewFile(const ByteString& text, const std::string& target, int oldFd, const struct stat* old) {
    // A new file gets the mode that the umask and the folder's default ACL
    // give; a replacement starts private and then takes the old file's.
    std::string temp;
    const int fd = createTemporary(target, temp, old ? 0600 : 0666);
    if (fd < 0) return Saved::Unsuitable;
    const bool kept = !old || keepIdentity(oldFd, fd, *old);
    uint64_t written = 0;
    const bool ok = kept && writeAll(fd, text.data(), text.length(), 0, written) && fsync(fd) == 0;
    if (::close(fd) != 0 || !ok || rename(temp.c_str(), target.c_str()) != 0) {
        unlink(temp.c_str());
        return kept ? Saved::Failed : Saved::Unsuitable;
    }
    syncFolder(target);
    return Saved::Done;
}

// The route that keeps the file itself: its inode, links, owner and
// attributes. Room for a longer text is taken first, so a full disk fails
// before any old byte is overwritten.
Saved saveInPlace(const ByteString& text, int fd, uint64_t oldSize) {
    const uint64_t length = text.length();
    if (length > oldSize && fallocate(fd, 0, 0, static_cast<off_t>(length)) != 0 && errno != EOPNOTSUPP)
        return Saved::Failed;
    uint64_t written = 0;
    const bool ok = writeAll(fd, text.data(), length, 0, written) && ftruncate(fd, static_cast<off_t>(length)) == 0 &&
                    fsync(fd) == 0;
    return ok ? Saved::Done : Saved::Failed;
}

}  // namespace

bool saveFile(const ByteString& text, const ByteString& path) {
    std::string target = systemPath(path);
    if (target.empty() || !resolveLinks(target)) return false;
    // Opening for writing is the test of whether we may write the file: it
    // answers for ACLs and every other rule the system has.
    const int fd = openRetrying(target.c_str(), O_WRONLY | O_NONBLOCK, 0);
    if (fd < 0) {
        struct stat st {};
        if (errno != ENOENT || lstat(target.c_str(), &st) == 0) return false;  // there, but not ours to write
        return saveThroughNewFile(text, target, -1, nullptr) == Saved::Done;
    }
    struct stat old {};
    Saved result = Saved::Failed;
    if (fstat(fd, &old) == 0 && S_ISREG(old.st_mode)) {
        // A second link would keep the old bytes if the file were replaced.
        if (old.st_nlink == 1) result = saveThroughNewFile(text, target, fd, &old);
        if (result == Saved::Unsuitable || old.st_nlink != 1) result = saveInPlace(text, fd, old.st_size);
    }
    ::close(fd);
    return result == Saved::Done;
}

}  // namespace orv
