// File access on a POSIX system: descriptors, and a save that works
// relative to an open folder, so no name can be swapped between a check and
// the write that relies on it.
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

#include "package/file.h"
#include "package/file_platform.h"

namespace orv {

namespace {

// The path as the system receives it, or empty when unusable (nothing
// there, or a 0 byte that would cut it short).
std::string systemPath(const ByteString& path) {
    ByteString p = path;
    sanitizePath(p);
    if (p.empty() || p.view().find('\0') != std::string_view::npos) return {};
    return p.toStdString();
}

int openAtRetrying(int folder, const char* path, int flags, mode_t mode) {
    int fd;
    do {
        fd = ::openat(folder, path, flags | O_CLOEXEC | O_NOCTTY, mode);
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

bool sanitizePath(ByteString&) { return true; }

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
    const int fd = openAtRetrying(AT_FDCWD, p.c_str(), flags | O_NONBLOCK, 0666);
    if (fd < 0) return false;
    struct stat st {};
    const int status = fcntl(fd, F_GETFL);
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || status < 0 || fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return false;
    }
    handle_ = fd;
    readable_ = readable;
    writable_ = mode[0] != 'r' || plus;
    size_ = static_cast<uint64_t>(st.st_size);
    position_ = toEnd ? size_ : 0;
    return true;
}

namespace detail {

void closeHandle(intptr_t handle) {
    ::close(static_cast<int>(handle));
}

bool readAt(intptr_t handle, char* bytes, uint32_t count, uint64_t offset, uint32_t& got) {
    got = 0;
    while (got < count) {
        const ssize_t n = pread(static_cast<int>(handle), bytes + got, count - got, static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        got += static_cast<uint32_t>(n);
    }
    return true;
}

bool writeAt(intptr_t handle, const char* bytes, uint64_t count, uint64_t offset, uint64_t& written) {
    return writeAll(static_cast<int>(handle), bytes, count, offset, written);
}

}  // namespace detail

bool File::refreshSize() {
    if (!isOpen()) return false;
    struct stat st {};
    size_ = fstat(static_cast<int>(handle_), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
    return true;
}

namespace {

void ensureTrailing(ByteString& path, char separator) {
    if (path.empty() || path[path.length() - 1] != separator) path.append(separator);
}

}  // namespace

bool isFile(const ByteString& path) {
    ByteString p = path;
    if (p.length() > 1 && p[p.length() - 1] == '/') p.setLength(p.length() - 1);
    const std::string s = systemPath(p);
    struct stat st {};
    return !s.empty() && stat(s.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool isDirectory(const ByteString& path) {
    ByteString p = path;
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

namespace {

// An open folder and a name in it: where a save writes.
class Place {
public:
    Place() = default;
    Place(const Place&) = delete;
    Place& operator=(const Place&) = delete;
    ~Place() { reset(-1); }

    // `path` taken relative to the open folder `from` (which may be this
    // place's own) or the current folder: its folder is opened in place of
    // the one held, its last part kept as the name. False for a path that
    // names no entry (empty, or ending in "/").
    bool open(int from, const std::string& path) {
        const size_t slash = path.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
        name = slash == std::string::npos ? path : path.substr(slash + 1);
        if (name.empty()) return false;
        // A folder the user may write in but not list still takes a save;
        // it only cannot be flushed.
        int fd = openAtRetrying(from, folder.c_str(), O_RDONLY | O_DIRECTORY, 0);
        if (fd < 0 && errno == EACCES) fd = openAtRetrying(from, folder.c_str(), O_PATH | O_DIRECTORY, 0);
        reset(fd);
        return fd >= 0;
    }
    int folder() const { return folder_; }

    std::string name;

private:
    void reset(int fd) {
        if (folder_ >= 0) ::close(folder_);
        folder_ = fd;
    }
    int folder_ = -1;
};

// The kernel's rule for links in shared folders: in a folder that is
// sticky and writable by all, only a link that the user or the folder's
// owner made is followed; elsewhere every link is. Applied here whatever
// the system is set to, since the save reads links itself.
bool mayFollow(int folder, const struct stat& link) {
    struct stat dir {};
    if (fstat(folder, &dir) != 0) return false;
    const bool shared = (dir.st_mode & (S_ISVTX | S_IWOTH)) == (S_ISVTX | S_IWOTH);
    return !shared || link.st_uid == geteuid() || link.st_uid == dir.st_uid;
}

enum class Entry { Missing, Link, Other, Failed };

// What `place` names, without following a link. For a link, its target
// is read from the very entry whose owner is judged, so the two cannot
// belong to different links.
Entry examine(const Place& place, std::string& target, bool& allowed) {
    const int fd = openAtRetrying(place.folder(), place.name.c_str(), O_PATH | O_NOFOLLOW, 0);
    if (fd < 0) return errno == ENOENT ? Entry::Missing : Entry::Failed;
    struct stat st {};
    Entry kind = fstat(fd, &st) != 0 ? Entry::Failed : S_ISLNK(st.st_mode) ? Entry::Link : Entry::Other;
    if (kind == Entry::Link) {
        allowed = mayFollow(place.folder(), st);
        target.assign(PATH_MAX, '\0');
        const ssize_t n = readlinkat(fd, "", target.data(), target.size());
        if (n <= 0 || static_cast<size_t>(n) >= target.size()) kind = Entry::Failed;
        else target.resize(static_cast<size_t>(n));
    }
    ::close(fd);
    return kind;
}

// A hidden name beside `base` for a new file that does not exist yet.
std::string temporaryName(const std::string& base) {
    static std::atomic<uint32_t> counter{0};
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return "." + base.substr(0, 120) + "." + std::to_string(getpid()) + "-" + std::to_string(counter++) + "-" +
           std::to_string(now.tv_nsec) + ".tmp";
}

// A new file in the place's folder: nameless where the file system allows
// (so a crash leaves nothing behind) and `temp` then empty, else under a
// fresh hidden name kept in `temp`.
int createTemporary(const Place& place, bool nameless, std::string& temp, mode_t mode) {
    temp.clear();
    if (nameless) return openAtRetrying(place.folder(), ".", O_TMPFILE | O_WRONLY, mode);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = temporaryName(place.name);
        const int fd = openAtRetrying(place.folder(), temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Gives a nameless file a hidden name in the place's folder.
bool nameTemporary(const Place& place, int fd, std::string& temp) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = temporaryName(place.name);
        if (linkat(AT_FDCWD, self.c_str(), place.folder(), temp.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
        if (errno != EEXIST) break;
    }
    temp.clear();
    return false;
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

enum class Saved { Done, Failed, Unsuitable };

// The safe route: a new file beside the target, flushed, then renamed over
// it (a rename replaces whatever entry is there, a link included, and never
// writes through one). Unsuitable, with nothing left behind, when the new
// file cannot be made or cannot keep the old one's identity.
Saved saveThroughNewFile(const ByteString& text, const Place& place, int oldFd, const struct stat* old) {
    // A new file gets the mode that the umask and the folder's default ACL
    // give; a replacement starts private and then takes the old file's.
    const mode_t mode = old ? 0600 : 0666;
    for (const bool nameless : {true, false}) {
        std::string temp;
        const int fd = createTemporary(place, nameless, temp, mode);
        if (fd < 0) {
            if (nameless) continue;  // not on this file system
            return Saved::Unsuitable;
        }
        const bool kept = !old || keepIdentity(oldFd, fd, *old);
        uint64_t written = 0;
        const bool flushed = kept && writeAll(fd, text.data(), text.length(), 0, written) && fsync(fd) == 0;
        const bool named = flushed && (!nameless || nameTemporary(place, fd, temp));
        const bool closed = ::close(fd) == 0;
        if (nameless && flushed && !named && closed) continue;  // no way to name it here
        if (!named || !closed || renameat(place.folder(), temp.c_str(), place.folder(), place.name.c_str()) != 0) {
            if (!temp.empty()) unlinkat(place.folder(), temp.c_str(), 0);
            return kept ? Saved::Failed : Saved::Unsuitable;
        }
        fsync(place.folder());  // some file systems cannot; the rename has happened either way
        return Saved::Done;
    }
    return Saved::Unsuitable;
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

constexpr int kMaxLinks = 40;  // as many as the kernel follows in one path

enum class Final { Missing, Other, Failed, Refused };

// Follows the links at the end of the path one at a time, each judged in
// its own folder and its target taken relative to that folder; the place
// ends at the entry a save writes.
Final followLinks(Place& place) {
    for (int links = 0;; ++links) {
        std::string next;
        bool allowed = false;
        switch (examine(place, next, allowed)) {
        case Entry::Missing: return Final::Missing;
        case Entry::Other: return Final::Other;
        case Entry::Failed: return Final::Failed;
        case Entry::Link: break;
        }
        if (!allowed) return Final::Refused;
        if (links == kMaxLinks || !place.open(place.folder(), next)) return Final::Failed;
    }
}

bool saveAt(const ByteString& text, const Place& place) {
    // Opening for writing is the test of whether we may write the file: it
    // answers for ACLs and every other rule the system has. A link swapped
    // in since it was looked at makes the open fail.
    const int fd = openAtRetrying(place.folder(), place.name.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW, 0);
    if (fd < 0) return false;
    struct stat old {};
    Saved result = Saved::Failed;
    if (fstat(fd, &old) == 0 && S_ISREG(old.st_mode)) {
        // A second link would keep the old bytes if the file were replaced.
        if (old.st_nlink == 1) result = saveThroughNewFile(text, place, fd, &old);
        if (result == Saved::Unsuitable || old.st_nlink != 1) result = saveInPlace(text, fd, old.st_size);
    }
    ::close(fd);
    return result == Saved::Done;
}

}  // namespace

bool saveFile(const ByteString& text, const ByteString& path) {
    const std::string target = systemPath(path);
    Place place;
    if (target.empty() || !place.open(AT_FDCWD, target)) return false;
    switch (followLinks(place)) {
    case Final::Missing: return saveThroughNewFile(text, place, -1, nullptr) == Saved::Done;
    case Final::Other: return saveAt(text, place);
    case Final::Failed:
    case Final::Refused: break;
    }
    return false;
}

bool isRefusedLink(const ByteString& path) {
    const std::string target = systemPath(path);
    Place place;
    return !target.empty() && place.open(AT_FDCWD, target) && followLinks(place) == Final::Refused;
}

}  // namespace orv
