#include "app/qt/main_window.h"
#include "dialogs/qt/bug_dialog.h"
#include "dialogs/qt/common_info_dialog.h"
#include "dialogs/qt/feature_dialog.h"
#include "dialogs/qt/version_dialog.h"

namespace orv {

RecordEditors dialogEditors(const UiServices& ui, QWidget* owner) {
    return {[ui, owner](CommonInfo& c) { return editCommonInfo(ui, owner, c); },
            [ui, owner](VersionRecord& v, const VersionChoices& vs) { return editVersion(ui, owner, v, vs); },
            [ui, owner](FeatureRecord& f, const VersionChoices& vs) { return editFeature(ui, owner, f, vs); },
            [owner](BugRecord& b, const VersionChoices& vs, const FeatureChoices& fs) {
                return editBug(owner, b, vs, fs);
            }};
}

MainWindowServices realMainWindowServices() { return {realUiServices(), runFileDialog, {}}; }

}  // namespace orv
