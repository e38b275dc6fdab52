// File access: a file object with fopen-style modes and 64-bit position
// bookkeeping, whole-file loading and saving, and path services.
//
// This header is the same on every platform; each system's backend
// (file_posix.cpp, file_windows.cpp) supplies the calls that touch the
// system. Every path passes sanitizePath before it reaches the system.
// Handles are never inherited, so browsers and mail clients that the
// program starts do not get them. On Windows only files on disk are opened
// (never a console, port or pipe, whatever the name says, and never a path
// in the "\\.\" or "\\?\" namespaces), a file marked read-only is
// never opened for writing, and an open file may be read but not written
// by other programs. All operations report success as true.
#pragma once

#include <cstdint>

#include "support/byte_string.h"

namespace orv {

class File {
public:
    File() = default;
    ~File() { close(); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens `path` (sanitized on a copy) with a mode chosen by its first
    // character and whether the second is "+"; further characters such as
    // "b" are ignored:
    //   r  read an existing file          r+ read and write an existing file
    //   w  write, truncated or created    w+ read and write, truncated or created
    //   a  write from the end, the file created if missing
    //   a+ read and write, starting at the end, created if missing
    // Closes the file first if it is open. Fails, leaving the file closed,
    // for an empty path, an unknown mode, a directory or a system failure.
    bool open(const ByteString& path, const ByteString& mode);
    bool close();  // always true
    bool isOpen() const { return handle_ != kClosed; }
    bool readable() const { return readable_; }
    bool writable() const { return writable_; }

    // Reads up to `count` bytes at the position into `target`, which ends
    // up holding what arrived; a count beyond the end is cut to what is
    // left. Fails only when the file is closed or not readable; a system
    // error, or a count that memory cannot hold, shows in lastReadFailed.
    bool read(ByteString& target, uint32_t count);
    // Writes all of `bytes` at the position, which advances by what the
    // system wrote; the size grows with it. Fails only when the file is
    // closed or not writable: a short write is not reported here (see
    // lastWriteComplete).
    bool write(const ByteString& bytes);
    // Whether the last write put down every byte, and the last read met no
    // system error.
    bool lastWriteComplete() const { return lastWriteComplete_; }
    bool lastReadFailed() const { return lastReadFailed_; }

    // Moves the position. The offset is decimal text (a sign is allowed and
    // read as the stream reader reads numbers); the mode says what it counts
    // from: 0 the start, 1 back from the end, 2 onward from here, 3 back from
    // here, anything else leaves the position alone. The sum wraps like any
    // unsigned 64-bit sum and is then held to the size, so a step back past
    // the start wraps round and ends up at the end of the file, never before
    // it. Fails only when the file is closed.
    bool seek(int mode, const ByteString& offset);
    // The position and the size (as last learnt or grown by writes), as
    // unsigned decimal text.
    ByteString position() const;
    ByteString size() const;
    uint64_t positionValue() const { return position_; }
    uint64_t sizeValue() const { return size_; }
    // Reads the size from the system again (0 if that fails). Fails only
    // when the file is closed.
    bool refreshSize();

private:
    // The system's descriptor or handle; kClosed (what both an invalid
    // descriptor and an invalid handle are) when there is none.
    static constexpr intptr_t kClosed = -1;
    intptr_t handle_ = kClosed;
    bool readable_ = false;
    bool writable_ = false;
    bool lastWriteComplete_ = true;
    bool lastReadFailed_ = false;
    uint64_t position_ = 0;
    uint64_t size_ = 0;
};

// Turns a path into the name the system is given; always true. A POSIX
// system takes any byte but 0 in a name, so there the path stays exactly as
// given: "a?b.dat" is its own file, never "ab.dat". Windows gives some names
// a meaning of their own, so its backend rewrites them (windowsSafePath).
bool sanitizePath(ByteString& path);

// The Windows form of a path, rewritten in place; always true. Windows
// reads * ? " < > | as wildcards and redirections, so they go; "/" becomes
// "\"; and a folder or file named like a device (NUL, CON, AUX, PRN,
// CLOCK$, COM0-COM9, LPT0-LPT9, in any letter case, compared as a whole:
// "con.txt" and "COM10" are ordinary) is dropped from the path, so the
// path never opens a device. Empty parts stay, so "\\server\share" and
// trailing separators survive.
bool windowsSafePath(ByteString& path);

// Whether the path names an existing entry that is not a directory (one
// trailing "/" is ignored).
bool isFile(const ByteString& path);
// Whether the path names an existing directory; the empty path is the root.
bool isDirectory(const ByteString& path);
// Creates every missing directory along the path, shortest first. Always
// true: whether a directory could be made shows in isDirectory.
bool createDirectories(const ByteString& path);

// Reads a whole file into `target`. A missing or unreadable file, a
// directory, a read error, a file too large for one text (4 GiB or more) or
// for the memory there is gives false and an empty target; an empty file
// gives true and an empty target.
bool loadFile(ByteString& target, const ByteString& path);
// Replaces the file's content with `text` without ever losing the old one:
// the text goes to a new file in the same folder, which is flushed to disk
// and then renamed over the target. An existing file keeps its permission
// bits; a symbolic link keeps pointing at the file it names, which is the
// one replaced. A link that someone else planted in a shared folder (sticky
// and writable by all, like /tmp) is not followed unless its owner is the
// user or the folder's owner, whatever the system's own protection says.
// Fails, leaving the target untouched and no stray file behind, when the
// target exists but may not be written by us or is not a regular file, when
// the folder is missing or not writable, when a link may not be followed,
// or when any write, flush or rename fails (a full disk included).
// On Windows the new file takes the old one's place with ReplaceFileA,
// keeping its attributes, ACL, creation time and short name; a file with
// a second hard link is written in place; a file marked read-only or in
// use by another program is refused.
bool saveFile(const ByteString& text, const ByteString& path);
// Whether saveFile refuses the path for a link at its end that it may not
// follow, so that a caller can say why before doing any work.
bool isRefusedLink(const ByteString& path);

}  // namespace orv
