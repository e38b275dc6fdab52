#include "dialogs/win32/record_dialogs.h"
#include "resources/control_ids.h"

namespace orv {

FeatureDialog::FeatureDialog(DialogServices services) : RecordDialog(IDD_FEATURE, std::move(services)) {}

void FeatureDialog::setUp(const FeatureRecord& record, const VersionChoices& versions) {
    original_ = result_ = record;
    versions_ = versions;
}

bool FeatureDialog::OnInitDialog() {
    showField(IDC_FEAT_TITLE, original_.title);
    showField(IDC_FEAT_DESCRIPTION, original_.description, true);
    showField(IDC_FEAT_SCREENSHOT, original_.screenshot);
    showField(IDC_FEAT_THUMBNAIL, original_.thumbnail);
    showIdList(item(IDC_FEAT_VERSIONS), versions_, original_.versions);
    attachTestLinks(featureTestLinks());
    return true;
}

void FeatureDialog::OnOK() {
    result_ = original_;
    result_.title = fieldNow(IDC_FEAT_TITLE, original_.title);
    result_.description = fieldNow(IDC_FEAT_DESCRIPTION, original_.description);
    result_.screenshot = fieldNow(IDC_FEAT_SCREENSHOT, original_.screenshot);
    result_.thumbnail = fieldNow(IDC_FEAT_THUMBNAIL, original_.thumbnail);
    result_.versions = idsOnOk(versions_, original_.versions, selectedLines(item(IDC_FEAT_VERSIONS)));
    end(IDOK);
}

bool FeatureDialog::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& answer) {
    answer = 0;
    return handleTestLink(message, wParam, featureTestLinks(), [this](uint32_t fieldId) {
        if (fieldId == IDC_FEAT_SCREENSHOT) return fieldNow(IDC_FEAT_SCREENSHOT, original_.screenshot);
        return fieldNow(IDC_FEAT_THUMBNAIL, original_.thumbnail);
    });
}

bool editFeature(const DialogServices& s, HWND owner, FeatureRecord& record, const VersionChoices& versions) {
    FeatureDialog dialog(s);
    dialog.setUp(record, versions);
    if (dialog.runModal(owner) != IDOK) return false;
    record = dialog.record();
    return true;
}

}  // namespace orv
