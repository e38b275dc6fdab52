// Start-up of the Windows editor: the common controls, the program
// environment (arguments, crash reporter), the main window with the package
// file named on the command line, run modally; the program ends when the
// window closes.
#include <windows.h>
#include <commctrl.h>

#include "app/win32/main_window.h"
#include "crash/program_environment.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    orv::initProgramEnvironment(0, nullptr, nullptr);
    orv::MainWindow window(orv::realMainWindowServices());
    const orv::ByteStringList& arguments = orv::programEnvironment().arguments;
    if (arguments.size() > 1) window.setFileName(arguments[1]);  // further arguments are ignored
    window.runModal(nullptr);
    return 0;
}
