// The record dialogs (Common, Version, Feature and Bug Information), driven
// as the user drives them: fields round-trip their record and keep bytes
// the user did not touch, Test labels open the right links, Cancel keeps
// the record, and the Version dialog's days field and file-size button.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/choices.h"
#include "dialogs/bug_dialog.h"
#include "dialogs/common_info_dialog.h"
#include "dialogs/days_edit.h"
#include "dialogs/feature_dialog.h"
#include "dialogs/link_actions.h"
#include "dialogs/message_box.h"
#include "dialogs/version_dialog.h"
#include "links/gui/link_static.h"
#include "support/numbers.h"
#include "tests/net/script_server.h"

// Records are built with designated initializers, naming only what matters.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace orv {
namespace {

template <typename W>
W* child(QWidget* parent, const char* name) {
    W* w = parent->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << "no control named " << name;
    return w;
}

using Links = std::vector<std::pair<LinkKind, ByteString>>;

// While alive, records the links the dialogs would open and the message
// boxes they show (answering OK).
struct Recorder {
    Links links;
    std::vector<MessageRequest> boxes;
    Recorder() {
        setLinkOpenHook([this](LinkKind k, const ByteString& l) { links.emplace_back(k, l); });
        setMessageBoxHook([this](const MessageRequest& r) { return boxes.push_back(r), QMessageBox::Ok; });
    }
    ~Recorder() {
        setLinkOpenHook({});
        setMessageBoxHook({});
    }
};

// Click a "Test" label or a list's line as the mouse does.
void clickLinks(QWidget* dialog, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        QWidget* link = child<CLinkStatic>(dialog, name);
        QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
    }
}
void clickLine(QListWidget* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

std::vector<int> selectedRows(const QListWidget* list) {
    std::vector<int> rows;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected()) rows.push_back(i);
    return rows;
}

// Opens the dialog through `edit` twice, applying `change` inside exec()
// each time: Cancel must leave the record as it was and return false, OK
// must return true (the caller checks what OK stored).
template <typename Record, typename Edit, typename Change>
void cancelThenOk(Record& record, Edit edit, Change change) {
    QWidget window;
    const Record before = record;
    auto run = [&](const char* button) {
        bool acted = false;
        QTimer poll;  // dies with this run, so it cannot grab a later test's dialog
        QObject::connect(&poll, &QTimer::timeout, &window, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            poll.stop();
            acted = true;
            QTimer::singleShot(5000, dialog, &QDialog::reject);  // a dialog left open cannot hang the test
            change(dialog);
            child<QPushButton>(dialog, button)->click();
        });
        poll.start(10);
        bool result = edit(&window, record);
        EXPECT_TRUE(acted) << "no modal dialog appeared";
        return result;
    };
    EXPECT_FALSE(run("cancelButton"));
    EXPECT_EQ(record, before);
    EXPECT_TRUE(run("okButton"));
}

