// The window "Übung" beside the window "Analyse" over a long session, as the
// shooter trains with both open: the verdict after each take-up, timed from
// its end byte until the verdict panel has painted it (wall-clock time: what
// the shooter waits for), and the CPU time per live sample with the drill
// window running against the same without it (the tab "Überlagerung" of the
// analysis window shown in both).
//
//   build/bench/drill_window_bench
//   build/bench/drill_window_bench --benchmark_filter=Verdict

#include "analysis/ui/AnalysisWindow.h"
#include "drills/DrillLibrary.h"
#include "drills/ui/DrillWindow.h"
#include "drills/ui/VerdictPanel.h"

#include "OneDocument.h"
#include "WindowBench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace ostrevik;
using namespace ostrevik::bench;

namespace {

// Notes the first paint inside the verdict panel once its count has
// changed: the moment the shooter can read the verdict.
class VerdictWatch : public QObject {
public:
    explicit VerdictWatch(const VerdictPanel& panel) : panel_(panel) {
        qApp->installEventFilter(this);
    }
    ~VerdictWatch() override { qApp->removeEventFilter(this); }

    void arm() {
        before_ = panel_.progress();
        shownAfterNs = -1;
        clock_.start();
    }
    bool shown() const { return shownAfterNs >= 0; }
    qint64 shownAfterNs = -1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && shownAfterNs < 0 && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            if ((w == &panel_ || panel_.isAncestorOf(w)) && panel_.progress() != before_) {
                shownAfterNs = clock_.nsecsElapsed();
            }
        }
        return false;
    }

private:
    const VerdictPanel& panel_;
    QString before_;
    QElapsedTimer clock_;
};

// The session of 1000 take-ups with the analysis window on its overlay and,
// when asked, the drill window running a drill of every take-up with a shot
// in 3 to 8 s (long enough never to end while measured), feedback after each.
struct Training {
    Training(int takeUps, bool drill) : session(takeUps) {
        documents.active = &session.document;
        analysis = AnalysisWindow::openFor(session.document);
        analysis->chooseTab(AnalysisWindow::kOverlayTab);
        if (drill) {
            DrillLibrary library(folder.path());
            library.save({QStringLiteral("Zeitfenster"),
                          {},
                          100000,
                          FeedbackSchedule::Jede,
                          {DrillCriterion::limits(Metric::Schuss_ms, 3000, 8000)}});
            window = std::make_unique<DrillWindow>(documents, folder.path(),
                                                   folder.filePath(QStringLiteral("a.sqlite")));
            window->show();
            window->chooseDrill(QStringLiteral("Zeitfenster"));
            window->start();
        }
        runEvents(200);
    }
    bool caughtUp() const { return analysis->tableRowCount() == session.completed(); }

    QTemporaryDir folder;
    Session session;
    test::OneDocument documents;
    AnalysisWindow* analysis = nullptr;
    std::unique_ptr<DrillWindow> window;
};

void BM_VerdictAfterEndByte(benchmark::State& state) {
    Training t(static_cast<int>(state.range(0)), true);
    if (!t.window->running()) {
        state.SkipWithError("the drill did not start");
        return;
    }
    VerdictWatch watch(t.window->verdict());
    std::vector<double> ms;
    for (auto _ : state) {
        // The take-up arrives at the device's pace, untimed.
        streamSamples(t.session.document, t.session.next());
        watch.arm();
        endTakeUp(t.session.document);
        if (!runEventsUntil([&] { return watch.shown() && t.caughtUp(); })) {
            state.SkipWithError("no verdict shown");
            break;
        }
        ms.push_back(static_cast<double>(watch.shownAfterNs) / 1e6);
        state.SetIterationTime(static_cast<double>(watch.shownAfterNs) / 1e9);
    }
    if (!ms.empty()) {
        state.counters["max_ms"] = *std::ranges::max_element(ms);
    }
}
BENCHMARK(BM_VerdictAfterEndByte)
    ->ArgNames({"takeups"})
    ->Arg(1000)
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

// CPU per live sample with the analysis window open, without (drill 0) and
// with (drill 1) the drill window running.
void BM_LiveTakeUpWithDrill(benchmark::State& state) {
    Training t(static_cast<int>(state.range(0)), state.range(1) != 0);
    int64_t samples = 0;
    double cpu = 0.0;
    for (auto _ : state) {
        const qtxsim::Record r = t.session.next();
        const double start = cpuSeconds();
        streamSamples(t.session.document, r);
        endTakeUp(t.session.document);
        if (!runEventsUntil([&] { return t.caughtUp(); })) {
            state.SkipWithError("the windows did not follow");
            break;
        }
        const double used = cpuSeconds() - start;
        state.SetIterationTime(used);
        cpu += used;
        samples += static_cast<int64_t>(r.samples.size());
    }
    state.counters["ms_per_sample"] = samples > 0 ? 1000.0 * cpu / static_cast<double>(samples) : 0;
}
BENCHMARK(BM_LiveTakeUpWithDrill)
    ->ArgNames({"takeups", "drill"})
    ->ArgsProduct({{1000}, {0, 1}})
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
    return runWindowBenchmarks(argc, argv);
}
