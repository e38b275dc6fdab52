#include "dialogs/win32/record_dialogs.h"
// after <windows.h>
#include <commctrl.h>

#include "dialogs/win32/window_text.h"
#include "resources/control_ids.h"
#include "support/date_time.h"
#include "support/numbers.h"

namespace orv {

VersionDialog::VersionDialog(DialogServices services) : RecordDialog(IDD_VERSION, std::move(services)) {}

void VersionDialog::setUp(const VersionRecord& record, const VersionChoices& versions) {
    original_ = result_ = record;
    versions_ = versions;
}

bool VersionDialog::OnInitDialog() {
    showField(IDC_VER_VERSION, original_.version);
    showField(IDC_VER_LOCATION, original_.location);
    showField(IDC_VER_FILE_SIZE, original_.fileSize);
    showField(IDC_VER_SCREENSHOT, original_.screenshot);
    showField(IDC_VER_THUMBNAIL, original_.thumbnail);
    showIdList(item(IDC_VER_FREE_UPGRADES), versions_, original_.freeUpgrades);
    const SystemTime day = releaseDateValue(original_.releaseDate).ToSystemTime();
    SYSTEMTIME shown{};
    shown.wYear = static_cast<WORD>(day.year);
    shown.wMonth = static_cast<WORD>(day.month);
    shown.wDayOfWeek = static_cast<WORD>(day.dayOfWeek);
    shown.wDay = static_cast<WORD>(day.day);
    SendMessageW(item(IDC_VER_RELEASED), MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&shown));
    setItemText(handle(), IDC_VER_DAYS, textFromU32(original_.freeUpgradeDays));
    SendMessageW(item(IDC_VER_DAYS_SPIN), UDM_SETRANGE32, 0, kMaxFreeUpgradeDays);
    attachTestLinks(versionTestLinks());
    return true;
}

bool VersionDialog::OnCommand(int id, int code, HWND control) {
    if (id != IDC_VER_DETERMINE) return RecordDialog::OnCommand(id, code, control);
    if (code == BN_CLICKED) determineFileSize();
    return true;
}

void VersionDialog::determineFileSize() {
    // The request is synchronous: the dialog waits with the wait cursor.
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));  // IDC_WAIT
    const DownloadSizeResult result = services_.determineSize(fieldNow(IDC_VER_LOCATION, original_.location));
    SetCursor(previous);
    if (result.ok) setItemText(handle(), IDC_VER_FILE_SIZE, result.size);
    else services_.message(handle(), errorMessage(result.message));
}

void VersionDialog::OnOK() {
    result_ = original_;
    result_.version = fieldNow(IDC_VER_VERSION, original_.version);
    result_.location = fieldNow(IDC_VER_LOCATION, original_.location);
    result_.fileSize = fieldNow(IDC_VER_FILE_SIZE, original_.fileSize);
    result_.screenshot = fieldNow(IDC_VER_SCREENSHOT, original_.screenshot);
    result_.thumbnail = fieldNow(IDC_VER_THUMBNAIL, original_.thumbnail);
    result_.freeUpgrades = idsOnOk(versions_, original_.freeUpgrades, selectedLines(item(IDC_VER_FREE_UPGRADES)));
    SYSTEMTIME chosen{};
    SendMessageW(item(IDC_VER_RELEASED), MCM_GETCURSEL, 0, reinterpret_cast<LPARAM>(&chosen));
    SystemTime day;
    day.year = chosen.wYear;
    day.month = chosen.wMonth;
    day.dayOfWeek = chosen.wDayOfWeek;
    day.day = chosen.wDay;
    result_.releaseDate = releaseDateText(day);
    result_.freeUpgradeDays = parseU32(itemText(handle(), IDC_VER_DAYS));
    end(IDOK);
}

bool VersionDialog::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& answer) {
    answer = 0;
    return handleTestLink(message, wParam, versionTestLinks(), [this](uint32_t fieldId) {
        if (fieldId == IDC_VER_LOCATION) return fieldNow(IDC_VER_LOCATION, original_.location);
        if (fieldId == IDC_VER_SCREENSHOT) return fieldNow(IDC_VER_SCREENSHOT, original_.screenshot);
        return fieldNow(IDC_VER_THUMBNAIL, original_.thumbnail);
    });
}

bool editVersion(const DialogServices& s, HWND owner, VersionRecord& record, const VersionChoices& versions) {
    VersionDialog dialog(s);
    dialog.setUp(record, versions);
    if (dialog.runModal(owner) != IDOK) return false;
    record = dialog.record();
    return true;
}

}  // namespace orv
