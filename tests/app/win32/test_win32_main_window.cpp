// The Windows editor's main window driven in-process under Wine as a user
// drives it: buttons clicked (a disabled one ignores the click), rows
// selected, the keys sent through the dialog manager. The real editor
// dialogs run modally and are answered from inside their modal loop; the
// message boxes and file dialogs are answered by the services the window
// is handed, and the files are real.
#include <gtest/gtest.h>

#include <windows.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/win32/main_window.h"
#include "dialogs/win32/window_text.h"
#include "package/file.h"
#include "package/format.h"
#include "resources/control_ids.h"
#include "tests/links/recording_handlers_windows.h"

#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace orv {
namespace {

namespace fs = std::filesystem;

void click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
// A "Test" label: the notification its click sends.
void clickLabel(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, STN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}
// A key as the dialog manager gets it from the window with the focus.
void key(HWND dialog, int focus, WPARAM vk) {
    MSG m{GetDlgItem(dialog, focus), WM_KEYDOWN, vk, 1, 0, {}};
    if (!IsDialogMessageW(dialog, &m)) DispatchMessageW(&m);
}

std::string bytesOf(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
ByteString encoded(const Package& p) {
    ByteString content;
    EXPECT_TRUE(writePackage(p, content));
    return content;
}

// Versions 1.0 (id 1), 1.1 (id 2), 2.0 (id 3); features A [1, 2] and B
// [1, 3]; bugs Hang (introduced 2, fixed 3, affecting A twice) and Typo.
Package smallPackage() {
    Package p;
    p.common.company = "Company";
    p.versions = {{.id = 1, .version = "1.0", .releaseDate = "2006-01-02 00:00:00"},
                  {.id = 2, .version = "1.1", .releaseDate = "2006-06-30 00:00:00"},
                  {.id = 3, .version = "2.0", .releaseDate = "2007-05-14 00:00:00", .freeUpgrades = {1, 2}}};
    p.features = {{.id = 1, .title = "A", .versions = {1, 2}}, {.id = 2, .title = "B", .versions = {1, 3}}};
    p.bugs = {{.id = 1, .title = "Hang", .severity = 4, .type = "Crash", .introduced = 2, .fixed = 3,
               .affectedFeatures = {1, 2, 1}},
              {.id = 2, .title = "Typo", .fixed = 2}};
    return p;
}

class Win32MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("orv-main-" + std::to_string(GetCurrentProcessId()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        current_ = this;
        timer_ = SetTimer(nullptr, 0, 10, onTimer);
    }
    void TearDown() override {
        KillTimer(nullptr, timer_);
        window.reset();
        current_ = nullptr;
        fs::remove_all(dir);
    }

    MainWindowServices services() {
        MainWindowServices s = realMainWindowServices();  // the registry's link handlers, the size request
        s.dialogs.message = [this](HWND owner, const MessageRequest& r) {
            EXPECT_EQ(owner, window->handle());
            messages.push_back((r.caption + (r.buttons == MessageButtons::Ok ? " [OK]: " : " [Yes/No]: ") + r.text)
                                   .toStdString());
            return r.buttons == MessageButtons::Ok ? MessageAnswer::Ok : yes ? MessageAnswer::Yes : MessageAnswer::No;
        };
        s.chooseFile = [this](HWND owner, const FileDialogRequest& r) {
            EXPECT_EQ(owner, window->handle());
            fileRequests.push_back(r.title.toStdString());
            if (fileAnswers.empty()) return ByteString();
            const ByteString name(fileAnswers.front().string());
            fileAnswers.pop_front();
            return name;
        };
        s.saveLockWait = std::chrono::milliseconds(100);
        return s;
    }
    fs::path writeFile(const Package& p, const char* name) {
        std::ofstream(dir / name, std::ios::binary) << encoded(p).toStdString();
        return dir / name;
    }
    void start(const fs::path& file = {}) {
        window = std::make_unique<MainWindow>(services());
        if (!file.empty()) window->setFileName(ByteString(file.string()));
        ASSERT_NE(window->create(nullptr), nullptr);
    }
    HWND w() const { return window->handle(); }
    void select(int row) {
        SendMessageW(GetDlgItem(w(), IDC_MAIN_LIST), LB_SETCURSEL, static_cast<WPARAM>(row), 0);
        SendMessageW(w(), WM_COMMAND, MAKEWPARAM(IDC_MAIN_LIST, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(w(), IDC_MAIN_LIST)));
    }
    int rows() { return static_cast<int>(SendMessageW(GetDlgItem(w(), IDC_MAIN_LIST), LB_GETCOUNT, 0, 0)); }
    std::string row(int i) {
        HWND list = GetDlgItem(w(), IDC_MAIN_LIST);
        std::wstring text(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)), L'\0');
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        return utf8Text(text.data(), text.size()).toStdString();
    }
    // Edit, Remove, Move Up and Move Down ("-" when disabled), then the
    // rows with the selected one starred: "ER-D: *1.0 (...) | 1.1 (...)".
    std::string view() {
        std::string s;
        for (auto [id, c] : {std::pair{IDC_MAIN_EDIT, 'E'}, {IDC_MAIN_REMOVE, 'R'}, {IDC_MAIN_MOVE_UP, 'U'},
                             {IDC_MAIN_MOVE_DOWN, 'D'}})
            s += IsWindowEnabled(GetDlgItem(w(), id)) ? c : '-';
        s += ":";
        for (int i = 0; i < rows(); ++i) s += (i ? " | " : " ") + std::string(i == window->selectedRow() ? "*" : "") + row(i);
        return s;
    }
    std::string text(int id) { return itemText(w(), id).toStdString(); }

