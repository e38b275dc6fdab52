#include "app/qt/file_dialogs.h"

#include <QDir>
#include <QFileDialog>

#include "dialogs/qt/gui_text.h"
#include "package/file.h"

namespace orv {

QString runFileDialog(QWidget* owner, const FileDialogRequest& r) {
    QFileDialog dialog(owner, r.title, r.initialDirectory);
    dialog.setObjectName(r.kind == FileDialogKind::Open ? QStringLiteral("openFileDialog")
                                                        : QStringLiteral("saveFileDialog"));
    // Qt's own dialog: the same on every desktop, and it can show hidden files.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFilter(dialog.filter() | QDir::Hidden);
    dialog.setNameFilters(r.nameFilters);
    if (r.filterIndex < r.nameFilters.size()) dialog.selectNameFilter(r.nameFilters[r.filterIndex]);
    if (r.kind == FileDialogKind::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // Lets the overwrite question see the name that will be written.
        dialog.setDefaultSuffix(r.defaultSuffix);
    }
    if (!r.initialFileName.isEmpty()) dialog.selectFile(r.initialFileName);
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

void FileDialog::setFilters(const FileFilterList& filters, uint32_t filterIndex) {
    filters_ = filters;
    filterIndex_ = clampFilterIndex(filterIndex, filters_);
}

FileDialogRequest FileDialog::request() const {
    FileDialogRequest r{kind_,
                        toQString(title_),
                        {},
                        static_cast<int>(filterIndex_),
                        toQString(initialDirectory_),
                        toQString(initialFileName_),
                        toQString(defaultExtension(configuredPattern()))};
    for (const FileFilter& f : filters_) r.nameFilters << toQString(dialogNameFilter(f));
    if (r.nameFilters.isEmpty()) r.nameFilters << QStringLiteral("All Files (*)");
    return r;
}

ByteString FileDialog::configuredPattern() const {
    return filterIndex_ < filters_.size() ? filters_[filterIndex_].pattern : ByteString("*.*");
}

ByteString FileDialog::show() const {
    ByteString name = fromQString(choose_(owner_, request()));
    if (kind_ == FileDialogKind::Save) name = withDefaultExtension(name, configuredPattern());
    sanitizePath(name);
    return name;
}

}  // namespace orv
