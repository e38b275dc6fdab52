#include "links/qt/link_static.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>

#include "dialogs/qt/gui_text.h"
#include "links/open_link.h"

namespace {

// Shell-convention results: above 32 is success.
constexpr int kOpenedNothing = 33;  // a click that was not asked to open
constexpr int kEmptyTarget = 36;
constexpr int kOpened = 42;
constexpr int kAccessDenied = 5;  // the link was refused
constexpr int kNoAssociation = 31;  // no program could be started

}  // namespace

CLinkStatic::CLinkStatic(QWidget* parent) : QLabel(parent) { setTextFormat(Qt::PlainText); }

CLinkStatic::CLinkStatic(int itemId, const QString& text, QWidget* parent) : CLinkStatic(parent) {
    setText(text);
    attach(itemId);
}

void CLinkStatic::attach(int itemId) {
    itemId_ = itemId;
    if (target_.empty()) target_ = orv::fromQString(text());
    if (text().isEmpty()) setText(orv::toQString(target_));
    standardFont_ = font();
    underlinedFont_ = standardFont_;
    underlinedFont_.setUnderline(true);
    attached_ = true;
    fitToText();
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
    // Attaching starts in "underline while hovered" mode.
    setFont(standardFont_);
    underlineMode_ = -1;
    if (showTooltip_) setToolTip(orv::plainToolTip(orv::toQString(target_)));
    applyLook();
}

void CLinkStatic::fitToText() {
    if (!fitToText_) return;
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    adjustSize();
}

void CLinkStatic::EnableTooltip(bool on) {
    showTooltip_ = on;
    setToolTip(on ? orv::plainToolTip(orv::toQString(target_)) : QString());
}

void CLinkStatic::SetUnderlineMode(int mode) {
    if (mode == underlineMode_) return;
    if (attached_) {
        setFont(mode == 1 ? underlinedFont_ : standardFont_);
        update();
    }
    underlineMode_ = mode;
}

void CLinkStatic::SetLinkTarget(const orv::ByteString& target) {
    target_ = target;
    if (showTooltip_ && attached_) setToolTip(orv::plainToolTip(orv::toQString(target_)));
}

void CLinkStatic::SetLinkColour(const QColor& c) {
    linkColour_ = c;
    applyLook();
}

void CLinkStatic::SetVisitedColour(const QColor& c) {
    visitedColour_ = c;
    applyLook();
}

void CLinkStatic::SetHoverColour(const QColor& c) {
    hoverColour_ = c;
    applyLook();
}

void CLinkStatic::SetBackgroundColour(const QColor& c) {
    backgroundColour_ = c;
    applyLook();
}

QColor CLinkStatic::textColour() const {
    if (hovering_) return hoverColour_;
    return visited_ ? visitedColour_ : linkColour_;
}

void CLinkStatic::applyLook() {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, textColour());
    // Without a colour of its own the label lets the dialog's face show.
    setAutoFillBackground(backgroundColour_.isValid());
    if (backgroundColour_.isValid()) pal.setColor(QPalette::Window, backgroundColour_);
    setPalette(pal);
    update();
}

void CLinkStatic::setHovering(bool on) {
    if (on == hovering_) return;
    hovering_ = on;
    if (underlineMode_ == -1 && attached_) setFont(on ? underlinedFont_ : standardFont_);
    applyLook();
}

void CLinkStatic::mouseMoveEvent(QMouseEvent* event) {
    setHovering(rect().contains(event->position().toPoint()));
    QLabel::mouseMoveEvent(event);
}

void CLinkStatic::enterEvent(QEnterEvent* event) {
    setHovering(true);
    QLabel::enterEvent(event);
}

void CLinkStatic::leaveEvent(QEvent* event) {
    setHovering(false);
    QLabel::leaveEvent(event);
}

void CLinkStatic::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        click();
        event->accept();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void CLinkStatic::click() {
    hovering_ = false;
    if (underlineMode_ == -1 && attached_) setFont(standardFont_);
    int result = kOpenedNothing;
    if (openOnClick_) result = target_.empty() ? kEmptyTarget : opener_(target_, newWindow_);
    visited_ = result > 32;
    if (!visited_) QApplication::beep();
    applyLook();
    if (notifyParent_ && parentWidget()) emit clicked(itemId_);
}

int CLinkStatic::OpenLink(const orv::ByteString& target, bool /*newWindow*/) {
    if (target.empty()) return kEmptyTarget;
    // The desktop's handler decides whether a new browser window opens.
    switch (orv::openLink(orv::realLinkSystem(), orv::linkKindOf(target), target)) {
    case orv::LinkOpened::Started: return kOpened;
    case orv::LinkOpened::Refused: return kAccessDenied;
    case orv::LinkOpened::NotStarted: break;
    }
    return kNoAssociation;
}
