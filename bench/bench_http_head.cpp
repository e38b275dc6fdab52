// One HEAD request on the loopback interface against a private nginx: the
// program's own client (the whole download-size exchange, connection set-up
// and close included) side by side with a spawned `curl -I` in the same run.
// The goal: ours takes at most 1.5 times curl's time.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>

#include "app/download_size.h"
#include "support/numbers.h"
#include "tests/net/nginx_server.h"

namespace {

using orv::testing::NginxServer;

NginxServer* sharedServer() {
    static std::unique_ptr<NginxServer> server = [] {
        if (!orv::testing::nginxInstalled()) return std::unique_ptr<NginxServer>();
        auto s = std::make_unique<NginxServer>();
        s->writeFile("setup.exe", 5 * 1024 * 1024);
        if (!s->start()) s.reset();
        return s;
    }();
    return server.get();
}

std::string fileUrl(const NginxServer& server) {
    return "http://127.0.0.1:" + std::to_string(server.port()) + "/setup.exe";
}

void BM_HeadOwnClient(benchmark::State& state) {
    NginxServer* server = sharedServer();
    if (!server) {
        state.SkipWithError("nginx is not available");
        return;
    }
    const orv::ByteString url(fileUrl(*server));
    for (auto _ : state) {
        orv::DownloadSizeResult r = orv::determineDownloadSize(url);
        if (!r.ok) {
            state.SkipWithError(r.message.c_str());
            return;
        }
        benchmark::DoNotOptimize(r.size);
    }
}
BENCHMARK(BM_HeadOwnClient)->Unit(benchmark::kMillisecond)->UseRealTime();

bool runCurl(const std::string& url) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const char* argv[] = {"curl", "-s", "-I", url.c_str(), nullptr};
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, "curl", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return rc == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_HeadCurl(benchmark::State& state) {
    NginxServer* server = sharedServer();
    if (!server) {
        state.SkipWithError("nginx is not available");
        return;
    }
    const std::string url = fileUrl(*server);
    for (auto _ : state) {
        if (!runCurl(url)) {
            state.SkipWithError("curl -I failed");
            return;
        }
    }
}
BENCHMARK(BM_HeadCurl)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
