#include "dialogs/win32/record_dialog.h"

#include "dialogs/win32/window_text.h"

namespace orv {

MessageAnswer showMessageBox(HWND owner, const MessageRequest& request) {
    const UINT buttons = request.buttons == MessageButtons::Ok ? MB_OK : MB_YESNO;
    const int answer = MessageBoxW(owner, wideText(request.text).c_str(), wideText(request.caption).c_str(), buttons);
    return answer == IDYES ? MessageAnswer::Yes : answer == IDNO ? MessageAnswer::No : MessageAnswer::Ok;
}

void RecordDialog::attachTestLinks(std::span<const TestLink> links) {
    for (const TestLink& test : links) {
        auto link = std::make_unique<CLinkStatic>();
        if (!link->Attach(handle(), static_cast<int>(test.linkId))) continue;
        link->EnableOpenOnClick(false);
        link->EnableTooltip(false);
        link->SetUnderlineMode(1);
        link->SetNotifyParent(true);
        links_.push_back(std::move(link));
    }
}

void RecordDialog::showField(int id, const ByteString& bytes, bool multiLine) {
    setItemText(handle(), id, multiLine ? withCrLf(bytes) : bytes);
    shown_[id] = itemText(handle(), id);
}

ByteString RecordDialog::fieldNow(int id, const ByteString& original) const {
    const auto it = shown_.find(id);
    const ByteString now = itemText(handle(), id);
    return it == shown_.end() ? now : fieldOnOk(original, it->second, now);
}

bool RecordDialog::handleTestLink(UINT message, WPARAM wParam, std::span<const TestLink> links,
                                  const std::function<ByteString(uint32_t fieldId)>& fieldText) {
    if (message != linkStaticClickedMessage()) return false;
    if (const TestLink* link = findTestLink(links, static_cast<uint32_t>(wParam))) {
        const LinkRequest request = fieldLinkRequest(link->opens, fieldText(link->fieldId));
        if (services_.openLink) services_.openLink(request.kind, request.link);
    }
    return true;
}

void showIdList(HWND list, const RecordChoices& choices, const IdList& ids) {
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const ByteString& label : choices.labels) addListLine(list, label);
    for (uint32_t line : linesOfIds(choices, ids)) SendMessageW(list, LB_SETSEL, TRUE, static_cast<LPARAM>(line));
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
}

std::vector<uint32_t> selectedLines(HWND list) {
    const LRESULT count = SendMessageW(list, LB_GETSELCOUNT, 0, 0);
    if (count <= 0) return {};
    std::vector<int> lines(static_cast<size_t>(count));
    const LRESULT got = SendMessageW(list, LB_GETSELITEMS, static_cast<WPARAM>(count),
                                     reinterpret_cast<LPARAM>(lines.data()));
    std::vector<uint32_t> out;
    for (LRESULT i = 0; i < got; ++i) out.push_back(static_cast<uint32_t>(lines[static_cast<size_t>(i)]));
    return out;
}

}  // namespace orv