    // The next modal dialogs, in turn: each step gets the dialog and ends it.
    void answer(std::function<void(HWND)> step) { steps_.push_back(std::move(step)); }
    static void ok(HWND d) { click(d, IDOK); }

    fs::path dir;
    std::unique_ptr<MainWindow> window;
    std::vector<std::string> messages;  // "Caption [OK]: text" or "Caption [Yes/No]: text"
    bool yes = true;                    // the questions' answer
    std::deque<fs::path> fileAnswers;   // the names the file dialogs give, in turn; then Cancel
    std::vector<std::string> fileRequests, captions;  // the file dialogs' titles; the modal dialogs'

private:
    // A modal dialog the main window owns is answered by the next step; one
    // without a step, or still open after five seconds, is cancelled, so a
    // failing test cannot hang.
    static void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD) {
        static bool busy = false;
        Win32MainWindow* self = current_;
        if (busy || !self || !self->window || !self->window->handle()) return;
        HWND modal = nullptr;
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND h, LPARAM found) {
                if (!IsWindowVisible(h) || !IsWindowEnabled(h) || GetWindow(h, GW_OWNER) != current_->window->handle())
                    return TRUE;
                *reinterpret_cast<HWND*>(found) = h;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&modal));
        if (!modal) return;
        busy = true;
        if (modal != self->lastModal_) {
            self->lastModal_ = modal;
            self->openedAt_ = GetTickCount();
            self->captions.push_back(windowText(modal).toStdString());
            if (!self->steps_.empty()) {
                auto step = std::move(self->steps_.front());
                self->steps_.pop_front();
                step(modal);
            }
        } else if (GetTickCount() - self->openedAt_ > 5000) {
            SendMessageW(modal, WM_COMMAND, IDCANCEL, 0);
        }
        busy = false;
    }
    static inline Win32MainWindow* current_ = nullptr;
    UINT_PTR timer_ = 0;
    std::deque<std::function<void(HWND)>> steps_;
    HWND lastModal_ = nullptr;
    DWORD openedAt_ = 0;
};

