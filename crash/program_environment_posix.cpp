#include "crash/program_environment.h"

#include <unistd.h>

#include "crash/crash_library.h"

extern char** environ;

namespace orv {

namespace {

ByteString folderOf(const ByteString& path) {
    const size_t slash = path.view().rfind('/');
    if (slash == std::string_view::npos) return ".";
    return slash == 0 ? ByteString("/") : path.Left(static_cast<uint32_t>(slash));
}

}  // namespace

SpecialFolderTable systemSpecialFolders(const ProgramEnvironment& env) {
    FolderSources s = systemFolderSources();
    s.environment = [&env](const char* name) { return environmentValue(env, name); };
    return resolveSpecialFolders(s);
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
    env.programPath = runningProgramPath();
    if (env.programPath.empty()) env.programPath = ByteString(argc > 0 && argv ? argv[0] : "");
    env.arguments.assign(1, env.programPath);
    for (int i = 1; i < argc; ++i) env.arguments.emplace_back(argv[i]);
    readEnvironment(env, envp ? envp : environ);
    installCrashReporter(env);
    return true;
}

}  // namespace orv
