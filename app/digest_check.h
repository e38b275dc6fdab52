// The online check's comparison with a package's digest file: a download
// whose size, ETag or Last-Modified no longer match what was recorded has
// changed since its digest, so its hashes and signature are stale.
#pragma once

#include <functional>
#include <vector>

#include "app/digest_file.h"
#include "app/package_check.h"

namespace orv {

// One finding (ChangedSinceDigest, on the version's location) for each
// version whose location the digest file holds and whose size request,
// through `downloadSize`, answers otherwise. Failed requests are left to
// the online check, which reports them.
std::vector<Finding> checkAgainstDigests(const Package& p, const DigestFile& digests,
                                         const std::function<DownloadSizeResult(const ByteString&)>& downloadSize);

}  // namespace orv
