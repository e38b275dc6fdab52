// Starting a program detached from the editor, without a shell.
#pragma once

#include <functional>

#include "support/byte_string.h"

namespace orv {

// The full path of `program`: itself when it holds a slash, else the first
// executable file of that name in the folders of PATH (default
// "/usr/local/bin:/usr/bin:/bin"). Empty when there is none.
ByteString resolveProgram(const ByteString& program);

// Starts the first of the candidate argvs whose program can be executed,
// argv[0] being the program. The child runs in its own session with its
// standard input on /dev/null, inherits no other open files of ours than
// standard output and error, and is reaped at once (it is the grandchild
// of this process), so it never lingers as a zombie. True when one of the
// candidates was executed.
bool launchDetached(const std::vector<ByteStringList>& candidates);

// The launcher that the link openers use; tests may put their own in place
// (an empty function restores the real one).
using Launcher = std::function<bool(const std::vector<ByteStringList>& candidates)>;
void setLauncher(Launcher launcher);
bool launch(const std::vector<ByteStringList>& candidates);

}  // namespace orv
