// A large drawing opened in the whole editor, as from the command line: the
// time from the open to the first painted canvas, the time until the
// progress dialog showed, and the peak memory of the process (getrusage);
// then the idle editor preparing for edits and the first edit (see
// IdleThenFirstEdit), on drawings of 100 000 and 1 000 000 items made by the
// sample writer (BenchDrawing.h). Each file is written by a child process,
// so the peak is the editor's own. The peak only grows within a
// process: run one size per process for its own figure, e.g.
// --benchmark_filter=BM_OpenInEditor/1000000.
#include "BenchDrawing.h"

#include "../tests/app/ScriptedDialogs.h"
#include "app/CanvasForm1.h"
#include "app/EditorApplication.h"
#include "app/FileJob.h"
#include "app/MainForm1.h"
#include "app/ProgressForm1.h"
#include "io/DocumentWriter.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace qm {
namespace {

using namespace bench;

const QTemporaryDir& ScratchDir()
{
    static const QTemporaryDir dir;
    return dir;
}

QString SamplePath(int items)
{
    return ScratchDir().filePath(QStringLiteral("sample-%1.dof").arg(items));
}

// The sample drawing of `items` items, written by a child process whose
// memory is not this one's.
void WriteSampleInChild(int items)
{
    const QString path = SamplePath(items);
    const pid_t child = fork();
    if (child == 0) {
        TObjectTree tree;
        BuildDrawing(tree, {.items = items});
        WriteDocument(path, tree, {kWidth, kHeight, 10});
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::abort();
}

double CurrentRssMegabytes()
{
    long pages = 0, resident = 0;
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    std::fscanf(statm, "%ld %ld", &pages, &resident);
    std::fclose(statm);
    return static_cast<double>(resident) * 4096 / (1 << 20);
}

double PeakRssMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024; // kilobytes on Linux
}

double MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// After the first paint: the idle editor preparing for edits (bounding the
// items for the redraws, numbering the walk, boxing for hit tests: how long,
// the longest wait an event could have, the peak memory after), then the
// first edit, one item dragged: the press, the move and the release until
// the picture shows it, and the peak memory after; then the mean release of
// later drags.
void IdleThenFirstEdit(benchmark::State& state, TCanvasWindow& canvas)
{
    const auto idle = std::chrono::steady_clock::now();
    double longestWait = 0;
    while (canvas.PreparationPending()) {
        const auto slice = std::chrono::steady_clock::now();
        QApplication::processEvents();
        longestWait = std::max(longestWait, MillisecondsSince(slice));
    }
    state.counters["idle_preparing_ms"] = MillisecondsSince(idle);
    state.counters["longest_event_wait_ms"] = longestWait;
    state.counters["peak_rss_prepared_mb"] = PeakRssMegabytes();
    state.counters["rss_prepared_mb"] = CurrentRssMegabytes();

    const TCanvasWindow::TMouse left{TCanvasWindow::mbLeft, false, false};
    const auto press = std::chrono::steady_clock::now();
    canvas.Image1MouseDown(left, kWidth / 2, kHeight / 2);
    state.counters["first_press_ms"] = MillisecondsSince(press);
    const auto move = std::chrono::steady_clock::now();
    canvas.Image1MouseMove(left, kWidth / 2 + 10, kHeight / 2);
    state.counters["first_move_ms"] = MillisecondsSince(move);
    const auto release = std::chrono::steady_clock::now();
    canvas.Image1MouseUp(left, kWidth / 2 + 10, kHeight / 2);
    state.counters["first_release_ms"] = MillisecondsSince(release);
    state.counters["peak_rss_edited_mb"] = PeakRssMegabytes();
    // Later drags of the item back and forth: what every release costs once
    // the lists kept from one redraw to the next have grown.
    double laterReleases = 0;
    constexpr int kLaterDrags = 8;
    for (int drag = 0; drag < kLaterDrags; ++drag) {
        const std::int32_t from = kWidth / 2 + (drag % 2 == 0 ? 10 : 20);
        const std::int32_t to = kWidth / 2 + (drag % 2 == 0 ? 20 : 10);
        canvas.Image1MouseDown(left, from, kHeight / 2);
        canvas.Image1MouseMove(left, to, kHeight / 2);
        const auto later = std::chrono::steady_clock::now();
        canvas.Image1MouseUp(left, to, kHeight / 2);
        laterReleases += MillisecondsSince(later);
    }
    state.counters["later_release_ms"] = laterReleases / kLaterDrags;
    if (canvas.Selection().Size() != 1)
        state.SkipWithError("the press selected no single item");
}

void BM_OpenInEditor(benchmark::State& state)
{
    const auto items = static_cast<int>(state.range(0));
    WriteSampleInChild(items);
    const QTemporaryDir settings;
    double progressShown = 0;
    for (auto _ : state) {
        TEditorApplication editor({settings.filePath(QStringLiteral("quillmark.ini")), settings.path(), {}}, {},
                                  nullptr, [](QWidget*, TMessageForm1&) { return std::make_unique<test::TScriptedDialogs>(); });
        editor.Show();
        QApplication::processEvents();
        auto* picture = editor.CanvasForm().findChild<TCanvasPicture*>();
        const auto* progress = editor.MainForm().findChild<TProgressForm1*>();
        const auto start = std::chrono::steady_clock::now();
        auto seconds = [&start] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
        editor.OpenAtStart(SamplePath(items));
        while (editor.FileJob().Running()) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (progress->isVisible() && progressShown == 0)
                progressShown = seconds();
        }
        picture->repaint();
        state.SetIterationTime(seconds());
        state.counters["peak_rss_mb"] = PeakRssMegabytes();
        // The tree window lays out and paints too; idle, the editor then
        // starts preparing for edits.
        QApplication::processEvents();
        state.counters["rss_after_mb"] = CurrentRssMegabytes();
        if (editor.Tree().NodeCount() < static_cast<std::size_t>(items))
            state.SkipWithError("the drawing did not open");
        IdleThenFirstEdit(state, editor.CanvasForm().Canvas());
    }
    state.counters["items"] = items;
    state.counters["progress_shown_ms"] = progressShown * 1000;
}
BENCHMARK(BM_OpenInEditor)->Arg(100000)->Arg(1'000'000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qm

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true); // recovery files away from the user's
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
