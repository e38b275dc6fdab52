// The POSIX side of `digest`: the terminal, a key's permissions, and
// sharing a new side file like its package.
#include <sys/stat.h>
#include <unistd.h>

#include "cli/digests.h"

namespace orv::cli {

bool standardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

bool readableByOthers(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && (st.st_mode & 077) != 0;
}

void shareLike(const std::string& path, const std::string& model) {
    struct stat st {};
    if (::stat(model.c_str(), &st) != 0) return;
    if (::chown(path.c_str(), static_cast<uid_t>(-1), st.st_gid) != 0) {
        // not a member of that group: the folder's or our own stays
    }
    ::chmod(path.c_str(), st.st_mode & 0666);
}

}  // namespace orv::cli