// What OK on a dialog the user left untouched stores: a list of ids in the
// order of its lines, a release date as its day, a bug's severity and type
// as the dialog's lists show them (taken from `shown`); all else as it was.
Package afterOk(Package p, const Package& shown) {
    const VersionChoices versions = versionChoices(p);
    const FeatureChoices features = featureChoices(p);
    const auto untouched = [](const RecordChoices& c, const IdList& ids) { return idsOnOk(c, ids, linesOfIds(c, ids)); };
    for (uint32_t i = 0; i < p.versions.count(); ++i) {
        p.versions[i].freeUpgrades = untouched(versions, p.versions[i].freeUpgrades);
        p.versions[i].releaseDate = shown.versions[i].releaseDate;
    }
    for (uint32_t i = 0; i < p.features.count(); ++i) p.features[i].versions = untouched(versions, p.features[i].versions);
    for (uint32_t i = 0; i < p.bugs.count(); ++i) {
        p.bugs[i].affectedFeatures = untouched(features, p.bugs[i].affectedFeatures);
        p.bugs[i].severity = shown.bugs[i].severity;
        p.bugs[i].type = shown.bugs[i].type;
    }
    return p;
}

// Every record of every kind opened in its real dialog and closed with OK,
// the common information too, then saved, for the sample and the hostile
// files of the fuzz corpus: ids no record holds are kept, every text keeps
// its bytes, and the sample comes back byte for byte.
TEST_F(Win32MainWindow, EditingEveryRecordWithOkAndSavingKeepsTheFile) {
    const fs::path corpus = fs::path(ORV_SOURCE_DIR) / "fuzz";
    std::vector<fs::path> files = {fs::path(ORV_SOURCE_DIR) / "examples" / "sample.dat"};
    for (const char* folder : {"corpus/read_package", "regressions/read_package"})
        for (const auto& e : fs::directory_iterator(corpus / folder)) files.push_back(e.path());
    for (const fs::path& original : files) {
        SCOPED_TRACE(original.string());
        const fs::path file = dir / "package.dat";
        fs::copy_file(original, file, fs::copy_options::overwrite_existing);
        Package expected;
        ASSERT_TRUE(readPackage(expected, ByteString(bytesOf(original))));
        start(file);
        EXPECT_EQ(text(IDC_MAIN_FILENAME), file.string());
        captions.clear();
        for (int kind : {IDC_MAIN_VERSIONS, IDC_MAIN_FEATURES, IDC_MAIN_BUGS}) {
            click(w(), kind);
            for (int i = 0; i < rows(); ++i) {
                select(i);
                const std::string label = row(i);
                answer(ok);
                click(w(), IDC_MAIN_EDIT);
                if (kind == IDC_MAIN_FEATURES) {
                    EXPECT_EQ(row(i), label);
                }
            }
        }
        answer(ok);
        click(w(), IDC_MAIN_COMMON_INFO);
        EXPECT_EQ(captions.size(), expected.versions.count() + expected.features.count() + expected.bugs.count() + 1);
        EXPECT_EQ(captions.back(), "Common Information");
        expected = afterOk(expected, window->package());
        EXPECT_EQ(window->package(), expected);
        click(w(), IDOK);
        EXPECT_EQ(window->result(), IDOK);
        EXPECT_EQ(bytesOf(file), encoded(expected).toStdString());
        if (original.filename() == "sample.dat") {
            EXPECT_EQ(bytesOf(file), bytesOf(original));
        }
        EXPECT_TRUE(messages.empty());
    }
}

