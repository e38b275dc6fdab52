// What the command-line program asks the network, through the editor's
// own download-size exchange.
#pragma once

#include "app/package_check.h"

namespace orv::cli {

OnlineProbes onlineProbes();

// The environment's proxies and certificates with the 30-second limit,
// read once.
const DownloadSizeOptions& processOptions();

// A download's size as a program that must not guess takes it: a
// Content-Length that is not one number, or lines that disagree, fail
// with an "Error:  " line saying so; the size then has no leading zeros.
DownloadSizeResult strictDownloadSize(const ByteString& location, const DownloadSizeOptions& options);

// The same size request, asked once per location however often it is called.
std::function<DownloadSizeResult(const ByteString&)> rememberingSizes(
    std::function<DownloadSizeResult(const ByteString&)> downloadSize);

}  // namespace orv::cli
