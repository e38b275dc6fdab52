#include "app/bug_types.h"
#include "dialogs/win32/record_dialogs.h"
#include "dialogs/win32/window_text.h"
#include "resources/control_ids.h"
#include "support/numbers.h"

namespace orv {

namespace {

constexpr int kVersionLists[] = {IDC_BUG_INTRODUCED, IDC_BUG_DISCOVERED, IDC_BUG_FIXED};

void selectLine(HWND combo, int line) { SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(line), 0); }

// "None/Unknown", a line per version, and an empty line standing for an id
// no version holds.
void showVersion(HWND combo, const VersionChoices& versions, uint32_t id) {
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    addComboLine(combo, "None/Unknown");
    for (const ByteString& label : versions.labels) addComboLine(combo, label);
    if (needsKeptLine(versions, id)) addComboLine(combo, "");
    selectLine(combo, static_cast<int>(dropDownLine(versions, id)));
}

uint32_t versionOnOk(HWND combo, const VersionChoices& versions, uint32_t before) {
    const LRESULT line = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    return line == CB_ERR ? before : idOfDropDownLine(versions, before, static_cast<uint32_t>(line));
}

}  // namespace

BugDialog::BugDialog(DialogServices services) : RecordDialog(IDD_BUG, std::move(services)) {}

void BugDialog::setUp(const BugRecord& record, const VersionChoices& versions, const FeatureChoices& features) {
    original_ = result_ = record;
    versions_ = versions;
    features_ = features;
}

bool BugDialog::OnInitDialog() {
    for (const char* s : kSeverityItems) addComboLine(item(IDC_BUG_SEVERITY), s);
    for (const char* t : kBugTypes) addComboLine(item(IDC_BUG_TYPE), t);
    showField(IDC_BUG_TITLE, original_.title);
    showField(IDC_BUG_DESCRIPTION, original_.description, true);
    selectLine(item(IDC_BUG_SEVERITY), severityLine(original_.severity));
    selectLine(item(IDC_BUG_TYPE), static_cast<int>(typeLine(original_.type)));
    const uint32_t ids[] = {original_.introduced, original_.discovered, original_.fixed};
    for (size_t i = 0; i < std::size(kVersionLists); ++i) showVersion(item(kVersionLists[i]), versions_, ids[i]);
    showIdList(item(IDC_BUG_AFFECTED), features_, original_.affectedFeatures);
    return true;
}

void BugDialog::OnOK() {
    result_ = original_;
    result_.title = fieldNow(IDC_BUG_TITLE, original_.title);
    result_.description = fieldNow(IDC_BUG_DESCRIPTION, original_.description);
    result_.severity = parseU32(comboText(item(IDC_BUG_SEVERITY)));
    result_.type = comboText(item(IDC_BUG_TYPE));
    result_.introduced = versionOnOk(item(IDC_BUG_INTRODUCED), versions_, original_.introduced);
    result_.discovered = versionOnOk(item(IDC_BUG_DISCOVERED), versions_, original_.discovered);
    result_.fixed = versionOnOk(item(IDC_BUG_FIXED), versions_, original_.fixed);
    result_.affectedFeatures =
        idsOnOk(features_, original_.affectedFeatures, selectedLines(item(IDC_BUG_AFFECTED)));
    end(IDOK);
}

bool editBug(const DialogServices& s, HWND owner, BugRecord& record, const VersionChoices& versions,
             const FeatureChoices& features) {
    BugDialog dialog(s);
    dialog.setUp(record, versions, features);
    if (dialog.runModal(owner) != IDOK) return false;
    record = dialog.record();
    return true;
}

}  // namespace orv