TEST_F(Win32MainWindow, EveryCommandKeepsTheListInStepWithThePackage) {
    start(writeFile(smallPackage(), "small.dat"));
    EXPECT_EQ(windowText(w()), "Orvantis");
    EXPECT_EQ(view(), "ER-D: *1.0 (2006-01-02) | 1.1 (2006-06-30) | 2.0 (2007-05-14)");
    EXPECT_EQ(text(IDC_MAIN_SUMMARY).rfind("Version: 1.0\r\nRelease Date: 2006-01-02\r\n", 0), 0u);

    answer([](HWND d) { setItemText(d, IDC_VER_VERSION, "3.0"), ok(d); });
    click(w(), IDC_MAIN_ADD);
    EXPECT_EQ(captions.back(), "Version Information");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].substr(0, 39), "Associate Version to Features? [Yes/No]");
    EXPECT_EQ(window->package().features[1].versions, (IdList{1, 3, 4}));  // B has the latest version
    EXPECT_EQ(view().substr(0, 5), "ERU-:");
    EXPECT_EQ(row(3).substr(0, 5), "3.0 (");

    click(w(), IDC_MAIN_FEATURES);
    answer([](HWND d) { setItemText(d, IDC_FEAT_TITLE, "Thrown away"), click(d, IDCANCEL); });
    click(w(), IDC_MAIN_ADD);
    select(1);
    click(w(), IDC_MAIN_MOVE_UP);
    EXPECT_EQ(view(), "ER-D: *B | A");
    click(w(), IDC_MAIN_MOVE_UP);  // disabled on the first row: nothing
    click(w(), IDC_MAIN_MOVE_DOWN);
    EXPECT_EQ(view(), "ERU-: A | *B");
    select(0);
    yes = false;
    click(w(), IDC_MAIN_REMOVE);
    EXPECT_EQ(view(), "ER-D: *A | B");
    yes = true;
    click(w(), IDC_MAIN_REMOVE);
    EXPECT_EQ(view(), "ER--: *B");
    EXPECT_EQ(window->package().bugs[0].affectedFeatures, (IdList{2}));  // both entries of A gone

    click(w(), IDC_MAIN_BUGS);
    select(1);
    answer([](HWND d) { SendMessageW(GetDlgItem(d, IDC_BUG_TYPE), CB_SETCURSEL, 2, 0), ok(d); });
    click(w(), IDC_MAIN_EDIT);
    EXPECT_EQ(view(), "ERU-: Hang (4 - Crash) | *Typo (1 - Security)");
    EXPECT_EQ(text(IDC_MAIN_SUMMARY).rfind("Title: Typo\r\n", 0), 0u);
    answer([](HWND d) { setItemText(d, IDC_CI_COMPANY, "Northwind"), ok(d); });
    click(w(), IDC_MAIN_COMMON_INFO);
    EXPECT_EQ(window->package().common.company, "Northwind");
    EXPECT_EQ(view(), "ERU-: Hang (4 - Crash) | *Typo (1 - Security)");  // neither list nor summary shows it

    click(w(), IDC_MAIN_VERSIONS);  // versions again, the first row selected
    for (int i = 0; i < 4; ++i) click(w(), IDC_MAIN_REMOVE);
    EXPECT_EQ(view() + text(IDC_MAIN_SUMMARY), "----:");
    EXPECT_EQ(window->package().bugs[0].introduced + window->package().bugs[0].fixed, 0u);
    EXPECT_EQ(captions, (std::vector<std::string>{"Version Information", "Feature Information", "Bug Information",
                                                  "Common Information"}));
    EXPECT_EQ(messages.size(), 7u);  // the association, then a question before each removal
}

TEST_F(Win32MainWindow, OpenAndSaveReportWhatTheyCannotUseAndAskForAnotherName) {
    start(dir / "missing.dat");  // the same load at start-up
    EXPECT_EQ(messages.at(0), "Error [OK]: Unable to open '" + (dir / "missing.dat").string() + "' for reading.");
    EXPECT_EQ(text(IDC_MAIN_FILENAME), "");
    std::ofstream(dir / "notes.txt") << "just notes";
    fileAnswers = {dir / "notes.txt", writeFile(smallPackage(), "small.dat")};
    click(w(), IDC_MAIN_FEATURES);
    click(w(), IDC_MAIN_OPEN);
    EXPECT_EQ(messages.at(1), "Error [OK]: The package is not compatible with this version of the Orvantis.");
    EXPECT_EQ(text(IDC_MAIN_FILENAME), (dir / "notes.txt").string());
    click(w(), IDC_MAIN_OPEN);
    EXPECT_EQ(view(), "ER-D: *A | B");  // the kind stays
    EXPECT_EQ(fileRequests, (std::vector<std::string>{"Open", "Open"}));

    // The shown file cannot be written: told, then "Save As"; ".dat" added.
    fs::remove(dir / "small.dat");
    fs::create_directory(dir / "small.dat");
    fileAnswers = {dir / "pkg"};
    key(w(), IDC_MAIN_LIST, VK_RETURN);  // Enter saves
    EXPECT_EQ(messages.at(2), "Error [OK]: Unable to write to '" + (dir / "small.dat").string() +
                                  "'.\nPlease choose another filename.");
    EXPECT_EQ(fileRequests.back(), "Save As");
    EXPECT_EQ(window->result(), IDOK);
    EXPECT_EQ(bytesOf(dir / "pkg.dat"), encoded(smallPackage()).toStdString());

    // Without a name "Save As" comes at once; cancelled, the window stays.
    start();
    key(w(), IDC_MAIN_LIST, VK_RETURN);
    EXPECT_EQ(fileRequests.back(), "Save As");
    EXPECT_EQ(window->result(), 0);
    EXPECT_EQ(messages.size(), 3u);
    key(w(), IDC_MAIN_LIST, VK_ESCAPE);  // Esc cancels without writing
    EXPECT_EQ(window->result(), IDCANCEL);
}

