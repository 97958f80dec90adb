// The analysis window over a long session: opening it (constructing it,
// which analyses the document, and the first paint of each tab) and the
// update after a take-up while it shows the overlay, for 1000 take-ups.
//
//   build/bench/analysis_window_bench

#include "analysis/ui/AnalysisWindow.h"
#include "analysis/ui/PlotView.h"
#include "measurement/ui/DocumentWindow.h"

#include "NullDocumentHost.h"
#include "QtBenchmarkMain.h"
#include "TakeUpGenerator.h"

#include <QApplication>
#include <QTabWidget>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

using namespace ostrevik;

namespace {

// A document window of n simulated take-ups, made once.
TMDIChild& session(int n) {
    static test::NullDocumentHost host;
    static std::map<int, std::unique_ptr<TMDIChild>> made;
    auto& document = made[n];
    if (!document) {
        document = std::make_unique<TMDIChild>(host);
        DrawGridRasters_t::Stapel stapel(*document->Liste);
        qtxsim::TakeUpGenerator generator(4711);
        for (int i = 0; i < n; ++i) {
            const auto threshold = static_cast<uint8_t>(generator.Uniform(120, 180));
            Raster_t& r = document->Liste->Letzter();
            r.SetzeTonschwelle(threshold);
            for (uint8_t v : generator.Next(threshold).samples) {
                r.WertAnhaengen(v);
            }
            document->Liste->Anhaengen();
        }
    }
    return *document;
}

QString settingsFile() {
    static QTemporaryDir dir;
    return dir.filePath(QStringLiteral("Analyse.ini"));
}

void BM_OpenWindow(benchmark::State& state) {
    TMDIChild& document = session(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        AnalysisWindow w(document, settingsFile());
        w.show();
        for (int tab = 0; tab < w.Tabs->count(); ++tab) {
            w.Tabs->setCurrentIndex(tab);
            // Painted as the screen would: the whole page, through its
            // paint events.
            benchmark::DoNotOptimize(w.Tabs->currentWidget()->grab());
        }
    }
}
BENCHMARK(BM_OpenWindow)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// What the window pays after each take-up while the coach watches the
// overlay: the analysis anew and the overlay painted again.
void BM_UpdateOverlay(benchmark::State& state) {
    AnalysisWindow w(session(static_cast<int>(state.range(0))), settingsFile());
    w.show();
    for (auto _ : state) {
        w.refresh();
        benchmark::DoNotOptimize(w.Overlay->grab());
    }
}
BENCHMARK(BM_UpdateOverlay)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return runQtBenchmarks<QApplication>(argc, argv);
}
