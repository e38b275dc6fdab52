// The Bug Information dialog: severity and type lists, the three version
// lists with "None/Unknown", the affected features, OK and Cancel.
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "dialogs/bug_dialog.h"
#include "tests/dialogs/dialog_test_helpers.h"

namespace orv {
namespace {

using test::child;

struct Choices {
    VersionChoices versions;
    FeatureChoices features;
};

Choices choices() {
    Package p;
    p.versions.append(test::version(4, "1.0", "2019-05-01 00:00:00"));
    p.versions.append(test::version(1, "2.0", "2020-05-01 00:00:00"));
    for (uint32_t id : {3u, 8u, 6u}) {
        FeatureRecord f;
        f.id = id;
        f.title = ByteString("Feature ") + char('0' + id);
        p.features.append(f);
    }
    return {versionChoices(p), featureChoices(p)};
}

BugRecord bug() {
    BugRecord b;
    b.id = 21;
    b.title = "Crash on save";
    b.description = "Steps:\r\n1. Save";
    b.severity = 4;
    b.type = "Crash";
    b.introduced = 4;
    b.discovered = 1;
    b.fixed = 0;
    b.affectedFeatures = {6, 3};
    return b;
}

QString current(QWidget* dialog, const char* name) { return child<QComboBox>(dialog, name)->currentText(); }

TEST(BugDialog, ANewBugOpensWithTheDefaults) {
    Choices c = choices();
    BugDialog dialog;
    dialog.setUp(BugRecord{}, c.versions, c.features);
    EXPECT_EQ(current(&dialog, "severity"), QStringLiteral("1"));
    EXPECT_EQ(current(&dialog, "type"), QStringLiteral("Usability"));
    for (const char* name : {"introduced", "discovered", "fixed"}) {
        auto* box = child<QComboBox>(&dialog, name);
        ASSERT_EQ(box->count(), 3);
        EXPECT_EQ(box->currentIndex(), 0);
        EXPECT_EQ(box->itemText(0), QStringLiteral("None/Unknown"));
        EXPECT_EQ(box->itemText(2), QStringLiteral("2.0 (2020-05-01)"));
        EXPECT_FALSE(box->isEditable());
    }
    EXPECT_TRUE(test::selectedRows(child<QListWidget>(&dialog, "affectedFeatures")).empty());
    EXPECT_EQ(dialog.record(), BugRecord{});
}

TEST(BugDialog, RoundTripKeepsTheRecordWithFeaturesInListOrder) {
    Choices c = choices();
    BugDialog dialog;
    dialog.setUp(bug(), c.versions, c.features);
    EXPECT_EQ(current(&dialog, "severity"), QStringLiteral("4"));
    EXPECT_EQ(current(&dialog, "introduced"), QStringLiteral("1.0 (2019-05-01)"));
    EXPECT_EQ(current(&dialog, "discovered"), QStringLiteral("2.0 (2020-05-01)"));
    EXPECT_EQ(current(&dialog, "fixed"), QStringLiteral("None/Unknown"));
    BugRecord want = bug();
    want.affectedFeatures = {3, 6};
    EXPECT_EQ(dialog.record(), want);
}

TEST(BugDialog, ChoicesReachTheRecord) {
    Choices c = choices();
    BugDialog dialog;
    dialog.setUp(bug(), c.versions, c.features);
    child<QComboBox>(&dialog, "severity")->setCurrentIndex(1);
    child<QComboBox>(&dialog, "type")->setCurrentIndex(2);
    child<QComboBox>(&dialog, "introduced")->setCurrentIndex(0);
    child<QComboBox>(&dialog, "fixed")->setCurrentIndex(2);
    test::clickLine(child<QListWidget>(&dialog, "affectedFeatures"), 1);
    BugRecord out = dialog.record();
    EXPECT_EQ(out.severity, 2u);
    EXPECT_EQ(out.type, "Security");
    EXPECT_EQ(out.introduced, 0u);
    EXPECT_EQ(out.discovered, 1u);
    EXPECT_EQ(out.fixed, 1u);
    EXPECT_EQ(out.affectedFeatures, (IdList{3, 8, 6}));
}

TEST(BugDialog, TypesAreMatchedIgnoringCaseAndUnknownOnesBecomeUsability) {
    Choices c = choices();
    BugDialog dialog;
    BugRecord b = bug();
    b.type = "cRASH";
    dialog.setUp(b, c.versions, c.features);
    EXPECT_EQ(dialog.record().type, "Crash");
    b.type = "Cosmetic";
    dialog.setUp(b, c.versions, c.features);
    EXPECT_EQ(current(&dialog, "type"), QStringLiteral("Usability"));
    EXPECT_EQ(dialog.record().type, "Usability");
}

TEST(BugDialog, SeverityOutsideTheListShowsNoneAndStoresZero) {
    Choices c = choices();
    BugDialog dialog;
    BugRecord b = bug();
    b.severity = 9;
    dialog.setUp(b, c.versions, c.features);
    EXPECT_EQ(child<QComboBox>(&dialog, "severity")->currentIndex(), -1);
    EXPECT_EQ(dialog.record().severity, 0u);
}

TEST(BugDialog, AVersionIdNoVersionHasIsKeptRatherThanMoved) {
    Choices c = choices();
    BugDialog dialog;
    BugRecord b = bug();
    b.introduced = 77;
    b.affectedFeatures = {77, 8};
    dialog.setUp(b, c.versions, c.features);
    EXPECT_EQ(child<QComboBox>(&dialog, "introduced")->currentIndex(), -1);
    BugRecord out = dialog.record();
    EXPECT_EQ(out.introduced, 77u);
    EXPECT_EQ(out.affectedFeatures, (IdList{8}));
}

TEST(BugDialog, EmptyPackageOffersOnlyNoneUnknown) {
    BugDialog dialog;
    dialog.setUp(bug(), VersionChoices{}, FeatureChoices{});
    EXPECT_EQ(child<QComboBox>(&dialog, "fixed")->count(), 1);
    EXPECT_EQ(child<QListWidget>(&dialog, "affectedFeatures")->count(), 0);
    EXPECT_TRUE(dialog.record().affectedFeatures.empty());
}

TEST(BugDialog, UntouchedTextsKeepTheirBytes) {
    Choices c = choices();
    BugDialog dialog;
    BugRecord b = bug();
    b.title = "\xff\xfe title";
    b.description = "a\rb\xc0";
    dialog.setUp(b, c.versions, c.features);
    BugRecord out = dialog.record();
    EXPECT_EQ(out.title, b.title);
    EXPECT_EQ(out.description, b.description);
}

TEST(BugDialog, TabOrderAndMnemonics) {
    BugDialog dialog;
    test::expectBuddies(&dialog);
    EXPECT_EQ(child<QLabel>(&dialog, "affectedFeaturesLabel")->text(), QStringLiteral("&Affected\nfeatures:"));
    test::expectTabOrder(&dialog, {"title", "description", "severity", "type", "introduced", "discovered", "fixed",
                                   "affectedFeatures", "okButton", "cancelButton"});
}

TEST(BugDialog, CancelLeavesTheRecordAndOkTakesTheEdit) {
    QWidget window;
    Choices c = choices();
    BugRecord b = bug();
    const BugRecord before = b;
    bool result = true;
    auto change = [](QDialog* d, const char* button) {
        child<QComboBox>(d, "severity")->setCurrentIndex(4);
        test::pressButton(d, button);
    };
    test::whileModal(&window, [&] { result = editBug(&window, b, c.versions, c.features); },
                     [&](QDialog* d) { change(d, "cancelButton"); });
    EXPECT_FALSE(result);
    EXPECT_EQ(b, before);
    test::whileModal(&window, [&] { result = editBug(&window, b, c.versions, c.features); },
                     [&](QDialog* d) { change(d, "okButton"); });
    EXPECT_TRUE(result);
    EXPECT_EQ(b.severity, 5u);
    EXPECT_EQ(b.id, 21u);
}

}  // namespace
}  // namespace orv
