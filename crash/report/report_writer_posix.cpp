// Writing the report folder on the signal path: fixed buffers and plain
// system calls only. Every file is created new, never through a link, in a
// folder that only the user can change.
#include <dlfcn.h>
#include <errno.h>
#include <execinfo.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "crash/report/report_state.h"

namespace orvreport {

namespace {

using orv::SafeText;
using orv::writeAll;

constexpr off_t kMaxCopiedBytes = 16 << 20;  // of one added file

int gFolder = -1;   // the report folder
int gSummary = -1;  // report.txt, open until the report is finished
PathText gFolderPath;

template <size_t N>
void writeText(int fd, const SafeText<N>& t) { writeAll(fd, t.text, t.length); }

// Calendar date and time in UTC; gmtime is not safe in a signal handler.
template <size_t N>
void addTimestamp(SafeText<N>& out, time_t now, bool readable) {
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

// Creates a new folder, named after the time and the process, in
// "crash-reports" inside the first usable private folder. An existing folder
// of that name is never used: someone may have planted it.
bool makeReportFolder(time_t now) {
    const ReportState& s = reportState();
    for (const PathText* base : {&s.folders.state, &s.folders.fallback}) {
        const int own = base->length ? orv::openPrivateFolder(base->text) : -1;
        const int reports = own < 0 ? -1 : orv::openPrivateFolderAt(own, "crash-reports");
        if (own >= 0) close(own);
        if (reports < 0) continue;
        PathText name;
        addTimestamp(name, now, false);
        name.add('-').number(static_cast<uint64_t>(getpid()));
        const size_t stem = name.length;
        for (int attempt = 1; gFolder < 0 && attempt < 100; ++attempt) {
            name.truncate(stem);
            if (attempt > 1) name.add('-').number(static_cast<uint64_t>(attempt));
            if (mkdirat(reports, name.text, 0700) == 0) gFolder = orv::openPrivateFolderAt(reports, name.text);
            else if (errno != EEXIST) break;
        }
        close(reports);
        if (gFolder >= 0) {
            gFolderPath = *base;
            gFolderPath.add("/crash-reports/").add(name.text);
            return true;
        }
    }
    return false;
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

void writeSummary(int signal, const siginfo_t& info, time_t now) {
    const ReportState& s = reportState();
    gSummary = orv::createPrivateFile(gFolder, "report.txt");
    if (gSummary < 0) return;
    static SafeText<3 * kTextCapacity + 2 * kPathCapacity> t;
    t.truncate(0);
    t.add("Subject: ").add(s.subject).add("\nDestination: ").add(s.destination);
    t.add("\nProgram: ").add(s.programPath).add("\nProcess: ").number(static_cast<uint64_t>(getpid()));
    t.add("\nSignal: ").number(static_cast<uint64_t>(signal)).add(" (").add(signalName(signal)).add(')');
    if (signal != SIGABRT) t.add("\nAddress: ").hex(reinterpret_cast<uintptr_t>(info.si_addr));
    t.add("\nTime: ");
    addTimestamp(t, now, true);
    t.add(" UTC\n");
    writeText(gSummary, t);
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

// Copies a regular file, at most kMaxCopiedBytes of it; a FIFO or a device
// planted at an added path could otherwise block or never end.
bool copyFile(const char* from, const char* name) {
    static char buffer[65536];
    const int in = open(from, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (in < 0) return false;
    struct stat st {};
    const int out = fstat(in, &st) == 0 && S_ISREG(st.st_mode) ? orv::createPrivateFile(gFolder, name) : -1;
    off_t copied = 0;
    ssize_t n;
    while (out >= 0 && copied < kMaxCopiedBytes && (n = read(in, buffer, sizeof buffer)) > 0) {
        writeAll(out, buffer, static_cast<size_t>(n));
        copied += n;
    }
    close(in);
    if (out >= 0) close(out);
    return out >= 0;
}

void writeFrame(int fd, void* frame) {
    SafeText<kPathCapacity + 64> line;
    const auto pc = reinterpret_cast<uintptr_t>(frame);
#ifdef DLFO_EH_SEGMENT_TYPE  // glibc 2.35 and later: lock-free lookup
    dl_find_object found {};
    if (_dl_find_object(frame, &found) == 0 && found.dlfo_link_map) {
        const link_map* map = found.dlfo_link_map;
        line.add(map->l_name && map->l_name[0] ? map->l_name : reportState().programPath);
        line.add("(+").hex(pc - map->l_addr).add(") ");
    }
#endif
    line.add('[').hex(pc).add("]\n");
    writeText(fd, line);
}

}  // namespace

bool openReport(int signal, const siginfo_t& info) {
    const time_t now = time(nullptr);
    if (!makeReportFolder(now)) {
        static const char kFailed[] = "Crash report: no folder could be created.\n";
        writeAll(STDERR_FILENO, kFailed, sizeof kFailed - 1);
        return false;
    }
    writeSummary(signal, info, now);
    return true;
}

// Lists every added file with its description in files.txt, one line each:
// name TAB description TAB original path; "-" as the name of a file that
// could not be copied.
void copyReportFiles() {
    const ReportState& s = reportState();
    const int index = orv::createPrivateFile(gFolder, "files.txt");
    for (int i = 0; i < s.fileCount; ++i) {
        PathText name;
        reportName(i, name);
        const bool copied = copyFile(s.files[i].path, name.text);
        static SafeText<2 * kPathCapacity + kTextCapacity> line;
        line.truncate(0);
        line.add(copied ? name.text : "-").add('\t').add(s.files[i].description).add('\t');
        line.add(s.files[i].path).add('\n');
        if (index >= 0) writeText(index, line);
    }
    if (index >= 0) close(index);
}

void writeBacktrace() {
    static void* frames[128];
    const int fd = orv::createPrivateFile(gFolder, "backtrace.txt");
    if (fd < 0) return;
    const int n = backtrace(frames, 128);
    for (int i = 0; i < n; ++i) writeFrame(fd, frames[i]);
    close(fd);
}

void finishReport(const char* abandoned) {
    if (gSummary >= 0 && abandoned[0]) {
        SafeText<256> line;
        line.add("Incomplete: ").add(abandoned).add('\n');
        writeText(gSummary, line);
    }
    PathText message;
    message.add("Crash report written to ").add(gFolderPath.text).add('\n');
    writeText(STDERR_FILENO, message);
}

}  // namespace orvreport
