#include "links/launch.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace orv {

namespace {

constexpr int kFallbackFdLimit = 4096;  // where close_range is missing

Launcher& launcherSlot() {
    static Launcher launcher;
    return launcher;
}

// One ready-to-exec program: everything the child needs, built before the
// fork so the child only makes async-signal-safe calls.
struct Prepared {
    std::string path;
    std::vector<std::string> args;
    std::vector<char*> argv;
};

bool prepare(const ByteStringList& candidate, Prepared& out) {
    if (candidate.empty() || candidate[0].empty()) return false;
    const ByteString path = resolveProgram(candidate[0]);
    if (path.empty()) return false;
    out.path = path.toStdString();
    for (const ByteString& a : candidate) {
        // A 0 byte cannot cross exec: the argument ends there.
        out.args.push_back(std::string(a.data(), ::strnlen(a.data(), a.length())));
    }
    for (std::string& a : out.args) out.argv.push_back(a.data());
    out.argv.push_back(nullptr);
    return true;
}

void closeFrom(int first, int except) {
    // close_range keeps the child's work down to one call where it exists.
    if (except > first && ::syscall(SYS_close_range, first, except - 1, 0) != 0) {
        for (int fd = first; fd < except; ++fd) ::close(fd);
    }
    if (::syscall(SYS_close_range, except + 1, ~0u, 0) != 0) {
        for (int fd = except + 1; fd < kFallbackFdLimit; ++fd) ::close(fd);
    }
}

[[noreturn]] void runGrandchild(const std::vector<Prepared>& programs, int reportFd) {
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    const int devNull = ::open("/dev/null", O_RDONLY);
    if (devNull >= 0 && devNull != STDIN_FILENO) {
        ::dup2(devNull, STDIN_FILENO);
    }
    closeFrom(3, reportFd);
    for (const Prepared& p : programs) ::execve(p.path.c_str(), p.argv.data(), environ);
    const char failed = 1;
    (void)!::write(reportFd, &failed, 1);
    ::_exit(127);
}

}  // namespace

ByteString resolveProgram(const ByteString& program) {
    if (program.empty()) return {};
    if (program.find('/') != ByteString::npos) {
        ByteString p = program;
        return ::access(p.c_str(), X_OK) == 0 ? program : ByteString();
    }
    const char* env = ::getenv("PATH");
    const ByteString pathList = env && *env ? ByteString(env) : ByteString("/usr/local/bin:/usr/bin:/bin");
    for (const ByteString& dir : split(pathList, ':')) {
        if (dir.empty()) continue;
        ByteString full = dir + "/" + program;
        if (::access(full.c_str(), X_OK) == 0) return full;
    }
    return {};
}

bool launchDetached(const std::vector<ByteStringList>& candidates) {
    std::vector<Prepared> programs(candidates.size());
    size_t ready = 0;
    for (const ByteStringList& c : candidates) {
        if (prepare(c, programs[ready])) ++ready;
    }
    programs.resize(ready);
    if (programs.empty()) return false;
    // The grandchild reports a failed exec through this pipe; a successful
    // exec closes it.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return false;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild == 0) runGrandchild(programs, report[1]);
        ::_exit(grandchild < 0 ? 1 : 0);
    }
    ::close(report[1]);
    int status = 0;
    bool started = child > 0;
    if (started) {
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        started = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    char failed = 0;
    ssize_t n = 0;
    if (started) {
        do {
            n = ::read(report[0], &failed, 1);
        } while (n < 0 && errno == EINTR);
    }
    ::close(report[0]);
    return started && n == 0;
}

void setLauncher(Launcher launcher) { launcherSlot() = std::move(launcher); }

bool launch(const std::vector<ByteStringList>& candidates) {
    if (launcherSlot()) return launcherSlot()(candidates);
    return launchDetached(candidates);
}

}  // namespace orv
