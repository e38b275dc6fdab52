// One HEAD request on the loopback interface against a private nginx, on a
// new connection each time: the program's own client (the whole size
// request, connection set-up and close included) beside libcurl doing the
// same in the same process and run, for a plain and a secure location.
// The goal for the secure one: ours takes at most 1.2 times libcurl's time.
#include <benchmark/benchmark.h>

#include <curl/curl.h>
#include <memory>
#include <string>

#include "app/download_size.h"
#include "tests/net/nginx_server.h"

namespace {

using orv::testing::NginxServer;

struct Fixture {
    NginxServer server;
    std::string plain, secure;
};

Fixture* fixture() {
    static std::unique_ptr<Fixture> f = [] {
        auto made = std::make_unique<Fixture>();
        NginxServer& n = made->server;
        n.writeFile("setup.exe", 5 * 1024 * 1024);
        if (!orv::testing::nginxInstalled() || !n.makeCertificate("good", "IP:127.0.0.1", 1)) return decltype(made)();
        made->plain = "http://127.0.0.1:" + std::to_string(n.addServer("")) + "/setup.exe";
        made->secure = "https://127.0.0.1:" + std::to_string(n.addServer("", "good")) + "/setup.exe";
        if (!n.start()) made.reset();
        return made;
    }();
    return f.get();
}

void ownClient(benchmark::State& state, bool secure) {
    Fixture* f = fixture();
    if (!f) return state.SkipWithError("nginx is not available");
    orv::DownloadSizeOptions options;
    options.environment.certFile = std::string_view(f->server.caFile());
    const orv::ByteString url(secure ? f->secure : f->plain);
    for (auto _ : state) {
        orv::DownloadSizeResult r = orv::determineDownloadSize(url, options);
        if (!r.ok) return state.SkipWithError(r.message.c_str());
        benchmark::DoNotOptimize(r.size);
    }
}

void libcurl(benchmark::State& state, bool secure) {
    Fixture* f = fixture();
    if (!f) return state.SkipWithError("nginx is not available");
    const std::string ca = f->server.caFile();
    for (auto _ : state) {
        CURL* curl = curl_easy_init();  // a new handle: a new connection, no session to resume
        curl_easy_setopt(curl, CURLOPT_URL, (secure ? f->secure : f->plain).c_str());
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(curl, CURLOPT_CAINFO, ca.c_str());
        const CURLcode rc = curl_easy_perform(curl);
        curl_off_t length = -1;
        curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        curl_easy_cleanup(curl);
        if (rc != CURLE_OK || length <= 0) return state.SkipWithError(curl_easy_strerror(rc));
    }
}

void BM_HeadPlainOwnClient(benchmark::State& state) { ownClient(state, false); }
void BM_HeadPlainLibcurl(benchmark::State& state) { libcurl(state, false); }
void BM_HeadSecureOwnClient(benchmark::State& state) { ownClient(state, true); }
void BM_HeadSecureLibcurl(benchmark::State& state) { libcurl(state, true); }
BENCHMARK(BM_HeadPlainOwnClient)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HeadPlainLibcurl)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HeadSecureOwnClient)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HeadSecureLibcurl)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    curl_global_cleanup();
}
