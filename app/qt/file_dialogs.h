// The Open and Save file dialogs of the main window, over QFileDialog.
// The dialog itself is a function handed in, so tests can answer it.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "app/file_names.h"
#include "support/byte_string.h"

class QWidget;

namespace orv {

enum class FileDialogKind { Open, Save };

// What a file dialog is about to ask.
struct FileDialogRequest {
    FileDialogKind kind;
    QString title;
    QStringList nameFilters;   // as the dialog shows them
    int filterIndex;           // the one selected when it opens
    QString initialDirectory;
    QString initialFileName;
    QString defaultSuffix;     // Save: what a name typed without extension gets
};

// Runs a file dialog; the chosen path, or an empty text for Cancel.
using FileChooser = std::function<QString(QWidget* owner, const FileDialogRequest&)>;

// The real dialog: Qt's own, which shows hidden files; Open accepts only
// existing files, Save asks before it replaces one.
QString runFileDialog(QWidget* owner, const FileDialogRequest& request);

// A modal file dialog. show() gives the chosen file name, or the empty text
// when the user cancelled. The Save variant adds the default extension of
// the configured filter to a name typed without one.
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
    FileDialog(FileDialogKind kind, FileChooser choose) : kind_(kind), choose_(std::move(choose)) {}

private:
    FileDialogRequest request() const;
    ByteString configuredPattern() const;

    FileDialogKind kind_;
    FileChooser choose_;
    QWidget* owner_ = nullptr;
    FileFilterList filters_;
    uint32_t filterIndex_ = 0;
    ByteString initialDirectory_;
    ByteString initialFileName_;
    ByteString title_;
};

class OpenFileDialog : public FileDialog {
public:
    explicit OpenFileDialog(FileChooser choose = runFileDialog) : FileDialog(FileDialogKind::Open, std::move(choose)) {}
};

class SaveFileDialog : public FileDialog {
public:
    explicit SaveFileDialog(FileChooser choose = runFileDialog) : FileDialog(FileDialogKind::Save, std::move(choose)) {}
};

}  // namespace orv
