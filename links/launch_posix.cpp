#include "links/launch.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "crash/signal_stack.h"

extern char** environ;

namespace orv {

namespace {

constexpr size_t kReaperStack = 64 * 1024;

// One ready-to-exec program.
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

void* reap(void* child) {
    ThreadSignalStack signalStack;  // so a fault here still gets its report
    const auto pid = static_cast<pid_t>(reinterpret_cast<intptr_t>(child));
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    return nullptr;
}

// Waits for the child on a small detached thread that takes no signals but
// the fatal ones, which the crash reporter must still see.
void reapWhenDone(pid_t pid) {
    pthread_attr_t attr;
    if (::pthread_attr_init(&attr) != 0) return;
    ::pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    ::pthread_attr_setstacksize(&attr, kReaperStack);
    sigset_t all;
    sigset_t old;
    ::sigfillset(&all);
    for (int fatal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT}) ::sigdelset(&all, fatal);
    ::pthread_sigmask(SIG_SETMASK, &all, &old);
    pthread_t thread;
    ::pthread_create(&thread, &attr, reap, reinterpret_cast<void*>(static_cast<intptr_t>(pid)));
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
    ::pthread_attr_destroy(&attr);
}

// posix_spawn reports a failed exec as its result, so a program that cannot
// run lets the next candidate try.
bool spawn(Prepared& p) {
    posix_spawn_file_actions_t files;
    posix_spawnattr_t attr;
    if (::posix_spawn_file_actions_init(&files) != 0) return false;
    if (::posix_spawnattr_init(&attr) != 0) {
        ::posix_spawn_file_actions_destroy(&files);
        return false;
    }
    sigset_t none;
    sigset_t all;
    ::sigemptyset(&none);
    ::sigfillset(&all);
    for (int fatal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT}) ::sigdelset(&all, fatal);
    const bool ready = ::posix_spawn_file_actions_addopen(&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0 &&
                       ::posix_spawn_file_actions_addclosefrom_np(&files, STDERR_FILENO + 1) == 0 &&
                       ::posix_spawnattr_setsigmask(&attr, &none) == 0 &&
                       ::posix_spawnattr_setsigdefault(&attr, &all) == 0 &&
                       ::posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK |
                                                             POSIX_SPAWN_SETSIGDEF) == 0;
    pid_t pid = -1;
    const bool started = ready && ::posix_spawn(&pid, p.path.c_str(), &files, &attr, p.argv.data(), environ) == 0;
    ::posix_spawnattr_destroy(&attr);
    ::posix_spawn_file_actions_destroy(&files);
    if (started) reapWhenDone(pid);
    return started;
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
    for (const ByteStringList& c : candidates) {
        Prepared p;
        if (prepare(c, p) && spawn(p)) return true;
    }
    return false;
}

}  // namespace orv