// Every label with a mnemonic focuses a control, and Tab walks the named
// controls in the given order. Leaves the dialog shown and active.
void expectBuddiesAndTabOrder(QWidget* dialog, const std::vector<const char*>& names) {
    for (QLabel* label : dialog->findChildren<QLabel*>())
        EXPECT_TRUE(!label->text().contains(QLatin1Char('&')) || label->buddy()) << label->objectName().toStdString();
    dialog->show();
    QApplication::setActiveWindow(dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    child<QWidget>(dialog, names[0])->setFocus(Qt::TabFocusReason);
    for (size_t i = 1; i < names.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* want = child<QWidget>(dialog, names[i]);
        QWidget* got = QApplication::focusWidget();
        ASSERT_TRUE(want && got);
        EXPECT_TRUE(got == want || want->isAncestorOf(got))
            << names[i - 1] << " -> " << names[i] << " but focus went to " << got->objectName().toStdString() << " ("
            << got->metaObject()->className() << ")";
    }
}

Package package(std::initializer_list<VersionRecord> versions, std::initializer_list<FeatureRecord> features) {
    Package p;
    for (const VersionRecord& v : versions) p.versions.append(v);
    for (const FeatureRecord& f : features) p.features.append(f);
    return p;
}
// Versions with ids 1, 3 and 2 in that package order, and features 3, 8, 6.
const Package kPackage = package({{.id = 1, .version = "1.0", .releaseDate = "2020-01-02 00:00:00"},
                                  {.id = 3, .version = "1.1", .releaseDate = "2020-06-30 00:00:00"},
                                  {.id = 2, .version = "2.0", .releaseDate = "2021-03-04 00:00:00"}},
                                 {{.id = 3, .title = "Three"}, {.id = 8, .title = "Eight"}, {.id = 6, .title = "Six"}});
VersionChoices versions() { return versionChoices(kPackage); }

const char* const kCommonNames[CommonInfo::kFieldCount] = {
    "company",           "product",        "productLink",  "productDescription", "upsellLink",
    "upsellDescription", "companyAddress", "companyPhone", "companyEmail",       "companyLink",
    "salesPhone",        "salesEmail",     "techSupportPhone", "techSupportEmail"};

CommonInfo sampleInfo() {
    CommonInfo info;
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) info.field(i) = ByteString("value ") + kCommonNames[i];
    info.productDescription = "line one\r\nline two";
    return info;
}

const VersionRecord kVersion{.id = 3, .version = "1.1", .reservedText = "kept",
                             .location = "http://example.com/app-1.1.zip", .fileSize = "1,234 bytes",
                             .screenshot = "http://example.com/s.png", .thumbnail = "http://example.com/t.png",
                             .releaseDate = "2020-06-30 15:16:17", .freeUpgrades = {2, 1}, .freeUpgradeDays = 45};
const FeatureRecord kFeature{.id = 12, .title = "Spell checker", .description = "Checks\r\nas you type",
                             .screenshot = "http://example.com/spell.png",
                             .thumbnail = "http://example.com/spell-t.png", .versions = {2, 1}};
const BugRecord kBug{.id = 21, .title = "Crash on save", .description = "Steps:\r\n1. Save", .severity = 4,
                     .type = "Crash", .introduced = 1, .discovered = 2, .fixed = 0, .affectedFeatures = {6, 3}};

TEST(CommonInfoDialog, RoundTripTypedTextWithCrLfAndUntouchedBytes) {
    CommonInfoDialog dialog;
    dialog.setInfo(sampleInfo());
    EXPECT_EQ(child<QLineEdit>(&dialog, "company")->text(), QStringLiteral("value company"));
    EXPECT_EQ(child<QPlainTextEdit>(&dialog, "productDescription")->toPlainText(), QStringLiteral("line one\nline two"));
    EXPECT_EQ(dialog.info(), sampleInfo());

    // Untouched fields keep bytes the locale cannot show; typed text is stored as typed.
    CommonInfo want{.company = "Caf\xe9 \xff", .companyAddress = "\xfe\r\nlone\rcr"};
    dialog.setInfo(want);
    QTest::keyClicks(child<QLineEdit>(&dialog, "salesPhone"), QStringLiteral("+1 (555) not-checked"));
    auto* description = child<QPlainTextEdit>(&dialog, "productDescription");
    QTest::keyClicks(description, QStringLiteral("1 Main St"));
    QTest::keyClick(description, Qt::Key_Return);
    QTest::keyClicks(description, QStringLiteral("Town"));
    want.salesPhone = "+1 (555) not-checked";
    want.productDescription = "1 Main St\r\nTown";
    EXPECT_EQ(dialog.info(), want);
}

