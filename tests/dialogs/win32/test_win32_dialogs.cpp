// The Windows editor dialogs driven in-process as a user drives them:
// each is created on its template, its controls found by id, messages
// sent to them and their texts read back; OK and the "Test" labels are
// clicked through the messages the controls send.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "dialogs/win32/record_dialogs.h"
#include "dialogs/win32/window_text.h"
#include "resources/control_ids.h"
#include "support/numbers.h"
#include "tests/net/script_server.h"
#include "tests/dialogs/sample_choices.h"

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace orv {
namespace {

using Links = std::vector<std::pair<LinkKind, ByteString>>;

struct Recorder {
    Links links;
    std::vector<MessageRequest> boxes;
    DialogServices services() {
        return {[this](HWND, const MessageRequest& r) { return boxes.push_back(r), MessageAnswer::Ok; },
                [this](LinkKind k, const ByteString& l) { links.emplace_back(k, l); },
                [](const ByteString& location) { return determineDownloadSize(location); }};
    }
};

// A button or label clicked: the notification its dialog receives.
void click(HWND dialog, int id) {
    const WORD code = id == IDOK || id == IDCANCEL ? BN_CLICKED : STN_CLICKED;
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}
void toggleLine(HWND dialog, int list, int line) {
    HWND box = GetDlgItem(dialog, list);
    const LRESULT on = SendMessageW(box, LB_GETSEL, static_cast<WPARAM>(line), 0);
    SendMessageW(box, LB_SETSEL, on ? FALSE : TRUE, line);
}
ByteString text(HWND dialog, int id) { return itemText(dialog, id); }

using orv::testing::samplePackage;

const VersionRecord kVersion{.id = 3, .version = "1.1", .reservedText = "kept",
                             .location = "http://example.com/app-1.1.zip", .fileSize = "1,234 bytes",
                             .screenshot = "http://example.com/s.png", .thumbnail = "",
                             .releaseDate = "2020-06-30 15:16:17", .freeUpgrades = {2, 1}, .freeUpgradeDays = 45};

TEST(Win32VersionDialog, ShowsTheRecordKeepsItOnOkAndStoresEdits) {
    Recorder seen;
    VersionDialog dialog(seen.services());
    dialog.setUp(kVersion, versionChoices(samplePackage()));
    HWND w = dialog.create(nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(windowText(w), "Version Information");
    EXPECT_EQ(text(w, IDC_VER_LOCATION) + "|" + text(w, IDC_VER_FILE_SIZE) + "|" + text(w, IDC_VER_DAYS),
              "http://example.com/app-1.1.zip|1,234 bytes|45");
    EXPECT_EQ(SendMessageW(GetDlgItem(w, IDC_VER_FREE_UPGRADES), LB_GETSELCOUNT, 0, 0), 2);
    SYSTEMTIME day{};
    SendMessageW(GetDlgItem(w, IDC_VER_RELEASED), MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&day));
    EXPECT_EQ(day.wYear * 10000 + day.wMonth * 100 + day.wDay, 20200630);

    // Test labels open their field as typed; Determine refuses a non-HTTP location.
    setItemText(w, IDC_VER_SCREENSHOT, "C:\\shots\\s.png");
    for (int id : {IDC_VER_LOCATION_TEST, IDC_VER_SCREENSHOT_TEST, IDC_VER_THUMBNAIL_TEST}) click(w, id);
    EXPECT_EQ(seen.links, (Links{{LinkKind::Web, kVersion.location}, {LinkKind::Web, "C:\\shots\\s.png"},
                                 {LinkKind::Web, ""}}));
    setItemText(w, IDC_VER_LOCATION, "ftp://example.com/x");
    click(w, IDC_VER_DETERMINE);
    ASSERT_EQ(seen.boxes.size(), 1u);
    EXPECT_EQ(seen.boxes[0].caption + ": " + seen.boxes[0].text,
              "Error: The protocol is not HTTP.  This program does not support the FTP protocol.");

    toggleLine(w, IDC_VER_FREE_UPGRADES, 0);  // id 1 off
    toggleLine(w, IDC_VER_FREE_UPGRADES, 1);  // id 3 on: the version may list itself
    SYSTEMTIME leap{2024, 2, 4, 29, 0, 0, 0, 0};
    SendMessageW(GetDlgItem(w, IDC_VER_RELEASED), MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&leap));
    setItemText(w, IDC_VER_DAYS, "7000000000");
    click(w, IDOK);
    EXPECT_EQ(dialog.result(), IDOK);
    VersionRecord want = kVersion;
    want.location = "ftp://example.com/x";
    want.screenshot = "C:\\shots\\s.png";
    want.freeUpgrades = {3, 2};
    want.releaseDate = "2024-02-29 00:00:00";
    want.freeUpgradeDays = static_cast<uint32_t>(7000000000ull % 4294967296ull);
    EXPECT_EQ(dialog.record(), want);
}

TEST(Win32VersionDialog, DetermineAutomaticallyFillsTheSizeFromALoopbackServer) {
    Recorder seen;
    VersionDialog dialog(seen.services());
    dialog.setUp(VersionRecord{}, {});
    HWND w = dialog.create(nullptr);
    testing::ScriptServer server({"HTTP/1.1 200 OK\r\ncontent-length:   987654\r\n\r\n"});
    ASSERT_TRUE(server.bound());
    setItemText(w, IDC_VER_LOCATION, "http://127.0.0.1:" + textFromU32(server.port()) + "/setup.exe");
    click(w, IDC_VER_DETERMINE);
    EXPECT_TRUE(seen.boxes.empty());
    EXPECT_EQ(text(w, IDC_VER_FILE_SIZE), "987654");
    EXPECT_EQ(text(w, IDC_VER_DAYS), "30");
    click(w, IDCANCEL);
    EXPECT_EQ(dialog.result(), IDCANCEL);
}

TEST(Win32CommonInfoDialog, UntouchedFieldsKeepTheirBytesAndTestLabelsOpenTheirField) {
    Recorder seen;
    CommonInfoDialog dialog(seen.services());
    CommonInfo want;
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) want.field(i) = "value " + textFromU32(i);
    want.company = "Caf\xe9 \xff";          // not UTF-8: shown replaced, kept as it was
    want.companyAddress = "a\nb\rc\r\nd";  // any line break shows as one
    want.companyEmail = "";
    want.salesEmail = "mailto:sales@example.com";
    dialog.setInfo(want);
    HWND w = dialog.create(nullptr);
    EXPECT_EQ(text(w, IDC_CI_COMPANY_ADDRESS), "a\r\nb\r\nc\r\nd");
    setItemText(w, IDC_CI_PRODUCT_DESCRIPTION, "line one\r\nTown");
    for (const TestLink& link : commonInfoTestLinks()) click(w, static_cast<int>(link.linkId));
    EXPECT_EQ(seen.links, (Links{{LinkKind::Web, "value 2"}, {LinkKind::Web, "value 4"}, {LinkKind::Mail, "mailto:"},
                                 {LinkKind::Web, "value 9"}, {LinkKind::Mail, "mailto:mailto:sales@example.com"},
                                 {LinkKind::Mail, "mailto:value 13"}}));
    click(w, IDOK);
    want.productDescription = "line one\r\nTown";
    EXPECT_EQ(dialog.info(), want);
}

