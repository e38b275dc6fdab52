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

// The lookups of the running process (POSIX).
FolderSources systemFolderSources();

// What the Windows folder lookup consults; tests supply their own.
struct WindowsFolderSources {
    // The shell's special-folder service by CSIDL number; empty when it
    // has no answer (or the shell cannot be loaded).
    std::function<ByteString(int csidl)> shellFolder;
    // A text value of HKEY_CURRENT_USER (user) or HKEY_LOCAL_MACHINE,
    // environment references expanded; empty when absent.
    std::function<ByteString(bool user, const char* key, const char* value)> registryText;
    ByteString windowsDirectory;  // from the system, never empty
    ByteString systemDirectory;
};

// Resolves every special folder on Windows, in table order: each from the
// shell service, else from the registry ("User Shell Folders", then "Shell
// Folders" for the user's folders, "CurrentVersion" for the program
// folders), and as a last resort "Program Files" and "Program Files\Common
// Files" on the Windows drive; the user's folders stay empty.
SpecialFolderTable resolveWindowsFolders(const WindowsFolderSources& sources);

// The value of NAME="..." in the text of an XDG user-dirs.dirs file, with
// "$HOME" expanded; empty when the file does not name it.
ByteString userDirsEntry(const ByteString& userDirs, const char* name, const ByteString& home);

}  // namespace orv
