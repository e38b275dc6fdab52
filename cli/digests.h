// The digest file beside a package, as the commands read it, and what
// `digest` asks of the system around it (platform backend).
#pragma once

#include <string>

#include "app/digest_file.h"
#include "cli/cli.h"

namespace orv::cli {

// Reads the digest file of `packagePath` into `digests` (left empty when
// there is none, or for standard input). kOk, or kFileError reported for a
// file that cannot be read, is larger than kMaxDigestFileBytes or is not a
// digest file: nothing is ever built on, or written over, a file that was
// not understood.
int loadDigests(Context& ctx, const std::string& packagePath, DigestFile& digests, bool& exists);

// ---- Platform backend -------------------------------------------------------

// Whether standard error is a terminal (for a progress line).
bool standardErrorIsTerminal();
// Whether users other than the owner may read the file.
bool readableByOthers(const std::string& path);
// Gives a file that was just made the group (where we may) and permission
// bits of `model`, so that it is shared as the file it belongs to is.
void shareLike(const std::string& path, const std::string& model);

}  // namespace orv::cli