TEST(CommonInfoDialog, TestLabelsAreAlwaysUnderlinedAndOpenTheirNeighbouringField) {
    Recorder seen;
    CommonInfoDialog dialog;
    CommonInfo info = sampleInfo();
    info.companyEmail = "";                        // an empty e-mail field opens "mailto:" alone
    info.salesEmail = "mailto:sales@example.com";  // the prefix is not checked: it doubles
    dialog.setInfo(info);
    child<QLineEdit>(&dialog, "productLink")->setText(QStringLiteral("http://typed.example/"));
    const auto labels = {"productLinkTest", "upsellLinkTest",  "companyEmailTest",
                         "companyLinkTest", "salesEmailTest", "techSupportEmailTest"};
    for (const char* name : labels) {
        auto* label = child<CLinkStatic>(&dialog, name);
        EXPECT_EQ(label->text(), QStringLiteral("Test"));
        EXPECT_TRUE(label->font().underline());
        EXPECT_TRUE(label->toolTip().isEmpty());
    }
    clickLinks(&dialog, labels);
    EXPECT_EQ(seen.links, (Links{{LinkKind::Web, "http://typed.example/"}, {LinkKind::Web, "value upsellLink"},
                                 {LinkKind::Mail, "mailto:"}, {LinkKind::Web, "value companyLink"},
                                 {LinkKind::Mail, "mailto:mailto:sales@example.com"},
                                 {LinkKind::Mail, "mailto:value techSupportEmail"}}));
}

class VersionDialogTest : public ::testing::Test {
protected:
    VersionDialog dialog;
    QListWidget* list() { return child<QListWidget>(&dialog, "freeUpgrades"); }
    QCalendarWidget* calendar() { return child<QCalendarWidget>(&dialog, "released"); }
    DaysEdit* days() { return child<DaysEdit>(&dialog, "freeUpgradeDays"); }
};

TEST_F(VersionDialogTest, ANewVersionOpensOnTodayWithThirtyDaysAndEmptyOrDamagedDatesShowToday) {
    const QDate today = QDateTime::currentDateTimeUtc().date();
    dialog.setUp(VersionRecord{}, versions());
    EXPECT_TRUE(selectedRows(list()).empty());
    EXPECT_EQ(calendar()->selectedDate(), today);
    EXPECT_EQ(days()->text(), QStringLiteral("30"));
    VersionRecord out = dialog.record();
    EXPECT_TRUE(out.freeUpgrades.empty());
    EXPECT_EQ(out.releaseDate, ByteString(today.toString(QStringLiteral("yyyy-MM-dd 00:00:00")).toStdString()));

    VersionRecord r = kVersion;
    r.releaseDate = "";
    dialog.setUp(r, versions());
    EXPECT_EQ(calendar()->selectedDate(), today);
    r.releaseDate = "1999";  // a text naming only a year keeps today's month and day
    dialog.setUp(r, versions());
    EXPECT_EQ(calendar()->selectedDate().year(), 1999);
}

TEST_F(VersionDialogTest, RoundTripKeepsEverythingButTheTimeOfDayAndEditsReachTheRecord) {
    dialog.setUp(kVersion, versions());
    EXPECT_EQ(selectedRows(list()), (std::vector<int>{0, 2}));
    EXPECT_EQ(calendar()->selectedDate(), QDate(2020, 6, 30));
    VersionRecord want = kVersion;
    want.releaseDate = "2020-06-30 00:00:00";
    want.freeUpgrades = {1, 2};  // list order: ids 1 then 2
    EXPECT_EQ(dialog.record(), want);

    clickLine(list(), 0);  // off
    clickLine(list(), 1);  // on: the version may list itself
    calendar()->setSelectedDate(QDate(2024, 2, 29));
    child<QLineEdit>(&dialog, "fileSize")->setText(QStringLiteral("12 MB?"));
    want.freeUpgrades = {3, 2};
    want.releaseDate = "2024-02-29 00:00:00";
    want.fileSize = "12 MB?";
    EXPECT_EQ(dialog.record(), want);

    // Ids no version has select nothing and are dropped.
    dialog.setUp({.freeUpgrades = {99, 4294967295u, 0}},
                 versionChoices(package({{.id = 4294967295u, .version = "big", .releaseDate = "2020-01-01 00:00:00"},
                                         {.id = 7, .version = "seven", .releaseDate = "2020-01-01 00:00:00"}},
                                        {})));
    EXPECT_EQ(selectedRows(list()), (std::vector<int>{0}));
    EXPECT_EQ(dialog.record().freeUpgrades, (IdList{4294967295u}));
}

