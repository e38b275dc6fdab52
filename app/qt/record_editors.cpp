#include "app/qt/main_window.h"
#include "dialogs/qt/bug_dialog.h"
#include "dialogs/qt/common_info_dialog.h"
#include "dialogs/qt/feature_dialog.h"
#include "dialogs/qt/version_dialog.h"

namespace orv {

RecordEditors dialogEditors(const UiServices& ui) {
    return {[ui](QWidget* w, CommonInfo& c) { return editCommonInfo(ui, w, c); },
            [ui](QWidget* w, VersionRecord& v, const VersionChoices& vs) { return editVersion(ui, w, v, vs); },
            [ui](QWidget* w, FeatureRecord& f, const VersionChoices& vs) { return editFeature(ui, w, f, vs); },
            editBug};
}

MainWindowServices realMainWindowServices() {
    const UiServices ui = realUiServices();
    return {ui, runFileDialog, dialogEditors(ui)};
}

}  // namespace orv
