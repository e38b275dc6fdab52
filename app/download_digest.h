// Digesting a download: its size, SHA-256 and SHA-512 computed as the bytes
// stream past (nothing is kept unless the file is to be signed, which needs
// it whole: then it waits in a private scratch file), and its Ed25519
// signature.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include "app/digest_file.h"
#include "app/download_size.h"
#include "app/hashing.h"

namespace orv {

// A download larger than this is stopped: a server that never ends its
// answer would otherwise run for ever (and fill the disk when signing).
inline constexpr uint64_t kMaxDigestedBytes = 64ull << 30;
inline constexpr uint64_t kSlowestBytes = 1024;

struct DigestOptions {
    DownloadSizeOptions request;  // proxies, certificates, the head's time limit
    // A server silent this long ends the download; so does one that drips,
    // sending less than kSlowestBytes in that time.
    std::chrono::milliseconds idleLimit{30000};
    uint64_t maxBytes = kMaxDigestedBytes;
    const SigningKey* key = nullptr;  // signs the download when set
    // Told the bytes received so far and the total when the server gave
    // it (0 otherwise), as they arrive.
    std::function<void(uint64_t received, uint64_t total)> progress;
};

struct DigestOutcome {
    bool ok = false;
    std::string message;  // when not ok: why, in one or more lines
    DownloadDigest digest;
};

// Downloads `location` (GET, after the size request's redirects, secure
// connections and proxies) and digests it. `digest.digested` is left empty.
DigestOutcome digestDownload(const ByteString& location, const DigestOptions& options);

}  // namespace orv
