// The process-wide program environment: the program's own path, its
// arguments, its environment variables, the special folders and the crash
// handler. Initialised once at start-up, destroyed at exit.
#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "crash/crash_handler.h"
#include "crash/known_folders.h"
#include "support/byte_string.h"

namespace orv {

struct ProgramEnvironment {
    std::mutex lock;  // guards the lazy filling of the special folders
    ByteString programPath;
    ByteStringList arguments;    // the program's path first, then the arguments
    ByteStringList environment;  // "NAME=value" entries in the order of the block
    std::map<ByteString, uint32_t> environmentIndex;  // upper-cased name -> entry
    bool foldersFilled = false;
    SpecialFolderTable folders;
    std::unique_ptr<CrashReportHandler> crashHandler;
    bool crashReporterInstalled = false;
};

// Reads "NAME=value" entries from a null-terminated block (envp) into the
// list and the index. A name repeated later in the block does not replace
// the earlier entry in the index.
void readEnvironment(ProgramEnvironment& env, char** block);

// The same from a Windows environment block: "NAME=value" entries, each
// ended by a zero byte, the block by another.
void readEnvironmentBlock(ProgramEnvironment& env, const char* block);

// The value of a variable, the name compared without regard to case; empty
// when it is not set.
ByteString environmentValue(const ProgramEnvironment& env, const ByteString& name);

// One special folder; the table is filled on first use, under the lock,
// from the environment that `env` captured.
ByteString specialFolder(ProgramEnvironment& env, SpecialFolder which);

// The special folders of the running system, looked up with the
// environment that `env` captured.
SpecialFolderTable systemSpecialFolders(const ProgramEnvironment& env);

// The user's temporary folder, without a trailing separator: TMPDIR when
// set, else /tmp; on Windows TMP, TEMP, USERPROFILE or the Windows folder,
// the first that is set.
ByteString temporaryFolder(const ProgramEnvironment& env);

// Creates the program's crash handler, registers it and installs the
// crash-reporting library with the subject and destination. The handler's
// private folders come from the captured XDG_STATE_HOME, HOME and TMPDIR
// (on Windows the temporary folder). False when the library or its Install
// call is missing; the program then runs on without.
bool installCrashReporter(ProgramEnvironment& env);

// Start-up: fills the process-wide environment (the running program's path,
// argv after its first entry, envp, or the process environment when envp
// is null; on Windows the arguments split from the command line and the
// process's environment block, whatever is passed) and installs the crash
// reporter. False when it was already initialised.
bool initProgramEnvironment(int argc, char** argv, char** envp);

// The process-wide environment.
ProgramEnvironment& programEnvironment();

}  // namespace orv
