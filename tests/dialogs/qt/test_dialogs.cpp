// The record dialogs (Common, Version, Feature and Bug Information), driven
// as the user drives them: fields round-trip their record and keep bytes
// the user did not touch, ids no record holds survive unless their field
// is changed, Test labels open the right links, and the Version dialog's
// days field and file-size button.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDateTime>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "dialogs/qt/bug_dialog.h"
#include "dialogs/qt/common_info_dialog.h"
#include "dialogs/qt/days_edit.h"
#include "dialogs/qt/feature_dialog.h"
#include "dialogs/qt/gui_text.h"
#include "dialogs/qt/version_dialog.h"
#include "links/qt/link_static.h"
#include "support/numbers.h"
#include "tests/dialogs/sample_choices.h"
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

// Services that record the links the dialogs would open and the message
// boxes they show (answering OK).
struct Recorder {
    Links links;
    std::vector<MessageRequest> boxes;
    UiServices ui() {
        return {[this](QWidget*, const MessageRequest& r) { return boxes.push_back(r), MessageAnswer::Ok; },
                [this](LinkKind k, const ByteString& l) { links.emplace_back(k, l); },
                [](const ByteString& location) { return determineDownloadSize(location); }};
    }
};

// Click "Test" labels or a list's line as the mouse does.
void clickLinks(QWidget* dialog, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        QWidget* link = child<CLinkStatic>(dialog, name);
        QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
    }
}
void clickLine(QListWidget* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

using orv::testing::samplePackage;
VersionChoices versions() { return versionChoices(samplePackage()); }
FeatureChoices features() { return featureChoices(samplePackage()); }

const VersionRecord kVersion{.id = 3, .version = "1.1", .reservedText = "kept",
                             .location = "http://example.com/app-1.1.zip", .fileSize = "1,234 bytes",
                             .screenshot = "http://example.com/s.png", .thumbnail = "http://example.com/t.png",
                             .releaseDate = "2020-06-30 15:16:17", .freeUpgrades = {2, 1}, .freeUpgradeDays = 45};
const FeatureRecord kFeature{.id = 12, .title = "Spell checker", .description = "Checks\r\nas you type",
                             .screenshot = "http://example.com/spell.png",
                             .thumbnail = "http://example.com/spell-t.png", .versions = {2, 1}};
const BugRecord kBug{.id = 21, .title = "Crash on save", .description = "Steps:\r\n1. Save", .severity = 4,
                     .type = "Crash", .introduced = 1, .discovered = 2, .fixed = 0, .affectedFeatures = {6, 3}};

TEST(CommonInfoDialog, KeepsUntouchedBytesStoresTypedTextWithCrLfAndTestLabelsOpenTheirField) {
    Recorder seen;
    CommonInfoDialog dialog(seen.ui());
    CommonInfo want;
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) want.field(i) = "value " + textFromU32(i);
    want.productDescription = "line one\r\nline two";
    want.company = "Caf\xe9 \xff";  // untouched fields keep bytes the locale cannot show
    want.companyAddress = "\xfe\r\nlone\rcr";
    want.companyEmail = "";                        // an empty e-mail field opens "mailto:" alone
    want.salesEmail = "mailto:sales@example.com";  // the prefix is not checked: it doubles
    dialog.setInfo(want);
    EXPECT_EQ(dialog.info(), want);
    auto* productLink = child<QLineEdit>(&dialog, "productLink");
    productLink->end(false);
    QTest::keyClicks(productLink, QStringLiteral("/typed"));
    auto* description = child<QPlainTextEdit>(&dialog, "productDescription");
    EXPECT_EQ(description->toPlainText(), "line one\nline two");
    description->moveCursor(QTextCursor::End);
    QTest::keyClick(description, Qt::Key_Return);
    QTest::keyClicks(description, QStringLiteral("Town"));
    want.productLink = "value 2/typed";
    want.productDescription = "line one\r\nline two\r\nTown";
    EXPECT_EQ(dialog.info(), want);

    const auto labels = {"productLinkTest", "upsellLinkTest",  "companyEmailTest",
                         "companyLinkTest", "salesEmailTest", "techSupportEmailTest"};
    for (const char* name : labels) EXPECT_TRUE(child<CLinkStatic>(&dialog, name)->font().underline()) << name;
    clickLinks(&dialog, labels);
    EXPECT_EQ(seen.links, (Links{{LinkKind::Web, "value 2/typed"}, {LinkKind::Web, "value 4"},
                                 {LinkKind::Mail, "mailto:"}, {LinkKind::Web, "value 9"},
                                 {LinkKind::Mail, "mailto:mailto:sales@example.com"},
                                 {LinkKind::Mail, "mailto:value 13"}}));
}

