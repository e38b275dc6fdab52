// Drives a MainWindow headless: message boxes and file dialogs answered by
// hooks, editor dialogs replaced by functions that record what they were
// given and apply a scripted edit.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <deque>
#include <memory>
#include <vector>

#include "app/gui/file_dialogs.h"
#include "app/gui/main_window.h"
#include "dialogs/gui_text.h"
#include "dialogs/message_box.h"
#include "package/file.h"
#include "package/format.h"

namespace orv::testing {

// Versions 1.0 (id 1), 1.1 (id 2), 2.0 (id 3); features A [1, 2] (id 1) and
// B [1] (id 2); bugs Hang (introduced 2, discovered 2, fixed 3, affecting
// feature 1 twice) and Typo (fixed 2).
inline Package samplePackage() {
    Package p;
    p.common.company = "Company";
    const char* texts[] = {"1.0", "1.1", "2.0"};
    const char* dates[] = {"2006-01-02 00:00:00", "2006-06-30 00:00:00", "2007-05-14 00:00:00"};
    for (uint32_t i = 0; i < 3; ++i) {
        VersionRecord v;
        v.id = i + 1;
        v.version = texts[i];
        v.releaseDate = dates[i];
        v.fileSize = "1000";
        p.versions.append(v);
    }
    p.versions.at(2).freeUpgrades = {1, 2, 2};
    FeatureRecord a;
    a.id = 1;
    a.title = "A";
    a.versions = {1, 2};
    FeatureRecord b;
    b.id = 2;
    b.title = "B";
    b.versions = {1};
    p.features.append(a);
    p.features.append(b);
    BugRecord hang;
    hang.id = 1;
    hang.title = "Hang";
    hang.severity = 4;
    hang.type = "Crash";
    hang.introduced = 2;
    hang.discovered = 2;
    hang.fixed = 3;
    hang.affectedFeatures = {1, 2, 1};
    BugRecord typo;
    typo.id = 2;
    typo.title = "Typo";
    typo.fixed = 2;
    p.bugs.append(hang);
    p.bugs.append(typo);
    return p;
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

    bool apply(uint32_t id, ByteString& field) {
        ++calls;
        seenId = id;
        seenText = field;
        field = answer ? text : ByteString("scribbled by a cancelled dialog");
        return answer;
    }

    RecordEditors editors() {
        return {[this](QWidget*, CommonInfo& c) { return apply(0, c.company); },
                [this](QWidget*, VersionRecord& v, const VersionChoices& vs) {
                    seenVersions = vs;
                    return apply(v.id, v.version);
                },
                [this](QWidget*, FeatureRecord& f, const VersionChoices& vs) {
                    seenVersions = vs;
                    return apply(f.id, f.title);
                },
                [this](QWidget*, BugRecord& b, const VersionChoices& vs, const FeatureChoices& fs) {
                    seenVersions = vs;
                    seenFeatures = fs;
                    return apply(b.id, b.title);
                }};
    }
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        setMessageBoxHook([this](const MessageRequest& r) {
            messages.push_back(r);
            if (r.buttons == MessageButtons::Ok) return QMessageBox::Ok;
            return yesAnswer ? QMessageBox::Yes : QMessageBox::No;
        });
        setFileDialogHook([this](const FileDialogRequest& r) {
            fileRequests.push_back(r);
            if (fileAnswers.empty()) return QString();
            QString answer = fileAnswers.front();
            fileAnswers.pop_front();
            return answer;
        });
    }
    void TearDown() override {
        window.reset();
        setMessageBoxHook({});
        setFileDialogHook({});
    }

    // A path inside the test's folder.
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    ByteString bytes(const QString& s) const { return fromQString(s); }

    QString writePackageFile(const Package& p, const char* name) {
        ByteString content;
        EXPECT_TRUE(writePackage(p, content));
        EXPECT_TRUE(saveFile(content, bytes(path(name))));
        return path(name);
    }
    Package readPackageFile(const QString& file) {
        ByteString content;
        Package p;
        EXPECT_TRUE(loadFile(content, bytes(file)));
        EXPECT_TRUE(readPackage(p, content));
        return p;
    }

    // Creates, initialises and shows the window, with `file` on the
    // command line when it is not empty.
    MainWindow& start(const QString& file = QString()) {
        window = std::make_unique<MainWindow>(realDialogs ? dialogEditors() : script.editors());
        if (!file.isEmpty()) window->setFileName(bytes(file));
        window->initialize();
        window->show();
        return *window;
    }
    MainWindow& startWithSample() { return start(writePackageFile(samplePackage(), "sample.dat")); }

    template <typename W = QPushButton>
    W* child(const char* name) {
        W* w = window->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void click(const char* button) { child(button)->click(); }
    void clickRadio(const char* radio) { child<QRadioButton>(radio)->click(); }
    QListView* list() { return child<QListView>("recordList"); }
    int rows() { return list()->model()->rowCount(); }
    QString rowText(int row) { return list()->model()->index(row, 0).data().toString(); }
    void select(int row) {
        list()->selectionModel()->setCurrentIndex(list()->model()->index(row, 0), QItemSelectionModel::ClearAndSelect);
    }
    QString summary() { return child<QPlainTextEdit>("summaryEdit")->toPlainText(); }
    QString fileNameShown() { return child<QLineEdit>("fileNameEdit")->text(); }
    bool enabled(const char* button) { return child(button)->isEnabled(); }
    // Edit, Remove, Move Up, Move Down as a four-letter mask: "ERUD", "-" when disabled.
    std::string listButtons() {
        std::string s;
        s += enabled("editButton") ? 'E' : '-';
        s += enabled("removeButton") ? 'R' : '-';
        s += enabled("moveUpButton") ? 'U' : '-';
        s += enabled("moveDownButton") ? 'D' : '-';
        return s;
    }

    QTemporaryDir dir;
    EditorScript script;
    bool realDialogs = false;  // the real editor dialogs instead of the script
    std::unique_ptr<MainWindow> window;
    std::vector<MessageRequest> messages;
    bool yesAnswer = true;
    std::deque<QString> fileAnswers;
    std::vector<FileDialogRequest> fileRequests;
};

}  // namespace orv::testing
