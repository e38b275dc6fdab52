// Starting a program detached from the editor, without a shell. Each
// platform's backend (launch_posix.cpp, ...) implements this header.
#pragma once

#include <functional>
#include <vector>

#include "support/byte_string.h"

namespace orv {

// The full path of `program`: itself when it holds a slash, else the first
// executable file of that name in the folders of PATH (default
// "/usr/local/bin:/usr/bin:/bin"). Empty when there is none.
ByteString resolveProgram(const ByteString& program);

// Starts the first of the candidate argvs whose program can be executed,
// argv[0] being the program; an argument ends at its first 0 byte. On
// POSIX the child is started with posix_spawn in a session of its own, with its
// standard input on /dev/null, no other open files of ours than standard
// output and error, default signal handling and an empty signal mask. A
// thread of ours waits for it to end, so it never lingers as a zombie.
// True when one of the candidates was executed.
bool launchDetached(const std::vector<ByteStringList>& candidates);

// What the link openers start programs with: launchDetached, or a stand-in.
using Launcher = std::function<bool(const std::vector<ByteStringList>& candidates)>;

}  // namespace orv
