// The main window driven headless: message boxes and file dialogs answered
// by hooks, the editor dialogs replaced by a script that records what it was
// given. The real editor and file dialogs are answered from inside their
// modal loop.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/gui/file_dialogs.h"
#include "app/gui/main_window.h"
#include "dialogs/gui_text.h"
#include "dialogs/message_box.h"
#include "package/file.h"
#include "package/format.h"

// Records are built with designated initializers, naming only what matters.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace orv {
namespace {

// Versions 1.0 (id 1), 1.1 (id 2), 2.0 (id 3); features A [1, 2] (id 1) and
// B [1] (id 2); bugs Hang (introduced 2, discovered 2, fixed 3, affecting
// feature 1 twice) and Typo (fixed 2).
Package samplePackage() {
    Package p;
    p.common.company = "Company";
    p.versions = {{.id = 1, .version = "1.0", .fileSize = "1000", .releaseDate = "2006-01-02 00:00:00"},
                  {.id = 2, .version = "1.1", .fileSize = "1000", .releaseDate = "2006-06-30 00:00:00"},
                  {.id = 3, .version = "2.0", .fileSize = "1000", .releaseDate = "2007-05-14 00:00:00",
                   .freeUpgrades = {1, 2, 2}}};
    p.features = {{.id = 1, .title = "A", .versions = {1, 2}}, {.id = 2, .title = "B", .versions = {1}}};
    p.bugs = {{.id = 1, .title = "Hang", .severity = 4, .type = "Crash", .introduced = 2, .discovered = 2,
               .fixed = 3, .affectedFeatures = {1, 2, 1}},
              {.id = 2, .title = "Typo", .fixed = 2}};
    return p;
}

void writeText(const QString& file, const char* text) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

// Runs `step` on the active modal widget every 20 ms until it returns true.
// A dialog still open after five seconds is rejected so that a failing test
// cannot hang.
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

// What the scripted editors saw and do.
struct EditorScript {
    bool answer = true;     // OK (true) or Cancel (false)
    ByteString text = "X";  // put into version / title on OK
    int calls = 0;
    uint32_t seenId = 0;
    VersionChoices seenVersions;
    FeatureChoices seenFeatures;
    ByteString seenText;

    bool apply(uint32_t id, ByteString& field, const VersionChoices& vs = {}, const FeatureChoices& fs = {}) {
        ++calls;
        seenVersions = vs;
        seenFeatures = fs;
        seenId = id;
        seenText = field;
        field = answer ? text : ByteString("scribbled by a cancelled dialog");
        return answer;
    }
    RecordEditors editors() {
        return {[this](QWidget*, CommonInfo& c) { return apply(0, c.company); },
                [this](QWidget*, VersionRecord& v, const VersionChoices& vs) { return apply(v.id, v.version, vs); },
                [this](QWidget*, FeatureRecord& f, const VersionChoices& vs) { return apply(f.id, f.title, vs); },
                [this](QWidget*, BugRecord& b, const VersionChoices& vs, const FeatureChoices& fs) {
                    return apply(b.id, b.title, vs, fs);
                }};
    }
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        setMessageBoxHook([this](const MessageRequest& r) {
            messages.push_back(r);
            return r.buttons == MessageButtons::Ok ? QMessageBox::Ok : yesAnswer ? QMessageBox::Yes : QMessageBox::No;
        });
        setFileDialogHook([this](const FileDialogRequest& r) {
            fileRequests.push_back(r);
            return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
        });
    }
    void TearDown() override {
        window.reset();
        setMessageBoxHook({});
        setFileDialogHook({});
    }

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QString writePackageFile(const Package& p, const char* name) {
        ByteString content;
        EXPECT_TRUE(writePackage(p, content));
        EXPECT_TRUE(saveFile(content, fromQString(path(name))));
        return path(name);
    }
    Package readPackageFile(const QString& file) {
        ByteString content;
        Package p;
        EXPECT_TRUE(loadFile(content, fromQString(file)));
        EXPECT_TRUE(readPackage(p, content));
        return p;
    }

