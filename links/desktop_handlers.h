// Finding the desktop's default application for a URL scheme: the
// mimeapps.list files and desktop entries of the XDG base directories. The
// link openers' handler look-up on freedesktop.org desktops (Linux and
// the other POSIX systems).
#pragma once

#include <functional>

#include "support/byte_string.h"

namespace orv {

// Reads an environment variable; null when unset.
using EnvReader = std::function<const char*(const char*)>;

// The files consulted, most important first.
struct XdgSearchPaths {
    ByteStringList mimeappsLists;    // full paths of the mimeapps.list files
    ByteStringList applicationDirs;  // folders that hold desktop entries
};

// The search paths from XDG_CONFIG_HOME, XDG_CONFIG_DIRS, XDG_DATA_HOME,
// XDG_DATA_DIRS, XDG_CURRENT_DESKTOP and HOME, with their usual defaults.
// Relative folders are ignored. Each folder is searched for the desktop's
// own "<desktop>-mimeapps.list" before "mimeapps.list".
XdgSearchPaths xdgSearchPaths(const EnvReader& env);

// The desktop file ids a mimeapps.list text gives for `mimeType` in one of
// its groups ("Default Applications", "Added Associations", ...), in order.
ByteStringList associatedApplications(const ByteString& listText, const ByteString& group,
                                      const ByteString& mimeType);

// The Exec value (unescaped) of a desktop entry text's [Desktop Entry]
// group. False when there is none or the entry is hidden (deleted), which
// `hidden` tells apart when given.
bool desktopEntryExec(const ByteString& entryText, ByteString& exec, bool* hidden = nullptr);

// The Exec words of the default handler of `mimeType`, or false when none
// is installed or the first one installed is unusable (no Exec line, or
// one that splitExecLine refuses): xdg-open then decides. Hidden entries
// count as not installed. Reads the files through `readFile` (the whole
// file, false when it cannot be read).
using FileReader = std::function<bool(const ByteString& path, ByteString& content)>;
bool findHandlerCommand(const XdgSearchPaths& paths, const ByteString& mimeType, const FileReader& readFile,
                        ByteStringList& command);

// Reads a whole file (close-on-exec, regular files up to 1 MiB only).
bool readSmallFile(const ByteString& path, ByteString& content);

// findHandlerCommand over the search paths of `env`, read afresh on every
// look-up, so a handler the user has just chosen counts.
std::function<bool(const ByteString& handlerType, ByteStringList& command)> desktopHandlerFinder(EnvReader env,
                                                                                                  FileReader readFile);

}  // namespace orv
