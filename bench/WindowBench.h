#pragma once

// What the window benchmarks share: the process's CPU time, the event loop
// run as the program runs it, paints counted per window, and a shown
// document window with a long session whose next take-ups the simulator's
// generator makes.

#include "measurement/MeasurementDocument.h"
#include "measurement/ui/DocumentWindow.h"

#include "NullDocumentHost.h"
#include "QtBenchmarkMain.h"
#include "TakeUpGenerator.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <ctime>
#include <functional>

namespace ostrevik::bench {

inline double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Runs the event loop for ms milliseconds, sleeping while there is nothing
// to do (an idle wait costs no CPU time).
inline void runEvents(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until done() holds (checked every 5 ms), then 50 ms
// more so that the repaints it caused are painted.
inline bool runEventsUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
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

// A take-up's start and samples at the device's rate: one sample every 20 ms
// into the capture record, a batch each, as the live stream delivers them.
// Returns before its end.
inline void streamSamples(TMDIChild& document, const qtxsim::Record& r) {
    MeasurementDocument& d = document.Dokument();
    d.RecordStarted();
    d.SetCaptureThreshold(r.threshold, false);
    d.BatchDone();
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
    pace.start(20);
    loop.exec();
}

// The take-up's end byte.
inline void endTakeUp(TMDIChild& document) {
    document.Dokument().RecordEnded();
    document.Dokument().BatchDone();
}

// The benchmarks' main: the windows' settings in a directory of their own,
// Qt's warning that the offscreen platform cannot raise a window left out.
inline int runWindowBenchmarks(int argc, char** argv) {
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg && !text.startsWith(QLatin1String("This plugin does not support"))) {
            std::fprintf(stderr, "%s\n", qPrintable(text));
        }
    });
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    return runQtBenchmarks<QApplication>(argc, argv);
}

}  // namespace ostrevik::bench
