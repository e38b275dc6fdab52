// The "Determine Automatically..." exchange of the Version dialog: one
// HTTP HEAD request for a download location, reading its Content-Length.
#pragma once

#include <chrono>

#include "support/byte_string.h"

namespace orv {

struct DownloadSizeResult {
    bool ok = false;
    ByteString size;     // the Content-Length value, trimmed, when ok
    ByteString message;  // when not ok: the complete text of the "Error" box
};

struct DownloadSizeOptions {
    // The whole request, name look-up included, ends within this time; a
    // server that drips its answer ends with the socket layer's time-out
    // text (WSAETIMEDOUT).
    std::chrono::milliseconds timeLimit{30000};
};

// Runs the whole exchange for a location text, synchronously. On failure
// `message` is the complete text of the "Error" message box (its first line
// followed by the client's and the socket layer's texts).
DownloadSizeResult determineDownloadSize(const ByteString& location, const DownloadSizeOptions& options);
DownloadSizeResult determineDownloadSize(const ByteString& location);

}  // namespace orv
