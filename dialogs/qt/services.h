// What the windows ask of the user and the desktop beyond their own
// widgets: message boxes and opening links. The program hands in
// realUiServices(); tests hand in functions that record what was asked and
// answer it.
#pragma once

#include <QMessageBox>
#include <QString>
#include <functional>

#include "links/open_link.h"
#include "support/byte_string.h"

namespace orv {

enum class MessageButtons { Ok, YesNo };

struct MessageRequest {
    QString caption;
    QString text;  // shown as plain text, whatever it holds
    MessageButtons buttons;
};

struct UiServices {
    // Shows a message box; returns QMessageBox::Ok, Yes or No.
    std::function<QMessageBox::StandardButton(QWidget* parent, const MessageRequest&)> message;
    // Opens a link exactly as given.
    std::function<void(LinkKind kind, const ByteString& link)> openLink;
};

// Message boxes without an icon whose text is plain text, and the links
// opened through openLink on the real system.
UiServices realUiServices();

// A failure: caption "Error", a single OK.
void showError(const UiServices& ui, QWidget* parent, const QString& text);
// A confirmation with Yes and No; true for Yes.
bool askYesNo(const UiServices& ui, QWidget* parent, const QString& caption, const QString& text);

// What a "Test" label opens: a web field's text unchanged; an e-mail
// field's text with "mailto:" in front, even when the text already has it
// or is empty.
void openWebField(const UiServices& ui, const ByteString& text);
void openMailField(const UiServices& ui, const ByteString& text);

}  // namespace orv
