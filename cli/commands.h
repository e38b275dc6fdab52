// The commands of orvantis-cli, each a thin layer of printing over the
// editor's own rules in app/. Each reads its options from the context and
// returns the process's exit status.
#pragma once

#include "cli/cli.h"

namespace orv::cli {

int runShow(Context& ctx);
int runExport(Context& ctx);
int runImport(Context& ctx);
int runAddVersion(Context& ctx);
int runCheck(Context& ctx);
int runSize(Context& ctx);
int runNotes(Context& ctx);
int runEligible(Context& ctx);
int runVersions(Context& ctx);
int runDigest(Context& ctx);
int runFeed(Context& ctx);

}  // namespace orv::cli
