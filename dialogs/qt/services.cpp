#include "dialogs/qt/services.h"

#include <QMessageBox>

#include "dialogs/qt/gui_text.h"
#include "links/open_link.h"

namespace orv {

namespace {

MessageAnswer runMessageBox(QWidget* parent, const MessageRequest& r) {
    const bool ok = r.buttons == MessageButtons::Ok;
    QMessageBox box(QMessageBox::NoIcon, toQString(r.caption), QString(),
                    ok ? QMessageBox::Ok : (QMessageBox::Yes | QMessageBox::No), parent);
    // Names and server answers are shown as they are, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(toQString(r.text));
    box.setDefaultButton(ok ? QMessageBox::Ok : QMessageBox::Yes);
    const int answer = box.exec();
    return answer == QMessageBox::Yes ? MessageAnswer::Yes : answer == QMessageBox::No ? MessageAnswer::No
                                                                                       : MessageAnswer::Ok;
}

}  // namespace

UiServices realUiServices() {
    return {runMessageBox,
            [](LinkKind kind, const ByteString& link) {
                openLink(realLinkSystem(), kind, link);  // the result tells the user nothing more
            },
            [](const ByteString& location) { return determineDownloadSize(location); }};
}

bool ask(const UiServices& ui, QWidget* parent, const MessageRequest& request) {
    return ui.message(parent, request) == MessageAnswer::Yes;
}

void openFieldLink(const UiServices& ui, FieldLink opens, const ByteString& text) {
    const LinkRequest request = fieldLinkRequest(opens, text);
    ui.openLink(request.kind, request.link);
}

}  // namespace orv
