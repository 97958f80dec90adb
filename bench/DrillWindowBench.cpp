// The window "Übung" during a drill on a long session, with the window
// "Analyse" open beside it, as the program runs them: take-ups fed by the
// live path (samples into the document's capture record, then its end).
//
//   build/bench/drill_window_bench
//
// VerdictShown: the wall time from a take-up's end byte (the record ended)
// until the drill window has painted its verdict; the shooter waits for
// that. LiveSample: the process's CPU time per live sample of a 2 s take-up
// at the device's rate, with the drill window closed (drill 0) and open and
// running (drill 1); the analysis window is open in both.

#include "analysis/ui/ActiveDocuments.h"
#include "analysis/ui/AnalysisWindow.h"
#include "drills/DrillRun.h"
#include "drills/ui/DrillWindow.h"
#include "measurement/ui/DocumentWindow.h"

#include "NullDocumentHost.h"
#include "QtBenchmarkMain.h"
#include "TakeUpGenerator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
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

void runEvents(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// The first paint of one window's widgets after arm(), by the wall clock.
class PaintClock : public QObject {
public:
    explicit PaintClock(QWidget& window) : window_(window) { qApp->installEventFilter(this); }
    ~PaintClock() override { qApp->removeEventFilter(this); }
    void arm() {
        painted_ = -1;
        clock_.start();
    }
    qint64 paintedAfterNs() const { return painted_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (painted_ < 0 && clock_.isValid() && event->type() == QEvent::Paint &&
            watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == &window_) {
            painted_ = clock_.nsecsElapsed();
        }
        return false;
    }

private:
    QWidget& window_;
    QElapsedTimer clock_;
    qint64 painted_ = -1;
};

class OneDocument : public ActiveDocuments {
public:
    explicit OneDocument(TMDIChild& child) : child_(child) {}
    TMDIChild* Active() const override { return &child_; }
    QList<TMDIChild*> All() const override { return {&child_}; }
    void Open(const QString&) override {}
    const DisplaySettings& Display() const override { return display_; }
    QString UserName() const override { return {}; }
    QWidget* DialogParent() const override { return nullptr; }

private:
    TMDIChild& child_;
    DisplaySettings display_ = DisplaySettings::defaults();
};

// A shown document window of n simulated take-ups with the analysis window
// open on its overlay, and a shooter at a drill for the live take-ups: 2 s
// each, the shot after 1 to 1.2 s.
struct Session {
    explicit Session(int n) : generator(4711), documents(document) {
        document.show();
        {
            MeasurementDocument::Stapel stapel(document.Dokument());
            for (int i = 0; i < n; ++i) {
                const qtxsim::Record r = generator.Next(160);
                Raster_t& capture = document.Liste->Letzter();
                capture.SetzeTonschwelle(r.threshold);
                for (uint8_t v : r.samples) {
                    capture.WertAnhaengen(v);
                }
                document.Liste->Anhaengen();
            }
        }
        qtxsim::ShooterModel shooter;
        shooter.shotLowMs = 1000;
        shooter.shotHighMs = 1200;
        shooter.holdLowMs = 400;
        shooter.holdHighMs = 800;
        shooter.jerk = 0.3;
        generator.SetShooter(shooter);
        analysis = AnalysisWindow::openFor(document);
        analysis->chooseTab(AnalysisWindow::kOverlayTab);
        runEvents(100);
    }

    // The drill window, started on a drill no live take-up finishes.
    void openDrill() {
        drill = std::make_unique<DrillWindow>(documents, dir.filePath(QStringLiteral("Uebungen")),
                                              dir.filePath(QStringLiteral("archiv.sqlite")));
        drill->chooseDrill(QStringLiteral("Ohne Zucken"));
        drill->show();
        drill->start();
        runEvents(100);
    }

    // A take-up's samples, one batch each, `paceMs` apart (0: at once).
    void feed(const qtxsim::Record& r, int paceMs) {
        MeasurementDocument& d = document.Dokument();
        d.RecordStarted();
        d.SetCaptureThreshold(r.threshold, false);
        d.BatchDone();
        if (paceMs == 0) {
            for (uint8_t v : r.samples) {
                d.AppendCaptureSample(v);
                d.BatchDone();
            }
            return;
        }
        QEventLoop loop;
        QTimer pace;
        pace.setTimerType(Qt::PreciseTimer);
        size_t i = 0;
        QObject::connect(&pace, &QTimer::timeout, &loop, [&] {
            if (i < r.samples.size()) {
                d.AppendCaptureSample(r.samples[i++]);
                d.BatchDone();
            } else {
                loop.quit();
            }
        });
        pace.start(paceMs);
        loop.exec();
    }

    void end() {
        document.Dokument().RecordEnded();
        document.Dokument().BatchDone();
    }

    qtxsim::Record next() {
        qtxsim::Record r = generator.Next(160);
        r.samples.resize(100, 20);  // 2 s: the finger resting after the release
        return r;
    }

    QTemporaryDir dir;
    test::NullDocumentHost host;
    TMDIChild document{host};
    qtxsim::TakeUpGenerator generator;
    OneDocument documents;
    AnalysisWindow* analysis = nullptr;
    std::unique_ptr<DrillWindow> drill;
};

void BM_VerdictShown(benchmark::State& state) {
    Session s(static_cast<int>(state.range(0)));
    s.openDrill();
    PaintClock clock(*s.drill);
    double worstMs = 0;
    for (auto _ : state) {
        s.feed(s.next(), 0);
        runEvents(50);
        const size_t before = s.drill->run()->entries().size();
        clock.arm();
        s.end();
        QEventLoop loop;
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, &loop, [&] {
            if (clock.paintedAfterNs() >= 0) {
                loop.quit();
            }
        });
        check.start(1);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
        if (clock.paintedAfterNs() < 0 || s.drill->run()->entries().size() != before + 1) {
            state.SkipWithError("the verdict was not shown");
            break;
        }
        const double ms = static_cast<double>(clock.paintedAfterNs()) / 1e6;
        worstMs = std::max(worstMs, ms);
        state.SetIterationTime(ms / 1000.0);
        runEvents(300);  // the analysis window follows after its delay
    }
    state.counters["worst_ms"] = worstMs;
}
BENCHMARK(BM_VerdictShown)
    ->ArgNames({"takeups"})
    ->Arg(1000)
    ->Iterations(15)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

void BM_LiveSample(benchmark::State& state) {
    Session s(static_cast<int>(state.range(0)));
    if (state.range(1) != 0) {
        s.openDrill();
    }
    int64_t samples = 0;
    double cpu = 0.0;
    for (auto _ : state) {
        const qtxsim::Record r = s.next();
        const double start = cpuSeconds();
        s.feed(r, 20);
        s.end();
        runEvents(400);  // the windows follow the take-up's end
        const double used = cpuSeconds() - start;
        state.SetIterationTime(used);
        cpu += used;
        samples += static_cast<int64_t>(r.samples.size());
    }
    state.counters["ms_per_sample"] = samples > 0 ? 1000.0 * cpu / static_cast<double>(samples) : 0;
}
BENCHMARK(BM_LiveSample)
    ->ArgNames({"takeups", "drill"})
    ->ArgsProduct({{1000}, {0, 1}})
    ->Iterations(8)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
    // The windows' settings and the archive go to directories of the
    // benchmark's own.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());
    return runQtBenchmarks<QApplication>(argc, argv);
}
