// CLinkStatic: a label that behaves as a clickable link. It draws its text
// in link colours (red while hovered, purple once visited), shows a hand
// cursor, underlines its text as its underline mode says and, on a click,
// opens its link target itself and/or tells its dialog which label (by its
// item id) was clicked. Its text and tooltip are plain text.
#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <functional>

#include "support/byte_string.h"

class CLinkStatic : public QLabel {
    Q_OBJECT
public:
    // Opens a link target; the result follows the shell's convention
    // (greater than 32 is success).
    using Opener = std::function<int(const orv::ByteString& target, bool newWindow)>;

    explicit CLinkStatic(QWidget* parent = nullptr);
    CLinkStatic(int itemId, const QString& text, QWidget* parent = nullptr);

    // Binds the label to its dialog item: the link target defaults to the
    // text, the fonts are taken from the label's font, the size fits the
    // text, the cursor becomes a hand and the tooltip is created if enabled.
    void attach(int itemId);

    void EnableOpenOnClick(bool on) { openOnClick_ = on; }
    void SetNotifyParent(bool on) { notifyParent_ = on; }
    // Shows (or hides) the link target as the label's tooltip.
    void EnableTooltip(bool on);
    // -1 underline while hovered, 0 never, 1 always.
    void SetUnderlineMode(int mode);
    void SetNewWindow(bool on) { newWindow_ = on; }
    void SetFitToText(bool on) { fitToText_ = on; }
    void SetLinkTarget(const orv::ByteString& target);

    void SetLinkColour(const QColor& c);
    void SetVisitedColour(const QColor& c);
    void SetHoverColour(const QColor& c);
    // An invalid colour means the system's button-face colour.
    void SetBackgroundColour(const QColor& c);

    int itemId() const { return itemId_; }
    bool isVisited() const { return visited_; }
    bool isHovering() const { return hovering_; }
    int underlineMode() const { return underlineMode_; }
    const orv::ByteString& linkTarget() const { return target_; }
    // The colour the text is drawn in right now.
    QColor textColour() const;

    // Opens `target` through the program's one link opener (openLink): a
    // mailto target in the mail client, anything else in the browser. An
    // empty target yields 36 and launches nothing; a refused or failed
    // start yields a value of 32 or less.
    static int OpenLink(const orv::ByteString& target, bool newWindow);
    // What a click opens the target with; OpenLink unless set.
    void SetOpener(Opener opener) { opener_ = std::move(opener); }

    // Reacts to a click as the mouse does: opens if asked, marks visited
    // or beeps, and notifies the dialog.
    void click();

signals:
    // Sent to the dialog when notify-parent is on.
    void clicked(int itemId);

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void applyLook();
    void fitToText();
    void setHovering(bool on);

    int itemId_ = 0;
    QColor linkColour_{0, 0, 238};
    QColor visitedColour_{85, 26, 139};
    QColor hoverColour_{255, 0, 0};
    QColor backgroundColour_;  // invalid: button face
    bool hovering_ = false;
    bool visited_ = false;
    int underlineMode_ = -1;
    bool fitToText_ = true;
    orv::ByteString target_;
    QFont standardFont_;
    QFont underlinedFont_;
    bool attached_ = false;
    bool openOnClick_ = true;
    bool notifyParent_ = false;
    bool showTooltip_ = true;
    bool newWindow_ = false;
    Opener opener_ = OpenLink;
};
