// Install, AddFile and Uninstall, and the fatal-signal handler.
//
// The handler writes the report in steps. A step that faults (a second
// crash while reporting) or that outlives its share of the watchdog's time
// is abandoned with siglongjmp and the next step runs; then the process ends
// with the original signal. The shares add up to 7.5 s, so the process ends
// within 10 s of the crash whatever state the crash left it in.
#include "crash/report/crash_report.h"

#include <execinfo.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdlib>

#include "crash/report/report_state.h"
#include "crash/signal_stack.h"

namespace orvreport {

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];

ReportState gState;
bool gInstalled = false;
struct sigaction gPrevious[kSignalCount];
void* gSignalStack = nullptr;
stack_t gPreviousStack;

// Crash-time state: the reporting thread, the signal, the step to run next.
volatile sig_atomic_t gReporter = 0;
volatile sig_atomic_t gSignal = 0;
volatile sig_atomic_t gNextStep = 0;
volatile sig_atomic_t gJumpReady = 0;
volatile sig_atomic_t gGoOn = 1;  // cleared when the callback cancels or no folder exists
siginfo_t gInfo;
sigjmp_buf gStepJump;

int threadId() { return static_cast<int>(syscall(SYS_gettid)); }

// Ends the process with `signal` under its default action.
[[noreturn]] void endWithSignal(int signal) {
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

[[noreturn]] void abandonStep() {
    if (gJumpReady) siglongjmp(gStepJump, 1);
    endWithSignal(gSignal);
}

// The watchdog's signal goes to the process, so any thread may take it; it
// is passed on to the reporting thread, which gives up its current step.
void onWatchdog(int) {
    if (threadId() != gReporter) {
        syscall(SYS_tgkill, getpid(), gReporter, SIGALRM);
        return;
    }
    abandonStep();
}

void startWatchdog() {
    struct sigaction action {};
    action.sa_handler = onWatchdog;
    action.sa_flags = SA_ONSTACK | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    sigaction(SIGALRM, &action, nullptr);
    sigset_t alarm;
    sigemptyset(&alarm);
    sigaddset(&alarm, SIGALRM);
    pthread_sigmask(SIG_UNBLOCK, &alarm, nullptr);
}

void armWatchdog(int milliseconds) {
    itimerval timer {};
    timer.it_value.tv_sec = milliseconds / 1000;
    timer.it_value.tv_usec = milliseconds % 1000 * 1000;
    setitimer(ITIMER_REAL, &timer, nullptr);
}

void runCallback() {
    if (gState.callback && gState.callback(nullptr) == 0) gGoOn = 0;
}
void openFolder() {
    if (!openReport(gSignal, gInfo)) gGoOn = 0;
}
void finish();

struct Step {
    void (*run)();
    const char* name;
    int milliseconds;
};
constexpr Step kSteps[] = {{runCallback, "callback", 2000}, {openFolder, "summary", 2000},
                           {copyReportFiles, "files", 2000},  {writeBacktrace, "backtrace", 1000},
                           {finish, "finish", 500}};
constexpr int kStepCount = sizeof kSteps / sizeof kSteps[0];
volatile sig_atomic_t gAbandoned = 0;  // one bit per step

void finish() {
    orv::SafeText<256> names;
    for (int i = 0; i < kStepCount; ++i)
        if (gAbandoned & (1 << i)) names.add(names.length ? ", " : "").add(kSteps[i].name);
    finishReport(names.text);
}

void runSteps() {
    gNextStep = 0;
    if (sigsetjmp(gStepJump, 1) != 0) gAbandoned = gAbandoned | (1 << (gNextStep - 1));
    gJumpReady = 1;
    while (gNextStep < kStepCount) {
        const Step& step = kSteps[gNextStep];
        gNextStep = gNextStep + 1;
        // Once the callback has cancelled or no folder exists, only the end is left.
        if (!gGoOn) continue;
        armWatchdog(step.milliseconds);
        step.run();
    }
    armWatchdog(0);
    gJumpReady = 0;
}

void onFatalSignal(int signal, siginfo_t* info, void*) {
    const int self = threadId();
    const int reporter = __sync_val_compare_and_swap(&gReporter, 0, self);
    if (reporter == self) abandonStep();  // a fault while reporting
    if (reporter != 0) {
        for (;;) pause();  // another thread reports; it ends the process
    }
    gSignal = signal;
    gInfo = *info;
    startWatchdog();
    runSteps();
    endWithSignal(signal);
}

void prepareFolders() {
    const ssize_t n = readlink("/proc/self/exe", gState.programPath, kPathCapacity - 1);
    gState.programPath[n > 0 ? n : 0] = '\0';
    gState.folders = orv::privateFolders(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"), std::getenv("TMPDIR"),
                                         orv::fileNameOf(gState.programPath), geteuid());
}

bool catchSignals() {
    gSignalStack = orv::installSignalStack(&gPreviousStack);
    if (!gSignalStack) return false;
    // Fatal signals stay unblocked in the handler, so that a second fault
    // while reporting comes back to it instead of ending the process there.
    struct sigaction action {};
    action.sa_sigaction = onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &action, &gPrevious[i]);
    return true;
}

}  // namespace

ReportState& reportState() { return gState; }

}  // namespace orvreport

using namespace orvreport;

extern "C" int Install(CrashReportCallback callback, const char* destination, const char* subject) {
    gState.callback = callback;
    orv::copyText(gState.destination, kTextCapacity, destination);
    orv::copyText(gState.subject, kTextCapacity, subject);
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
    orv::copyText(gState.files[index].path, kPathCapacity, path);
    orv::copyText(gState.files[index].description, kTextCapacity, description);
    gState.fileCount = index + 1;
    return 1;
}

extern "C" int Uninstall(void) {
    if (!gInstalled) return 0;
    for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &gPrevious[i], nullptr);
    orv::removeSignalStack(gSignalStack, gPreviousStack);
    gSignalStack = nullptr;
    gState.callback = nullptr;
    gState.fileCount = 0;
    gInstalled = false;
    return 1;
}
