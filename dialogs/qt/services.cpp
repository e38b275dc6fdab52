#include "dialogs/qt/services.h"

namespace orv {

namespace {

QMessageBox::StandardButton runMessageBox(QWidget* parent, const MessageRequest& r) {
    const bool ok = r.buttons == MessageButtons::Ok;
    QMessageBox box(QMessageBox::NoIcon, r.caption, QString(),
                    ok ? QMessageBox::Ok : (QMessageBox::Yes | QMessageBox::No), parent);
    // Names and server answers are shown as they are, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(r.text);
    box.setDefaultButton(ok ? QMessageBox::Ok : QMessageBox::Yes);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

UiServices realUiServices() {
    return {runMessageBox, [](LinkKind kind, const ByteString& link) {
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
