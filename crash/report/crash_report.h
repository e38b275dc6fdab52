/* The crash-reporting library's interface: three calls, looked up by name
 * by the program at run time.
 *
 * Install registers a callback and catches the process's fatal signals
 * (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT); on the installing thread the
 * handler runs on an alternate stack, so that a stack overflow there is
 * reported too. On a crash the library calls the callback (its argument is
 * reserved and always null). When the callback returns nonzero the library
 * writes a report folder holding every added file, an index of them with
 * their descriptions, a backtrace and the destination and subject; it
 * prints the folder's path on standard error. Either way the process then
 * ends with the original signal. A zero result cancels the report.
 *
 * AddFile adds a file to the report being prepared; the callback usually
 * calls it. Uninstall restores the previous signal handling.
 *
 * The signal path itself allocates nothing and uses only async-signal-safe
 * calls (backtrace() aside, which Install primes). The callback is the
 * program's own code and is not bound by that: a crash inside the memory
 * allocator may leave the report unwritten. A second crash while reporting
 * ends the process at once.
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
