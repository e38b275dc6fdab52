// The Feature Information dialog: fields, the versions list in package
// order, Test labels, OK and Cancel.
#include <QLineEdit>
#include <QPlainTextEdit>

#include "dialogs/feature_dialog.h"
#include "tests/dialogs/dialog_test_helpers.h"

namespace orv {
namespace {

using test::child;

VersionChoices versions() {
    Package p;
    p.versions.append(test::version(5, "1.0", "2019-05-01 00:00:00"));
    p.versions.append(test::version(2, "2.0", "2020-05-01 00:00:00"));
    p.versions.append(test::version(9, "3.0", "2021-05-01 00:00:00"));
    return versionChoices(p);
}

FeatureRecord feature() {
    FeatureRecord f;
    f.id = 12;
    f.title = "Spell checker";
    f.description = "Checks\r\nas you type";
    f.screenshot = "http://example.com/spell.png";
    f.thumbnail = "http://example.com/spell-t.png";
    f.versions = {9, 5};
    return f;
}

TEST(FeatureDialog, RoundTripStoresVersionsInPackageOrder) {
    FeatureDialog dialog;
    dialog.setUp(feature(), versions());
    auto* list = child<QListWidget>(&dialog, "versions");
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("1.0 (2019-05-01)"));
    EXPECT_EQ(test::selectedRows(list), (std::vector<int>{0, 2}));
    EXPECT_EQ(child<QPlainTextEdit>(&dialog, "description")->toPlainText(), QStringLiteral("Checks\nas you type"));
    FeatureRecord want = feature();
    want.versions = {5, 9};
    EXPECT_EQ(dialog.record(), want);
}

TEST(FeatureDialog, EditsAndDeselectingEverythingGiveAnEmptyList) {
    FeatureDialog dialog;
    dialog.setUp(feature(), versions());
    auto* list = child<QListWidget>(&dialog, "versions");
    test::clickLine(list, 0);
    test::clickLine(list, 2);
    auto* description = child<QPlainTextEdit>(&dialog, "description");
    description->moveCursor(QTextCursor::End);
    QTest::keyClick(description, Qt::Key_Return);
    QTest::keyClicks(description, QStringLiteral("fast"));
    FeatureRecord out = dialog.record();
    EXPECT_TRUE(out.versions.empty());
    EXPECT_EQ(out.description, "Checks\r\nas you type\r\nfast");
    EXPECT_EQ(out.id, 12u);
}

TEST(FeatureDialog, TestLabelsOpenScreenshotAndThumbnail) {
    test::LinkRecorder links;
    FeatureDialog dialog;
    dialog.setUp(feature(), versions());
    child<QLineEdit>(&dialog, "thumbnail")->setText(QStringLiteral("C:\\shots\\t.png"));
    test::clickLink(&dialog, "screenshotTest");
    test::clickLink(&dialog, "thumbnailTest");
    ASSERT_EQ(links.opened.size(), 2u);
    EXPECT_EQ(links.opened[0].link, "http://example.com/spell.png");
    EXPECT_EQ(links.opened[1].link, "C:\\shots\\t.png");  // the opener, not the dialog, turns slashes
}

TEST(FeatureDialog, TabOrderAndMnemonics) {
    FeatureDialog dialog;
    test::expectBuddies(&dialog);
    test::expectTabOrder(&dialog,
                         {"title", "description", "screenshot", "thumbnail", "versions", "okButton", "cancelButton"});
}

TEST(FeatureDialog, CancelLeavesTheRecordAndOkTakesTheEdit) {
    QWidget window;
    FeatureRecord f = feature();
    const FeatureRecord before = f;
    bool result = true;
    auto change = [](QDialog* d, const char* button) {
        test::clickLine(child<QListWidget>(d, "versions"), 1);
        test::pressButton(d, button);
    };
    test::whileModal(&window, [&] { result = editFeature(&window, f, versions()); },
                     [&](QDialog* d) { change(d, "cancelButton"); });
    EXPECT_FALSE(result);
    EXPECT_EQ(f, before);
    test::whileModal(&window, [&] { result = editFeature(&window, f, versions()); },
                     [&](QDialog* d) { change(d, "okButton"); });
    EXPECT_TRUE(result);
    EXPECT_EQ(f.versions, (IdList{5, 2, 9}));
}

}  // namespace
}  // namespace orv
