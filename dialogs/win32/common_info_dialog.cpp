#include "dialogs/win32/record_dialogs.h"
#include "resources/control_ids.h"

namespace orv {

CommonInfoDialog::CommonInfoDialog(DialogServices services) : RecordDialog(IDD_COMMON_INFO, std::move(services)) {}

bool CommonInfoDialog::OnInitDialog() {
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i)
        showField(static_cast<int>(commonInfoEditIds()[i]), original_.field(i), commonFields()[i].multiLine);
    attachTestLinks(commonInfoTestLinks());
    return true;
}

ByteString CommonInfoDialog::fieldNowAt(uint32_t i) const {
    return fieldNow(static_cast<int>(commonInfoEditIds()[i]), original_.field(i));
}

void CommonInfoDialog::OnOK() {
    for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i) result_.field(i) = fieldNowAt(i);
    end(IDOK);
}

bool CommonInfoDialog::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& answer) {
    answer = 0;
    return handleTestLink(message, wParam, commonInfoTestLinks(), [this](uint32_t fieldId) {
        for (uint32_t i = 0; i < CommonInfo::kFieldCount; ++i)
            if (commonInfoEditIds()[i] == fieldId) return fieldNowAt(i);
        return ByteString();
    });
}

bool editCommonInfo(const DialogServices& s, HWND owner, CommonInfo& info) {
    CommonInfoDialog dialog(s);
    dialog.setInfo(info);
    if (dialog.runModal(owner) != IDOK) return false;
    info = dialog.info();
    return true;
}

}  // namespace orv
