// The program's crash handler on Windows: runs while the process is
// failing, so it writes with the plain kernel32 calls and allocates nothing.
#include <windows.h>

#include "crash/crash_handler.h"
#include "crash/crash_library.h"

namespace orv {

namespace {

bool isFileNow(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool writeNew(const char* path, const char* bytes, DWORD size) {
    const HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes, size, &written, nullptr) && written == size;
    CloseHandle(file);
    return ok;
}

}  // namespace

ProgramCrashHandler::ProgramCrashHandler(const ByteString& programFolder, const PrivateFolders& folders,
                                         const ByteString& systemFolder, AddFileFunction addFile)
    : folders_(folders), system_(describeSystem(systemFolder)), addFile_(addFile ? addFile : crashLibraryAddFile) {
    appInfoPath_.add(programFolder.view()).add("\\AppInfo.txt");
}

bool ProgramCrashHandler::OnCrash() {
    CrashReportHandler::OnCrash();
    if (isFileNow(appInfoPath_.text)) addFile_(appInfoPath_.text, "Product version information.");
    static SystemInfoText text;  // static: a failing thread's stack may be nearly used up
    text = systemInfoNow(system_);
    for (const PathText* folder : {&folders_.state, &folders_.fallback}) {
        if (folder->length == 0) continue;
        static PathText path;
        path = *folder;
        path.add("\\SystemInfo.txt");
        if (!writeNew(path.text, text.text, static_cast<DWORD>(text.length))) continue;
        addFile_(path.text, "Useful system information.");
        break;
    }
    return true;
}

}  // namespace orv
