// What `check --online` asks the network, through the editor's own
// download-size exchange.
#pragma once

#include "app/package_check.h"

namespace orv::cli {

OnlineProbes onlineProbes();

}  // namespace orv::cli
