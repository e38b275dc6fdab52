// The Open and Save file dialogs of the main window, over QFileDialog.
// Tests answer them through a hook instead of a real dialog.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "app/file_names.h"
#include "support/byte_string.h"

class QWidget;

namespace orv {

enum class FileDialogKind { Open, Save };

// What a file dialog is about to ask; handed to the test hook.
struct FileDialogRequest {
    FileDialogKind kind;
    QString title;
    QStringList nameFilters;   // as the dialog shows them
    int filterIndex;           // the one selected when it opens
    QString initialDirectory;
    QString initialFileName;
};

// Returns the chosen path, or an empty text for Cancel.
using FileDialogHook = std::function<QString(const FileDialogRequest&)>;

// Installs a hook in place of the real dialogs (an empty hook restores them).
void setFileDialogHook(FileDialogHook hook);

// A modal file dialog. show() gives the chosen file name, or the empty text
// when the user cancelled. The Open variant accepts only existing files;
// the Save variant asks before it replaces a file and adds the default
// extension of the configured filter to a name typed without one.
class FileDialog {
public:
    void setOwner(QWidget* owner) { owner_ = owner; }
    void setTitle(const ByteString& title) { title_ = title; }
    // The index is clamped to the number of filters.
    void setFilters(const FileFilterList& filters, uint32_t filterIndex);
    void setInitialDirectory(const ByteString& dir) { initialDirectory_ = dir; }
    void setInitialFileName(const ByteString& name) { initialFileName_ = name; }

    ByteString show() const;

protected:
    explicit FileDialog(FileDialogKind kind) : kind_(kind) {}

private:
    FileDialogRequest request() const;
    ByteString configuredPattern() const;

    FileDialogKind kind_;
    QWidget* owner_ = nullptr;
    FileFilterList filters_;
    uint32_t filterIndex_ = 0;
    ByteString initialDirectory_;
    ByteString initialFileName_;
    ByteString title_;
};

class OpenFileDialog : public FileDialog {
public:
    OpenFileDialog() : FileDialog(FileDialogKind::Open) {}
};

class SaveFileDialog : public FileDialog {
public:
    SaveFileDialog() : FileDialog(FileDialogKind::Save) {}
};

}  // namespace orv