    // Creates, initialises and shows the window, with `file` on the
    // command line when it is not empty.
    void start(const QString& file = QString(), bool realDialogs = false) {
        window = std::make_unique<MainWindow>(realDialogs ? dialogEditors() : script.editors());
        if (!file.isEmpty()) window->setFileName(fromQString(file));
        window->initialize();
        window->show();
    }
    void startWithSample() { start(writePackageFile(samplePackage(), "sample.dat")); }
    void activate() {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    template <typename W = QPushButton>
    W* child(const char* name) {
        W* w = window->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void click(const char* button) { child(button)->click(); }
    void clickRadio(const char* radio) { child<QRadioButton>(radio)->click(); }
    QListView* list() { return child<QListView>("recordList"); }
    void select(int row) {
        list()->selectionModel()->setCurrentIndex(list()->model()->index(row, 0), QItemSelectionModel::ClearAndSelect);
    }
    // Message i as "Caption [OK]: text", "[Yes/No]" for a question.
    QString message(size_t i) {
        const MessageRequest& m = messages.at(i);
        return m.caption + (m.buttons == MessageButtons::Ok ? " [OK]: " : " [Yes/No]: ") + m.text;
    }
    QString summary() { return child<QPlainTextEdit>("summaryEdit")->toPlainText(); }
    QString fileNameShown() { return child<QLineEdit>("fileNameEdit")->text(); }
    bool enabled(const char* button) { return child(button)->isEnabled(); }
    // Edit, Remove, Move Up and Move Down ("-" when disabled), then the
    // rows with the selected one starred: "ER-D: *1.0 (...) | 1.1 (...)".
    QString view() {
        QString s;
        for (auto [b, c] : {std::pair{"editButton", 'E'}, {"removeButton", 'R'}, {"moveUpButton", 'U'},
                            {"moveDownButton", 'D'}})
            s += enabled(b) ? c : '-';
        QStringList rows;
        for (int i = 0; i < list()->model()->rowCount(); ++i)
            rows << (i == window->selectedRow() ? "*" : "") + list()->model()->index(i, 0).data().toString();
        return s + ": " + rows.join(" | ");
    }

    QTemporaryDir dir;
    EditorScript script;
    std::unique_ptr<MainWindow> window;
    std::vector<MessageRequest> messages;
    bool yesAnswer = true;
    QStringList fileAnswers;  // the names the file dialogs give, in turn; then Cancel
    std::vector<FileDialogRequest> fileRequests;
};

const char* const kNotAPackage = "Error [OK]: The package is not compatible with this version of the Orvantis.";

TEST_F(MainWindowTest, StartsEmptyAndAddsTheFirstVersionWithoutAsking) {
    start();
    EXPECT_EQ(window->windowTitle(), "Orvantis");
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_FALSE(child("openButton")->icon().isNull());
    EXPECT_TRUE(fileNameShown().isEmpty());
    EXPECT_TRUE(child<QRadioButton>("versionsRadio")->isChecked());
    EXPECT_EQ(view(), "----: ");
    for (const char* b : {"addButton", "commonInfoButton", "openButton", "saveButton", "cancelButton"})
        EXPECT_TRUE(enabled(b)) << b;
    EXPECT_TRUE(summary().isEmpty());

    click("addButton");
    EXPECT_EQ(script.calls, 1);
    EXPECT_EQ(script.seenId, 0u);
    EXPECT_TRUE(script.seenVersions.ids.empty());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(window->package().versions[0].id, 1u);
    EXPECT_EQ(view(), "ER--: *X ()");
    EXPECT_TRUE(summary().startsWith("Version: X\n"));
}

TEST_F(MainWindowTest, StartsWithAPackageAndRebuildsTheListPerKind) {
    const QString file = writePackageFile(samplePackage(), "start.dat");
    start(file);
    EXPECT_EQ(fileNameShown(), file);
    EXPECT_EQ(view(), "ER-D: *1.0 (2006-01-02) | 1.1 (2006-06-30) | 2.0 (2007-05-14)");
    EXPECT_EQ(summary(), "Version: 1.0\nRelease Date: 2006-01-02\nLocation: \nFile Size: 1000 Bytes\n");
    select(2);
    EXPECT_EQ(view(), "ERU-: 1.0 (2006-01-02) | 1.1 (2006-06-30) | *2.0 (2007-05-14)");
    EXPECT_TRUE(summary().startsWith("Version: 2.0\n"));
    // A double click only selects.
    const QPoint second = list()->visualRect(list()->model()->index(1, 0)).center();
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, second);
    EXPECT_EQ(view(), "ERUD: 1.0 (2006-01-02) | *1.1 (2006-06-30) | 2.0 (2007-05-14)");
    EXPECT_EQ(script.calls, 0);

    clickRadio("featuresRadio");
    EXPECT_EQ(window->currentKind(), RecordKind::Features);
    EXPECT_EQ(view(), "ER-D: *A | B");
    EXPECT_EQ(summary(), "Title: A\n\nDescription: ");
    clickRadio("bugsRadio");
    select(1);
    EXPECT_EQ(view(), "ERU-: Hang (4 - Crash) | *Typo (1 - Usability)");
    clickRadio("bugsRadio");  // the kind already shown: rebuilt all the same
    EXPECT_EQ(window->selectedRow(), 0);
    EXPECT_TRUE(messages.empty());
}

TEST_F(MainWindowTest, StartupReportsFilesThatCannotBeUsed) {
    start(path("missing.dat"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(message(0), "Error [OK]: Unable to open '" + path("missing.dat") + "' for reading.");
    EXPECT_TRUE(fileNameShown().isEmpty());
    writeText(path("notes.txt"), "just some notes\n");
    start(path("notes.txt"));
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(message(1), kNotAPackage);
    EXPECT_EQ(fileNameShown(), path("notes.txt"));
    EXPECT_EQ(window->package(), Package());
    EXPECT_EQ(view(), "----: ");
}

TEST_F(MainWindowTest, AddingAVersionOffersTheAssociationAndOthersGetTheirLists) {
    startWithSample();
    script.text = "3.0";
    click("addButton");
    EXPECT_EQ(script.seenVersions.ids, (IdList{1, 2, 3}));  // built without the new record
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(message(0), "Associate Version to Features? [Yes/No]: To save you time, Orvantis can automatically "
                          "associate\nthe latest version's features to the new version.\nPerform the association?");
    const Package& p = window->package();
    ASSERT_EQ(p.versions.count(), 4u);
    EXPECT_EQ(p.versions[3].id, 4u);
    // The last version (2.0, id 3) is in no feature, so nothing is associated.
    EXPECT_EQ(p.features[0].versions, (IdList{1, 2}));
    EXPECT_EQ(view(), "ERU-: 1.0 (2006-01-02) | 1.1 (2006-06-30) | 2.0 (2007-05-14) | *3.0 ()");

    // Move 1.1 (id 2) to the end: features that list it get the next new id.
    select(1);
    click("moveDownButton");
    click("moveDownButton");
    click("addButton");
    EXPECT_EQ(p.features[0].versions, (IdList{1, 2, 5}));
    EXPECT_EQ(p.features[1].versions, (IdList{1}));
    yesAnswer = false;
    select(0);
    click("addButton");
    EXPECT_EQ(p.versions.count(), 6u);
    EXPECT_EQ(p.features[0].versions, (IdList{1, 2, 5}));
    EXPECT_EQ(window->selectedRow(), 5);

    clickRadio("featuresRadio");
    script.text = "C";
    click("addButton");
    EXPECT_EQ(script.seenVersions.labels.size(), 6u);
    EXPECT_EQ(script.seenVersions.labels[0], "1.0 (2006-01-02)");
    EXPECT_EQ(p.features[2].id, 3u);
    EXPECT_EQ(view(), "ERU-: A | B | *C");
    clickRadio("bugsRadio");
    script.text = "Leak";
    click("addButton");
    EXPECT_EQ(script.seenFeatures.ids, (IdList{1, 2, 3}));
    EXPECT_EQ(script.seenFeatures.titles, (ByteStringList{"A", "B", "C"}));
    EXPECT_EQ(script.seenVersions.ids.count(), 6u);
    EXPECT_EQ(p.bugs[2].id, 3u);
    EXPECT_EQ(view(), "ERU-: Hang (4 - Crash) | Typo (1 - Usability) | *Leak (1 - Usability)");
    EXPECT_EQ(messages.size(), 3u);  // the two version questions only
}

TEST_F(MainWindowTest, CancelledEditorsChangeNothing) {
    startWithSample();
    script.answer = false;
    for (const char* kind : {"versionsRadio", "featuresRadio", "bugsRadio"}) {
        clickRadio(kind);
        select(1);
        for (const char* command : {"addButton", "editButton"}) {
            click(command);
            EXPECT_EQ(window->selectedRow(), 1) << kind << command;
        }
    }
    click("commonInfoButton");
    EXPECT_EQ(script.seenText, "Company");
    EXPECT_EQ(script.calls, 7);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(window->package(), samplePackage());
    EXPECT_EQ(view(), "ERU-: Hang (4 - Crash) | *Typo (1 - Usability)");
}

TEST_F(MainWindowTest, EditKeepsIdsAndReferences) {
    startWithSample();
    clickRadio("bugsRadio");
    select(1);
    script.text = "Typing error";
    click("editButton");
    EXPECT_EQ(script.seenId, 2u);
    EXPECT_EQ(script.seenText, "Typo");
    EXPECT_EQ(view(), "ERU-: Hang (4 - Crash) | *Typing error (1 - Usability)");
    EXPECT_TRUE(summary().startsWith("Title: Typing error\n"));

    // A renamed version keeps every reference to it.
    clickRadio("versionsRadio");
    select(1);
    script.text = "1.1a";
    click("editButton");
    EXPECT_EQ(script.seenVersions.ids, (IdList{1, 2, 3}));
    script.text = "Other Company";
    click("commonInfoButton");
    EXPECT_EQ(view(), "ERUD: 1.0 (2006-01-02) | *1.1a (2006-06-30) | 2.0 (2007-05-14)");
    Package expected = samplePackage();
    expected.versions.at(1).version = "1.1a";
    expected.bugs.at(1).title = "Typing error";
    expected.common.company = "Other Company";
    EXPECT_EQ(window->package(), expected);
}

TEST_F(MainWindowTest, RemovingAVersionAsksAndDropsEveryReference) {
    startWithSample();
    select(1);
    yesAnswer = false;
    click("removeButton");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(message(0), "Delete Version? [Yes/No]: You are about to delete the selected version!\n\nThis will "
                          "disassociate the version from the upgrade path and all features and bugs.\nDelete the "
                          "selected version?");
    EXPECT_EQ(window->package(), samplePackage());

    yesAnswer = true;
    click("removeButton");
    Package expected = samplePackage();
    expected.versions.removeAt(1);
    expected.versions[1].freeUpgrades = {1};
    expected.features[0].versions = {1};
    expected.bugs[0].introduced = expected.bugs[0].discovered = expected.bugs[1].fixed = 0;
    EXPECT_EQ(window->package(), expected);
    // The record that followed the removed one is selected.
    EXPECT_EQ(view(), "ERU-: 1.0 (2006-01-02) | *2.0 (2007-05-14)");
    EXPECT_TRUE(summary().startsWith("Version: 2.0\n"));
    // Removing the last row selects the new last row; the only row, nothing.
    click("removeButton");
    EXPECT_EQ(view(), "ER--: *1.0 (2006-01-02)");
    click("removeButton");
    EXPECT_EQ(view(), "----: ");
    EXPECT_TRUE(summary().isEmpty());
}

TEST_F(MainWindowTest, RemovingFeaturesAndBugsDropsTheirReferences) {
    startWithSample();
    clickRadio("featuresRadio");
    click("removeButton");
    Package expected = samplePackage();
    expected.features.removeAt(0);
    expected.bugs[0].affectedFeatures = {2};  // both entries of feature 1 gone
    EXPECT_EQ(window->package(), expected);
    EXPECT_EQ(view(), "ER--: *B");
    clickRadio("bugsRadio");
    click("removeButton");
    expected.bugs.removeAt(0);
    EXPECT_EQ(window->package(), expected);
    EXPECT_EQ(view(), "ER--: *Typo (1 - Usability)");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(message(0), "Delete Feature? [Yes/No]: You are about to delete the selected feature listing from the "
                          "upgrade package!\n\nThis will disassociate the feature from versions and bugs.\nDelete the "
                          "selected feature?");
    EXPECT_EQ(message(1), "Delete Bug? [Yes/No]: You are about to delete the selected bug listing from the upgrade "
                          "package!\n\nThis will disassociate the bug from versions and features.\nDelete the selected "
                          "bug?");
}

TEST_F(MainWindowTest, MovesExchangeNeighboursAndKeepReferences) {
    startWithSample();
    select(2);
    click("moveUpButton");
    EXPECT_EQ(view(), "ERUD: 1.0 (2006-01-02) | *2.0 (2007-05-14) | 1.1 (2006-06-30)");
    click("moveUpButton");
    window->moveUpCommand();  // the first row: nothing happens
    EXPECT_EQ(view(), "ER-D: *2.0 (2007-05-14) | 1.0 (2006-01-02) | 1.1 (2006-06-30)");
    select(2);
    window->moveDownCommand();  // the last row: nothing happens
    select(0);
    click("moveDownButton");
    EXPECT_EQ(view(), "ERUD: 1.0 (2006-01-02) | *2.0 (2007-05-14) | 1.1 (2006-06-30)");
    EXPECT_TRUE(summary().startsWith("Version: 2.0\n"));
    Package expected = samplePackage();
    expected.versions.swapItems(1, 2);
    EXPECT_EQ(window->package(), expected);
}

TEST_F(MainWindowTest, OpenReplacesThePackageOnlyWithAPackage) {
    startWithSample();
    clickRadio("featuresRadio");
    select(1);
    click("openButton");  // no answer: cancelled
    ASSERT_EQ(fileRequests.size(), 1u);
    EXPECT_EQ(fileRequests[0].kind, FileDialogKind::Open);
    EXPECT_EQ(fileRequests[0].title, "Open");
    EXPECT_EQ(fileRequests[0].nameFilters, (QStringList{"Update Data File (*.dat)", "All Files (*)"}));
    EXPECT_EQ(fileRequests[0].filterIndex, 0);
    EXPECT_TRUE(fileRequests[0].initialFileName.isEmpty());
    fileAnswers = {path("gone.dat")};
    click("openButton");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(message(0), "Error [OK]: Unable to open '" + path("gone.dat") + "' for reading.");
    EXPECT_EQ(fileNameShown(), path("sample.dat"));
    EXPECT_EQ(window->selectedRow(), 1);  // no refresh

    // A file that is no package: its name is shown and the list rebuilt.
    writeText(path("readme.txt"), "\x01 not a package at all");
    fileAnswers = {path("readme.txt")};
    click("openButton");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(message(1), kNotAPackage);
    EXPECT_EQ(fileNameShown(), path("readme.txt"));
    EXPECT_EQ(window->package(), samplePackage());
    EXPECT_EQ(view(), "ER-D: *A | B");

    // A package replaces the one shown; the kind stays.
    Package other;
    other.versions = {{.id = 7, .version = "7.0"}, {.id = 9, .version = "9.0"}};
    other.features = {{.id = 1, .title = "Only"}};
    fileAnswers = {writePackageFile(other, "other.dat")};
    click("openButton");
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(fileNameShown(), path("other.dat"));
    EXPECT_EQ(window->package(), other);
    EXPECT_EQ(view(), "ER--: *Only");
}

TEST_F(MainWindowTest, SaveWritesTheShownFileOrAsksForAnother) {
    const QString file = writePackageFile(samplePackage(), "sample.dat");
    start(file);
    yesAnswer = false;
    click("addButton");
    click("saveButton");
    EXPECT_TRUE(fileRequests.empty());
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(readPackageFile(file), window->package());

    // The shown name turns into a folder, which cannot be written as a file.
    ASSERT_TRUE(QFile::remove(file));
    ASSERT_TRUE(QDir(dir.path()).mkdir("sample.dat"));
    fileAnswers = {path("my.package")};
    click("saveButton");
    ASSERT_EQ(messages.size(), 2u);  // after the association question
    EXPECT_EQ(message(1), "Error [OK]: Unable to write to '" + file + "'.\nPlease choose another filename.");
    // A name with an extension keeps it.
    EXPECT_EQ(readPackageFile(path("my.package")), window->package());
    EXPECT_FALSE(QFile::exists(path("my.package.dat")));
}

TEST_F(MainWindowTest, SaveWithoutANameAsksUntilOneCanBeWrittenAndAddsTheExtension) {
    start();
    click("addButton");
    const QString blocked = path("no-such-folder/pkg.dat");
    fileAnswers = {blocked, path("pkg")};
    click("saveButton");
    ASSERT_EQ(fileRequests.size(), 2u);
    EXPECT_EQ(fileRequests[0].kind, FileDialogKind::Save);
    EXPECT_EQ(fileRequests[0].title, "Save As");
    EXPECT_EQ(fileRequests[0].filterIndex, 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(message(0), "Error [OK]: Unable to write to '" + blocked + "'.\nPlease choose another filename.");
    EXPECT_FALSE(QFile::exists(path("pkg")));
    EXPECT_EQ(readPackageFile(path("pkg.dat")), window->package());
    EXPECT_EQ(window->result(), QDialog::Accepted);
}

TEST_F(MainWindowTest, EnterSavesAndEscapeCancelsWithoutWriting) {
    start();
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_Return);
    EXPECT_EQ(fileRequests.size(), 1u);  // Save ran: it asked for a name, and was cancelled
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(fileNameShown().isEmpty());

    click("addButton");
    QTest::keyClick(list(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Rejected);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(fileRequests.size(), 1u);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST_F(MainWindowTest, MnemonicsAndTheAboutBoxFromTheContextMenuAndF1) {
    startWithSample();
    QAction* about = window->findChild<QAction*>("aboutAction");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->text(), "&About Orvantis...");
    EXPECT_TRUE(window->actions().contains(about));
    EXPECT_EQ(window->contextMenuPolicy(), Qt::ActionsContextMenu);

    activate();
    QTest::keyClick(window.get(), Qt::Key_T, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->currentKind() == RecordKind::Features; }, 2000));
    QTest::keyClick(window.get(), Qt::Key_A, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return script.calls == 1; }, 2000));
    EXPECT_EQ(window->package().features.count(), 3u);

