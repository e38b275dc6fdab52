// Start-up as a user meets it: the time from starting a process until its
// window is on the screen, for the editor opening a package of 100,000
// versions, features and bugs each (about 57 MB), beside a bare Qt dialog
// with one list. Both are whole processes started the same way, in the
// same run, on a virtual X server of their own; "on the screen" is the X
// server's MapNotify for the process's top-level window.
//
// Run as `bench_gui_startup`; with `--bare-dialog` the program is the bare
// dialog itself.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QDialog>
#include <QListWidget>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "package/file.h"
#include "package/format.h"
#include "support/numbers.h"

extern char** environ;

namespace {

using namespace orv;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kRecords = 100000;

int bareDialog(int argc, char** argv) {
    QApplication app(argc, argv);
    QDialog dialog;
    auto* list = new QListWidget(&dialog);
    list->addItem(QStringLiteral("1.0 (2007-05-14)"));
    (new QVBoxLayout(&dialog))->addWidget(list);
    return dialog.exec();
}

// Realistic texts: versions with download, screenshot and thumbnail links,
// features and bugs with a description of a few lines.
std::string bigFile(const QTemporaryDir& dir) {
    const ByteString description = "Copies to removable disks check every block they write.\r\nSchedules can run hourly.";
    Package p;
    for (uint32_t i = 1; i <= kRecords; ++i) {
        const ByteString n = textFromU32(i);
        p.versions.append({i, "1." + n, "", "http://download.example.com/tidewater/setup-" + n + ".exe", "48213504",
                           "http://www.example.com/tidewater/shot" + n + ".png",
                           "http://www.example.com/tidewater/thumb" + n + ".png", "2007-05-14 00:00:00", {i - 1}});
        p.features.append({i, "Resumable copies " + n, description, "", "", {i, i + 1}});
        p.bugs.append({i, "Copy stops on a locked file " + n, description, 1 + i % 5, "Crash", i, i, 0, {i}});
    }
    ByteString content;
    const std::string name = dir.filePath(QStringLiteral("big.dat")).toStdString();
    if (!writePackage(p, content) || !saveFile(content, ByteString(name))) std::abort();
    return name;
}

// A virtual X server on a display it picks itself.
struct XServer {
    pid_t pid = -1;
    std::string display;
    xcb_connection_t* connection = nullptr;

    bool start() {
        int fds[2];
        if (pipe(fds) != 0) return false;
        const std::string fd = std::to_string(fds[1]);
        std::vector<const char*> args = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x900x24",
                                         "-nolisten", "tcp", nullptr};
        posix_spawn_file_actions_t quiet;  // its messages are not the benchmark's
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
        const int spawned = posix_spawnp(&pid, "Xvfb", &quiet, nullptr, const_cast<char**>(args.data()), environ);
        posix_spawn_file_actions_destroy(&quiet);
        close(fds[1]);
        if (spawned != 0) return false;
        char buffer[16] = {};
        const ssize_t n = read(fds[0], buffer, sizeof buffer - 1);
        close(fds[0]);
        if (n <= 0) return false;
        display = ":" + std::to_string(std::atoi(buffer));
        connection = xcb_connect(display.c_str(), nullptr);
        if (xcb_connection_has_error(connection)) return false;
        // Every top-level window that is mapped is reported to us.
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection);
        return true;
    }
    ~XServer() {
        if (connection) xcb_disconnect(connection);
        if (pid > 0) kill(pid, SIGTERM), waitpid(pid, nullptr, 0);
    }
    // Waits for the next top-level window to be mapped; false if the
    // connection breaks.
    bool waitForMap() {
        while (xcb_generic_event_t* event = xcb_wait_for_event(connection)) {
            const bool mapped = (event->response_type & 0x7F) == XCB_MAP_NOTIFY;
            std::free(event);
            if (mapped) return true;
        }
        return false;
    }
};

XServer& server() {
    static XServer x;  // ended when the benchmark ends
    static const bool started = x.start() || (x.display.clear(), false);
    (void)started;
    return x;
}

// Starts `args` with the virtual display and times it until its window is
// mapped; the process is then ended.
void timeUntilShown(benchmark::State& state, std::vector<std::string> args) {
    XServer& x = server();
    if (x.display.empty()) {
        state.SkipWithError("no Xvfb");
        return;
    }
    std::vector<std::string> env = {"DISPLAY=" + x.display, "QT_QPA_PLATFORM=xcb", "HOME=/tmp", "PATH=/usr/bin:/bin"};
    std::vector<char*> argv, envp;
    for (std::string& a : args) argv.push_back(a.data());
    for (std::string& e : env) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    for (auto _ : state) {
        const auto start = Clock::now();
        pid_t pid = -1;
        if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0 || !x.waitForMap()) {
            state.SkipWithError("the program did not show a window");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

std::string self;

void BM_StartBareDialog(benchmark::State& state) { timeUntilShown(state, {self, "--bare-dialog"}); }

void BM_StartEditorWith100kRecordsEach(benchmark::State& state) {
    static QTemporaryDir dir;
    static const std::string file = bigFile(dir);
    timeUntilShown(state, {ORV_EDITOR, file});
    ByteString content;
    loadFile(content, ByteString(file));
    state.counters["file_MB"] = content.length() / 1e6;
}

BENCHMARK(BM_StartBareDialog)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_StartEditorWith100kRecordsEach)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--bare-dialog") == 0) return bareDialog(argc, argv);
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    self = n > 0 ? std::string(path, static_cast<size_t>(n)) : argv[0];
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
