// Install, AddFile and Uninstall, and the fatal-signal handler.
#include "crash/report/crash_report.h"

#include <execinfo.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>

#include "crash/report/report_state.h"
#include "crash/report/safe_text.h"

namespace orvreport {

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];
// The callback runs on this stack too and does real work.
constexpr size_t kAltStackSize = 256 * 1024;

ReportState gState;
bool gInstalled = false;
struct sigaction gPrevious[kSignalCount];
void* gAltStack = nullptr;
stack_t gPreviousStack;
volatile sig_atomic_t gHandlingThread = 0;

// Ends the process with `signal` under its default action.
[[noreturn]] void reraise(int signal) {
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, signal);
    pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
    raise(signal);
    _exit(128 + signal);
}

void onFatalSignal(int signal, siginfo_t* info, void*) {
    const int self = static_cast<int>(syscall(SYS_gettid));
    const int first = __sync_val_compare_and_swap(&gHandlingThread, 0, self);
    if (first == self) reraise(signal);  // crashed again while reporting
    if (first != 0) {
        for (;;) pause();  // another thread reports; it ends the process
    }
    const bool report = !gState.callback || gState.callback(nullptr) != 0;
    if (report) writeCrashReport(signal, info);
    reraise(signal);
}

// The program's file name, "program" when unknown.
const char* programName(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '/') name = p + 1;
    return *name ? name : "program";
}

void prepareFolders() {
    const ssize_t n = readlink("/proc/self/exe", gState.programPath, kPathCapacity - 1);
    gState.programPath[n > 0 ? n : 0] = '\0';
    const char* name = programName(gState.programPath);

    SafeText<kPathCapacity> root;
    const char* stateHome = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    if (stateHome && stateHome[0] == '/') root.add(stateHome);
    else if (home && home[0] == '/') root.add(home).add("/.local/state");
    if (root.length) root.add('/').add(name).add("/crash-reports");
    copyText(gState.reportRoot, kPathCapacity, root.text);

    SafeText<kPathCapacity> fallback;
    const char* tmp = std::getenv("TMPDIR");
    fallback.add(tmp && tmp[0] == '/' ? tmp : "/tmp").add('/').add(name).add("-crash-reports");
    copyText(gState.fallbackRoot, kPathCapacity, fallback.text);
}

bool catchSignals() {
    gAltStack = std::malloc(kAltStackSize);
    if (!gAltStack) return false;
    stack_t stack {};
    stack.ss_sp = gAltStack;
    stack.ss_size = kAltStackSize;
    sigaltstack(&stack, &gPreviousStack);

    struct sigaction action {};
    action.sa_sigaction = onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int s : kSignals) sigaddset(&action.sa_mask, s);
    for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &action, &gPrevious[i]);
    return true;
}

}  // namespace

ReportState& reportState() { return gState; }

}  // namespace orvreport

using namespace orvreport;

extern "C" int Install(CrashReportCallback callback, const char* destination, const char* subject) {
    gState.callback = callback;
    copyText(gState.destination, kTextCapacity, destination);
    copyText(gState.subject, kTextCapacity, subject);
    prepareFolders();
    // The first backtrace() loads the unwinder; do it now, not in a crash.
    void* frames[2];
    backtrace(frames, 2);
    if (!gInstalled) gInstalled = catchSignals();
    return gInstalled ? 1 : 0;
}

extern "C" int AddFile(const char* path, const char* description) {
    const int index = gState.fileCount;
    if (!path || !*path || index >= kMaxFiles) return 0;
    copyText(gState.files[index].path, kPathCapacity, path);
    copyText(gState.files[index].description, kTextCapacity, description);
    gState.fileCount = index + 1;
    return 1;
}

extern "C" int Uninstall(void) {
    if (!gInstalled) return 0;
    for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &gPrevious[i], nullptr);
    stack_t current {};
    if (sigaltstack(nullptr, &current) == 0 && current.ss_sp == gAltStack) {
        sigaltstack(&gPreviousStack, nullptr);
        std::free(gAltStack);
    }  // else another component replaced the stack: leave the memory to it
    gAltStack = nullptr;
    gState.callback = nullptr;
    gState.fileCount = 0;
    gInstalled = false;
    return 1;
}
