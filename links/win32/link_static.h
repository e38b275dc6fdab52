// CLinkStatic: a static text of a dialog made into a link. It draws its
// text in link colours with a hand cursor, underlines it (while hovered, or
// always, or never), and on a click either opens its link target itself or
// tells its dialog which control was clicked with the registered message
// "WM_LINKSTATIC_CLICKED" (wParam: the control's id, lParam: 0). It is
// attached to an existing dialog item by subclassing it; the dialog hands
// the control's colour request and click back to it (links/win32/reflection.h).
#pragma once

#include <windows.h>

#include <functional>

#include "support/byte_string.h"

namespace orv {

// The registered message's number, the same in every window of the session.
UINT linkStaticClickedMessage();

class CLinkStatic {
public:
    CLinkStatic() = default;
    CLinkStatic(const CLinkStatic&) = delete;
    CLinkStatic& operator=(const CLinkStatic&) = delete;
    virtual ~CLinkStatic();

    // Subclasses the dialog's item `id` and prepares it: notify style, link
    // target from its text, fonts, fitted to its text, cursor, tooltip.
    bool Attach(HWND dialog, int id);
    HWND handle() const { return hwnd_; }

    void EnableOpenOnClick(bool on) { openOnClick_ = on; }
    void SetNotifyParent(bool on) { notifyParent_ = on; }
    void EnableTooltip(bool on);
    // -1 underlined while hovered, 0 never, 1 always.
    void SetUnderlineMode(int mode);
    void SetLinkTarget(const ByteString& target) { target_ = target; }
    // What opening the target does; without one a click that opens fails.
    void SetOpener(std::function<bool(const ByteString&)> opener) { opener_ = std::move(opener); }

    bool hovering() const { return hovering_; }
    bool visited() const { return visited_; }
    bool underlined() const;
    HCURSOR linkCursor() const { return cursor_; }
    COLORREF textColour() const;

    // Opens a target: 36 for an empty one, above 32 when it was started, 32
    // when the opener refused or there is none.
    int OpenLink(const ByteString& target) const;

protected:
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK subclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    void fitToText();
    void loadCursor();
    void createTooltip();
    void selectFont(HFONT font);
    void onMouseMove(LPARAM lParam);
    void onClick();
    void notify();
    void detach();

    COLORREF linkColour_ = RGB(0, 0, 238);
    COLORREF visitedColour_ = RGB(85, 26, 139);
    COLORREF hoverColour_ = RGB(255, 0, 0);
    COLORREF backgroundColour_ = CLR_INVALID;  // the system's button face
    bool hovering_ = false;
    bool visited_ = false;
    int underlineMode_ = -1;
    bool fitToText_ = true;
    ByteString target_;
    HFONT underlinedFont_ = nullptr;
    HFONT standardFont_ = nullptr;
    HCURSOR cursor_ = nullptr;
    bool ownsCursor_ = false;
    HWND tooltip_ = nullptr;
    bool openOnClick_ = true;
    bool notifyParent_ = false;
    bool showTooltip_ = true;
    bool newWindow_ = false;
    HWND hwnd_ = nullptr;
    std::function<bool(const ByteString&)> opener_;
};

}  // namespace orv
