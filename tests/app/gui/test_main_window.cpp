// The main window: start-up, list and button states, and the editing
// commands with their questions and references.
#include <QTest>

#include "tests/app/gui/main_window_fixture.h"

namespace orv::testing {
namespace {

TEST_F(MainWindowTest, StartsEmptyWithoutAFile) {
    start();
    EXPECT_EQ(window->windowTitle(), "Orvantis");
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_FALSE(child("openButton")->icon().isNull());
    EXPECT_TRUE(fileNameShown().isEmpty());
    EXPECT_TRUE(child<QRadioButton>("versionsRadio")->isChecked());
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(window->selectedRow(), -1);
    EXPECT_EQ(listButtons(), "----");
    for (const char* b : {"addButton", "commonInfoButton", "openButton", "saveButton", "cancelButton"})
        EXPECT_TRUE(enabled(b)) << b;
    EXPECT_TRUE(summary().isEmpty());
    EXPECT_TRUE(messages.empty());
}

TEST_F(MainWindowTest, StartsWithAPackageShowingItsVersions) {
    const QString file = writePackageFile(samplePackage(), "start.dat");
    start(file);
    EXPECT_EQ(fileNameShown(), file);
    ASSERT_EQ(rows(), 3);
    EXPECT_EQ(rowText(0), "1.0 (2006-01-02)");
    EXPECT_EQ(rowText(2), "2.0 (2007-05-14)");
    EXPECT_EQ(window->selectedRow(), 0);
    EXPECT_EQ(listButtons(), "ER-D");
    EXPECT_EQ(summary(), "Version: 1.0\nRelease Date: 2006-01-02\nLocation: \nFile Size: 1000 Bytes\n");

    select(2);
    EXPECT_EQ(listButtons(), "ERU-");
    EXPECT_TRUE(summary().startsWith("Version: 2.0\n"));
    select(1);
    EXPECT_EQ(listButtons(), "ERUD");
}

TEST_F(MainWindowTest, StartupReportsFilesThatCannotBeUsed) {
    start(path("missing.dat"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, "Error");
    EXPECT_EQ(messages[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(messages[0].text, "Unable to open '" + path("missing.dat") + "' for reading.");
    EXPECT_TRUE(fileNameShown().isEmpty());
    EXPECT_EQ(rows(), 0);

    messages.clear();
    QFile text(path("notes.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("just some notes\n");
    text.close();
    start(path("notes.txt"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "The package is not compatible with this version of the Orvantis.");
    EXPECT_EQ(fileNameShown(), path("notes.txt"));
    EXPECT_EQ(window->package(), Package());
    EXPECT_EQ(rows(), 0);
}

TEST_F(MainWindowTest, SwitchingKindsRebuildsTheListAndSelectsTheFirstRow) {
    startWithSample();
    select(2);
    clickRadio("featuresRadio");
    EXPECT_EQ(window->currentKind(), RecordKind::Features);
    ASSERT_EQ(rows(), 2);
    EXPECT_EQ(rowText(1), "B");
    EXPECT_EQ(window->selectedRow(), 0);
    EXPECT_EQ(summary(), "Title: A\n\nDescription: ");

    clickRadio("bugsRadio");
    EXPECT_EQ(rowText(0), "Hang (4 - Crash)");
    EXPECT_EQ(rowText(1), "Typo (1 - Usability)");
    select(1);
    clickRadio("bugsRadio");  // the kind already shown: rebuilt all the same
    EXPECT_EQ(window->selectedRow(), 0);

    clickRadio("versionsRadio");
    EXPECT_EQ(rows(), 3);
    EXPECT_EQ(window->selectedRow(), 0);
}

TEST_F(MainWindowTest, DoubleClickOnlySelects) {
    startWithSample();
    const QRect second = list()->visualRect(list()->model()->index(1, 0));
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(window->selectedRow(), 1);
    EXPECT_EQ(script.calls, 0);
    EXPECT_TRUE(messages.empty());
}

TEST_F(MainWindowTest, AddingTheFirstVersionAsksNothing) {
    start();
    script.text = "1.0";
    click("addButton");
    EXPECT_EQ(script.calls, 1);
    EXPECT_EQ(script.seenId, 0u);
    EXPECT_TRUE(script.seenVersions.ids.empty());
    EXPECT_TRUE(messages.empty());
    ASSERT_EQ(window->package().versions.count(), 1u);
    EXPECT_EQ(window->package().versions[0].id, 1u);
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(window->selectedRow(), 0);
    EXPECT_EQ(listButtons(), "ER--");
    EXPECT_TRUE(summary().startsWith("Version: 1.0\n"));
}

TEST_F(MainWindowTest, AddingAVersionOffersTheAssociation) {
    startWithSample();
    script.text = "3.0";
    click("addButton");
    EXPECT_EQ(script.seenVersions.ids, (IdList{1, 2, 3}));  // built without the new record
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, "Associate Version to Features?");
    EXPECT_EQ(messages[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(messages[0].text,
              "To save you time, Orvantis can automatically associate\nthe latest version's features to the new "
              "version.\nPerform the association?");
    const Package& p = window->package();
    ASSERT_EQ(p.versions.count(), 4u);
    EXPECT_EQ(p.versions[3].id, 4u);
    EXPECT_EQ(p.versions[3].version, "3.0");
    // The last version (2.0, id 3) is in no feature, so nothing is associated.
    EXPECT_EQ(p.features[0].versions, (IdList{1, 2}));
    EXPECT_EQ(rowText(3), "3.0 ()");
    EXPECT_EQ(window->selectedRow(), 3);

    // Move 1.1 (id 2) to the end: features that list it get the next new id.
    select(1);
    click("moveDownButton");
    click("moveDownButton");
    ASSERT_EQ(window->package().versions[3].id, 2u);
    click("addButton");
    EXPECT_EQ(window->package().features[0].versions, (IdList{1, 2, 5}));
    EXPECT_EQ(window->package().features[1].versions, (IdList{1}));

    yesAnswer = false;
    select(0);
    click("addButton");
    EXPECT_EQ(window->package().versions.count(), 6u);
    EXPECT_EQ(window->package().features[0].versions, (IdList{1, 2, 5}));
    EXPECT_EQ(window->selectedRow(), 5);
}

TEST_F(MainWindowTest, CancelledAddChangesNothing) {
    startWithSample();
    select(1);
    script.answer = false;
    for (const char* kind : {"versionsRadio", "featuresRadio", "bugsRadio"}) {
        clickRadio(kind);
        select(1);
        click("addButton");
        EXPECT_EQ(window->selectedRow(), 1) << kind;
    }
    EXPECT_EQ(script.calls, 3);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(window->package(), samplePackage());
    EXPECT_EQ(rows(), 2);
}

TEST_F(MainWindowTest, AddingFeaturesAndBugsGivesTheDialogsTheirLists) {
    startWithSample();
    clickRadio("featuresRadio");
    script.text = "C";
    click("addButton");
    EXPECT_EQ(script.seenVersions.labels,
              (ByteStringList{"1.0 (2006-01-02)", "1.1 (2006-06-30)", "2.0 (2007-05-14)"}));
    EXPECT_EQ(window->package().features[2].id, 3u);
    EXPECT_EQ(rowText(2), "C");
    EXPECT_EQ(window->selectedRow(), 2);

    clickRadio("bugsRadio");
    script.text = "Leak";
    click("addButton");
    EXPECT_EQ(script.seenFeatures.ids, (IdList{1, 2, 3}));
    EXPECT_EQ(script.seenFeatures.titles, (ByteStringList{"A", "B", "C"}));
    EXPECT_EQ(script.seenVersions.ids.count(), 3u);
    EXPECT_EQ(window->package().bugs[2].id, 3u);
    EXPECT_EQ(rowText(2), "Leak (1 - Usability)");
    EXPECT_EQ(window->selectedRow(), 2);
    EXPECT_TRUE(messages.empty());
}

TEST_F(MainWindowTest, EditKeepsIdsAndUpdatesTheRow) {
    startWithSample();
    clickRadio("bugsRadio");
    select(1);
    script.text = "Typing error";
    click("editButton");
    EXPECT_EQ(script.seenId, 2u);
    EXPECT_EQ(script.seenText, "Typo");
    EXPECT_EQ(window->package().bugs[1].id, 2u);
    EXPECT_EQ(rowText(1), "Typing error (1 - Usability)");
    EXPECT_EQ(window->selectedRow(), 1);
    EXPECT_TRUE(summary().startsWith("Title: Typing error\n"));

    // A renamed version keeps every reference to it.
    clickRadio("versionsRadio");
    select(1);
    script.text = "1.1a";
    click("editButton");
    EXPECT_EQ(script.seenVersions.ids, (IdList{1, 2, 3}));
    Package expected = samplePackage();
    expected.versions.at(1).version = "1.1a";
    expected.bugs.at(1).title = "Typing error";
    EXPECT_EQ(window->package(), expected);
    EXPECT_EQ(rowText(1), "1.1a (2006-06-30)");

    script.answer = false;
    click("editButton");
    EXPECT_EQ(window->package(), expected);
    EXPECT_EQ(window->selectedRow(), 1);
}

TEST_F(MainWindowTest, RemovingAVersionAsksAndDropsEveryReference) {
    startWithSample();
    select(1);
    yesAnswer = false;
    click("removeButton");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, "Delete Version?");
    EXPECT_EQ(messages[0].text,
              "You are about to delete the selected version!\n\nThis will disassociate the version from the upgrade "
              "path and all features and bugs.\nDelete the selected version?");
    EXPECT_EQ(window->package(), samplePackage());
    EXPECT_EQ(rows(), 3);

    yesAnswer = true;
    click("removeButton");
    const Package& p = window->package();
    ASSERT_EQ(p.versions.count(), 2u);
    EXPECT_EQ(p.versions[1].id, 3u);
    EXPECT_EQ(p.versions[1].freeUpgrades, (IdList{1}));
    EXPECT_EQ(p.features[0].versions, (IdList{1}));
    EXPECT_EQ(p.bugs[0].introduced, 0u);
    EXPECT_EQ(p.bugs[0].discovered, 0u);
    EXPECT_EQ(p.bugs[0].fixed, 3u);
    EXPECT_EQ(p.bugs[1].fixed, 0u);
    // The record that followed the removed one is selected.
    EXPECT_EQ(rowText(1), "2.0 (2007-05-14)");
    EXPECT_EQ(window->selectedRow(), 1);
    EXPECT_TRUE(summary().startsWith("Version: 2.0\n"));

    // Removing the last row selects the new last row; the only row, nothing.
    click("removeButton");
    EXPECT_EQ(window->selectedRow(), 0);
    click("removeButton");
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(window->selectedRow(), -1);
    EXPECT_EQ(listButtons(), "----");
    EXPECT_TRUE(summary().isEmpty());
}

TEST_F(MainWindowTest, RemovingFeaturesAndBugs) {
    startWithSample();
    clickRadio("featuresRadio");
    click("removeButton");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, "Delete Feature?");
    EXPECT_EQ(messages[0].text,
              "You are about to delete the selected feature listing from the upgrade package!\n\nThis will "
              "disassociate the feature from versions and bugs.\nDelete the selected feature?");
    EXPECT_EQ(window->package().bugs[0].affectedFeatures, (IdList{2}));  // both entries of feature 1 gone
    EXPECT_EQ(rowText(0), "B");
    EXPECT_EQ(window->selectedRow(), 0);

    clickRadio("bugsRadio");
    click("removeButton");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].caption, "Delete Bug?");
    EXPECT_EQ(messages[1].text,
              "You are about to delete the selected bug listing from the upgrade package!\n\nThis will "
              "disassociate the bug from versions and features.\nDelete the selected bug?");
    ASSERT_EQ(window->package().bugs.count(), 1u);
    EXPECT_EQ(window->package().bugs[0].title, "Typo");
    EXPECT_EQ(window->package().versions.count(), 3u);
}

TEST_F(MainWindowTest, MovesExchangeNeighboursAndKeepReferences) {
    startWithSample();
    select(2);
    click("moveUpButton");
    EXPECT_EQ(window->selectedRow(), 1);
    EXPECT_EQ(rowText(1), "2.0 (2007-05-14)");
    EXPECT_EQ(rowText(2), "1.1 (2006-06-30)");
    EXPECT_EQ(listButtons(), "ERUD");
    click("moveUpButton");
    EXPECT_EQ(window->selectedRow(), 0);
    EXPECT_EQ(listButtons(), "ER-D");
    click("moveUpButton");  // disabled at row 0: nothing happens
    EXPECT_EQ(window->selectedRow(), 0);
    window->moveUpCommand();
    EXPECT_EQ(rowText(0), "2.0 (2007-05-14)");

    const Package& p = window->package();
    EXPECT_EQ(p.versions[0].id, 3u);
    EXPECT_EQ(p.versions[0].freeUpgrades, (IdList{1, 2, 2}));
    EXPECT_EQ(p.bugs[0].fixed, 3u);

    select(2);
    window->moveDownCommand();  // the last row: nothing happens
    EXPECT_EQ(rowText(2), "1.1 (2006-06-30)");
    select(0);
    click("moveDownButton");
    EXPECT_EQ(rowText(1), "2.0 (2007-05-14)");
    EXPECT_EQ(window->selectedRow(), 1);
    EXPECT_TRUE(summary().startsWith("Version: 2.0\n"));
}

TEST_F(MainWindowTest, CommonInformationIsEditedOnACopy) {
    startWithSample();
    script.answer = false;
    click("commonInfoButton");
    EXPECT_EQ(script.seenText, "Company");
    EXPECT_EQ(window->package().common.company, "Company");
    script.answer = true;
    script.text = "Other Company";
    click("commonInfoButton");
    EXPECT_EQ(window->package().common.company, "Other Company");
    EXPECT_EQ(rows(), 3);
    EXPECT_EQ(window->selectedRow(), 0);
}

TEST_F(MainWindowTest, MnemonicsReachTheCommands) {
    startWithSample();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_T, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->currentKind() == RecordKind::Features; }, 2000));
    QTest::keyClick(window.get(), Qt::Key_A, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return script.calls == 1; }, 2000));
    EXPECT_EQ(window->package().features.count(), 3u);
}

}  // namespace
}  // namespace orv::testing
