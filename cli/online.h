// What `check --online` asks the network, through the editor's own
// download-size exchange.
#pragma once

#include "app/package_check.h"

namespace orv::cli {

OnlineProbes onlineProbes();

// The same size request, asked once per location however often it is called.
std::function<DownloadSizeResult(const ByteString&)> rememberingSizes(
    std::function<DownloadSizeResult(const ByteString&)> downloadSize);

}  // namespace orv::cli
