// Runs orvantis-cli (and the programs that read its output) as a user
// would, for the command-line tests: arguments, standard input from a file,
// standard output and error into files, the exit status (through
// run_program.h, on every platform). Each test gets a private folder of
// its own, removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/run_program.h"

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
        std::random_device random;
        while (dir_.empty()) {
            const auto candidate = std::filesystem::temp_directory_path() / ("orv-cli-" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate)) dir_ = candidate.string();
        }
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
    Child start(std::vector<std::string> args, const std::string& input, const char* locale, const std::string& tag,
                std::vector<std::string> prefix = {}) {
        args.insert(args.begin(), ORV_CLI);
        args.insert(args.begin(), prefix.begin(), prefix.end());
        return spawn(args, input, locale, tag);
    }

    // Runs another program, named by its full path, the same way.
    Result runTool(const std::vector<std::string>& args) { return finish(spawn(args, "", "C.UTF-8", ""), ""); }

    Result finish(Child child, const std::string& tag) {
        Result r;
        r.status = waitProgram(child);
        r.out = slurp(file("stdout" + tag));
        r.err = slurp(file("stderr" + tag));
        return r;
    }

    std::string dir_;

private:
    // The environment holds the locale and, for sanitizer runs, their
    // options: nothing else (no proxies, no home) reaches the program.
    Child spawn(const std::vector<std::string>& args, const std::string& input, const char* locale,
                const std::string& tag) {
        std::ofstream(file("stdin" + tag), std::ios::binary) << input;
        std::vector<std::string> vars = {std::string("LC_ALL=") + locale};
        for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
            if (const char* value = std::getenv(name)) vars.push_back(std::string(name) + "=" + value);
        return startProgram(args, file("stdin" + tag), file("stdout" + tag), file("stderr" + tag), vars);
    }
};

}  // namespace orv::testing
