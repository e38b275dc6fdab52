// The program's crash handler on POSIX: runs inside the signal handler.
#include <sys/stat.h>

#include "crash/crash_handler.h"
#include "crash/crash_library.h"

namespace orv {

ProgramCrashHandler::ProgramCrashHandler(const ByteString& programFolder, const PrivateFolders& folders,
                                         const ByteString& systemFolder, AddFileFunction addFile)
    : folders_(folders), system_(describeSystem(systemFolder)), addFile_(addFile ? addFile : crashLibraryAddFile) {
    appInfoPath_.add(programFolder.view()).add("/AppInfo.txt");
}

bool ProgramCrashHandler::OnCrash() {
    CrashReportHandler::OnCrash();
    struct stat st {};
    if (stat(appInfoPath_.text, &st) == 0 && S_ISREG(st.st_mode))
        addFile_(appInfoPath_.text, "Product version information.");

    static SystemInfoText text;  // static: the signal stack is small
    text = systemInfoNow(system_);
    for (const PathText* folder : {&folders_.state, &folders_.fallback}) {
        const int dir = folder->length ? openPrivateFolder(folder->text) : -1;
        if (dir < 0) continue;
        unlinkat(dir, "SystemInfo.txt", 0);  // replaces an earlier one (or a link: never its target)
        const int fd = createPrivateFile(dir, "SystemInfo.txt");
        const bool written = fd >= 0 && writeAll(fd, text.text, text.length);
        if (fd >= 0) close(fd);
        close(dir);
        if (!written) continue;
        static PathText path;
        path = *folder;
        addFile_(path.add("/SystemInfo.txt").text, "Useful system information.");
        break;
    }
    return true;
}

}  // namespace orv
