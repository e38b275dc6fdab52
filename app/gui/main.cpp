// Start-up: the application, the program environment, the main window with
// the package file named on the command line, run modally; the program ends
// when the window closes.
#include <QApplication>

#include "app/gui/main_window.h"
#include "crash/program_environment.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvantis"));
    QApplication::setApplicationVersion(QStringLiteral("1.4"));
    QApplication::setDesktopFileName(QStringLiteral("orvantis"));

    // The program environment (argument list, crash reporter) starts here.
    orv::initProgramEnvironment(argc, argv, nullptr);

    orv::MainWindow window;
    if (argc > 1) window.setFileName(argv[1]);  // further arguments are ignored
    window.initialize();
    window.exec();
    return 0;
}
