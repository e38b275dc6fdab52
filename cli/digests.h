// The digest file beside a package, as the commands read it.
#pragma once

#include <string>

#include "app/digest_file.h"
#include "cli/cli.h"

namespace orv::cli {

// Reads the digest file of `packagePath` into `digests` (left empty when
// there is none, or for standard input). kOk, or kFileError with a message
// printed for a file that cannot be read, is too large, is not a digest
// file, or is a symbolic link of another user: nothing is ever built on, or
// written through, a file that was not understood.
int loadDigests(const std::string& packagePath, DigestFile& digests, bool& exists);

}  // namespace orv::cli
