#include "cli/digests.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "package/file.h"

namespace orv::cli {

int loadDigests(const std::string& packagePath, DigestFile& digests, bool& exists) {
    digests.clear();
    exists = false;
    if (packagePath == "-") return kOk;
    const std::string path = digestFilePath(packagePath);
    // The side file's name is the program's choice, not the user's: a link
    // someone else planted there (in a shared folder) is not followed, as the
    // system itself refuses in shared temporary folders.
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode) && link.st_uid != ::geteuid())
        return complain(kFileError, cli::quoted(path) + " is a symbolic link of another user; it is not followed");
    exists = isFile(ByteString(path));
    if (!exists) return kOk;
    File file;
    ByteString text;
    if (!file.open(ByteString(path), "rb") || !file.refreshSize())
        return complain(kFileError, "cannot open " + cli::quoted(path) + ": " + std::strerror(errno));
    if (file.sizeValue() > kMaxDigestFileBytes)
        return complain(kFileError, cli::quoted(path) + " is larger than " + std::to_string(kMaxDigestFileBytes >> 20) +
                                        " MiB; it is not a digest file");
    if (!file.read(text, static_cast<uint32_t>(file.sizeValue())) || file.lastReadFailed())
        return complain(kFileError, "cannot read " + cli::quoted(path));
    std::string error;
    if (!digestsFromJson(text.view(), digests, error))
        return complain(kFileError, cli::quoted(path) + " is not a digest file: " + safeText(error));
    return kOk;
}

}  // namespace orv::cli
