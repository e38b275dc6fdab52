// The Windows editor's one window, on template 102: the package file's
// name with Open, Common Information, the list of versions, features or
// bugs with its commands, the selected record's summary, and Save /
// Cancel. The commands are the core's (app/editor.h); the window keeps its
// list box and buttons in step with them.
#pragma once

#include <chrono>
#include <functional>

#include "app/editor.h"
#include "dialogs/win32/record_dialog.h"

namespace orv {

struct MainWindowServices {
    DialogServices dialogs;  // message boxes, links, the size request
    // Runs the Open or "Save As" dialog: the name as it gives it, or empty.
    std::function<ByteString(HWND owner, const FileDialogRequest&)> chooseFile;
    RecordEditors editors;   // empty: the real dialogs, owned by the window
    std::chrono::milliseconds saveLockWait = kSaveLockWait;
};

// The real system's: message boxes, the registry's browser and mail
// client, the size request, the common file dialogs.
MainWindowServices realMainWindowServices();

// The common file dialog (comdlg32, bound on first use); the chosen name,
// or empty for Cancel or when the dialog cannot be shown.
ByteString runFileDialog(HWND owner, const FileDialogRequest& request);

class MainWindow : public Dialog {
public:
    explicit MainWindow(MainWindowServices services);
    ~MainWindow() override;

    // The package file named on the command line; loaded at initialisation.
    void setFileName(const ByteString& name) { fileName_ = name; }

    const Package& package() const { return doc_.package; }
    RecordKind currentKind() const;
    int selectedRow() const;
    void refreshList();
    void updateSelectionState();

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnOK() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& answer) override;

private:
    EditorView view();
    EditorServices editorServices();
    void selectRow(int row);
    void insertLabel(uint32_t row);
    bool paintMinimised();
    void showAboutBox();

    EditorDocument doc_;
    ByteString fileName_;
    MainWindowServices services_;
    HICON icon_ = nullptr;
    HICON openIcon_ = nullptr;
};

}  // namespace orv