TEST_F(VersionDialogTest, DaysFieldTakesDigitsAndItsArrowsStopAtTheLimits) {
    dialog.setUp(VersionRecord{}, {});
    auto type = [&](const char* text) {
        days()->findChild<QLineEdit*>()->clear();
        QTest::keyClicks(days(), QString::fromLatin1(text));
    };
    type("1a2-3 ");
    EXPECT_EQ(days()->text(), QStringLiteral("123"));
    days()->setNumber(0);
    days()->stepBy(-1);
    EXPECT_EQ(days()->text(), QStringLiteral("0"));
    days()->setNumber(999999);
    for (int i = 0; i < 2; ++i) {
        QTest::keyClick(days(), Qt::Key_Up);
        EXPECT_EQ(days()->text(), QStringLiteral("1000000")) << i;
    }
    days()->stepBy(-3);
    EXPECT_EQ(days()->text(), QStringLiteral("999997"));
    type("5000000000");  // a larger number stays as typed, is stored wrapped, and an arrow brings it to the limit
    EXPECT_EQ(days()->text(), QStringLiteral("5000000000"));
    EXPECT_EQ(dialog.record().freeUpgradeDays, 705032704u);
    days()->stepBy(1);
    EXPECT_EQ(days()->text(), QStringLiteral("1000000"));
    type("");
    EXPECT_EQ(dialog.record().freeUpgradeDays, 0u);
}

TEST_F(VersionDialogTest, DetermineAutomaticallyAndTestLabels) {
    Recorder seen;
    VersionRecord r = kVersion;
    r.thumbnail = "";
    dialog.setUp(r, {});
    child<QLineEdit>(&dialog, "screenshot")->setText(QStringLiteral("not a url"));
    clickLinks(&dialog, {"locationTest", "screenshotTest", "thumbnailTest"});  // each opens its field unchanged
    EXPECT_EQ(seen.links, (Links{{LinkKind::Web, "http://example.com/app-1.1.zip"}, {LinkKind::Web, "not a url"},
                                 {LinkKind::Web, ""}}));

    auto* fileSize = child<QLineEdit>(&dialog, "fileSize");
    auto determine = [&](const QString& url) {
        child<QLineEdit>(&dialog, "location")->setText(url);
        child<QPushButton>(&dialog, "determineButton")->click();
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    };
    determine(QStringLiteral("example.com/file.zip"));
    determine(QStringLiteral("https://example.com/file.zip"));
    ASSERT_EQ(seen.boxes.size(), 2u);
    EXPECT_EQ(seen.boxes[0].caption, QStringLiteral("Error"));
    EXPECT_TRUE(seen.boxes[0].text.startsWith(QStringLiteral("The location field does not contain a valid URL.")));
    EXPECT_EQ(seen.boxes[1].text,
              QStringLiteral("The protocol is not HTTP.  This program does not support the HTTPS protocol."));
    EXPECT_EQ(fileSize->text(), QStringLiteral("1,234 bytes"));

    // A location without a path asks for "/" and names the port in Host.
    testing::ScriptServer server({"HTTP/1.1 200 OK\r\ncontent-length:   987654\r\n\r\n"});
    ASSERT_TRUE(server.bound());
    determine(QStringLiteral("http://127.0.0.1:%1").arg(server.port()));
    EXPECT_EQ(seen.boxes.size(), 2u);
    EXPECT_EQ(server.received(), "HEAD / HTTP/1.1\r\nHost: 127.0.0.1:" + textFromU16(server.port()) + "\r\n\r\n");
    EXPECT_EQ(fileSize->text(), QStringLiteral("987654"));
    EXPECT_EQ(dialog.record().fileSize, "987654");
}

