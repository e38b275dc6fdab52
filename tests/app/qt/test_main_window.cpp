// The main window driven headless: message boxes and file dialogs answered
// by the services it is handed, the editor dialogs replaced by a script
// that records what it was given. The real message boxes, editor and file
// dialogs are answered from inside their modal loop.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
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
#include <memory>

#include "app/qt/main_window.h"
#include "dialogs/qt/gui_text.h"
#include "package/file.h"
#include "package/file_lock.h"
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
                  {.id = 2, .version = "1.1", .releaseDate = "2006-06-30 00:00:00"},
                  {.id = 3, .version = "2.0", .releaseDate = "2007-05-14 00:00:00", .freeUpgrades = {1, 2, 2}}};
    p.features = {{.id = 1, .title = "A", .versions = {1, 2}}, {.id = 2, .title = "B", .versions = {1}}};
    p.bugs = {{.id = 1, .title = "Hang", .severity = 4, .type = "Crash", .introduced = 2, .discovered = 2,
               .fixed = 3, .affectedFeatures = {1, 2, 1}},
              {.id = 2, .title = "Typo", .fixed = 2}};
    return p;
}
const QString kVersions = "1.0 (2006-01-02) | 1.1 (2006-06-30) | 2.0 (2007-05-14)";

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

class MainWindowTest : public ::testing::Test {
protected:
    // Message boxes and file dialogs answered here; the editors put `text`
    // into the version or title (or company) on OK and record what they saw.
    MainWindowServices services() {
        MainWindowServices s;
        s.ui.message = [this](QWidget*, const MessageRequest& r) {
            messages << toQString(r.caption + (r.buttons == MessageButtons::Ok ? " [OK]: " : " [Yes/No]: ") + r.text);
            return r.buttons == MessageButtons::Ok ? MessageAnswer::Ok : yes ? MessageAnswer::Yes : MessageAnswer::No;
        };
        s.saveLockWait = std::chrono::milliseconds(100);
        s.chooseFile = [this](QWidget*, const FileDialogRequest& r) {
            fileRequests.push_back(r);
            return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
        };
        const auto edit = [this](uint32_t id, ByteString& field, const RecordChoices& vs, const RecordChoices& fs) {
            seen = {id, field, vs.labels, fs.labels};
            field = ok ? text : ByteString("scribbled by a cancelled dialog");
            return ok;
        };
        s.editors = {[=](CommonInfo& c) { return edit(0, c.company, {}, {}); },
                     [=](VersionRecord& v, const RecordChoices& vs) { return edit(v.id, v.version, vs, {}); },
                     [=](FeatureRecord& f, const RecordChoices& vs) { return edit(f.id, f.title, vs, {}); },
                     [=](BugRecord& b, const RecordChoices& vs, const RecordChoices& fs) {
                         return edit(b.id, b.title, vs, fs);
                     }};
        return s;
    }

    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    QString writePackageFile(const Package& p, const char* name) {
        ByteString content;
        EXPECT_TRUE(writePackage(p, content) && saveFile(content, fromQString(path(name))));
        return path(name);
    }
    Package readPackageFile(const QString& file) {
        ByteString content;
        Package p;
        EXPECT_TRUE(loadFile(content, fromQString(file)) && readPackage(p, content));
        return p;
    }
    // Creates, initialises and shows the window, with `file` on the command line.
    void start(const QString& file = QString(), const MainWindowServices* s = nullptr) {
        window = std::make_unique<MainWindow>(s ? *s : services());
        if (!file.isEmpty()) window->setFileName(fromQString(file));
        window->initialize();
        window->show();
    }
    void startWithSample() { start(writePackageFile(samplePackage(), "sample.dat")); }

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
    QString summary() { return child<QPlainTextEdit>("summaryEdit")->toPlainText(); }
    QString fileNameShown() { return child<QLineEdit>("fileNameEdit")->text(); }
    // Edit, Remove, Move Up and Move Down ("-" when disabled), then the
    // rows with the selected one starred: "ER-D: *1.0 (...) | 1.1 (...)".
    QString view() {
        QString s;
        for (auto [b, c] : {std::pair{"editButton", 'E'}, {"removeButton", 'R'}, {"moveUpButton", 'U'},
                            {"moveDownButton", 'D'}})
            s += child(b)->isEnabled() ? c : '-';
        QStringList rows;
        for (int i = 0; i < list()->model()->rowCount(); ++i)
            rows << (i == window->selectedRow() ? "*" : "") + list()->model()->index(i, 0).data().toString();
        return s + ": " + rows.join(" | ");
    }

