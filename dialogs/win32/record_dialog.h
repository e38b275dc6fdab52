// What the Windows editor dialogs share: the services they ask of the
// world, their "Test" labels, edits that hand back the record's own bytes
// while untouched, and the multiple-selection lists of records.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <span>
#include <vector>

#include "app/choices.h"
#include "app/download_size.h"
#include "dialogs/dialog_rules.h"
#include "dialogs/win32/dialog.h"
#include "links/win32/link_static.h"

namespace orv {

struct DialogServices {
    // A message box owned by the window; never an icon.
    std::function<MessageAnswer(HWND owner, const MessageRequest&)> message;
    std::function<void(LinkKind kind, const ByteString& link)> openLink;
    std::function<DownloadSizeResult(const ByteString& location)> determineSize;
};

// The system's message box: the request's caption, text and buttons.
MessageAnswer showMessageBox(HWND owner, const MessageRequest& request);

class RecordDialog : public Dialog {
public:
    RecordDialog(int templateId, DialogServices services) : Dialog(templateId), services_(std::move(services)) {}

protected:
    // Configures the labels the dialogs' way: they only notify the dialog,
    // always underlined, no tooltip.
    void attachTestLinks(std::span<const TestLink> links);
    // Shows a field; multi-line fields with CR LF line breaks.
    void showField(int id, const ByteString& bytes, bool multiLine = false);
    // The field now: `original` while its text is the one shown.
    ByteString fieldNow(int id, const ByteString& original) const;
    // Opens what a clicked label's field holds; false for another message.
    bool handleTestLink(UINT message, WPARAM wParam, std::span<const TestLink> links,
                        const std::function<ByteString(uint32_t fieldId)>& fieldText);

    DialogServices services_;

private:
    std::vector<std::unique_ptr<CLinkStatic>> links_;
    std::map<int, ByteString> shown_;
};

// A multiple-selection list of records: every line, the lines of `ids`
// selected.
void showIdList(HWND list, const RecordChoices& choices, const IdList& ids);
// The selected lines, ascending.
std::vector<uint32_t> selectedLines(HWND list);

}  // namespace orv
