// CrashReport.dll: Install, AddFile and Uninstall on Windows.
//
// Install prepares everything a crash needs: the report folder's parent
// (the user's local application data), a reporting thread that waits for a
// crash, and the process's unhandled-exception filter. A fault on any
// thread reaches the filter, which wakes the reporting thread and waits for
// it at most 8 seconds; then the process ends with the fault's code,
// whatever the report came to. So the process ends within 10 seconds of a
// fault even when the callback hangs or faults itself, or the crash left a
// lock held. The report is written on the reporting thread's own stack, so
// a stack overflow is reported too.
//
// The report folder "<local app data>\<program>\crash-reports\<time>-<pid>"
// holds report.txt (subject, destination, exception, time; "Complete." at
// its end once every step finished), every added file with an index of
// them (files.txt), and a minidump when the system's dbghelp is there.
// Folders and files are created new, never reused.
#include <windows.h>
// after <windows.h>; only its types, the function is looked up
#include <dbghelp.h>

#include "crash/report/crash_report.h"
#include "crash/safe_text.h"

namespace {

using Path = orv::SafeText<1024>;
constexpr int kMaxFiles = 32;
constexpr DWORD kReportWait = 8000;

struct AddedFile {
    Path path;
    orv::SafeText<512> description;
};

struct State {
    CrashReportCallback callback = nullptr;
    orv::SafeText<1024> destination, subject;
    Path reports;  // "<local app data>\<program>\crash-reports"
    AddedFile files[kMaxFiles];
    volatile LONG fileCount = 0;
    HANDLE start = nullptr, done = nullptr, thread = nullptr;
    DWORD reporterId = 0;
    volatile LONG crashingThread = 0;
    EXCEPTION_POINTERS* exception = nullptr;
    DWORD faultThread = 0;
    LPTOP_LEVEL_EXCEPTION_FILTER previous = nullptr;
    bool installed = false;
    using MiniDumpWriteDump = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                                            PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);
    MiniDumpWriteDump writeDump = nullptr;
} gState;

void writeText(HANDLE file, const char* text, size_t length) {
    DWORD written = 0;
    WriteFile(file, text, static_cast<DWORD>(length), &written, nullptr);
}
template <size_t N>
void writeText(HANDLE file, const orv::SafeText<N>& text) { writeText(file, text.text, text.length); }

