// Keeping writers of one package file out of each other's way.
//
// FileLock is an exclusive advisory lock on the file a path names, held
// for a whole read-change-write. Saving replaces the file by renaming a new
// one over it, so a waiter that finally gets the lock may hold it on the
// file that was just replaced; lock() notices that and locks the new file
// instead, so the lock in effect follows the path across saves. Only
// writers that take the lock are kept out: the command-line program and
// the editor's Save both do.
//
// FileIdentity tells whether the file at a path is still the one that was
// read: saving elsewhere gives it a new identity, and so does rewriting it
// in place.
#pragma once

#include <chrono>
#include <cstdint>

#include "support/byte_string.h"

namespace orv {

struct FileIdentity {
    bool exists = false;
    uint64_t device = 0;
    uint64_t inode = 0;  // the file index where the system has no inodes
    uint64_t size = 0;
    int64_t modified = 0;  // last write, in the system's finest unit
    bool operator==(const FileIdentity&) const = default;
};

// The identity of the regular file at `path` now (exists false when there
// is none, it cannot be looked at, or it is a folder or a device).
FileIdentity fileIdentity(const ByteString& path);

// Whether the file at a path is no longer the one read earlier: another one
// took its place, or it was rewritten, grown or shrunk. A file that was not
// there when read, or is gone now, has not changed: writing it overwrites
// nobody's work.
bool changedSince(const FileIdentity& whenRead, const FileIdentity& now);

enum class LockResult {
    Locked,   // the lock is held
    Missing,  // there is no file to lock: nothing to protect
    Busy,     // another writer held it for the whole wait
    Failed,   // the file could not be opened or locked (see reason())
};

class FileLock {
public:
    FileLock() = default;
    ~FileLock() { unlock(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock on the file at `path`, waiting up to `wait` while
    // another writer holds it. A lock held already is given up first.
    LockResult lock(const ByteString& path, std::chrono::milliseconds wait);
    // Gives the lock up; nothing when none is held.
    void unlock();
    bool held() const { return handle_ != kNone; }
    // The locked file's identity, taken once the lock was held.
    const FileIdentity& identity() const { return identity_; }
    // Why the last lock() failed, in the system's words.
    const ByteString& reason() const { return reason_; }

private:
    static constexpr intptr_t kNone = -1;
    intptr_t handle_ = kNone;  // the platform's handle of the open file
    FileIdentity identity_;
    ByteString reason_;
};

}  // namespace orv
