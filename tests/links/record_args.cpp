// A stand-in browser and mail client for the link tests: writes the
// arguments it received (argv[1] on), each followed by a 0 byte, to the
// file named by RECORD_ARGS_TO, and how it was started to that name plus
// ".how": whether it leads its own session, where its standard input
// comes from, and its open descriptors above 2 (POSIX; "windows" on
// Windows). Each file appears complete at once.
#ifndef _WIN32
#include <dirent.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool writeWhole(const std::string& path, const std::string& content) {
    const std::string temp = path + ".part";
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(content.data(), 1, content.size(), f) == content.size();
    return std::fclose(f) == 0 && ok && std::rename(temp.c_str(), path.c_str()) == 0;
}

#ifdef _WIN32
std::string howStarted() { return "windows"; }
#else
std::string howStarted() {
    char input[256] = {};
    const ssize_t n = readlink("/proc/self/fd/0", input, sizeof input - 1);
    std::string out = std::string(getsid(0) == getpid() ? "leader" : "member") + " " + (n > 0 ? input : "?");
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) return out;
    const int own = dirfd(dir);
    while (dirent* e = readdir(dir)) {
        const int fd = std::atoi(e->d_name);
        if (e->d_name[0] != '.' && fd > 2 && fd != own) out += " " + std::to_string(fd);
    }
    closedir(dir);
    return out;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    const char* target = std::getenv("RECORD_ARGS_TO");
    if (!target || !*target) return 2;
    std::string args;
    for (int i = 1; i < argc; ++i) {
        args += argv[i];
        args += '\0';
    }
    const std::string base = target;
    // The arguments last: they are what the tests wait for.
    return writeWhole(base + ".how", howStarted()) && writeWhole(base, args) ? 0 : 1;
}
