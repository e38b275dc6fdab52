#include "dialogs/services.h"

namespace orv {

std::unique_ptr<QMessageBox> makeMessageBox(QWidget* parent, const MessageRequest& r) {
    const bool ok = r.buttons == MessageButtons::Ok;
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, r.caption, QString(),
                                             ok ? QMessageBox::Ok : (QMessageBox::Yes | QMessageBox::No), parent);
    // Names and server answers are shown as they are, never as markup.
    box->setTextFormat(Qt::PlainText);
    box->setText(r.text);
    box->setDefaultButton(ok ? QMessageBox::Ok : QMessageBox::Yes);
    return box;
}

UiServices realUiServices() {
    return {[](QWidget* parent, const MessageRequest& r) {
                return static_cast<QMessageBox::StandardButton>(makeMessageBox(parent, r)->exec());
            },
            [](LinkKind kind, const ByteString& link) {
                openLink(realLinkSystem(), kind, link);  // the result tells the user nothing more
            }};
}

void showError(const UiServices& ui, QWidget* parent, const QString& text) {
    ui.message(parent, {QStringLiteral("Error"), text, MessageButtons::Ok});
}

bool askYesNo(const UiServices& ui, QWidget* parent, const QString& caption, const QString& text) {
    return ui.message(parent, {caption, text, MessageButtons::YesNo}) == QMessageBox::Yes;
}

void openWebField(const UiServices& ui, const ByteString& text) { ui.openLink(LinkKind::Web, text); }

void openMailField(const UiServices& ui, const ByteString& text) { ui.openLink(LinkKind::Mail, "mailto:" + text); }

}  // namespace orv
