#include "app/gui/main_window.h"
#include "dialogs/bug_dialog.h"
#include "dialogs/common_info_dialog.h"
#include "dialogs/feature_dialog.h"
#include "dialogs/version_dialog.h"

namespace orv {

RecordEditors dialogEditors() { return {editCommonInfo, editVersion, editFeature, editBug}; }

}  // namespace orv
