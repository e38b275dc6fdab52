// The commands of orvantis-cli, each a thin layer of printing over the
// editor's own rules in app/. Each returns the process's exit status.
#pragma once

#include "cli/cli.h"

namespace orv::cli {

int runShow(const Options& o, Context& ctx);
int runExport(const Options& o, Context& ctx);
int runImport(const Options& o, Context& ctx);
int runAddVersion(const Options& o, Context& ctx);
int runCheck(const Options& o, Context& ctx);
int runSize(const Options& o, Context& ctx);
int runNotes(const Options& o, Context& ctx);
int runEligible(const Options& o, Context& ctx);
int runDigest(const Options& o, Context& ctx);
int runFeed(const Options& o, Context& ctx);

}  // namespace orv::cli