    struct Seen {
        uint32_t id = 0;
        ByteString text;
        ByteStringList versions, features;
    } seen;
    bool ok = true;         // the editors' answer
    ByteString text = "X";  // what they store on OK
    bool yes = true;        // the questions' answer
    QStringList messages;   // "Caption [OK]: text" or "Caption [Yes/No]: text"
    QStringList fileAnswers;  // the names the file dialogs give, in turn; then Cancel
    std::vector<FileDialogRequest> fileRequests;
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
};

const QString kNotAPackage = "Error [OK]: The package is not compatible with this version of the Orvantis.";

TEST_F(MainWindowTest, ShowsEachKindWithItsFirstRowSelectedAndMovesRows) {
    startWithSample();
    EXPECT_EQ(summary(), "Version: 1.0\nRelease Date: 2006-01-02\nLocation: \nFile Size: 1000 Bytes\n");
    clickRadio("featuresRadio");
    EXPECT_EQ(view() + " " + summary(), "ER-D: *A | B Title: A\n\nDescription: ");
    clickRadio("bugsRadio");
    select(1);
    click("moveUpButton");
    EXPECT_EQ(view(), "ER-D: *Typo (1 - Usability) | Hang (4 - Crash)");
    window->moveUpCommand();  // the first row: nothing happens
    click("moveDownButton");
    clickRadio("bugsRadio");  // the kind already shown: rebuilt all the same
    EXPECT_EQ(view(), "ER-D: *Hang (4 - Crash) | Typo (1 - Usability)");
    EXPECT_EQ(window->package(), samplePackage());
}

TEST_F(MainWindowTest, TheListKeepsExactlyOneRowSelectedWhateverTheUserClicks) {
    startWithSample();
    QWidget* rows = list()->viewport();
    const auto rowCentre = [&](int row) { return list()->visualRect(list()->model()->index(row, 0)).center(); };
    QTest::mouseClick(rows, Qt::LeftButton, {}, QPoint(10, rows->height() - 5));  // below the rows
    QTest::mouseClick(rows, Qt::LeftButton, Qt::ControlModifier, rowCentre(0));
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(view(), "ER-D: *" + kVersions);
    QTest::mouseDClick(rows, Qt::LeftButton, {}, rowCentre(1));  // a double click only selects
    QTest::mouseClick(rows, Qt::LeftButton, Qt::ControlModifier, rowCentre(2));
    QTest::keyClick(list(), Qt::Key_Up);
    EXPECT_EQ(view(), "ERUD: 1.0 (2006-01-02) | *1.1 (2006-06-30) | 2.0 (2007-05-14)");
    EXPECT_TRUE(seen.text.empty());  // no editor opened
}

// The real message boxes: a name is shown as it is, never read as markup,
// and a line break in the text stays one.
TEST_F(MainWindowTest, MessageBoxesShowNamesLiterally) {
    QStringList shown;  // each box's text, "(rich)" when it is not plain text
    QObject context;
    MainWindowServices s = services();
    s.ui = realUiServices();
    whileModal(&context, [&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            shown << (label->textFormat() == Qt::PlainText ? label->text() : QStringLiteral("(rich)"));
            box->button(QMessageBox::Ok)->click();
        }
        return false;  // every box, until the test ends
    });
    start(path("<i>x&lt;y.dat"), &s);
    const QString unwritable = path("no-such/&lt;br&gt;&amp;.dat");  // angle brackets never reach a name to save
    fileAnswers = {unwritable};
    click("saveButton");
    EXPECT_EQ(shown, (QStringList{"Unable to open '" + path("<i>x&lt;y.dat") + "' for reading.",
                                  "Unable to write to '" + unwritable + "'.\nPlease choose another filename."}));
}

