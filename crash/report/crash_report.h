/* The crash-reporting library's interface: three calls, looked up by name
 * by the program at run time.
 *
 * Install registers a callback and catches the process's fatal signals
 * (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT); it gives the installing thread
 * an alternate signal stack, so that a stack overflow there is reported too
 * (other threads need their own: crash/signal_stack.h). On a crash the
 * library calls the callback (its argument is reserved and always null).
 * When the callback returns nonzero the library writes a report folder,
 * "<XDG_STATE_HOME or ~/.local/state>/<program>/crash-reports/<time>-<pid>",
 * falling back to "<TMPDIR>/<program>-<uid>/crash-reports/...", holding
 * every added file, an index of them with their descriptions (files.txt), a
 * backtrace and a summary with the destination and subject (report.txt); it
 * prints the folder's path on standard error. A zero result cancels the
 * report. Either way the process then ends with the original signal, within
 * 10 seconds whatever the crash left behind: a step of the report that
 * faults or hangs is abandoned, and report.txt names it ("Incomplete:").
 *
 * The callback runs inside the signal handler and must obey its rules:
 * no allocation, no locks, only async-signal-safe calls. The library itself
 * does. Folders are used only when they are the user's own and writable by
 * nobody else, and files are created new, never through a link.
 *
 * AddFile adds a file to the report being prepared; the callback usually
 * calls it. Uninstall restores the previous signal handling.
 * Every call returns nonzero on success and 0 on failure. */
#ifndef ORV_CRASH_REPORT_H
#define ORV_CRASH_REPORT_H

#ifdef __cplusplus
extern "C" {
#endif

typedef int (*CrashReportCallback)(void* reserved);
typedef int (*CrashReportInstallFunction)(CrashReportCallback callback, const char* destination,
                                          const char* subject);
typedef int (*CrashReportAddFileFunction)(const char* path, const char* description);
typedef int (*CrashReportUninstallFunction)(void);

#ifdef ORV_CRASH_REPORT_BUILDING
#define ORV_CRASH_REPORT_API __attribute__((visibility("default")))
int Install(CrashReportCallback callback, const char* destination, const char* subject) ORV_CRASH_REPORT_API;
int AddFile(const char* path, const char* description) ORV_CRASH_REPORT_API;
int Uninstall(void) ORV_CRASH_REPORT_API;
#endif

#ifdef __cplusplus
}
#endif

#endif