class VersionDialogTest : public ::testing::Test {
protected:
    Recorder seen;
    VersionDialog dialog{seen.ui()};
    QListWidget* list() { return child<QListWidget>(&dialog, "freeUpgrades"); }
    QCalendarWidget* calendar() { return child<QCalendarWidget>(&dialog, "released"); }
    DaysEdit* days() { return child<DaysEdit>(&dialog, "freeUpgradeDays"); }
};

TEST_F(VersionDialogTest, RoundTripKeepsEverythingButTheTimeOfDayAndANewVersionOpensOnToday) {
    dialog.setUp(kVersion, versions());
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

    const QDate today = QDateTime::currentDateTimeUtc().date();
    dialog.setUp(VersionRecord{}, versions());
    EXPECT_TRUE(dialog.record().freeUpgrades.empty());
    EXPECT_EQ(days()->text(), QStringLiteral("30"));
    EXPECT_EQ(dialog.record().releaseDate, fromQString(today.toString(QStringLiteral("yyyy-MM-dd 00:00:00"))));
    dialog.setUp({.releaseDate = "1999"}, versions());  // a damaged date keeps what it can
    EXPECT_EQ(calendar()->selectedDate(), QDate(1999, today.month(), today.day()));
}

TEST_F(VersionDialogTest, DaysFieldTakesDigitsAndItsArrowsStopAtTheLimits) {
    dialog.setUp(VersionRecord{}, {});
    QTest::keyClicks(days(), QStringLiteral("1a2-3 "));  // after the 30 shown
    EXPECT_EQ(days()->text(), QStringLiteral("30123"));
    days()->stepBy(-40000);
    EXPECT_EQ(days()->text(), QStringLiteral("0"));
    days()->setNumber(700000000);
    QTest::keyClicks(days(), QStringLiteral("0"));  // past the limit: stays as typed, stored as converted
    EXPECT_EQ(dialog.record().freeUpgradeDays, 7000000000u % 4294967296u);
    QTest::keyClick(days(), Qt::Key_Down);  // the arrows step from the limit
    EXPECT_EQ(days()->text(), QStringLiteral("999999"));
}

TEST_F(VersionDialogTest, DetermineAutomaticallyAndTestLabels) {
    VersionRecord r = kVersion;
    r.thumbnail = "";
    dialog.setUp(r, {});
    child<QLineEdit>(&dialog, "screenshot")->setText(QStringLiteral("not a url"));
    clickLinks(&dialog, {"locationTest", "screenshotTest", "thumbnailTest"});  // each opens its field unchanged
    EXPECT_EQ(seen.links, (Links{{LinkKind::Web, "http://example.com/app-1.1.zip"}, {LinkKind::Web, "not a url"},
                                 {LinkKind::Web, ""}}));

    auto determine = [&](const QString& url) {
        child<QLineEdit>(&dialog, "location")->setText(url);
        child<QPushButton>(&dialog, "determineButton")->click();
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        return dialog.record().fileSize;
    };
    EXPECT_EQ(determine(QStringLiteral("ftp://example.com/file.zip")), "1,234 bytes");
    ASSERT_EQ(seen.boxes.size(), 1u);
    EXPECT_EQ(seen.boxes[0].caption + ": " + seen.boxes[0].text,
              "Error: The protocol is not HTTP.  This program does not support the FTP protocol.");
    testing::ScriptServer server({"HTTP/1.1 200 OK\r\ncontent-length:   987654\r\n\r\n"});
    ASSERT_TRUE(server.bound());
    EXPECT_EQ(determine(QStringLiteral("http://127.0.0.1:%1").arg(server.port())), "987654");
    EXPECT_EQ(seen.boxes.size(), 1u);
}

TEST(FeatureDialog, RoundTripStoresVersionsInPackageOrderAndTestLabelsOpenTheirField) {
    Recorder seen;
    FeatureDialog dialog(seen.ui());
    dialog.setUp(kFeature, versions());
    FeatureRecord want = kFeature;
    want.versions = {1, 2};
    EXPECT_EQ(dialog.record(), want);
    clickLine(child<QListWidget>(&dialog, "versions"), 1);
    child<QLineEdit>(&dialog, "thumbnail")->setText(QStringLiteral("C:\\shots\\t.png"));
    want.versions = {1, 3, 2};
    want.thumbnail = "C:\\shots\\t.png";
    EXPECT_EQ(dialog.record(), want);
    clickLinks(&dialog, {"screenshotTest", "thumbnailTest"});  // the opener, not the dialog, turns slashes
    EXPECT_EQ(seen.links, (Links{{LinkKind::Web, kFeature.screenshot}, {LinkKind::Web, want.thumbnail}}));
}

