// Runs orvantis-cli (and the programs that read its output) as a user
// would, for the command-line tests: arguments, standard input from a file,
// standard output and error into files, the exit status. Each test gets a
// private folder of its own, removed afterwards.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace orv::testing {

struct Result {
    int status = -1;
    std::string out, err;
};

inline std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = std::filesystem::temp_directory_path() / "orv-cli-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    std::string file(const std::string& name) const { return dir_ + "/" + name; }

    // Runs the program with `input` on standard input in the given locale.
    Result run(std::vector<std::string> args, const std::string& input = "", const char* locale = "C.UTF-8") {
        return finish(start(std::move(args), input, locale, ""), "");
    }

    // Starts the program without waiting; its output goes to files named
    // after `tag`. `prefix` runs it through another program (setpriv).
    pid_t start(std::vector<std::string> args, const std::string& input, const char* locale, const std::string& tag,
                std::vector<std::string> prefix = {}) {
        args.insert(args.begin(), ORV_CLI);
        args.insert(args.begin(), prefix.begin(), prefix.end());
        return spawn(args, input, locale, tag);
    }

    // Runs another program, named by its full path, the same way.
    Result runTool(const std::vector<std::string>& args) { return finish(spawn(args, "", "C.UTF-8", ""), ""); }

    Result finish(pid_t pid, const std::string& tag) {
        Result r;
        if (pid > 0 && ::waitpid(pid, &r.status, 0) == pid)
            r.status = WIFEXITED(r.status) ? WEXITSTATUS(r.status) : 128 + WTERMSIG(r.status);
        r.out = slurp(file("stdout" + tag));
        r.err = slurp(file("stderr" + tag));
        return r;
    }

    std::string dir_;

private:
    // The environment holds the locale and, for sanitizer runs, their
    // options: nothing else (no proxies, no home) reaches the program.
    pid_t spawn(std::vector<std::string> args, const std::string& input, const char* locale, const std::string& tag) {
        std::ofstream(file("stdin" + tag), std::ios::binary) << input;
        posix_spawn_file_actions_t io;
        posix_spawn_file_actions_init(&io);
        posix_spawn_file_actions_addopen(&io, 0, file("stdin" + tag).c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&io, 1, file("stdout" + tag).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&io, 2, file("stderr" + tag).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> vars = {std::string("LC_ALL=") + locale};
        for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
            if (const char* value = std::getenv(name)) vars.push_back(std::string(name) + "=" + value);
        std::vector<char*> env;
        for (std::string& v : vars) env.push_back(v.data());
        env.push_back(nullptr);
        pid_t pid = 0;
        if (::posix_spawn(&pid, argv[0], &io, nullptr, argv.data(), env.data()) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&io);
        return pid;
    }
};

}  // namespace orv::testing
