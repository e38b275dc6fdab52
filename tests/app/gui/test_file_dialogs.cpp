// The Open and Save dialogs themselves, driven from inside their modal loop.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "app/gui/file_dialogs.h"
#include "dialogs/gui_text.h"

namespace orv {
namespace {

// Runs `step` on each modal widget that appears until it returns true;
// anything still open after five seconds is rejected.
void whileModal(QObject* context, std::function<bool(QWidget*)> step) {
    auto* poll = new QTimer(context);
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, context, [poll, step] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && step(modal)) {
            poll->stop();
            poll->deleteLater();
        }
    });
    poll->start();
    QTimer::singleShot(5000, context, [] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
    });
}

// Types `name` into a file dialog and accepts it.
bool typeName(QWidget* modal, const QString& name) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (!dialog) return false;
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
    return true;
}

class FileDialogTest : public ::testing::Test {
protected:
    SaveFileDialog saveDialog() {
        SaveFileDialog d;
        d.setOwner(&owner);
        d.setTitle("Save As");
        d.setFilters(packageFileFilters(), 0);
        d.setInitialDirectory(fromQString(dir.path()));
        return d;
    }
    QTemporaryDir dir;
    QWidget owner;
};

TEST_F(FileDialogTest, SaveAddsTheExtensionOfTheConfiguredFilter) {
    QString title;
    QStringList filters;
    whileModal(&owner, [&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog) return false;
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        dialog->selectNameFilter(filters.value(1));  // "All Files": still .dat
        return typeName(modal, QStringLiteral("pkg"));
    });
    EXPECT_EQ(toQString(saveDialog().show()), dir.filePath(QStringLiteral("pkg.dat")));
    EXPECT_EQ(title, "Save As");
    EXPECT_EQ(filters, (QStringList{"Update Data File (*.dat)", "All Files (*)"}));
}

TEST_F(FileDialogTest, SaveAsksBeforeReplacingTheFileItWillWrite) {
    QFile existing(dir.filePath(QStringLiteral("old.dat")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    bool asked = false;
    whileModal(&owner, [&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            asked = box->text().contains(QStringLiteral("old.dat"));
            box->button(QMessageBox::Yes)->click();
            return true;
        }
        typeName(modal, QStringLiteral("old"));
        return false;  // wait for the question
    });
    EXPECT_EQ(toQString(saveDialog().show()), dir.filePath(QStringLiteral("old.dat")));
    EXPECT_TRUE(asked);
}

TEST_F(FileDialogTest, CancelGivesAnEmptyName) {
    whileModal(&owner, [](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (dialog) QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
        return dialog != nullptr;
    });
    OpenFileDialog open;
    open.setTitle("Open");
    open.setFilters(packageFileFilters(), 5);  // clamped: no filter preselected
    EXPECT_TRUE(open.show().empty());
}

}  // namespace
}  // namespace orv
