// Start-up: the program environment, the application, the main window with
// the package file named on the command line, run modally; the program ends
// when the window closes.
#include <QApplication>

#include "app/qt/main_window.h"
#include "crash/program_environment.h"

int main(int argc, char** argv) {
    // The program environment (argument list, crash reporter) takes the
    // arguments as given. Qt sees only the program's name: the one argument
    // the editor takes is a file, and a file named like one of Qt's options
    // (-platformpluginpath, -stylesheet, ...) must stay a file.
    orv::initProgramEnvironment(argc, argv, nullptr);
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication app(qtArgc, qtArgv);
    QApplication::setApplicationName(QStringLiteral("Orvantis"));
    QApplication::setApplicationVersion(QStringLiteral("1.4"));
    QApplication::setDesktopFileName(QStringLiteral("orvantis"));

    orv::MainWindow window;
    const orv::ByteStringList& arguments = orv::programEnvironment().arguments;
    if (arguments.size() > 1) window.setFileName(arguments[1]);  // further arguments are ignored
    window.initialize();
    window.exec();
    return 0;
}
