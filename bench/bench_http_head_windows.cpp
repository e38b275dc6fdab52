// One secure HEAD request on the loopback interface against a private
// nginx (started on the host by tests/windows/web_fixture.sh, see
// scripts/bench-windows.sh), on a new connection each time: the program's
// own client over Schannel (the whole size request, connection set-up and
// close included) beside WinHTTP doing the same in the same process and
// run. The goal: ours takes at most 1.2 times WinHTTP's time. WinHTTP is
// bound at run time here too, so the benchmark imports what the program
// does; it is this benchmark's peer only, never the program's.
#include <benchmark/benchmark.h>

#include <windows.h>
#include <winhttp.h>

#include <memory>
#include <string>

#include "app/download_size.h"
#include "support/dynamic_library.h"
#include "tests/net/web_servers.h"

namespace {

using orv::BoundFunction;

BoundFunction<decltype(WinHttpOpen)> open("winhttp.dll", "WinHttpOpen");
BoundFunction<decltype(WinHttpSetOption)> setOption("winhttp.dll", "WinHttpSetOption");
BoundFunction<decltype(WinHttpConnect)> connect("winhttp.dll", "WinHttpConnect");
BoundFunction<decltype(WinHttpOpenRequest)> openRequest("winhttp.dll", "WinHttpOpenRequest");
BoundFunction<decltype(WinHttpSendRequest)> send("winhttp.dll", "WinHttpSendRequest");
BoundFunction<decltype(WinHttpReceiveResponse)> receive("winhttp.dll", "WinHttpReceiveResponse");
BoundFunction<decltype(WinHttpQueryHeaders)> query("winhttp.dll", "WinHttpQueryHeaders");
BoundFunction<decltype(WinHttpCloseHandle)> close("winhttp.dll", "WinHttpCloseHandle");

orv::testing::WebServers* servers() {
    static std::unique_ptr<orv::testing::WebServers> s = [] {
        auto made = std::make_unique<orv::testing::WebServers>();
        return made->problem().empty() ? std::move(made) : nullptr;
    }();
    return s.get();
}

void BM_HeadSecureOwnClient(benchmark::State& state) {
    orv::testing::WebServers* s = servers();
    if (!s) return state.SkipWithError("no web fixture (run scripts/bench-windows.sh)");
    const orv::ByteString url("https://localhost:" + std::to_string(s->port("secure")) + "/setup.exe");
    for (auto _ : state) {
        orv::DownloadSizeResult r = orv::determineDownloadSize(url, s->trusting());
        if (!r.ok) return state.SkipWithError(r.message.c_str());
        benchmark::DoNotOptimize(r.size);
    }
}

// A new session each time: a new connection and no secure session to
// resume, as the size request has. Both ask for "localhost" (and so look
// the name up): Wine's WinHTTP checks only names in certificates, never
// addresses. `protocols`: WINHTTP_FLAG_SECURE_PROTOCOL_* to offer.
// 0, or the error of the step that failed.
DWORD winHttpHead(uint16_t port, DWORD protocols, uint64_t& length) {
    HINTERNET session = open.get()(L"orvantis-bench", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                   WINHTTP_NO_PROXY_BYPASS, 0);
    if (session) setOption.get()(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols);
    HINTERNET server = session ? connect.get()(session, L"localhost", port, 0) : nullptr;
    HINTERNET request = server ? openRequest.get()(server, L"HEAD", L"/setup.exe", nullptr, WINHTTP_NO_REFERER,
                                                   WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE)
                               : nullptr;
    wchar_t text[32] = {};
    DWORD size = sizeof text;
    const bool ok = request && send.get()(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) &&
                    receive.get()(request, nullptr) &&
                    query.get()(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, text, &size,
                                WINHTTP_NO_HEADER_INDEX);
    const DWORD error = ok ? 0 : GetLastError();
    length = ok ? std::wcstoull(text, nullptr, 10) : 0;
    for (HINTERNET h : {request, server, session})
        if (h) close.get()(h);
    return ok && length == 0 ? ERROR_INVALID_DATA : error;
}

constexpr DWORD kTls12 = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
constexpr DWORD kTls13 = 0x2000;  // WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3

void winHttp(benchmark::State& state, DWORD protocols) {
    orv::testing::WebServers* s = servers();
    if (!s) return state.SkipWithError("no web fixture (run scripts/bench-windows.sh)");
    if (!open.get() || !setOption.get() || !connect.get() || !openRequest.get() || !send.get() || !receive.get() || !query.get() || !close.get())
        return state.SkipWithError("winhttp.dll is missing");
    for (auto _ : state) {
        uint64_t length = 0;
        if (const DWORD error = winHttpHead(s->port("secure"), protocols, length))
            return state.SkipWithError(("WinHTTP's request failed: error " + std::to_string(error)).c_str());
        benchmark::DoNotOptimize(length);
    }
}

// The same protocol as ours gets: TLS 1.2 under Wine, whose Schannel
// ignores the newer credentials' protocol list (TLS 1.3 where Windows
// itself has it).
void BM_HeadSecureWinHttp(benchmark::State& state) { winHttp(state, kTls12); }
// For comparison only: Wine's WinHTTP asked for TLS 1.3 too (one round
// trip fewer).
void BM_HeadSecureWinHttpOffering13(benchmark::State& state) { winHttp(state, kTls12 | kTls13); }

BENCHMARK(BM_HeadSecureOwnClient)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HeadSecureWinHttp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_HeadSecureWinHttpOffering13)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
