#include "dialogs/message_box.h"

namespace orv {

namespace {
MessageBoxHook& hookSlot() {
    static MessageBoxHook hook;
    return hook;
}
}  // namespace

void setMessageBoxHook(MessageBoxHook hook) { hookSlot() = std::move(hook); }

QMessageBox::StandardButton showMessage(QWidget* parent, const QString& caption, const QString& text,
                                        MessageButtons buttons) {
    if (hookSlot()) return hookSlot()(MessageRequest{caption, text, buttons});
    QMessageBox box(QMessageBox::NoIcon, caption, text,
                    buttons == MessageButtons::Ok ? QMessageBox::Ok : (QMessageBox::Yes | QMessageBox::No), parent);
    box.setDefaultButton(buttons == MessageButtons::Ok ? QMessageBox::Ok : QMessageBox::Yes);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace orv
