#include "cli/digests.h"

#include "package/file.h"
#include "package/file_lock.h"

namespace orv::cli {

int loadDigests(Context& ctx, const std::string& packagePath, DigestFile& digests, bool& exists) {
    digests.clear();
    exists = false;
    if (packagePath == "-") return kOk;
    const std::string path = digestFilePath(packagePath);
    exists = isFile(ByteString(path));
    if (!exists) return kOk;
    // Refused unread when it is larger than any release history needs, and
    // read without following it past the cap when it grows meanwhile.
    const std::string tooLarge = "larger than " + std::to_string(kMaxDigestFileBytes >> 20) + " MiB, so not a digest file";
    if (fileIdentity(ByteString(path)).size > kMaxDigestFileBytes)
        return ctx.fail(kFileError, quotedName(path), "cannot read", tooLarge);
    ByteString text;
    std::string reason;
    if (!readWhole(path, text, 0, reason)) return ctx.fail(kFileError, quotedName(path), "cannot read", reason);
    if (text.length() > kMaxDigestFileBytes) return ctx.fail(kFileError, quotedName(path), "cannot read", tooLarge);
    std::string error;
    if (!digestsFromJson(text.view(), digests, error))
        return ctx.fail(kFileError, quotedName(path), "cannot read", "not a digest file: " + safeText(error));
    return kOk;
}

}  // namespace orv::cli