TEST(Win32FeatureAndBugDialogs, ListsDropDownsAndIdsNoRecordHolds) {
    Recorder seen;
    FeatureDialog feature(seen.services());
    feature.setUp({.id = 12, .title = "Spell", .description = "x\r\ny", .versions = {7, 2}},
                  versionChoices(samplePackage()));
    HWND f = feature.create(nullptr);
    click(f, IDOK);  // an id no version holds (7) comes back after the ids shown
    EXPECT_EQ(feature.record().versions, (IdList{2, 7}));
    EXPECT_EQ(feature.record().description, "x\r\ny");

    BugDialog bug(seen.services());
    bug.setUp({.id = 21, .title = "Hang", .severity = 9, .type = "cRASH", .introduced = 77, .fixed = 2,
               .affectedFeatures = {77, 8}},
              versionChoices(samplePackage()), featureChoices(samplePackage()));
    HWND b = bug.create(nullptr);
    HWND introduced = GetDlgItem(b, IDC_BUG_INTRODUCED);
    EXPECT_EQ(SendMessageW(introduced, CB_GETCOUNT, 0, 0), 5);  // None, three versions, the kept id
    EXPECT_EQ(SendMessageW(introduced, CB_GETCURSEL, 0, 0), 4);
    EXPECT_EQ(SendMessageW(GetDlgItem(b, IDC_BUG_SEVERITY), CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(comboText(GetDlgItem(b, IDC_BUG_TYPE)), "Crash");
    EXPECT_EQ(comboText(GetDlgItem(b, IDC_BUG_FIXED)), "2.0 (2021-03-04)");
    SendMessageW(GetDlgItem(b, IDC_BUG_DISCOVERED), CB_SETCURSEL, 2, 0);
    toggleLine(b, IDC_BUG_AFFECTED, 0);
    click(b, IDOK);
    const BugRecord want{.id = 21, .title = "Hang", .severity = 0, .type = "Crash", .introduced = 77,
                         .discovered = 3, .fixed = 2, .affectedFeatures = {3, 8}};  // the selection changed
    EXPECT_EQ(bug.record(), want);
}

TEST(Win32LinkStatic, UnderlinedHandCursorNotifiesItsDialogAndOpensOnlyWhenAsked) {
    Recorder seen;
    FeatureDialog dialog(seen.services());
    HWND w = dialog.create(nullptr);
    HWND label = GetDlgItem(w, IDC_FEAT_SCREENSHOT_TEST);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_TRUE(font.lfUnderline);
    EXPECT_TRUE(GetWindowLongPtrW(label, GWL_STYLE) & SS_NOTIFY);

    CreateWindowW(L"STATIC", L"Test", WS_CHILD | WS_VISIBLE, 5, 5, 40, 12, w, reinterpret_cast<HMENU>(4242),
                  nullptr, nullptr);
    CLinkStatic own;  // a label of its own that opens what it says
    ASSERT_TRUE(own.Attach(w, 4242));
    ByteString opened;
    own.SetOpener([&](const ByteString& target) { return opened = target, true; });
    own.SetNotifyParent(true);
    EXPECT_NE(own.linkCursor(), nullptr);
    EXPECT_EQ(own.OpenLink(""), 36);
    click(w, 4242);
    EXPECT_EQ(opened, "Test");
    EXPECT_TRUE(own.visited());
    EXPECT_EQ(own.textColour(), RGB(85, 26, 139));
    EXPECT_TRUE(seen.links.empty());  // the dialog knows no label 4242
    click(w, IDC_FEAT_THUMBNAIL_TEST);
    EXPECT_EQ(seen.links, (Links{{LinkKind::Web, ""}}));
}

}  // namespace
}  // namespace orv
