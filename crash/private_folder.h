// The folders where crash-time files are written, shared by the program and
// its crash-reporting library. Only the user may be able to change them:
// otherwise another user could plant a link or a file there and have a
// crash overwrite something of the user's or read the report. Everything
// here except privateFolders is async-signal-safe.
#pragma once

#include "crash/safe_text.h"

#ifndef _WIN32
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace orv {

inline constexpr size_t kPathCapacity = 4096;
using PathText = SafeText<kPathCapacity>;

// The file name part of a path (after the last "/", or on Windows "\\").
inline const char* fileNameOf(const char* path) {
    const char* name = path;
    for (const char* p = path; p && *p; ++p) {
#ifdef _WIN32
        if (*p == '\\') name = p + 1;
#endif
        if (*p == '/') name = p + 1;
    }
    return name;
}

// The crash folders of a program: `state` is "<XDG_STATE_HOME>/<name>" (or
// "<HOME>/.local/state/<name>"; empty when neither is an absolute path),
// `fallback` is "<TMPDIR or /tmp>/<name>-<uid>". Null arguments count as
// unset.
struct PrivateFolders {
    PathText state;
    PathText fallback;
};

inline PrivateFolders privateFolders(const char* stateHome, const char* home, const char* temporary,
                                     const char* programName, unsigned uid) {
    PrivateFolders f;
    const char* name = programName && *programName ? programName : "program";
    if (stateHome && stateHome[0] == '/') f.state.add(stateHome);
    else if (home && home[0] == '/') f.state.add(home).add("/.local/state");
    if (f.state.length) f.state.add('/').add(name);
    f.fallback.add(temporary && temporary[0] == '/' ? temporary : "/tmp").add('/').add(name).add('-').number(uid);
    return f;
}

#ifndef _WIN32  // Windows keeps its crash files in the user's own temporary folder

// Opens the folder `name` inside `parent` (AT_FDCWD: relative to the working
// folder), creating it with mode 0700 when it is missing. Refused (-1) when
// it is a symbolic link, not a folder, another user's, or writable by group
// or others.
inline int openPrivateFolderAt(int parent, const char* name) {
    if (mkdirat(parent, name, 0700) != 0 && errno != EEXIST) return -1;
    const int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    if (fstat(fd, &st) != 0 || st.st_uid != geteuid() || (st.st_mode & 022) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// The same for an absolute path; missing parents are created with 0700
// first. The last component is the one checked: the parents of both kinds
// of folder are the user's own or the sticky temporary folder.
inline int openPrivateFolder(const char* path) {
    if (!path || path[0] != '/') return -1;
    PathText partial;
    for (const char* p = path; *p; ++p) {
        if (*p == '/' && partial.length > 0) mkdir(partial.text, 0700);  // failures show below
        partial.add(*p);
    }
    return openPrivateFolderAt(AT_FDCWD, path);
}

// Creates a new file for writing in `folder`, mode 0600: never an existing
// file and never through a link.
inline int createPrivateFile(int folder, const char* name) {
    return openat(folder, name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

// Writes all of `n` bytes, retrying after interruptions; false on failure.
inline bool writeAll(int fd, const char* bytes, size_t n) {
    while (n > 0) {
        const ssize_t done = write(fd, bytes, n);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;
        bytes += done;
        n -= static_cast<size_t>(done);
    }
    return true;
}

#endif

}  // namespace orv
