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

// What a file dialog is asked to show. Open accepts only an existing file;
// Save asks the platform's own question before replacing one.
enum class FileDialogKind { Open, Save };
struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    ByteString title;            // empty: the system's caption
    FileFilterList filters;      // in display order
    uint32_t filterIndex = 0;    // selected when it opens; clamped to the filters
    ByteString initialDirectory;  // empty: the system's choice
    ByteString initialFileName;
};
// The Open or "Save As" dialog of the main window: both package filters,
// the first selected.
FileDialogRequest packageFileRequest(FileDialogKind kind, const ByteString& title);
// The pattern of the filter configured before showing ("*.*" without one).
ByteString configuredPattern(const FileDialogRequest& request);

// The filter text of the Windows file dialogs: for each filter its
// description, " (", the pattern, ")", a NUL, the pattern, a NUL; "All
// Files (*.*)" for none; one more NUL at the end.
ByteString windowsFilterText(const FileFilterList& filters);

}  // namespace orv