TEST(FeatureDialog, RoundTripStoresVersionsInPackageOrderAndEditsAndTestLabelsReachTheRecord) {
    Recorder seen;
    FeatureDialog dialog;
    dialog.setUp(kFeature, versions());
    auto* list = child<QListWidget>(&dialog, "versions");
    EXPECT_EQ(selectedRows(list), (std::vector<int>{0, 2}));
    FeatureRecord want = kFeature;
    want.versions = {1, 2};
    EXPECT_EQ(dialog.record(), want);

    clickLine(list, 0);  // deselecting everything gives an empty list
    clickLine(list, 2);
    auto* description = child<QPlainTextEdit>(&dialog, "description");
    description->moveCursor(QTextCursor::End);
    QTest::keyClick(description, Qt::Key_Return);
    QTest::keyClicks(description, QStringLiteral("fast"));
    want.versions = {};
    want.description = "Checks\r\nas you type\r\nfast";
    EXPECT_EQ(dialog.record(), want);

    child<QLineEdit>(&dialog, "thumbnail")->setText(QStringLiteral("C:\\shots\\t.png"));
    clickLinks(&dialog, {"screenshotTest", "thumbnailTest"});  // the opener, not the dialog, turns slashes
    EXPECT_EQ(seen.links, (Links{{LinkKind::Web, "http://example.com/spell.png"}, {LinkKind::Web, "C:\\shots\\t.png"}}));
}

class BugDialogTest : public ::testing::Test {
protected:
    BugDialog dialog;
    BugRecord shown(const BugRecord& b) {
        dialog.setUp(b, versions(), featureChoices(kPackage));
        return dialog.record();
    }
    QComboBox* box(const char* name) { return child<QComboBox>(&dialog, name); }
};

TEST_F(BugDialogTest, ANewBugOpensWithTheDefaultsAndNoneUnknownFirst) {
    EXPECT_EQ(shown(BugRecord{}), BugRecord{});
    EXPECT_EQ(box("severity")->currentText(), QStringLiteral("1"));
    EXPECT_EQ(box("type")->currentText(), QStringLiteral("Usability"));
    for (const char* name : {"introduced", "discovered", "fixed"}) {
        ASSERT_EQ(box(name)->count(), 4);
        EXPECT_EQ(box(name)->currentIndex(), 0);
        EXPECT_EQ(box(name)->itemText(0), QStringLiteral("None/Unknown"));
        EXPECT_EQ(box(name)->itemText(3), QStringLiteral("2.0 (2021-03-04)"));
        EXPECT_FALSE(box(name)->isEditable());
    }
    EXPECT_TRUE(selectedRows(child<QListWidget>(&dialog, "affectedFeatures")).empty());
    dialog.setUp(kBug, VersionChoices{}, FeatureChoices{});  // an empty package offers only "None/Unknown"
    EXPECT_EQ(box("fixed")->count(), 1);
    EXPECT_TRUE(dialog.record().affectedFeatures.empty());
}

TEST_F(BugDialogTest, RoundTripKeepsTheRecordWithFeaturesInListOrderAndEditsReachIt) {
    BugRecord want = kBug;
    want.affectedFeatures = {3, 6};
    EXPECT_EQ(shown(kBug), want);
    EXPECT_EQ(box("severity")->currentText(), QStringLiteral("4"));
    EXPECT_EQ(box("introduced")->currentText(), QStringLiteral("1.0 (2020-01-02)"));
    EXPECT_EQ(box("discovered")->currentText(), QStringLiteral("2.0 (2021-03-04)"));
    EXPECT_EQ(box("fixed")->currentText(), QStringLiteral("None/Unknown"));

    box("severity")->setCurrentIndex(1);
    box("type")->setCurrentIndex(2);
    box("introduced")->setCurrentIndex(0);
    box("fixed")->setCurrentIndex(2);
    clickLine(child<QListWidget>(&dialog, "affectedFeatures"), 1);
    want.severity = 2;
    want.type = "Security";
    want.introduced = 0;
    want.fixed = 3;
    want.affectedFeatures = {3, 8, 6};
    EXPECT_EQ(dialog.record(), want);
}

