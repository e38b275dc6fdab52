// The table of special folders: where the system, the user's data and
// documents and installed programs live.
#pragma once

#include <array>
#include <functional>

#include "support/byte_string.h"

namespace orv {

enum class SpecialFolder : uint32_t {
    windowsDirectory,  // the system's root folder
    systemDirectory,   // the system's programs
    appData,           // the user's application data
    personal,          // the user's documents
    programFiles,      // installed programs
    commonFiles,       // files shared by installed programs
};
inline constexpr uint32_t kSpecialFolderCount = 6;

using SpecialFolderTable = std::array<ByteString, kSpecialFolderCount>;

// What the folder lookup may consult; tests supply their own.
struct FolderSources {
    // Value of an environment variable, empty when unset.
    std::function<ByteString(const char* name)> environment;
    // Whether a folder exists.
    std::function<bool(const ByteString& path)> isDirectory;
    // Content of a file, empty when it cannot be read.
    std::function<ByteString(const ByteString& path)> readFile;
};

// Resolves every special folder, in table order. Each one is taken from the
// user's XDG settings when they name it, otherwise from the usual place
// when that exists, and as a last resort from a fixed folder beneath the
// root; the user's folders are empty when there is no home folder at all.
SpecialFolderTable resolveSpecialFolders(const FolderSources& sources);

// The lookups of the running process.
FolderSources systemFolderSources();

// The value of NAME="..." in the text of an XDG user-dirs.dirs file, with
// "$HOME" expanded; empty when the file does not name it.
ByteString userDirsEntry(const ByteString& userDirs, const char* name, const ByteString& home);

}  // namespace orv