TEST(BugDialog, RoundTripAndEditsAndOddStoredTypesAndSeveritiesShownAsOkStoresThem) {
    BugDialog dialog;
    const auto box = [&](const char* name) { return child<QComboBox>(&dialog, name); };
    dialog.setUp(BugRecord{}, versions(), features());
    EXPECT_EQ(dialog.record(), BugRecord{});
    EXPECT_EQ(box("fixed")->currentText() + " | " + box("fixed")->itemText(3), "None/Unknown | 2.0 (2021-03-04)");
    dialog.setUp(kBug, versions(), features());
    BugRecord want = kBug;
    want.affectedFeatures = {3, 6};  // list order
    EXPECT_EQ(dialog.record(), want);
    EXPECT_EQ(box("discovered")->currentText(), QStringLiteral("2.0 (2021-03-04)"));
    box("severity")->setCurrentIndex(1);
    box("type")->setCurrentIndex(2);
    box("introduced")->setCurrentIndex(0);
    box("fixed")->setCurrentIndex(2);
    clickLine(child<QListWidget>(&dialog, "affectedFeatures"), 1);
    want = {.id = 21, .title = kBug.title, .description = kBug.description, .severity = 2, .type = "Security",
            .introduced = 0, .discovered = 2, .fixed = 3, .affectedFeatures = {3, 8, 6}};
    EXPECT_EQ(dialog.record(), want);

    // Types match ignoring case; an unknown one shows and stores Usability; a
    // severity outside the list shows nothing and stores 0; untouched texts
    // keep bytes the locale cannot show.
    want = {.title = "\xff\xfe title", .description = "a\rb\xc0", .severity = 9, .type = "cRASH"};
    dialog.setUp(want, versions(), features());
    EXPECT_EQ(dialog.record().type, "Crash");
    want.type = "Cosmetic";
    dialog.setUp(want, versions(), features());
    want.severity = 0;
    want.type = "Usability";
    EXPECT_EQ(dialog.record(), want);
}

// Ids no record holds (7, 77, 99, 0) come back as they were, after the ids
// shown, until the user changes their very field; then the field is what
// the user chose.
TEST(Dialogs, IdsNoRecordHoldsAreKeptUnlessTheUserChangesTheirField) {
    Recorder seen;
    VersionDialog version(seen.ui());
    version.setUp({.freeUpgrades = {99, 3, 0, 99}}, versions());
    auto* upgrades = child<QListWidget>(&version, "freeUpgrades");
    EXPECT_EQ(upgrades->selectedItems().size(), 1);
    EXPECT_EQ(version.record().freeUpgrades, (IdList{3, 99, 0, 99}));
    clickLine(upgrades, 0);
    clickLine(upgrades, 0);  // on and off again: unchanged
    EXPECT_EQ(version.record().freeUpgrades, (IdList{3, 99, 0, 99}));
    clickLine(upgrades, 0);
    EXPECT_EQ(version.record().freeUpgrades, (IdList{1, 3}));

    FeatureDialog feature(seen.ui());
    feature.setUp({.versions = {7, 2}}, versions());
    EXPECT_EQ(feature.record().versions, (IdList{2, 7}));
    clickLine(child<QListWidget>(&feature, "versions"), 2);
    EXPECT_TRUE(feature.record().versions.empty());

    // The drop-downs show an empty line for such an id; picking it again keeps the id.
    BugDialog bug;
    bug.setUp({.introduced = 77, .fixed = 2, .affectedFeatures = {77, 8}}, versions(), features());
    auto* introduced = child<QComboBox>(&bug, "introduced");
    EXPECT_EQ(introduced->count(), 5);
    EXPECT_EQ(introduced->currentIndex(), 4);
    EXPECT_EQ(introduced->currentText(), QString());
    EXPECT_EQ(child<QComboBox>(&bug, "fixed")->count(), 4);
    BugRecord want{.introduced = 77, .fixed = 2, .affectedFeatures = {8, 77}};
    EXPECT_EQ(bug.record(), want);
    introduced->setCurrentIndex(1);
    clickLine(child<QListWidget>(&bug, "affectedFeatures"), 0);
    want.introduced = 1;
    want.affectedFeatures = {3, 8};
    EXPECT_EQ(bug.record(), want);
    introduced->setCurrentIndex(4);
    EXPECT_EQ(bug.record().introduced, 77u);
}

}  // namespace
}  // namespace orv
