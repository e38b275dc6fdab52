// The main window's commands: the core's, with the window's list, dialogs
// and message boxes.
#include <QLineEdit>

#include "app/qt/main_window.h"
#include "app/qt/record_list_model.h"
#include "dialogs/qt/gui_text.h"

namespace orv {

EditorView MainWindow::view() {
    EditorView v;
    v.before = [this](RowChange change, uint32_t row) {
        const int r = static_cast<int>(row);
        if (change == RowChange::Insert) model_->beginInsert(r);
        else if (change == RowChange::Remove) model_->beginRemove(r);
        else if (change == RowChange::Reset) model_->beginReplaceAll();
        if (change != RowChange::Replace) changingRows_ = true;
    };
    v.after = [this](RowChange change, uint32_t row) {
        const int r = static_cast<int>(row);
        if (change == RowChange::Insert) model_->endInsert();
        else if (change == RowChange::Remove) model_->endRemove();
        else if (change == RowChange::Reset) model_->endReplaceAll();
        else model_->rowChanged(r);
        changingRows_ = false;
    };
    v.showFileName = [this](const ByteString& name) { fileNameEdit_->setText(toQString(name)); };
    return v;
}

EditorServices MainWindow::editorServices() {
    EditorServices s;
    s.ask = [this](const Question& q) { return ask(services_.ui, this, questionMessage(q)); };
    s.error = [this](const ByteString& text) { services_.ui.message(this, errorMessage(text)); };
    s.chooseFile = [this](const FileDialogRequest& r) { return fromQString(services_.chooseFile(this, r)); };
    s.editors = services_.editors;
    s.saveLockWait = services_.saveLockWait;
    return s;
}

void MainWindow::addCommand() {
    selectRow(orv::addCommand(doc_, currentKind(), selectedRow(), editorServices(), view()));
    updateSelectionState();
}

void MainWindow::editCommand() {
    const int sel = selectedRow();
    if (sel < 0) return;
    selectRow(orv::editCommand(doc_, currentKind(), sel, editorServices(), view()));
    updateSelectionState();
}

void MainWindow::removeCommand() {
    const int sel = selectedRow();
    if (sel < 0) return;
    const std::optional<int> next = orv::removeCommand(doc_, currentKind(), sel, editorServices(), view());
    if (!next) return;  // declined: nothing more
    selectRow(*next);
    updateSelectionState();
}

void MainWindow::moveCommand(int delta) {
    const int sel = selectedRow();
    const std::optional<int> next = orv::moveCommand(doc_, currentKind(), sel, delta, view());
    if (!next) return;
    selectRow(*next);
    updateSelectionState();
}

void MainWindow::commonInfoCommand() { orv::commonInfoCommand(doc_, editorServices()); }

bool MainWindow::loadPackageFile(const ByteString& name) {
    return orv::loadPackageFile(doc_, name, editorServices(), view());
}

void MainWindow::openCommand() {
    if (orv::openCommand(doc_, editorServices(), view())) refreshList();
}

void MainWindow::saveCommand() {
    if (orv::saveCommand(doc_, editorServices())) accept();
}

}  // namespace orv
