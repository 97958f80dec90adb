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

#include "NullDocumentHost.h"
#include "QtBenchmarkMain.h"
#include "TakeUpGenerator.h"

#include <QApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>

using namespace ostrevik;

namespace {

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Runs the event loop for ms milliseconds, sleeping while there is nothing
// to do (an idle wait costs no CPU time).
void runEvents(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until done() holds (checked every 5 ms), then 50 ms
// more so that the repaints it caused are painted.
bool runEventsUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    QEventLoop loop;
    QTimer check;
    int waited = 0;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        waited += 5;
        if (done() || waited > timeoutMs) {
            loop.quit();
        }
    });
    check.start(5);
    loop.exec();
    runEvents(50);
    return done();
}

// Counts the paint events that reach the widgets of one window.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget& window) : window_(window) { qApp->installEventFilter(this); }
    ~PaintCounter() override { qApp->removeEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == &window_) {
            ++count;
        }
        return false;
    }

private:
    QWidget& window_;
};

// A shown document window of n simulated take-ups, and the simulator that
// makes the next ones, 2 s each.
struct Session {
    explicit Session(int n) : generator(4711) {
        document.show();
        MeasurementDocument::Stapel stapel(document.Dokument());
        for (int i = 0; i < n; ++i) {
            const qtxsim::Record r = next();
            Raster_t& capture = document.Liste->Letzter();
            capture.SetzeTonschwelle(r.threshold);
            for (uint8_t v : r.samples) {
                capture.WertAnhaengen(v);
            }
            document.Liste->Anhaengen();
        }
        generator.SetLength(kLiveTakeUpSamples);
    }
    static constexpr int kLiveTakeUpSamples = 100;
    qtxsim::Record next() {
        return generator.Next(static_cast<uint8_t>(generator.Uniform(120, 180)));
    }
    int completed() const { return document.Liste->Anzahl() - 1; }

    test::NullDocumentHost host;
    TMDIChild document{host};
    qtxsim::TakeUpGenerator generator;
};

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
        s.document.Dokument().RecordStarted();
        s.document.Dokument().SetCaptureThreshold(r.threshold, false);
        s.document.Dokument().BatchDone();
        QEventLoop loop;
        QTimer pace;
        pace.setTimerType(Qt::PreciseTimer);
        size_t i = 0;
        QObject::connect(&pace, &QTimer::timeout, &loop, [&] {
            if (i < r.samples.size()) {
                s.document.Dokument().AppendCaptureSample(r.samples[i++]);
                s.document.Dokument().BatchDone();
            } else {
                loop.quit();
            }
        });
        pace.start(20);
        loop.exec();
        const int p1 = counter ? counter->count : 0;
        s.document.Dokument().RecordEnded();
        s.document.Dokument().BatchDone();
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
    // The offscreen platform says for every window shown that it cannot
    // raise it.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg && !text.startsWith(QLatin1String("This plugin does not support"))) {
            std::fprintf(stderr, "%s\n", qPrintable(text));
        }
    });
    // The window's settings go to a directory of the benchmark's own.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    return runQtBenchmarks<QApplication>(argc, argv);
}