TEST_F(MainWindowTest, AddingSelectsTheNewRowAndAsksAboutTheAssociationFromTheSecondVersionOn) {
    start();
    EXPECT_EQ(window->windowTitle(), "Orvantis");
    EXPECT_EQ(fileNameShown() + view(), "----: ");
    click("addButton");
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(view(), "ER--: *X ()");
    EXPECT_TRUE(summary().startsWith("Version: X\n"));
    text = "3.0";
    click("addButton");
    EXPECT_EQ(seen.versions, (ByteStringList{"X ()"}));  // built without the new record
    EXPECT_EQ(messages.value(0), "Associate Version to Features? [Yes/No]: To save you time, Orvantis can "
                                 "automatically associate\nthe latest version's features to the new version.\n"
                                 "Perform the association?");
    EXPECT_EQ(view(), "ERU-: X () | *3.0 ()");

    clickRadio("featuresRadio");
    text = "C";
    click("addButton");
    clickRadio("bugsRadio");
    text = "Leak";
    click("addButton");
    EXPECT_EQ(seen.versions.size(), 2u);
    EXPECT_EQ(seen.features, (ByteStringList{"C"}));
    EXPECT_EQ(view(), "ER--: *Leak (1 - Usability)");
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(MainWindowTest, CancelledEditorsChangeNothingAndEditKeepsIdsAndReferences) {
    startWithSample();
    ok = false;
    for (const char* kind : {"versionsRadio", "featuresRadio", "bugsRadio"}) {
        clickRadio(kind);
        select(1);
        click("addButton");
        click("editButton");
        EXPECT_EQ(window->selectedRow(), 1) << kind;
    }
    click("commonInfoButton");
    EXPECT_EQ(seen.text, "Company");
    EXPECT_EQ(window->package(), samplePackage());

    ok = true;
    text = "Typing error";
    click("editButton");
    EXPECT_EQ(seen.id, 2u);
    EXPECT_EQ(view(), "ERU-: Hang (4 - Crash) | *Typing error (1 - Usability)");
    EXPECT_TRUE(summary().startsWith("Title: Typing error\n"));
    EXPECT_EQ(window->package().bugs[1].id, 2u);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(MainWindowTest, RemovingAsksThenDropsEveryReferenceAndSelectsTheNextRow) {
    startWithSample();
    select(1);
    yes = false;
    click("removeButton");
    EXPECT_EQ(window->package(), samplePackage());
    yes = true;
    click("removeButton");
    EXPECT_EQ(window->package().features[0].versions, (IdList{1}));
    EXPECT_EQ(window->package().bugs[1].fixed, 0u);
    EXPECT_EQ(view(), "ERU-: 1.0 (2006-01-02) | *2.0 (2007-05-14)");  // the record that followed it
    click("removeButton");  // the last row: the new last row
    EXPECT_EQ(view(), "ER--: *1.0 (2006-01-02)");
    click("removeButton");  // the only row: nothing
    EXPECT_EQ(view() + summary(), "----: ");
    clickRadio("featuresRadio");
    click("removeButton");
    EXPECT_EQ(window->package().bugs[0].affectedFeatures, (IdList{2}));  // both entries of feature 1 gone
    clickRadio("bugsRadio");
    click("removeButton");
    EXPECT_EQ(view(), "ER--: *Typo (1 - Usability)");
    EXPECT_EQ(messages.value(0), "Delete Version? [Yes/No]: You are about to delete the selected version!\n\nThis will "
                                 "disassociate the version from the upgrade path and all features and bugs.\n"
                                 "Delete the selected version?");
    EXPECT_TRUE(messages.value(4).startsWith("Delete Feature? [Yes/No]: You are about to delete the selected feature"));
    EXPECT_TRUE(messages.value(5).startsWith("Delete Bug? [Yes/No]: You are about to delete the selected bug"));
}

TEST_F(MainWindowTest, OpenReportsWhatItCannotUseAndReplacesThePackageOnlyWithAPackage) {
    start(path("missing.dat"));  // the same load at start-up
    EXPECT_EQ(messages.value(0), "Error [OK]: Unable to open '" + path("missing.dat") + "' for reading.");
    EXPECT_TRUE(fileNameShown().isEmpty());
    startWithSample();
    clickRadio("featuresRadio");
    select(1);
    fileAnswers = {path("gone.dat")};
    click("openButton");
    EXPECT_EQ(messages.value(1), "Error [OK]: Unable to open '" + path("gone.dat") + "' for reading.");
    EXPECT_EQ(fileNameShown(), path("sample.dat"));
    EXPECT_EQ(window->selectedRow(), 1);  // no refresh
    EXPECT_EQ(fileRequests[0].title + ": " + dialogNameFilter(fileRequests[0].filters[0]) + ", " +
                  dialogNameFilter(fileRequests[0].filters[1]),
              "Open: Update Data File (*.dat), All Files (*)");

    // A file that is no package: its name is shown and the list rebuilt.
    QFile notes(path("notes.txt"));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly) && notes.write("just notes") && notes.flush());
    fileAnswers = {notes.fileName()};
    click("openButton");
    EXPECT_EQ(messages.value(2), kNotAPackage);
    EXPECT_EQ(fileNameShown(), notes.fileName());
    EXPECT_EQ(window->package(), samplePackage());
    EXPECT_EQ(view(), "ER-D: *A | B");

    // A package replaces the one shown; the kind stays. Cancel changes nothing.
    Package other;
    other.features = {{.id = 1, .title = "Only"}};
    fileAnswers = {writePackageFile(other, "other.dat")};
    click("openButton");
    click("openButton");
    EXPECT_EQ(messages.size(), 3);
    EXPECT_EQ(fileNameShown(), path("other.dat"));
    EXPECT_EQ(window->package(), other);
    EXPECT_EQ(view(), "ER--: *Only");
}

