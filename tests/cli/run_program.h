// Starting a program as a shell would, its standard streams on files, and
// waiting for its exit status. POSIX: posix_spawn with the environment
// given; Windows: CreateProcessA with a command line that the program
// reads back as the same arguments, in this process's environment.
#pragma once

#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "links/windows_command.h"
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#endif

namespace orv::testing {

#ifdef _WIN32
using Child = HANDLE;  // null: not started

inline HANDLE inheritable(const std::string& path, bool write) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileA(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       write ? CREATE_ALWAYS : OPEN_EXISTING, 0, nullptr);
}

inline Child startProgram(const std::vector<std::string>& argv, const std::string& in, const std::string& out,
                          const std::string& err, const std::vector<std::string>& /*environment*/) {
    ByteStringList words;
    for (const std::string& a : argv) words.push_back(ByteString(a));
    std::string line = windowsCommandLine(words).toStdString();  // terminated, and the call may write to it
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inheritable(in, false);
    startup.hStdOutput = inheritable(out, true);
    startup.hStdError = inheritable(err, true);
    PROCESS_INFORMATION started{};
    const bool ok = CreateProcessA(argv[0].c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                   &started);
    for (HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (!ok) return nullptr;
    CloseHandle(started.hThread);
    return started.hProcess;
}

inline int waitProgram(Child child) {
    DWORD code = static_cast<DWORD>(-1);
    if (child && WaitForSingleObject(child, INFINITE) == WAIT_OBJECT_0) GetExitCodeProcess(child, &code);
    if (child) CloseHandle(child);
    return static_cast<int>(code);
}
#else
using Child = pid_t;  // -1: not started

inline Child startProgram(const std::vector<std::string>& argv, const std::string& in, const std::string& out,
                          const std::string& err, const std::vector<std::string>& environment) {
    posix_spawn_file_actions_t io;
    posix_spawn_file_actions_init(&io);
    posix_spawn_file_actions_addopen(&io, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&io, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&io, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> args = argv, vars = environment;
    std::vector<char*> argp, envp;
    for (std::string& a : args) argp.push_back(a.data());
    for (std::string& v : vars) envp.push_back(v.data());
    argp.push_back(nullptr);
    envp.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argp[0], &io, nullptr, argp.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&io);
    return pid;
}

inline int waitProgram(Child pid) {
    int status = -1;
    if (pid > 0 && waitpid(pid, &status, 0) == pid)
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return -1;
}
#endif

}  // namespace orv::testing