HANDLE createNew(const Path& folder, const char* name) {
    Path path = folder;
    path.add('\\').add(name);
    return CreateFileA(path.text, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// A new folder named after the time and the process.
bool makeReportFolder(Path& folder) {
    SYSTEMTIME now{};
    GetSystemTime(&now);
    for (int attempt = 1; attempt < 100; ++attempt) {
        folder = gState.reports;
        folder.add('\\').number(now.wYear, 4).number(now.wMonth, 2).number(now.wDay, 2).add('-');
        folder.number(now.wHour, 2).number(now.wMinute, 2).number(now.wSecond, 2).add('-');
        folder.number(GetCurrentProcessId());
        if (attempt > 1) folder.add('-').number(static_cast<uint64_t>(attempt));
        if (CreateDirectoryA(folder.text, nullptr)) return true;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

// The file name part of a path.
const char* nameOf(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    return name;
}

void copyFiles(const Path& folder) {
    HANDLE index = createNew(folder, "files.txt");
    for (LONG i = 0; i < gState.fileCount && i < kMaxFiles; ++i) {
        const AddedFile& f = gState.files[i];
        Path target = folder;
        target.add('\\').add(nameOf(f.path.text));
        const bool copied = CopyFileA(f.path.text, target.text, TRUE) != 0;
        orv::SafeText<2048> line;
        line.add(nameOf(f.path.text)).add(": ").add(f.description.text).add(copied ? "" : " (could not be copied)");
        line.add("\r\n");
        if (index != INVALID_HANDLE_VALUE) writeText(index, line);
    }
    if (index != INVALID_HANDLE_VALUE) CloseHandle(index);
}

void writeDump(const Path& folder) {
    if (!gState.writeDump) return;
    HANDLE file = createNew(folder, "crash.dmp");
    if (file == INVALID_HANDLE_VALUE) return;
    MINIDUMP_EXCEPTION_INFORMATION info{gState.faultThread, gState.exception, FALSE};
    gState.writeDump(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpNormal,
                     gState.exception ? &info : nullptr, nullptr, nullptr);
    CloseHandle(file);
}

void writeReport() {
    const bool goOn = !gState.callback || gState.callback(nullptr) != 0;
    if (!goOn) return;
    Path folder;
    if (!makeReportFolder(folder)) return;
    HANDLE summary = createNew(folder, "report.txt");
    if (summary == INVALID_HANDLE_VALUE) return;
    orv::SafeText<4096> text;
    const EXCEPTION_RECORD* record = gState.exception ? gState.exception->ExceptionRecord : nullptr;
    text.add("Subject: ").add(gState.subject.text).add("\r\nDestination: ").add(gState.destination.text);
    text.add("\r\nException: ").hex(record ? record->ExceptionCode : 0);
    text.add(" at ").hex(record ? reinterpret_cast<uintptr_t>(record->ExceptionAddress) : 0);
    text.add(" on thread ").number(gState.faultThread).add("\r\n");
    writeText(summary, text);
    copyFiles(folder);
    writeDump(folder);
    writeText(summary, "Complete.\r\n", 11);
    CloseHandle(summary);
}

DWORD WINAPI reporter(void*) {
    WaitForSingleObject(gState.start, INFINITE);
    writeReport();
    SetEvent(gState.done);
    return 0;
}

LONG WINAPI onUnhandledException(EXCEPTION_POINTERS* pointers) {
    const DWORD self = GetCurrentThreadId();
    if (self == gState.reporterId) {
        SetEvent(gState.done);  // the report itself faulted: give up on it
        ExitThread(1);
    }
    if (InterlockedCompareExchange(&gState.crashingThread, static_cast<LONG>(self), 0) != 0) {
        for (;;) Sleep(INFINITE);  // another thread reports; it ends the process
    }
    gState.exception = pointers;
    gState.faultThread = self;
    SetEvent(gState.start);
    WaitForSingleObject(gState.done, kReportWait);
    const DWORD code = pointers && pointers->ExceptionRecord ? pointers->ExceptionRecord->ExceptionCode : 1;
    TerminateProcess(GetCurrentProcess(), code);
    return EXCEPTION_EXECUTE_HANDLER;
}

// "<LOCALAPPDATA>\<program name without extension>\crash-reports", created.
bool prepareFolder() {
    char base[MAX_PATH] = {};
    const DWORD n = GetEnvironmentVariableA("LOCALAPPDATA", base, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    char program[MAX_PATH] = {};
    if (GetModuleFileNameA(nullptr, program, MAX_PATH) == 0) return false;
    orv::SafeText<MAX_PATH> name;
    name.add(nameOf(program));
    for (size_t i = name.length; i > 0; --i) {
        if (name.text[i - 1] == '.') {
            name.truncate(i - 1);
            break;
        }
    }
    gState.reports = Path();
    gState.reports.add(base).add('\\').add(name.length ? name.text : "program");
    CreateDirectoryA(gState.reports.text, nullptr);
    gState.reports.add("\\crash-reports");
    CreateDirectoryA(gState.reports.text, nullptr);
    const DWORD attributes = GetFileAttributesA(gState.reports.text);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

extern "C" __declspec(dllexport) int Install(CrashReportCallback callback, const char* destination,
                                             const char* subject) {
    gState.callback = callback;
    gState.destination = {};
    gState.destination.add(destination ? destination : "");
    gState.subject = {};
    gState.subject.add(subject ? subject : "");
    if (gState.installed) return 1;
    if (!prepareFolder()) return 0;
    if (HMODULE help = LoadLibraryExA("dbghelp.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
        gState.writeDump = reinterpret_cast<State::MiniDumpWriteDump>(
            reinterpret_cast<void*>(GetProcAddress(help, "MiniDumpWriteDump")));
    gState.start = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    gState.done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    gState.thread = CreateThread(nullptr, 256 * 1024, reporter, nullptr, 0, &gState.reporterId);
    if (!gState.start || !gState.done || !gState.thread) return 0;
    ULONG guarantee = 64 * 1024;  // room for the filter after a stack overflow
    SetThreadStackGuarantee(&guarantee);
    gState.previous = SetUnhandledExceptionFilter(onUnhandledException);
    gState.installed = true;
    return 1;
}

extern "C" __declspec(dllexport) int AddFile(const char* path, const char* description) {
    const LONG index = gState.fileCount;
    if (!path || !*path || index >= kMaxFiles) return 0;
    gState.files[index].path = {};
    gState.files[index].path.add(path);
    gState.files[index].description = {};
    gState.files[index].description.add(description ? description : "");
    gState.fileCount = index + 1;
    return 1;
}

extern "C" __declspec(dllexport) int Uninstall(void) {
    if (!gState.installed) return 0;
    SetUnhandledExceptionFilter(gState.previous);
    gState.callback = nullptr;
    gState.fileCount = 0;
    gState.installed = false;
    return 1;
}
