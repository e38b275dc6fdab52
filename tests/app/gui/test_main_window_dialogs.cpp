// The main window with the real editor dialogs, answered from inside their
// modal loop.
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

#include "tests/app/gui/main_window_fixture.h"

namespace orv::testing {
namespace {

// Waits for the modal dialog named `name`, lets `act` fill it in, and
// then presses its OK (or Cancel) button. A dialog still open after five
// seconds is rejected so that a failing test cannot hang.
void answerDialog(QWidget* context, const char* name, std::function<void(QDialog*)> act, bool ok, bool& seen) {
    auto* poll = new QTimer(context);
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, context, [=, &seen] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != QString::fromLatin1(name)) return;
        poll->stop();
        poll->deleteLater();
        seen = true;
        act(dialog);
        dialog->findChild<QPushButton*>(ok ? "okButton" : "cancelButton")->click();
    });
    poll->start();
    QTimer::singleShot(5000, context, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
    });
}

void setLine(QDialog* dialog, const char* name, const char* text) {
    auto* edit = dialog->findChild<QLineEdit*>(QString::fromLatin1(name));
    ASSERT_NE(edit, nullptr) << name;
    edit->setText(QString::fromLatin1(text));
}

TEST_F(MainWindowTest, AddAndEditThroughTheRealDialogs) {
    realDialogs = true;
    startWithSample();
    bool seen = false;
    answerDialog(window.get(), "versionDialog", [](QDialog* d) { setLine(d, "version", "3.0"); }, true, seen);
    click("addButton");
    ASSERT_TRUE(seen);
    ASSERT_EQ(messages.size(), 1u);  // the association question, answered Yes
    const Package& p = window->package();
    ASSERT_EQ(p.versions.count(), 4u);
    EXPECT_EQ(p.versions[3].id, 4u);
    EXPECT_EQ(p.versions[3].version, "3.0");
    EXPECT_EQ(window->selectedRow(), 3);
    EXPECT_TRUE(rowText(3).startsWith("3.0 ("));

    clickRadio("featuresRadio");
    select(1);
    seen = false;
    answerDialog(window.get(), "featureDialog", [](QDialog* d) { setLine(d, "title", "Thrown away"); }, false, seen);
    click("editButton");
    ASSERT_TRUE(seen);
    EXPECT_EQ(p.features[1].title, "B");

    seen = false;
    answerDialog(window.get(), "featureDialog", [](QDialog* d) { setLine(d, "title", "Better B"); }, true, seen);
    click("editButton");
    ASSERT_TRUE(seen);
    EXPECT_EQ(p.features[1].id, 2u);
    EXPECT_EQ(p.features[1].title, "Better B");
    EXPECT_EQ(p.features[1].versions, (IdList{1}));
    EXPECT_EQ(rowText(1), "Better B");
    EXPECT_EQ(window->selectedRow(), 1);
}

}  // namespace
}  // namespace orv::testing