TEST_F(MainWindowTest, SaveWritesTheShownFileOrAsksForAnotherUntilOneCanBeWritten) {
    const QString file = writePackageFile(samplePackage(), "sample.dat");
    start(file);
    yes = false;
    click("addButton");
    click("saveButton");
    EXPECT_TRUE(fileRequests.empty());
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_EQ(readPackageFile(file), window->package());

    // The shown name turns into a folder; a name with an extension keeps it.
    ASSERT_TRUE(QFile::remove(file) && QDir(dir.path()).mkdir("sample.dat"));
    fileAnswers = {path("my.package")};
    click("saveButton");
    EXPECT_EQ(messages.value(1), "Error [OK]: Unable to write to '" + file + "'.\nPlease choose another filename.");
    EXPECT_EQ(readPackageFile(path("my.package")), window->package());

    // Without a name: "Save As" at once, again after a name that fails, and ".dat" added.
    start();
    fileAnswers = {path("no-such-folder/pkg.dat"), path("pkg")};
    click("saveButton");
    ASSERT_EQ(fileRequests.size(), 3u);
    // The default suffix lets the dialog ask before it replaces pkg.dat.
    EXPECT_EQ(fileRequests[1].title + " ." + defaultExtension(configuredPattern(fileRequests[1])), "Save As .dat");
    EXPECT_EQ(messages.size(), 3);
    EXPECT_EQ(readPackageFile(path("pkg.dat")), window->package());
    EXPECT_EQ(window->result(), QDialog::Accepted);
}

TEST_F(MainWindowTest, SaveAsksBeforeOverwritingAFileChangedOnDiskAndWaitsForOtherWriters) {
    const QString file = writePackageFile(samplePackage(), "sample.dat");
    start(file);
    Package theirs = samplePackage();
    theirs.common.company = "Changed by a pipeline";
    writePackageFile(theirs, "sample.dat");
    // No: the other writer's file stays, and Save As is offered (cancelled here).
    yes = false;
    click("saveButton");
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], "Overwrite Changed File? [Yes/No]: The file has been changed by another program since it "
                           "was opened.\nOverwrite it with the package shown here?");
    ASSERT_EQ(fileRequests.size(), 1u);
    EXPECT_EQ(readPackageFile(file), theirs);
    EXPECT_NE(window->result(), QDialog::Accepted);

    // Another writer holds the lock throughout: told, and nothing written.
    FileLock held;
    ASSERT_EQ(held.lock(ByteString(file.toStdString()), std::chrono::milliseconds(0)), LockResult::Locked);
    yes = true;
    click("saveButton");
    EXPECT_EQ(messages.value(1), "Error [OK]: Unable to write to '" + file +
                                     "'.\nAnother program is changing it. Please try again in a moment.");
    EXPECT_EQ(readPackageFile(file), theirs);
    held.unlock();
    // Yes: overwritten.
    click("saveButton");
    EXPECT_EQ(readPackageFile(file), window->package());
    EXPECT_EQ(window->result(), QDialog::Accepted);
}

TEST_F(MainWindowTest, EnterSavesEscapeCancelsWithoutWritingAndF1ShowsTheAboutBox) {
    start();
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_Return);
    EXPECT_EQ(fileRequests.size(), 1u);  // Save ran: it asked for a name, and was cancelled

    QString about;  // the About box's title
    whileModal(window.get(), [&](QWidget* box) { return about = box->windowTitle(), box->close(); });
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(list(), Qt::Key_F1);
    EXPECT_EQ(about, "About Orvantis");

    click("addButton");
    QTest::keyClick(list(), Qt::Key_Escape);
    EXPECT_EQ(window->result(), QDialog::Rejected);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST_F(MainWindowTest, AddAndEditThroughTheRealDialogs) {
    MainWindowServices s = services();
    s.editors = {};  // the real dialogs
    start(writePackageFile(samplePackage(), "sample.dat"), &s);
    // Answers the next editor dialog with `value` in its line `field`.
    auto answer = [&](const char* field, const char* value, const char* button) {
        whileModal(window.get(), [=](QWidget* modal) {
            auto* edit = modal->findChild<QLineEdit*>(QString::fromLatin1(field));
            if (!edit) return false;
            edit->setText(QString::fromLatin1(value));
            modal->findChild<QPushButton*>(button)->click();
            return true;
        });
    };
    answer("version", "3.0", "okButton");
    click("addButton");
    clickRadio("featuresRadio");
    answer("title", "Thrown away", "cancelButton");
    click("editButton");
    answer("title", "Better A", "okButton");
    click("editButton");
    EXPECT_EQ(window->package().versions[3].version, "3.0");
    EXPECT_EQ(window->package().features[0].versions, (IdList{1, 2}));
    EXPECT_EQ(view(), "ER-D: *Better A | B");
}

}  // namespace
}  // namespace orv
