// What Save does about other writers of the file it replaces. It takes the
// package lock while it writes, so it never interleaves with a
// command-line run; and when the file it loaded has changed on disk since
// (a release pipeline added a version, say), it asks before overwriting,
// since writing then would drop the other writer's work. Neither is asked
// of a file the user picks in "Save As", where the platform's own
// overwrite question applies.
#pragma once

#include <chrono>

#include "app/editing.h"
#include "package/file_lock.h"
#include "support/byte_string.h"

namespace orv {

// The file the window's package came from, as it was when read.
struct LoadedFile {
    ByteString name;
    FileIdentity identity;
};

// How long Save waits for another writer to finish.
inline constexpr std::chrono::milliseconds kSaveLockWait{10000};

// Whether Save must ask before writing `target`, whose identity is `now`:
// it is the loaded file, and that file changed since it was read.
bool asksBeforeOverwriting(const LoadedFile& loaded, const ByteString& target, const FileIdentity& now);

// The question: Yes overwrites, No leaves the file alone and offers "Save As".
Question changedOnDiskQuestion();
// The message when another writer held the file for the whole wait.
ByteString busyMessage(const ByteString& name);

}  // namespace orv
