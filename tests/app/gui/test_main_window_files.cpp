// The main window's Open and Save commands, its keys and the About box.
#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "tests/app/gui/main_window_fixture.h"

namespace orv::testing {
namespace {

Package twoVersions() {
    Package p;
    for (uint32_t id : {7u, 9u}) {
        VersionRecord v;
        v.id = id;
        v.version = id == 7 ? "7.0" : "9.0";
        p.versions.append(v);
    }
    FeatureRecord f;
    f.id = 1;
    f.title = "Only";
    p.features.append(f);
    return p;
}

void writeText(const QString& file, const char* text) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

TEST_F(MainWindowTest, OpenReplacesThePackageAndKeepsTheKind) {
    startWithSample();
    clickRadio("featuresRadio");
    select(1);
    const QString other = writePackageFile(twoVersions(), "other.dat");
    fileAnswers = {other};
    click("openButton");
    ASSERT_EQ(fileRequests.size(), 1u);
    EXPECT_EQ(fileRequests[0].kind, FileDialogKind::Open);
    EXPECT_EQ(fileRequests[0].title, "Open");
    EXPECT_EQ(fileRequests[0].nameFilters, (QStringList{"Update Data File (*.dat)", "All Files (*)"}));
    EXPECT_EQ(fileRequests[0].filterIndex, 0);
    EXPECT_TRUE(fileRequests[0].initialFileName.isEmpty());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(fileNameShown(), other);
    EXPECT_EQ(window->currentKind(), RecordKind::Features);
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(rowText(0), "Only");
    EXPECT_EQ(window->selectedRow(), 0);
    EXPECT_EQ(window->package().versions.count(), 2u);
    EXPECT_EQ(window->package().versions[1].id, 9u);
}

TEST_F(MainWindowTest, OpenOfANonPackageKeepsThePackageButShowsTheName) {
    const QString sample = writePackageFile(samplePackage(), "sample.dat");
    start(sample);
    select(2);
    writeText(path("readme.txt"), "\x01 not a package at all");
    fileAnswers = {path("readme.txt")};
    click("openButton");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, "Error");
    EXPECT_EQ(messages[0].text, "The package is not compatible with this version of the Orvantis.");
    EXPECT_EQ(fileNameShown(), path("readme.txt"));
    EXPECT_EQ(window->package(), samplePackage());
    EXPECT_EQ(rows(), 3);
    EXPECT_EQ(window->selectedRow(), 0);  // rebuilt all the same
}

TEST_F(MainWindowTest, OpenCancelledOrUnreadableChangesNothing) {
    const QString sample = writePackageFile(samplePackage(), "sample.dat");
    start(sample);
    select(1);
    click("openButton");  // no answer: cancelled
    EXPECT_TRUE(messages.empty());

    fileAnswers = {path("gone.dat")};
    click("openButton");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Unable to open '" + path("gone.dat") + "' for reading.");
    EXPECT_EQ(fileNameShown(), sample);
    EXPECT_EQ(window->selectedRow(), 1);  // no refresh
    EXPECT_EQ(window->package(), samplePackage());
}

TEST_F(MainWindowTest, SaveWritesTheShownFileAndCloses) {
    const QString file = writePackageFile(samplePackage(), "sample.dat");
    start(file);
    script.text = "3.0";
    yesAnswer = false;
    click("addButton");
    click("saveButton");
    EXPECT_TRUE(messages.size() == 1u && messages[0].caption == "Associate Version to Features?");
    EXPECT_TRUE(fileRequests.empty());
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(readPackageFile(file), window->package());
    EXPECT_EQ(readPackageFile(file).versions.count(), 4u);
}

TEST_F(MainWindowTest, SaveWithoutANameAsksAtOnceAndAddsTheExtension) {
    start();
    click("addButton");
    fileAnswers = {path("pkg")};
    click("saveButton");
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(fileRequests.size(), 1u);
    EXPECT_EQ(fileRequests[0].kind, FileDialogKind::Save);
    EXPECT_EQ(fileRequests[0].title, "Save As");
    EXPECT_EQ(fileRequests[0].filterIndex, 0);
    EXPECT_FALSE(QFile::exists(path("pkg")));
    EXPECT_EQ(readPackageFile(path("pkg.dat")), window->package());
    EXPECT_EQ(window->result(), QDialog::Accepted);
}

TEST_F(MainWindowTest, SaveKeepsAskingUntilANameCanBeWritten) {
    const QString file = writePackageFile(samplePackage(), "sample.dat");
    start(file);
    // The shown name turns into a folder, which cannot be written as a file.
    ASSERT_TRUE(QFile::remove(file));
    ASSERT_TRUE(QDir(dir.path()).mkdir("sample.dat"));
    // Nor can a name in a folder that does not exist.
    const QString blocked = path("no-such-folder/sample.dat");
    fileAnswers = {blocked, path("my.package")};
    click("saveButton");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].caption, "Error");
    EXPECT_EQ(messages[0].text, "Unable to write to '" + file + "'.\nPlease choose another filename.");
    EXPECT_EQ(messages[1].text, "Unable to write to '" + blocked + "'.\nPlease choose another filename.");
    EXPECT_EQ(fileRequests.size(), 2u);
    // A name with an extension keeps it.
    EXPECT_EQ(readPackageFile(path("my.package")), samplePackage());
    EXPECT_FALSE(QFile::exists(path("my.package.dat")));
    EXPECT_EQ(window->result(), QDialog::Accepted);
}

TEST_F(MainWindowTest, CancelledSaveAsLeavesTheWindowOpen) {
    start();
    click("addButton");
    click("saveButton");
    EXPECT_EQ(fileRequests.size(), 1u);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(fileNameShown().isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).size(), 0);
}

TEST_F(MainWindowTest, EnterSavesAndEscapeCancelsWithoutWriting) {
    start();
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_Return);
    EXPECT_EQ(fileRequests.size(), 1u);  // Save ran: it asked for a name
    EXPECT_TRUE(window->isVisible());

    click("addButton");
    QTest::keyClick(list(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Rejected);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(fileRequests.size(), 1u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).size(), 0);
}

TEST_F(MainWindowTest, AboutBoxFromTheContextMenuAndF1) {
    start();
    QAction* about = window->findChild<QAction*>("aboutAction");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->text(), "&About Orvantis...");
    EXPECT_TRUE(window->actions().contains(about));
    EXPECT_EQ(window->contextMenuPolicy(), Qt::ActionsContextMenu);

    QStringList seen;
    bool shown = false;
    QTimer::singleShot(50, window.get(), [&] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!box) return;
        shown = true;
        seen << box->windowTitle();
        for (QLabel* label : box->findChildren<QLabel*>())
            if (!label->text().isEmpty()) seen << label->text();
        if (auto* icon = box->findChild<QLabel*>("aboutIcon")) seen << (icon->pixmap().isNull() ? "no icon" : "icon");
        box->findChild<QPushButton*>("okButton")->click();
    });
    QTimer::singleShot(3000, window.get(), [] {  // watchdog
        if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) box->reject();
    });
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_F1);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(seen.contains("About Orvantis"));
    EXPECT_TRUE(seen.contains("Orvantis v1.4"));
    EXPECT_TRUE(seen.contains("icon"));
    EXPECT_TRUE(window->isVisible());
}

}  // namespace
}  // namespace orv::testing
