// The main window with 100,000 versions, features and bugs: filling the
// list, switching kinds and every command, each including the repaint.
// Every command should stay well under 100 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListView>
#include <QRadioButton>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>

#include "app/qt/main_window.h"
#include "dialogs/qt/services.h"
#include "package/file.h"
#include "package/format.h"
#include "support/numbers.h"

namespace {

using namespace orv;

constexpr uint32_t kRecords = 100000;
constexpr uint32_t kHotVersions = 10;  // referenced by every feature and version

Package bigPackage() {
    Package p;
    IdList hot;
    for (uint32_t id = 1; id <= kHotVersions; ++id) hot.append(id);
    for (uint32_t i = 0; i < kRecords; ++i) {
        VersionRecord& v = p.versions.at(i);
        v.id = i + 1;
        v.version = "1." + textFromU32(i);
        v.releaseDate = "2007-05-14 00:00:00";
        v.freeUpgrades = hot;
        FeatureRecord& f = p.features.at(i);
        f.id = i + 1;
        f.title = "Feature " + textFromU32(i);
        f.versions = hot;
        BugRecord& b = p.bugs.at(i);
        b.id = i + 1;
        b.title = "Bug " + textFromU32(i);
        b.introduced = 1 + i % kHotVersions;
        b.discovered = 1 + (i + 1) % kHotVersions;
        b.fixed = 1 + (i + 2) % kHotVersions;
        b.affectedFeatures = {1, 2, 3};
    }
    return p;
}

ByteString& bigFile() {
    static QTemporaryDir dir;
    static ByteString name;
    if (name.empty()) {
        name = dir.filePath(QStringLiteral("big.dat")).toLocal8Bit().constData();
        ByteString content;
        writePackage(bigPackage(), content);
        saveFile(content, name);
    }
    return name;
}

// Editors that accept at once and questions answered Yes.
MainWindowServices acceptingServices() {
    MainWindowServices s = realMainWindowServices();
    s.ui.message = [](QWidget*, const MessageRequest&) { return MessageAnswer::Yes; };
    s.editors = {[](CommonInfo&) { return true; },
                 [](VersionRecord& v, const VersionChoices&) { v.version = "new"; return true; },
                 [](FeatureRecord& f, const VersionChoices&) { f.title = "new"; return true; },
                 [](BugRecord& b, const VersionChoices&, const FeatureChoices&) {
                     b.title = "new";
                     return true;
                 }};
    return s;
}

std::unique_ptr<MainWindow> bigWindow() {
    auto w = std::make_unique<MainWindow>(acceptingServices());
    w->setFileName(bigFile());
    w->initialize();
    w->show();
    QApplication::processEvents();
    return w;
}

void selectRow(MainWindow& w, int row) {
    auto* list = w.findChild<QListView*>(QStringLiteral("recordList"));
    list->selectionModel()->setCurrentIndex(list->model()->index(row, 0), QItemSelectionModel::ClearAndSelect);
}

void showKind(MainWindow& w, const char* radio) {
    w.findChild<QRadioButton*>(QString::fromLatin1(radio))->click();
}

void BM_StartWithFile(benchmark::State& state) {
    bigFile();
    for (auto _ : state) {
        auto w = bigWindow();
        benchmark::DoNotOptimize(w.get());
    }
}
BENCHMARK(BM_StartWithFile)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SwitchKind(benchmark::State& state) {
    auto w = bigWindow();
    bool features = false;
    for (auto _ : state) {
        showKind(*w, (features = !features) ? "featuresRadio" : "bugsRadio");
        QApplication::processEvents();
    }
}
BENCHMARK(BM_SwitchKind)->Unit(benchmark::kMillisecond);

template <void (MainWindow::*command)()>
void runCommand(benchmark::State& state, const char* radio, int row) {
    auto w = bigWindow();
    showKind(*w, radio);
    for (auto _ : state) {
        selectRow(*w, row);
        (w.get()->*command)();
        QApplication::processEvents();
    }
}

void BM_AddVersionWithAssociation(benchmark::State& s) { runCommand<&MainWindow::addCommand>(s, "versionsRadio", 0); }
void BM_AddBug(benchmark::State& s) { runCommand<&MainWindow::addCommand>(s, "bugsRadio", 0); }
void BM_EditFeature(benchmark::State& s) { runCommand<&MainWindow::editCommand>(s, "featuresRadio", 50000); }
void BM_MoveVersionDown(benchmark::State& s) { runCommand<&MainWindow::moveDownCommand>(s, "versionsRadio", 50000); }
void BM_MoveBugUp(benchmark::State& s) { runCommand<&MainWindow::moveUpCommand>(s, "bugsRadio", kRecords - 1); }
// Row 0 is version id 1, then 2, ...: each referenced by every feature and
// every version's free upgrades, and by a tenth of the bugs three times.
void BM_RemoveReferencedVersion(benchmark::State& s) { runCommand<&MainWindow::removeCommand>(s, "versionsRadio", 0); }
void BM_RemoveFeature(benchmark::State& s) { runCommand<&MainWindow::removeCommand>(s, "featuresRadio", 0); }
void BM_RemoveBug(benchmark::State& s) { runCommand<&MainWindow::removeCommand>(s, "bugsRadio", 50000); }

BENCHMARK(BM_AddVersionWithAssociation)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_AddBug)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_EditFeature)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_MoveVersionDown)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_MoveBugUp)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_RemoveReferencedVersion)->Unit(benchmark::kMillisecond)->Iterations(kHotVersions);
BENCHMARK(BM_RemoveFeature)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_RemoveBug)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
