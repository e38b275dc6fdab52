// The main window's commands: Add, Edit, Remove, Move, Common Information,
// Open and Save.
#include <QLineEdit>

#include "app/qt/file_dialogs.h"
#include "app/qt/main_window.h"
#include "app/qt/record_list_model.h"
#include "dialogs/qt/gui_text.h"
#include "package/file.h"
#include "package/file_lock.h"
#include "package/format.h"

namespace orv {

bool MainWindow::ask(const Question& question) {
    return askYesNo(services_.ui, this, QString::fromLatin1(question.caption), QString::fromLatin1(question.text));
}

void MainWindow::error(const QString& text) { showError(services_.ui, this, text); }

void MainWindow::insertRow(const std::function<uint32_t()>& add) {
    changingRows_ = true;
    model_->beginInsert(model_->rowCount());
    const uint32_t index = add();
    model_->endInsert();
    changingRows_ = false;
    selectRow(static_cast<int>(index));
}

void MainWindow::addCommand() {
    const VersionChoices versions = versionChoices(package_);
    switch (currentKind()) {
    case RecordKind::Versions: {
        VersionRecord record;
        if (!services_.editors.version(this, record, versions)) break;
        const Question question = associationQuestion();
        const bool associate = needsAssociationQuestion(package_) && ask(question);
        insertRow([&] { return addVersion(package_, std::move(record), associate); });
        break;
    }
    case RecordKind::Features: {
        FeatureRecord record;
        if (services_.editors.feature(this, record, versions))
            insertRow([&] { return addFeature(package_, std::move(record)); });
        break;
    }
    case RecordKind::Bugs: {
        BugRecord record;
        if (services_.editors.bug(this, record, versions, featureChoices(package_)))
            insertRow([&] { return addBug(package_, std::move(record)); });
        break;
    }
    }
    updateSelectionState();
}

// Opens the editor on a copy of record `index` and stores it back on OK.
bool MainWindow::editAt(uint32_t index) {
    const VersionChoices versions = versionChoices(package_);
    switch (currentKind()) {
    case RecordKind::Versions: {
        VersionRecord copy = package_.versions[index];
        if (!services_.editors.version(this, copy, versions)) return false;
        package_.versions[index] = std::move(copy);
        return true;
    }
    case RecordKind::Features: {
        FeatureRecord copy = package_.features[index];
        if (!services_.editors.feature(this, copy, versions)) return false;
        package_.features[index] = std::move(copy);
        return true;
    }
    case RecordKind::Bugs:
        break;
    }
    BugRecord copy = package_.bugs[index];
    if (!services_.editors.bug(this, copy, versions, featureChoices(package_))) return false;
    package_.bugs[index] = std::move(copy);
    return true;
}

void MainWindow::editCommand() {
    const int sel = selectedRow();
    if (sel < 0) return;
    if (editAt(static_cast<uint32_t>(sel))) {
        model_->rowChanged(sel);
        selectRow(sel);
    }
    updateSelectionState();
}

void MainWindow::removeCommand() {
    const int sel = selectedRow();
    if (sel < 0) return;
    const RecordKind kind = currentKind();
    const Question question = removeQuestion(kind);
    if (!ask(question)) return;
    changingRows_ = true;
    model_->beginRemove(sel);
    orv::removeRecord(package_, kind, static_cast<uint32_t>(sel));
    model_->endRemove();
    changingRows_ = false;
    selectRow(rowAfterRemove(static_cast<uint32_t>(sel), static_cast<uint32_t>(model_->rowCount())));
    updateSelectionState();
}

void MainWindow::moveCommand(int delta) {
    const int sel = selectedRow();
    if (sel < 0) return;
    if (!moveRecord(package_, currentKind(), static_cast<uint32_t>(sel), delta)) return;
    model_->rowChanged(sel);
    model_->rowChanged(sel + delta);
    selectRow(sel + delta);
    updateSelectionState();
}

void MainWindow::commonInfoCommand() {
    CommonInfo copy = package_.common;
    if (services_.editors.commonInfo(this, copy)) package_.common = std::move(copy);
}

bool MainWindow::loadPackageFile(const ByteString& name) {
    ByteString content;
    // Taken before reading: a change during the read then counts as one.
    const FileIdentity identity = fileIdentity(name);
    if (!loadFile(content, name)) {
        error(toQString("Unable to open '" + name + "' for reading."));
        return false;
    }
    shownFileName_ = name;
    loaded_ = {name, identity};
    fileNameEdit_->setText(toQString(name));
    model_->beginReplaceAll();
    const bool accepted = readPackage(package_, content);
    model_->endReplaceAll();
    if (!accepted) error(QStringLiteral("The package is not compatible with this version of the Orvantis."));
    return true;
}

void MainWindow::openCommand() {
    OpenFileDialog dialog(services_.chooseFile);
    dialog.setOwner(this);
    dialog.setTitle("Open");
    dialog.setFilters(packageFileFilters(), 0);
    const ByteString name = dialog.show();
    if (name.empty() || !loadPackageFile(name)) return;
    refreshList();
}

void MainWindow::saveCommand() {
    ByteString name = fieldBytes(shownFileName_, fileNameEdit_->text());
    sanitizePath(name);
    ByteString content;
    // A package too large for one file cannot be written under any name;
    // the message and "Save As" still come, and no file is touched.
    const bool encoded = writePackage(package_, content);
    for (bool guard = true;; guard = false) {
        const SaveOutcome outcome = encoded ? saveTo(name, content, guard) : SaveOutcome::Failed;
        if (outcome == SaveOutcome::Written) {
            accept();
            return;
        }
        if (outcome == SaveOutcome::Failed && !name.empty())
            error(toQString("Unable to write to '" + name + "'.\nPlease choose another filename."));
        SaveFileDialog dialog(services_.chooseFile);
        dialog.setOwner(this);
        dialog.setTitle("Save As");
        dialog.setFilters(packageFileFilters(), 0);
        name = dialog.show();
        if (name.empty()) return;
    }
}

MainWindow::SaveOutcome MainWindow::saveTo(const ByteString& name, const ByteString& content, bool guard) {
    if (name.empty()) return SaveOutcome::Failed;
    FileLock lock;
    if (lock.lock(name, services_.saveLockWait) == LockResult::Busy) {
        error(toQString(busyMessage(name)));
        return SaveOutcome::Declined;
    }
    if (guard && asksBeforeOverwriting(loaded_, name, fileIdentity(name)) && !ask(changedOnDiskQuestion()))
        return SaveOutcome::Declined;
    if (!saveFile(content, name)) return SaveOutcome::Failed;
    if (name == loaded_.name) loaded_.identity = fileIdentity(name);  // the file is ours again
    return SaveOutcome::Written;
}

}  // namespace orv
