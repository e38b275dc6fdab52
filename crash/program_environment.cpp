#include "crash/program_environment.h"

#include <unistd.h>

#include "crash/crash_library.h"

extern char** environ;

namespace orv {

namespace {

ByteString runningProgramPath(const char* fallback) {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    if (n > 0 && static_cast<size_t>(n) < sizeof path) return ByteString(path, static_cast<uint32_t>(n));
    return ByteString(fallback);
}

ByteString folderOf(const ByteString& path) {
    const size_t slash = path.view().rfind('/');
    if (slash == std::string_view::npos) return ".";
    return slash == 0 ? ByteString("/") : path.Left(static_cast<uint32_t>(slash));
}

FolderSources sourcesFor(const ProgramEnvironment& env) {
    FolderSources s = systemFolderSources();
    s.environment = [&env](const char* name) { return environmentValue(env, name); };
    return s;
}

}  // namespace

void readEnvironment(ProgramEnvironment& env, char** block) {
    for (char** entry = block; entry && *entry; ++entry) {
        ByteString text(*entry);
        const uint32_t eq = text.find('=', 1);  // "=C:" style names start with '='
        ByteString name = eq == ByteString::npos ? text : text.Left(eq);
        name.toUpper();
        env.environmentIndex.emplace(name, static_cast<uint32_t>(env.environment.size()));
        env.environment.push_back(std::move(text));
    }
}

ByteString environmentValue(const ProgramEnvironment& env, const ByteString& name) {
    ByteString key = name;
    key.toUpper();
    const auto it = env.environmentIndex.find(key);
    if (it == env.environmentIndex.end()) return {};
    const ByteString& entry = env.environment[it->second];
    const uint32_t eq = entry.find('=', 1);
    return eq == ByteString::npos ? ByteString() : entry.Mid(eq + 1);
}

ByteString specialFolder(ProgramEnvironment& env, SpecialFolder which) {
    std::lock_guard<std::mutex> guard(env.lock);
    if (!env.foldersFilled) {
        env.folders = resolveSpecialFolders(sourcesFor(env));
        env.foldersFilled = true;
    }
    return env.folders[static_cast<uint32_t>(which)];
}

ByteString temporaryFolder(const ProgramEnvironment& env) {
    ByteString tmp = environmentValue(env, "TMPDIR");
    while (tmp.length() > 1 && tmp[tmp.length() - 1] == '/') tmp = tmp.Left(tmp.length() - 1);
    return tmp.empty() ? ByteString("/tmp") : tmp;
}

bool installCrashReporter(ProgramEnvironment& env) {
    ByteString subject = crashReportSubject(env.programPath);
    ByteString systemFolder = specialFolder(env, SpecialFolder::windowsDirectory);
    ByteString path = env.programPath;
    const PrivateFolders folders =
        privateFolders(environmentValue(env, "XDG_STATE_HOME").c_str(), environmentValue(env, "HOME").c_str(),
                       temporaryFolder(env).c_str(), fileNameOf(path.c_str()), geteuid());
    env.crashHandler = std::make_unique<ProgramCrashHandler>(folderOf(env.programPath), folders, systemFolder);
    registerCrashHandler(env.crashHandler.get());
    env.crashReporterInstalled = crashLibraryInstall(crashReportCallback, kCrashReportDestination, subject.c_str());
    return env.crashReporterInstalled;
}

bool initProgramEnvironment(int argc, char** argv, char** envp) {
    static bool initialised = false;
    if (initialised) return false;
    initialised = true;
    ProgramEnvironment& env = programEnvironment();
    env.programPath = runningProgramPath(argc > 0 && argv ? argv[0] : "");
    env.arguments.assign(1, env.programPath);
    for (int i = 1; i < argc; ++i) env.arguments.emplace_back(argv[i]);
    readEnvironment(env, envp ? envp : environ);
    installCrashReporter(env);
    return true;
}

ProgramEnvironment& programEnvironment() {
    static ProgramEnvironment env;
    return env;
}

}  // namespace orv
