// The coach's analysis of long sessions: what the analysis window pays when
// it opens and after every take-up while capture runs (recompute, paint the
// overlay, paint the trend), for 1000 and 10 000 take-ups.
//
//   build/bench/analysis_bench

#include "analysis/OverlayPlot.h"
#include "analysis/TrendPlot.h"
#include "measurement/Rasters.h"

#include "QtBenchmarkMain.h"
#include "TakeUpGenerator.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

using namespace ostrevik;

namespace {

const DisplaySettings kSettings = DisplaySettings::defaults();

// A document of n simulated take-ups (and its capture target), made once.
const Rasters_t& session(int n) {
    static std::map<int, std::unique_ptr<Rasters_t>> made;
    auto& list = made[n];
    if (!list) {
        list = std::make_unique<Rasters_t>(50, 4, 60, 60);
        list->Einstellungen = &kSettings;
        list->Anhaengen();
        qtxsim::TakeUpGenerator generator(4711);
        for (int i = 0; i < n; ++i) {
            const auto threshold = static_cast<uint8_t>(generator.Uniform(120, 180));
            list->Letzter().SetzeTonschwelle(threshold);
            for (uint8_t v : generator.Next(threshold).samples) {
                list->Letzter().WertAnhaengen(v);
            }
            list->Anhaengen();
        }
    }
    return *list;
}

void BM_Analyse(benchmark::State& state) {
    const Rasters_t& list = session(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const SessionAnalysis a = analyseDocument(list, kSettings.secondsBeforeShot, {});
        benchmark::DoNotOptimize(a.rows.data());
    }
}
BENCHMARK(BM_Analyse)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The overlay tab at a typical window size.
void BM_PaintOverlay(benchmark::State& state) {
    const SessionAnalysis a =
        analyseDocument(session(static_cast<int>(state.range(0))), kSettings.secondsBeforeShot, {});
    QImage image(1000, 600, QImage::Format_RGB32);
    OverlayStyle style;
    style.highlightedListIndex = 10;
    for (auto _ : state) {
        QPainter p(&image);
        paintOverlay(p, QRectF(image.rect()), a.overlay, style);
    }
    state.counters["curves"] = static_cast<double>(a.overlay.curves.size());
}
BENCHMARK(BM_PaintOverlay)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Opening the window with 1000 take-ups: the analysis, both plots and the
// trend of time to shot.
void BM_Open1000(benchmark::State& state) {
    const Rasters_t& list = session(1000);
    QImage image(1000, 600, QImage::Format_RGB32);
    for (auto _ : state) {
        const SessionAnalysis a = analyseDocument(list, kSettings.secondsBeforeShot, {});
        const Trend t = computeTrend(a, Metric::Schuss_ms, 10);
        QPainter p(&image);
        paintOverlay(p, QRectF(image.rect()), a.overlay, {});
        paintTrend(p, QRectF(image.rect()), t, kSettings);
    }
}
BENCHMARK(BM_Open1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// A click into the overlay of 1000 take-ups.
void BM_HitTest1000(benchmark::State& state) {
    const SessionAnalysis a = analyseDocument(session(1000), kSettings.secondsBeforeShot, {});
    QImage image(1000, 600, QImage::Format_RGB32);
    QPainter p(&image);
    const PlotMapping m = paintOverlay(p, QRectF(image.rect()), a.overlay, {});
    for (auto _ : state) {
        benchmark::DoNotOptimize(curveNear(a.overlay, m, m.toPixel(-0.5, 60.0)));
    }
}
BENCHMARK(BM_HitTest1000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return runQtBenchmarks<QGuiApplication>(argc, argv);
}
