// What the Qt windows ask of the user and the desktop beyond their own
// widgets: message boxes, opening links and the size request. The program
// hands in realUiServices(); tests hand in functions that record what was
// asked and answer it.
#pragma once

#include <functional>

#include "app/download_size.h"
#include "dialogs/dialog_rules.h"
#include "support/byte_string.h"

class QWidget;

namespace orv {

struct UiServices {
    // Shows a message box owned by `parent` and gives the answer.
    std::function<MessageAnswer(QWidget* parent, const MessageRequest&)> message;
    // Opens a link exactly as given.
    std::function<void(LinkKind kind, const ByteString& link)> openLink;
    // The Version dialog's size request (determineDownloadSize).
    std::function<DownloadSizeResult(const ByteString& location)> determineSize;
};

// Message boxes without an icon whose text is plain text, the links opened
// through openLink on the real system, the real size request.
UiServices realUiServices();

// A message box; true for Yes.
bool ask(const UiServices& ui, QWidget* parent, const MessageRequest& request);
// What a "Test" label opens (fieldLinkRequest), handed to openLink.
void openFieldLink(const UiServices& ui, FieldLink opens, const ByteString& text);

}  // namespace orv
