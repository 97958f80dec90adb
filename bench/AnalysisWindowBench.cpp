// The window "Analyse" over a long session, measured as the program runs it:
// the window at the size it opens with, beside its shown document window,
// painted by the event loop (paint events counted), fed by the live path
// (samples into the document's capture record, the take-up's end, the window
// following after its delay, until it shows the take-up and has painted it).
// Live take-ups last 2 s, as in a dry-fire session: the shorter they are, the
// more the window's update after each weighs against its samples. Times are
// the process's CPU time, so the window's delay and the device's pace cost
// nothing; the tab argument is the tab shown (-1: the window closed, the
// baseline).
//
//   build/bench/analysis_window_bench
//   build/bench/analysis_window_bench --benchmark_filter=TakeUpEnd
//
// bench/analysis-window-cpu measures the same from outside: the program
// under Xvfb with the device simulator.

#include "analysis/ui/AnalysisWindow.h"
#include "measurement/ui/DocumentWindow.h"

#include "WindowBench.h"

#include <QApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

using namespace ostrevik;
using namespace ostrevik::bench;

namespace {

// The window as the menu command opens it, on the tab of the argument
// (none for -1), painted. It goes with the document.
AnalysisWindow* openOn(Session& s, int tab) {
    if (tab < 0) {
        return nullptr;
    }
    AnalysisWindow* w = AnalysisWindow::openFor(s.document);
    w->chooseTab(static_cast<AnalysisWindow::Tab>(tab));
    runEvents(100);
    return w;
}

// The window shows every completed take-up (or there is no window). The
// document's analysis has them as soon as they end; the window only after
// its delay.
bool caughtUp(const Session& s, const AnalysisWindow* w) {
    return !w || w->tableRowCount() == s.completed();
}

void BM_OpenWindow(benchmark::State& state) {
    Session s(static_cast<int>(state.range(0)));
    runEvents(100);
    int paints = 0;
    for (auto _ : state) {
        const double start = cpuSeconds();
        AnalysisWindow* w = AnalysisWindow::openFor(s.document);
        PaintCounter counter(*w);
        runEvents(50);
        for (int tab = AnalysisWindow::kTableTab; tab <= AnalysisWindow::kRingTab; ++tab) {
            w->chooseTab(static_cast<AnalysisWindow::Tab>(tab));
            runEvents(50);
        }
        state.SetIterationTime(cpuSeconds() - start);
        paints = counter.count;
        // Gone, so that the next iteration opens a window anew.
        delete w;
    }
    state.counters["paints"] = paints;
}
BENCHMARK(BM_OpenWindow)->Arg(1000)->Unit(benchmark::kMillisecond)->UseManualTime();

// The update after a take-up: from its end (the record appended to the
// document) until the window has followed and the shown tab is painted.
// The closed window's figure is what the document window itself pays.
void BM_TakeUpEnd(benchmark::State& state) {
    Session s(static_cast<int>(state.range(0)));
    AnalysisWindow* w = openOn(s, static_cast<int>(state.range(1)));
    std::unique_ptr<PaintCounter> counter;
    if (w) {
        counter = std::make_unique<PaintCounter>(*w);
    }
    int paints = 0;
    for (auto _ : state) {
        // The take-up arrives untimed.
        s.document.Dokument().RecordStarted();
        const qtxsim::Record r = s.next();
        s.document.Dokument().SetCaptureThreshold(r.threshold, false);
        for (uint8_t v : r.samples) {
            s.document.Dokument().AppendCaptureSample(v);
            s.document.Dokument().BatchDone();
        }
        runEvents(20);
        const int before = counter ? counter->count : 0;

        const double start = cpuSeconds();
        s.document.Dokument().RecordEnded();
        s.document.Dokument().BatchDone();
        if (!runEventsUntil([&] { return caughtUp(s, w); })) {
            state.SkipWithError("the window did not follow");
            break;
        }
        state.SetIterationTime(cpuSeconds() - start);
        paints += (counter ? counter->count : 0) - before;
    }
    state.counters["paints"] = benchmark::Counter(paints, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_TakeUpEnd)
    ->ArgNames({"takeups", "tab"})
    ->ArgsProduct({{1000, 10000}, {-1, 0, 1, 2}})
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

// A take-up at the device's rate: one sample every 20 ms into the capture
// record (a batch each, as the live stream delivers them), its end, and the
// window following. Reports the CPU time per live sample, and the paints of
// the window while samples arrive and after the end.
void BM_LiveTakeUp(benchmark::State& state) {
    Session s(static_cast<int>(state.range(0)));
    AnalysisWindow* w = openOn(s, static_cast<int>(state.range(1)));
    std::unique_ptr<PaintCounter> counter;
    if (w) {
        counter = std::make_unique<PaintCounter>(*w);
    }
    int64_t samples = 0;
    double cpu = 0.0;
    int paintsWhileSampling = 0;
    int paintsAfterEnd = 0;
    for (auto _ : state) {
        const qtxsim::Record r = s.next();
        const int p0 = counter ? counter->count : 0;
        const double start = cpuSeconds();
        streamSamples(s.document, r);
        const int p1 = counter ? counter->count : 0;
        endTakeUp(s.document);
        if (!runEventsUntil([&] { return caughtUp(s, w); })) {
            state.SkipWithError("the window did not follow");
            break;
        }
        state.SetIterationTime(cpuSeconds() - start);
        cpu += cpuSeconds() - start;
        samples += static_cast<int64_t>(r.samples.size());
        paintsWhileSampling += p1 - p0;
        paintsAfterEnd += (counter ? counter->count : 0) - p1;
    }
    state.counters["samples"] =
        benchmark::Counter(static_cast<double>(samples), benchmark::Counter::kAvgIterations);
    state.counters["ms_per_sample"] = samples > 0 ? 1000.0 * cpu / static_cast<double>(samples) : 0;
    state.counters["paints_sampling"] =
        benchmark::Counter(paintsWhileSampling, benchmark::Counter::kAvgIterations);
    state.counters["paints_end"] =
        benchmark::Counter(paintsAfterEnd, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_LiveTakeUp)
    ->ArgNames({"takeups", "tab"})
    ->ArgsProduct({{1000}, {-1, 0, 1, 2}})
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
    return runWindowBenchmarks(argc, argv);
}
