#include "app/win32/main_window.h"
#include "links/open_link.h"

namespace orv {

MainWindowServices realMainWindowServices() {
    MainWindowServices s;
    s.dialogs.message = showMessageBox;
    s.dialogs.openLink = [](LinkKind kind, const ByteString& link) {
        openLink(realLinkSystem(), kind, link);  // the result tells the user nothing more
    };
    s.dialogs.determineSize = [](const ByteString& location) { return determineDownloadSize(location); };
    s.chooseFile = runFileDialog;
    return s;
}

}  // namespace orv
