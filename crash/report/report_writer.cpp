// Writing the report folder on the signal path: fixed buffers and plain
// system calls only.
#include <errno.h>
#include <execinfo.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "crash/report/report_state.h"
#include "crash/report/safe_text.h"

namespace orvreport {

namespace {

using PathText = SafeText<kPathCapacity>;

void writeAll(int fd, const char* bytes, size_t n) {
    while (n > 0) {
        const ssize_t done = write(fd, bytes, n);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return;
        bytes += done;
        n -= static_cast<size_t>(done);
    }
}

template <size_t N>
void writeText(int fd, const SafeText<N>& t) { writeAll(fd, t.text, t.length); }

int createFile(const PathText& folder, const char* name) {
    PathText path = folder;
    path.add('/').add(name);
    return open(path.text, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
}

// Creates every missing folder of an absolute path.
bool makeFolders(const char* path) {
    PathText partial;
    for (const char* p = path; *p; ++p) {
        if (*p == '/' && partial.length > 0) {
            if (mkdir(partial.text, 0700) != 0 && errno != EEXIST) return false;
        }
        partial.add(*p);
    }
    return mkdir(partial.text, 0700) == 0 || errno == EEXIST;
}

// Calendar date and time in UTC; gmtime is not safe in a signal handler.
void addTimestamp(PathText& out, time_t now, bool readable) {
    const int64_t seconds = static_cast<int64_t>(now);
    int64_t days = seconds / 86400;
    int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    days += 719468;  // days from 0000-03-01 to 1970-01-01
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t mp = (5 * dayOfYear + 2) / 153;
    const int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    const char* dateSep = readable ? "-" : "";
    const char* timeSep = readable ? ":" : "";
    out.number(static_cast<uint64_t>(year), 4).add(dateSep).number(static_cast<uint64_t>(month), 2);
    out.add(dateSep).number(static_cast<uint64_t>(day), 2).add(readable ? " " : "-");
    out.number(static_cast<uint64_t>(rest / 3600), 2).add(timeSep).number(static_cast<uint64_t>(rest / 60 % 60), 2);
    out.add(timeSep).number(static_cast<uint64_t>(rest % 60), 2);
}

bool makeReportFolder(const char* root, time_t now, PathText& folder) {
    if (!root[0] || !makeFolders(root)) return false;
    folder.truncate(0);
    folder.add(root).add('/');
    addTimestamp(folder, now, false);
    folder.add('-').number(static_cast<uint64_t>(getpid()));
    return mkdir(folder.text, 0700) == 0 || errno == EEXIST;
}

const char* signalName(int signal) {
    switch (signal) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGILL: return "SIGILL";
    case SIGFPE: return "SIGFPE";
    case SIGABRT: return "SIGABRT";
    default: return "signal";
    }
}

void writeSummary(const PathText& folder, int signal, const siginfo_t* info, time_t now) {
    const ReportState& s = reportState();
    const int fd = createFile(folder, "report.txt");
    if (fd < 0) return;
    SafeText<3 * kTextCapacity + 2 * kPathCapacity> t;
    t.add("Subject: ").add(s.subject).add("\nDestination: ").add(s.destination);
    t.add("\nProgram: ").add(s.programPath).add("\nProcess: ").number(static_cast<uint64_t>(getpid()));
    t.add("\nSignal: ").number(static_cast<uint64_t>(signal)).add(" (").add(signalName(signal)).add(')');
    if (info && signal != SIGABRT) t.add("\nAddress: ").hex(reinterpret_cast<uintptr_t>(info->si_addr));
    PathText when;
    addTimestamp(when, now, true);
    t.add("\nTime: ").add(when.text).add(" UTC\n");
    writeText(fd, t);
    close(fd);
}

// The added file's name inside the report: its own name, prefixed with its
// number when an earlier file has the same name.
void reportName(int index, PathText& name) {
    const AddedFile* files = reportState().files;
    auto baseName = [](const char* path) {
        const char* base = path;
        for (const char* p = path; *p; ++p)
            if (*p == '/') base = p + 1;
        return base;
    };
    const char* base = baseName(files[index].path);
    bool clash = false;
    for (int i = 0; i < index; ++i) {
        const char* a = baseName(files[i].path);
        const char* b = base;
        while (*a && *a == *b) ++a, ++b;
        clash = clash || *a == *b;
    }
    name.truncate(0);
    if (clash) name.number(static_cast<uint64_t>(index + 1)).add('-');
    name.add(base);
}

bool copyFile(const char* from, const PathText& folder, const char* name) {
    static char buffer[65536];
    const int in = open(from, O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    const int out = createFile(folder, name);
    if (out < 0) {
        close(in);
        return false;
    }
    ssize_t n;
    while ((n = read(in, buffer, sizeof buffer)) > 0) writeAll(out, buffer, static_cast<size_t>(n));
    close(in);
    close(out);
    return true;
}

// Copies every added file and lists it with its description in files.txt:
// one line each, name TAB description TAB original path; "-" as the name of
// a file that could not be copied.
void writeFiles(const PathText& folder) {
    const ReportState& s = reportState();
    const int index = createFile(folder, "files.txt");
    for (int i = 0; i < s.fileCount; ++i) {
        PathText name;
        reportName(i, name);
        const bool copied = copyFile(s.files[i].path, folder, name.text);
        SafeText<2 * kPathCapacity + kTextCapacity> line;
        line.add(copied ? name.text : "-").add('\t').add(s.files[i].description).add('\t');
        line.add(s.files[i].path).add('\n');
        if (index >= 0) writeText(index, line);
    }
    if (index >= 0) close(index);
}

void writeBacktrace(const PathText& folder) {
    static void* frames[128];
    const int fd = createFile(folder, "backtrace.txt");
    if (fd < 0) return;
    const int n = backtrace(frames, 128);
    backtrace_symbols_fd(frames, n, fd);
    close(fd);
}

}  // namespace

void writeCrashReport(int signal, const siginfo_t* info) {
    const ReportState& s = reportState();
    const time_t now = time(nullptr);
    PathText folder;
    if (!makeReportFolder(s.reportRoot, now, folder) && !makeReportFolder(s.fallbackRoot, now, folder)) {
        static const char kFailed[] = "Crash report: no folder could be created.\n";
        writeAll(STDERR_FILENO, kFailed, sizeof kFailed - 1);
        return;
    }
    writeSummary(folder, signal, info, now);
    writeFiles(folder);
    writeBacktrace(folder);
    PathText message;
    message.add("Crash report written to ").add(folder.text).add('\n');
    writeText(STDERR_FILENO, message);
}

}  // namespace orvreport
