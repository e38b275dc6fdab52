// File-name rules of the Open and Save commands that need no window: the
// package file filters, their form for the file dialog, and the default
// extension that Save adds to a name typed without one.
#pragma once

#include <cstdint>
#include <vector>

#include "support/byte_string.h"

namespace orv {

// A description and a pattern; the pattern may hold several patterns
// separated by ";" ("*.dat;*.bak").
struct FileFilter {
    ByteString description;
    ByteString pattern;
};

using FileFilterList = std::vector<FileFilter>;

// The filters that Open and Save share: "Update Data File" (*.dat), then
// "All Files" (*.*).
FileFilterList packageFileFilters();

// The filter index clamped to the number of filters.
uint32_t clampFilterIndex(uint32_t index, const FileFilterList& filters);

// One filter as a file dialog shows it: "Update Data File (*.dat)". A
// pattern "*.*" means every file, so it becomes "*" (on POSIX file systems
// many names have no dot); several patterns are separated by blanks.
ByteString dialogNameFilter(const FileFilter& filter);

// The extension that the filter's first pattern gives, without its dot:
// "dat" for "*.dat;*.bak", empty when it holds a wildcard ("*.*") or no dot.
ByteString defaultExtension(const ByteString& pattern);

// Save's default-extension step: when the last path component of `name`
// (after the last "/" or "\") holds no ".", appends "." and the default
// extension of `pattern`, if there is one. Empty names stay empty.
ByteString withDefaultExtension(const ByteString& name, const ByteString& pattern);

}  // namespace orv