TEST_F(Win32MainWindow, SaveAsksBeforeOverwritingAFileChangedOnDisk) {
    const fs::path file = writeFile(smallPackage(), "small.dat");
    start(file);
    Package theirs = smallPackage();
    theirs.common.company = "Changed by a pipeline";
    writeFile(theirs, "small.dat");
    yes = false;  // No: their file stays, and "Save As" is offered (cancelled here)
    click(w(), IDOK);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Overwrite Changed File? [Yes/No]: The file has been changed by another program since it "
                           "was opened.\nOverwrite it with the package shown here?");
    EXPECT_EQ(fileRequests, (std::vector<std::string>{"Save As"}));
    EXPECT_EQ(bytesOf(file), encoded(theirs).toStdString());
    EXPECT_EQ(window->result(), 0);
    yes = true;
    click(w(), IDOK);
    EXPECT_EQ(bytesOf(file), encoded(smallPackage()).toStdString());
    EXPECT_EQ(window->result(), IDOK);
}

TEST_F(Win32MainWindow, SystemMenuIconsAndAboutBox) {
    start();
    wchar_t item[64] = {};
    GetMenuStringW(GetSystemMenu(w(), FALSE), IDM_ABOUTBOX, item, 64, MF_BYCOMMAND);
    EXPECT_EQ(std::wstring(item), L"&About Orvantis...");
    EXPECT_NE(SendMessageW(w(), WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageW(GetDlgItem(w(), IDC_MAIN_OPEN), BM_GETIMAGE, IMAGE_ICON, 0), 0);
    answer(ok);
    SendMessageW(w(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    EXPECT_EQ(captions, (std::vector<std::string>{"About Orvantis"}));
    EXPECT_EQ(window->result(), 0);
}

// The "Test" labels start what the registry names for web and mail links.
TEST_F(Win32MainWindow, TestLabelsOpenTheRegisteredBrowserAndMailClient) {
    testing::RecordingHandlers handlers(RECORD_ARGS_PATH);
    if (!handlers.foreign.empty()) GTEST_SKIP() << "the current user has a key of their own: " << handlers.foreign;
    ASSERT_TRUE(handlers.install());
    start(fs::path(ORV_SOURCE_DIR) / "examples" / "sample.dat");
    EXPECT_EQ(handlers.recorded([&] {
        answer([](HWND d) { clickLabel(d, IDC_VER_LOCATION_TEST), ok(d); });
        click(w(), IDC_MAIN_EDIT);
    }),
              (ByteStringList{"http://downloads.example.com/tidewater/tidewater-1.0-setup.exe"}));
    EXPECT_EQ(handlers.recorded([&] {
        answer([](HWND d) { setItemText(d, IDC_CI_SALES_EMAIL, "a@b?subject=x&attach=C:\\x"), clickLabel(d, IDC_CI_SALES_EMAIL_TEST), ok(d); });
        click(w(), IDC_MAIN_COMMON_INFO);
    }),
              (ByteStringList{"-compose", "mailto:a@b?subject=x", "/x:%PATH%"}));
}

}  // namespace
}  // namespace orv
