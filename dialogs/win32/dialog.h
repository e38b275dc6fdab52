// A dialog on a template of the program's resources: the family of the
// editor's windows on Windows. It runs modally (DialogBoxParam), or
// modeless for tests that drive it by messages. Notifications that a
// control wants for itself (the link label's colour request and click) are
// sent back to that control, as the framework's reflection does.
#pragma once

#include <windows.h>

namespace orv {

class Dialog {
public:
    explicit Dialog(int templateId) : template_(templateId) {}
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    virtual ~Dialog();

    // Runs modally: IDOK or IDCANCEL (-1 when the template cannot be made).
    INT_PTR runModal(HWND owner);
    // Creates the window modeless and shows it; ending it destroys it.
    HWND create(HWND owner);
    HWND handle() const { return hwnd_; }
    HWND item(int id) const { return GetDlgItem(hwnd_, id); }
    // IDOK or IDCANCEL once ended; 0 while open.
    INT_PTR result() const { return result_; }

protected:
    // True lets the system set the first focus.
    virtual bool OnInitDialog() { return true; }
    // A WM_COMMAND from a control or accelerator; true when handled.
    virtual bool OnCommand(int id, int code, HWND control);
    virtual void OnOK() { end(IDOK); }
    virtual void OnCancel() { end(IDCANCEL); }
    // Any other message; true when handled, with the dialog procedure's
    // answer in `answer`.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& answer);
    void end(INT_PTR result);

private:
    static INT_PTR CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    int template_;
    HWND hwnd_ = nullptr;
    bool modal_ = false;
    INT_PTR result_ = 0;
};

// The program's module, whose resources hold the templates.
HINSTANCE programInstance();

}  // namespace orv