    QStringList seen;  // title, label texts, whether the icon label has a picture
    whileModal(window.get(), [&](QWidget* box) {
        seen << box->windowTitle();
        for (QLabel* label : box->findChildren<QLabel*>())
            seen << (label->objectName() == "aboutIcon" && !label->pixmap().isNull() ? "icon" : label->text());
        box->findChild<QPushButton*>("okButton")->click();
        return true;
    });
    activate();
    QTest::keyClick(window.get(), Qt::Key_F1);
    for (const char* part : {"About Orvantis", "Orvantis v1.4", "icon"}) EXPECT_TRUE(seen.contains(part)) << part;
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowTest, AddAndEditThroughTheRealDialogs) {
    start(writePackageFile(samplePackage(), "sample.dat"), /*realDialogs=*/true);
    // Answers the editor dialog `name` with `text` in its line `field`.
    int answered = 0;
    auto answer = [&](const char* name, const char* field, const char* text, bool ok) {
        whileModal(window.get(), [=, &answered](QWidget* modal) {
            auto* edit = modal->findChild<QLineEdit*>(QString::fromLatin1(field));
            if (modal->objectName() != QString::fromLatin1(name) || !edit) return false;
            ++answered;
            edit->setText(QString::fromLatin1(text));
            modal->findChild<QPushButton*>(ok ? "okButton" : "cancelButton")->click();
            return true;
        });
    };
    answer("versionDialog", "version", "3.0", true);
    click("addButton");
    ASSERT_EQ(answered, 1);
    ASSERT_EQ(messages.size(), 1u);  // the association question, answered Yes
    const Package& p = window->package();
    ASSERT_EQ(p.versions.count(), 4u);
    EXPECT_EQ(p.versions[3].id, 4u);
    EXPECT_EQ(p.versions[3].version, "3.0");
    EXPECT_EQ(window->selectedRow(), 3);

    clickRadio("featuresRadio");
    select(1);
    answer("featureDialog", "title", "Thrown away", false);
    click("editButton");
    ASSERT_EQ(answered, 2);
    EXPECT_EQ(p.features[1].title, "B");
    answer("featureDialog", "title", "Better B", true);
    click("editButton");
    ASSERT_EQ(answered, 3);
    EXPECT_EQ(p.features[1].id, 2u);
    EXPECT_EQ(p.features[1].title, "Better B");
    EXPECT_EQ(p.features[1].versions, (IdList{1}));
    EXPECT_EQ(view(), "ERU-: A | *Better B");
}

