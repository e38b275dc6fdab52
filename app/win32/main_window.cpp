#include "app/win32/main_window.h"

#include "app/summaries.h"
#include "dialogs/win32/record_dialogs.h"
#include "dialogs/win32/window_text.h"
#include "resources/control_ids.h"

namespace orv {

namespace {

constexpr int kKindButtons[] = {IDC_MAIN_VERSIONS, IDC_MAIN_FEATURES, IDC_MAIN_BUGS};

HICON loadIcon(int id, int width, int height) {
    return static_cast<HICON>(
        LoadImageW(programInstance(), MAKEINTRESOURCEW(id), IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
}

}  // namespace

MainWindow::MainWindow(MainWindowServices services) : Dialog(IDD_MAIN), services_(std::move(services)) {
    icon_ = loadIcon(IDI_PROGRAM, 0, 0);  // the system's default icon size
    openIcon_ = loadIcon(IDI_OPEN, 16, 16);
}

MainWindow::~MainWindow() {
    if (icon_) DestroyIcon(icon_);
    if (openIcon_) DestroyIcon(openIcon_);
}

bool MainWindow::OnInitDialog() {
    if (!services_.editors.version) {
        const DialogServices d = services_.dialogs;
        HWND self = handle();
        services_.editors = {[=](CommonInfo& c) { return editCommonInfo(d, self, c); },
                             [=](VersionRecord& v, const VersionChoices& vs) { return editVersion(d, self, v, vs); },
                             [=](FeatureRecord& f, const VersionChoices& vs) { return editFeature(d, self, f, vs); },
                             [=](BugRecord& b, const VersionChoices& vs, const FeatureChoices& fs) {
                                 return editBug(d, self, b, vs, fs);
                             }};
    }
    if (HMENU menu = GetSystemMenu(handle(), FALSE)) {
        wchar_t about[128] = {};
        if (LoadStringW(programInstance(), IDS_ABOUTBOX, about, 128) > 0) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, about);
        }
    }
    SendMessageW(handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(item(IDC_MAIN_OPEN), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(openIcon_));
    if (!fileName_.empty()) loadPackageFile(doc_, fileName_, editorServices(), view());
    CheckRadioButton(handle(), IDC_MAIN_VERSIONS, IDC_MAIN_FEATURES, IDC_MAIN_VERSIONS);
    refreshList();
    return true;
}

RecordKind MainWindow::currentKind() const {
    if (IsDlgButtonChecked(handle(), IDC_MAIN_VERSIONS) == BST_CHECKED) return RecordKind::Versions;
    if (IsDlgButtonChecked(handle(), IDC_MAIN_FEATURES) == BST_CHECKED) return RecordKind::Features;
    return RecordKind::Bugs;
}

int MainWindow::selectedRow() const {
    const LRESULT sel = SendMessageW(item(IDC_MAIN_LIST), LB_GETCURSEL, 0, 0);
    return sel == LB_ERR ? -1 : static_cast<int>(sel);
}

void MainWindow::selectRow(int row) { SendMessageW(item(IDC_MAIN_LIST), LB_SETCURSEL, static_cast<WPARAM>(row), 0); }

void MainWindow::refreshList() {
    HWND list = item(IDC_MAIN_LIST);
    const RecordKind kind = currentKind();
    const uint32_t count = recordCount(doc_.package, kind);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    SendMessageW(list, LB_INITSTORAGE, count, static_cast<LPARAM>(count) * 32);
    for (uint32_t i = 0; i < count; ++i) addListLine(list, rowLabel(doc_.package, kind, i));
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    selectRow(0);
    updateSelectionState();
}

void MainWindow::updateSelectionState() {
    const int sel = selectedRow();
    const auto count = static_cast<uint32_t>(SendMessageW(item(IDC_MAIN_LIST), LB_GETCOUNT, 0, 0));
    const ListCommands allowed = listCommands(sel, count);
    EnableWindow(item(IDC_MAIN_EDIT), allowed.edit);
    EnableWindow(item(IDC_MAIN_REMOVE), allowed.remove);
    EnableWindow(item(IDC_MAIN_MOVE_UP), allowed.moveUp);
    EnableWindow(item(IDC_MAIN_MOVE_DOWN), allowed.moveDown);
    setItemText(handle(), IDC_MAIN_SUMMARY,
                sel >= 0 ? rowSummary(doc_.package, currentKind(), static_cast<uint32_t>(sel)) : ByteString());
}

void MainWindow::insertLabel(uint32_t row) {
    SendMessageW(item(IDC_MAIN_LIST), LB_INSERTSTRING, row,
                 reinterpret_cast<LPARAM>(wideText(rowLabel(doc_.package, currentKind(), row)).c_str()));
}

EditorView MainWindow::view() {
    EditorView v;
    v.after = [this](RowChange change, uint32_t row) {
        HWND list = item(IDC_MAIN_LIST);
        if (change == RowChange::Insert) {
            insertLabel(row);
        } else if (change == RowChange::Remove) {
            SendMessageW(list, LB_DELETESTRING, row, 0);
        } else if (change == RowChange::Replace) {
            SendMessageW(list, LB_DELETESTRING, row, 0);
            insertLabel(row);
        }
    };
    v.showFileName = [this](const ByteString& name) { setItemText(handle(), IDC_MAIN_FILENAME, name); };
    return v;
}

EditorServices MainWindow::editorServices() {
    EditorServices s;
    HWND self = handle();
    const DialogServices d = services_.dialogs;
    s.ask = [d, self](const Question& q) { return d.message(self, questionMessage(q)) == MessageAnswer::Yes; };
    s.error = [d, self](const ByteString& text) { d.message(self, errorMessage(text)); };
    const auto choose = services_.chooseFile;
    s.chooseFile = [choose, self](const FileDialogRequest& r) { return choose(self, r); };
    s.editors = services_.editors;
    s.saveLockWait = services_.saveLockWait;
    return s;
}

bool MainWindow::OnCommand(int id, int code, HWND control) {
    const RecordKind kind = currentKind();
    const int sel = selectedRow();
    switch (id) {
    case IDC_MAIN_VERSIONS:
    case IDC_MAIN_FEATURES:
    case IDC_MAIN_BUGS:
        if (code == BN_CLICKED) refreshList();  // also the kind already shown
        return true;
    case IDC_MAIN_LIST:
        if (code == LBN_SELCHANGE) updateSelectionState();
        return true;
    case IDC_MAIN_ADD:
        selectRow(addCommand(doc_, kind, sel, editorServices(), view()));
        break;
    case IDC_MAIN_EDIT:
        if (sel < 0) return true;
        selectRow(editCommand(doc_, kind, sel, editorServices(), view()));
        break;
    case IDC_MAIN_REMOVE:
    case IDC_MAIN_MOVE_UP:
    case IDC_MAIN_MOVE_DOWN: {
        const std::optional<int> next = id == IDC_MAIN_REMOVE ? removeCommand(doc_, kind, sel, editorServices(), view())
                                                              : moveCommand(doc_, kind, sel,
                                                                            id == IDC_MAIN_MOVE_UP ? -1 : 1, view());
        if (!next) return true;  // nothing done
        selectRow(*next);
        break;
    }
    case IDC_MAIN_COMMON_INFO:
        commonInfoCommand(doc_, editorServices());
        return true;
    case IDC_MAIN_OPEN:
        if (openCommand(doc_, editorServices(), view())) refreshList();
        return true;
    default:
        return Dialog::OnCommand(id, code, control);
    }
    updateSelectionState();
    return true;
}

void MainWindow::OnOK() {
    if (saveCommand(doc_, editorServices())) end(IDOK);
}

bool MainWindow::paintMinimised() {
    if (!IsIconic(handle())) return false;
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(handle(), &paint);
    SendMessageW(handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client{};
    GetClientRect(handle(), &client);
    const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, icon_);
    EndPaint(handle(), &paint);
    return true;
}

bool MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& answer) {
    answer = 0;
    switch (message) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != IDM_ABOUTBOX) return false;
        showAboutBox();
        return true;
    case WM_PAINT:
        return paintMinimised();
    case WM_QUERYDRAGICON:
        answer = reinterpret_cast<INT_PTR>(icon_);
        return true;
    default:
        return false;
    }
}

void MainWindow::showAboutBox() {
    Dialog about(IDD_ABOUTBOX);
    about.runModal(handle());
}

}  // namespace orv
