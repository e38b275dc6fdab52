#include "cli/digests.h"

#include <cerrno>
#include <cstring>

#include "package/file.h"

namespace orv::cli {

int loadDigests(const std::string& packagePath, DigestFile& digests, bool& exists) {
    digests.clear();
    exists = packagePath != "-" && isFile(ByteString(digestFilePath(packagePath)));
    if (!exists) return kOk;
    const std::string path = digestFilePath(packagePath);
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