// The real Save and Open dialogs, answered from inside their modal loop.
TEST(FileDialogTest, SaveAddsTheFilterExtensionAsksBeforeReplacingAndCancelGivesNothing) {
    QTemporaryDir dir;
    QWidget owner;
    writeText(dir.filePath("old.dat"), "");
    QString title, question;
    QStringList filters;
    whileModal(&owner, [&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            question = box->text();
            box->button(QMessageBox::Yes)->click();
            return true;
        }
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog) return false;
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        dialog->selectNameFilter(filters.value(1));  // "All Files": the name still gets ".dat"
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText("old");
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        return false;  // wait for the question
    });
    SaveFileDialog save;
    save.setOwner(&owner);
    save.setTitle("Save As");
    save.setFilters(packageFileFilters(), 0);
    save.setInitialDirectory(fromQString(dir.path()));
    EXPECT_EQ(toQString(save.show()), dir.filePath("old.dat"));
    EXPECT_EQ(title, "Save As");
    EXPECT_EQ(filters, (QStringList{"Update Data File (*.dat)", "All Files (*)"}));
    EXPECT_TRUE(question.contains("old.dat")) << question.toStdString();

    whileModal(&owner, [](QWidget* modal) {
        QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
        return true;
    });
    OpenFileDialog open;
    open.setFilters(packageFileFilters(), 5);  // clamped: no filter preselected
    EXPECT_TRUE(open.show().empty());
}

}  // namespace
}  // namespace orv
