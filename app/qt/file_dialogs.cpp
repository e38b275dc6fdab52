#include "app/qt/file_dialogs.h"

#include <QDir>
#include <QFileDialog>

#include "dialogs/qt/gui_text.h"

namespace orv {

QString runFileDialog(QWidget* owner, const FileDialogRequest& r) {
    QFileDialog dialog(owner, toQString(r.title), toQString(r.initialDirectory));
    const bool open = r.kind == FileDialogKind::Open;
    dialog.setObjectName(open ? QStringLiteral("openFileDialog") : QStringLiteral("saveFileDialog"));
    // Qt's own dialog: the same on every desktop, and it can show hidden files.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFilter(dialog.filter() | QDir::Hidden);
    QStringList filters;
    for (const FileFilter& f : r.filters) filters << toQString(dialogNameFilter(f));
    if (filters.isEmpty()) filters << QStringLiteral("All Files (*)");
    dialog.setNameFilters(filters);
    const uint32_t index = clampFilterIndex(r.filterIndex, r.filters);
    if (index < static_cast<uint32_t>(filters.size())) dialog.selectNameFilter(filters[static_cast<int>(index)]);
    if (open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(toQString(defaultExtension(configuredPattern(r))));
    }
    if (!r.initialFileName.empty()) dialog.selectFile(toQString(r.initialFileName));
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

}  // namespace orv
