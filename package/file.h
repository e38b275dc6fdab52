// File access: a file object with fopen-style modes and 64-bit position
// bookkeeping, whole-file loading and saving, and path services.
//
// Every path passes sanitizePath before it reaches the system. Handles are
// opened close-on-exec, so browsers and mail clients that the program
// starts never inherit them. All operations report success as true.
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
    bool isOpen() const { return fd_ >= 0; }
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

    // Moves the position by a decimal offset text (optional sign, digits):
    // mode 0 to the offset, 1 to size minus offset, 2 forward by it, 3 back
    // by it; other modes leave it. The arithmetic is unsigned 64-bit and a
    // result beyond the size is cut to the size, so moving back past the
    // start lands at the end. Fails only when the file is closed.
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
    int fd_ = -1;
    bool readable_ = false;
    bool writable_ = false;
    bool lastWriteComplete_ = true;
    bool lastReadFailed_ = false;
    uint64_t position_ = 0;
    uint64_t size_ = 0;
};

// Removes the characters * ? " < > | from a path in place; always true. The
// separator is "/", and a backslash is an ordinary character.
bool sanitizePath(ByteString& path);

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
// one replaced. Fails, leaving the target untouched and no stray file
// behind, when the target exists but may not be written by us or is not a
// regular file, when the folder is missing or not writable, or when any
// write, flush or rename fails (a full disk included).
bool saveFile(const ByteString& text, const ByteString& path);

}  // namespace orv