TEST_F(BugDialogTest, OddStoredValues) {
    BugRecord b = kBug;
    b.type = "cRASH";  // types match ignoring case
    EXPECT_EQ(shown(b).type, "Crash");
    b.type = "Cosmetic";  // an unknown type is shown and saved as Usability
    EXPECT_EQ(shown(b).type, "Usability");
    EXPECT_EQ(box("type")->currentText(), QStringLiteral("Usability"));

    b.severity = 9;     // outside the list: nothing shown, zero stored
    b.introduced = 77;  // no such version: kept rather than moved
    b.affectedFeatures = {77, 8};
    b.title = "\xff\xfe title";  // untouched texts keep bytes the locale cannot show
    b.description = "a\rb\xc0";
    BugRecord want = b;
    want.severity = 0;
    want.type = "Usability";
    want.affectedFeatures = {8};
    EXPECT_EQ(shown(b), want);
    EXPECT_EQ(box("severity")->currentIndex(), -1);
    EXPECT_EQ(box("introduced")->currentIndex(), -1);
}

TEST(Dialogs, CancelLeavesTheRecordAndOkTakesTheEdit) {
    CommonInfo info = sampleInfo();
    cancelThenOk(info, editCommonInfo,
                 [](QDialog* d) { child<QLineEdit>(d, "company")->setText(QStringLiteral("Changed")); });
    EXPECT_EQ(info.company, "Changed");
    EXPECT_EQ(info.product, "value product");

    VersionRecord v = kVersion;
    cancelThenOk(v, [](QWidget* w, VersionRecord& r) { return editVersion(w, r, versions()); },
                 [](QDialog* d) { child<QLineEdit>(d, "version")->setText(QStringLiteral("9.9")); });
    EXPECT_EQ(v.version, "9.9");
    EXPECT_EQ(v.id, 3u);

    FeatureRecord f = kFeature;
    cancelThenOk(f, [](QWidget* w, FeatureRecord& r) { return editFeature(w, r, versions()); },
                 [](QDialog* d) { clickLine(child<QListWidget>(d, "versions"), 1); });
    EXPECT_EQ(f.versions, (IdList{1, 3, 2}));

    BugRecord b = kBug;
    cancelThenOk(b, [](QWidget* w, BugRecord& r) { return editBug(w, r, versions(), featureChoices(kPackage)); },
                 [](QDialog* d) { child<QComboBox>(d, "severity")->setCurrentIndex(4); });
    EXPECT_EQ(b.severity, 5u);
    EXPECT_EQ(b.id, 21u);
}

TEST(Dialogs, MnemonicsAndTabOrderFollowTheTemplates) {
    CommonInfoDialog common;
    std::vector<const char*> commonOrder(std::begin(kCommonNames), std::end(kCommonNames));
    commonOrder.insert(commonOrder.end(), {"okButton", "cancelButton"});
    expectBuddiesAndTabOrder(&common, commonOrder);
    FeatureDialog feature;
    expectBuddiesAndTabOrder(&feature,
                             {"title", "description", "screenshot", "thumbnail", "versions", "okButton", "cancelButton"});
    BugDialog bug;
    EXPECT_EQ(child<QLabel>(&bug, "affectedFeaturesLabel")->text(), QStringLiteral("&Affected\nfeatures:"));
    expectBuddiesAndTabOrder(&bug, {"title", "description", "severity", "type", "introduced", "discovered", "fixed",
                                    "affectedFeatures", "okButton", "cancelButton"});
    VersionDialog version;
    version.setUp(VersionRecord{}, versions());
    expectBuddiesAndTabOrder(&version, {"version", "location", "fileSize", "determineButton", "screenshot", "thumbnail",
                                        "freeUpgrades", "released", "freeUpgradeDays", "okButton", "cancelButton"});
    QTest::keyClick(&version, Qt::Key_P, Qt::AltModifier);  // Alt and a label's letter focus its field
    auto* days = child<DaysEdit>(&version, "freeUpgradeDays");
    EXPECT_TRUE(QApplication::focusWidget() == days || days->isAncestorOf(QApplication::focusWidget()));
    QTest::keyClick(&version, Qt::Key_U, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), child<QListWidget>(&version, "freeUpgrades"));
}

}  // namespace
}  // namespace orv
