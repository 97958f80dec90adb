// The training report of a session of 200 simulated take-ups as a PDF file
// (the goal: under 5 s), and of four such sessions with their comparison.
//
//   build/bench/report_bench

#include "analysis/ui/ReportPdf.h"

#include "QtBenchmarkMain.h"
#include "TakeUpGenerator.h"

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <vector>

using namespace ostrevik;

namespace {

TrainingSession session(int takeUps, uint32_t seed, const QString& datum) {
    Rasters_t list(50, 4, 60, 60);
    list.Anhaengen();
    qtxsim::TakeUpGenerator generator(seed);
    for (int i = 0; i < takeUps; ++i) {
        const auto threshold = static_cast<uint8_t>(generator.Uniform(120, 180));
        list.Letzter().SetzeTonschwelle(threshold);
        list.Letzter().Werte = generator.Next(threshold).samples;
        list.Anhaengen();
    }
    Dateiheader_t kopf;
    KopfInitialisieren(kopf);
    kopf.setName(QStringLiteral("Anna Beispiel"));
    kopf.setDatum(datum);
    kopf.setText(QStringLiteral("Luftpistole, Trockentraining"));
    return snapshotSession(QStringLiteral("/tmp/sitzung.pvo"), kopf, list);
}

void report(benchmark::State& state, const std::vector<TrainingSession>& sessions) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bericht.pdf"));
    ReportInput input;
    input.userName = QStringLiteral("Trainerin");
    input.sessions = sessions;
    for (auto _ : state) {
        if (!writeTrainingReportPdf(path, input).ok) {
            state.SkipWithError("report not written");
        }
    }
    state.counters["kB"] = static_cast<double>(QFileInfo(path).size()) / 1024.0;
}

void BM_Report200(benchmark::State& state) {
    const std::vector<TrainingSession> sessions = [] {
        std::vector<TrainingSession> s;
        s.push_back(session(200, 4711, QStringLiteral("07.12.26")));
        return s;
    }();
    report(state, sessions);
}
BENCHMARK(BM_Report200)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Report4x200Compared(benchmark::State& state) {
    const std::vector<TrainingSession> sessions = [] {
        std::vector<TrainingSession> s;
        for (int w = 0; w < 4; ++w) {
            s.push_back(
                session(200, static_cast<uint32_t>(10 + w),
                        QStringLiteral("%1.11.26").arg(2 + 7 * w, 2, 10, QLatin1Char('0'))));
        }
        return s;
    }();
    report(state, sessions);
}
BENCHMARK(BM_Report4x200Compared)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return runQtBenchmarks<QApplication>(argc, argv);
}
