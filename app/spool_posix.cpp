#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "app/spool.h"

namespace orv {

namespace {

// $TMPDIR when it names a folder by an absolute path, else /tmp.
std::string temporaryFolder() {
    const char* dir = std::getenv("TMPDIR");
    struct stat st {};
    if (dir && dir[0] == '/' && ::stat(dir, &st) == 0 && S_ISDIR(st.st_mode)) return dir;
    return "/tmp";
}

}  // namespace

Spool::~Spool() { close(); }

bool Spool::open(std::string& error) {
    close();
    const std::string folder = temporaryFolder();
    fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_EXCL | O_CLOEXEC, 0600);
    if (fd_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // No unnamed files on this file system: a fresh name, removed at once.
        std::string name = folder + "/orvantis-spool-XXXXXX";
        fd_ = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd_ >= 0) ::unlink(name.c_str());
    }
    if (fd_ < 0) error = "cannot make a scratch file in " + folder + ": " + std::strerror(errno);
    return fd_ >= 0;
}

bool Spool::write(std::string_view bytes, std::string& error) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = std::string("cannot write the scratch file: ") + std::strerror(n < 0 ? errno : ENOSPC);
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
        size_ += static_cast<size_t>(n);
    }
    return true;
}

bool Spool::map(std::string_view& content, std::string& error) {
    content = {};
    if (size_ == 0) return true;
    if (!mapped_) {
        void* m = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd_, 0);
        if (m == MAP_FAILED) {
            error = std::string("cannot map the scratch file: ") + std::strerror(errno);
            return false;
        }
        mapped_ = m;
    }
    content = std::string_view(static_cast<const char*>(mapped_), size_);
    return true;
}

void Spool::close() {
    if (mapped_) ::munmap(mapped_, size_);
    if (fd_ >= 0) ::close(fd_);
    mapped_ = nullptr;
    fd_ = -1;
    size_ = 0;
}

}  // namespace orv
