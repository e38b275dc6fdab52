// Message boxes as the program shows them: no icon, caption "Error" with a
// single OK for failures, Yes and No for confirmations. Tests replace the
// box with a hook that records the call and returns an answer.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

namespace orv {

enum class MessageButtons { Ok, YesNo };

struct MessageRequest {
    QString caption;
    QString text;
    MessageButtons buttons;
};

// Returns QMessageBox::Ok, QMessageBox::Yes or QMessageBox::No.
using MessageBoxHook = std::function<QMessageBox::StandardButton(const MessageRequest&)>;

QMessageBox::StandardButton showMessage(QWidget* parent, const QString& caption, const QString& text,
                                        MessageButtons buttons);
inline void showError(QWidget* parent, const QString& text) {
    showMessage(parent, QStringLiteral("Error"), text, MessageButtons::Ok);
}
inline bool askYesNo(QWidget* parent, const QString& caption, const QString& text) {
    return showMessage(parent, caption, text, MessageButtons::YesNo) == QMessageBox::Yes;
}

// Installs a hook in place of the real box (an empty hook restores it).
void setMessageBoxHook(MessageBoxHook hook);

}  // namespace orv
