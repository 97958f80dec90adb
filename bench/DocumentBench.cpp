// How the document window copes with the documents shooters and coaches
// keep: opening a season's worth of records, the cost of one live sample in
// a long document, and the memory a window of 1000 records holds.
//
//   build/bench/document_bench                      all benchmarks
//   build/bench/document_bench --benchmark_filter=Memory   memory alone

#include "measurement/ui/DocumentWindow.h"

#include "NullDocumentHost.h"
#include "QtBenchmarkMain.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <random>

using namespace ostrevik;

namespace {

// One take-up of the pressure point: pressure rising to a plateau with some
// tremor, most of them ending in a shot. 5 to 30 seconds long.
QByteArray aufnahme(std::mt19937& zufall) {
    std::uniform_int_distribution<int> laenge(250, 1500);
    std::uniform_int_distribution<int> zittern(-6, 6);
    std::uniform_int_distribution<int> schwelle(60, 200);
    const int n = laenge(zufall);
    const bool schuss = zufall() % 5 != 0;
    QByteArray r;
    r.append(static_cast<char>(schwelle(zufall)));
    for (int i = 0; i < n; ++i) {
        const int anstieg = std::min(i * 2, 180);
        const int wert = std::clamp(anstieg + zittern(zufall), 4, 254);
        r.append(static_cast<char>(wert));
        if (schuss && i == n * 4 / 5) {
            r.append(static_cast<char>(kShotMark));
        }
    }
    r.append(static_cast<char>(kRecordEnd));
    return r;
}

// A measurement file of n records, written once per run.
QString dokument(int n) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench-%1.pvo").arg(n));
    if (!QFile::exists(path)) {
        std::mt19937 zufall(4711);
        QByteArray daten;
        for (int i = 0; i < n; ++i) {
            daten.append(aufnahme(zufall));
        }
        Dateiheader_t kopf;
        KopfInitialisieren(kopf);
        kopf.setName(QStringLiteral("Benchmark"));
        KopfUndDatenSchreiben(kopf, path, daten);
    }
    return path;
}

void zeigen(TMDIChild& w) {
    w.show();
    QCoreApplication::processEvents();
    w.DrawGrid1->viewport()->repaint();
}

double kilobytes(const char* feld) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const QByteArray name = QByteArray(feld) + ':';
    for (const QByteArray& zeile : f.readAll().split('\n')) {
        if (zeile.startsWith(name)) {
            return zeile.mid(name.size()).trimmed().split(' ').value(0).toDouble();
        }
    }
    return 0;
}

// Opening a file in a new window and showing it, with the peak memory.
void oeffnenUndZeigen(benchmark::State& state, const QString& path) {
    test::NullDocumentHost host;
    for (auto _ : state) {
        auto* w = new TMDIChild(host);
        w->SetzeDateiname(path);
        w->DateiLaden();
        zeigen(*w);
        benchmark::DoNotOptimize(w->Liste->Anzahl());
        state.PauseTiming();
        state.counters["hwm_MB"] = kilobytes("VmHWM") / 1024.0;
        delete w;
        state.ResumeTiming();
    }
}

void BM_Open1000AndShow(benchmark::State& state) {
    oeffnenUndZeigen(state, dokument(1000));
}
BENCHMARK(BM_Open1000AndShow)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

// One whole render of a record, averaged over the records of the 1000-record
// document: what a refresh that re-renders every record pays per record.
// Opening n records that way renders n(n+1)/2 pictures (500500 for 1000), and
// every received batch renders all n again.
void BM_FullRender(benchmark::State& state) {
    test::NullDocumentHost host;
    TMDIChild w(host);
    w.SetzeDateiname(dokument(1000));
    w.DateiLaden();
    int i = 0;
    int64_t samples = 0;
    for (auto _ : state) {
        Raster_t& r = w.Liste->Datensatz(i);
        r.Zeichnen();
        benchmark::DoNotOptimize(r.Bild.constBits());
        samples += r.AnzahlWerte();
        r.BildFreigeben();
        i = (i + 1) % (w.Liste->Anzahl() - 1);
    }
    state.counters["mean_samples"] =
        static_cast<double>(samples) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_FullRender)->Unit(benchmark::kMillisecond)->UseRealTime();

// A season: 100 000 short take-ups (1 to 3 s each) opened in a window and
// shown, then saved back.
QString saison() {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("saison.pvo"));
    if (!QFile::exists(path)) {
        std::mt19937 zufall(2026);
        std::uniform_int_distribution<int> laenge(50, 150);
        QByteArray daten;
        for (int i = 0; i < 100000; ++i) {
            daten.append(static_cast<char>(60 + i % 150));
            const int n = laenge(zufall);
            for (int j = 0; j < n; ++j) {
                daten.append(static_cast<char>(std::min(4 + j * 2, 254)));
            }
            daten.append(static_cast<char>(kShotMark));
            daten.append(static_cast<char>(kRecordEnd));
        }
        Dateiheader_t kopf;
        KopfInitialisieren(kopf);
        KopfUndDatenSchreiben(kopf, path, daten);
    }
    return path;
}

// One live sample into the capture target of a document of state.range(0)
// records (capture target included), with the refresh after the batch and
// the repaint of the window.
void BM_LiveSample(benchmark::State& state) {
    const int records = static_cast<int>(state.range(0));
    test::NullDocumentHost host;
    TMDIChild w(host);
    if (records > 1) {
        // The season's short take-ups stand for a document as large as they come.
        w.SetzeDateiname(records > 100000 ? saison() : dokument(records - 1));
        w.DateiLaden();
    }
    zeigen(w);
    auto neueAufnahme = [&] {
        w.Dokument().RecordStarted();
        w.Dokument().SetCaptureThreshold(120, false);
        w.Dokument().BatchDone();
        w.DrawGrid1->viewport()->repaint();
    };
    neueAufnahme();
    int i = 0;
    for (auto _ : state) {
        w.Dokument().AppendCaptureSample(static_cast<uint8_t>(60 + (i++ % 120)));
        w.Dokument().BatchDone();
        w.DrawGrid1->viewport()->repaint();
        if (w.Liste->Letzter().AnzahlWerte() >= 2400) {
            // Keep the document at its size: finish the record and drop it.
            state.PauseTiming();
            w.Dokument().RecordEnded();
            w.Liste->Entfernen(w.Liste->Anzahl() - 2);
            neueAufnahme();
            state.ResumeTiming();
        }
    }
    state.counters["records"] = w.Liste->Anzahl();
}
BENCHMARK(BM_LiveSample)
    ->Arg(1)
    ->Arg(300)
    ->Arg(100001)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

// Resident memory of a window holding 1000 records, after every row has
// been shown once.
void BM_Memory1000(benchmark::State& state) {
    const QString path = dokument(1000);
    test::NullDocumentHost host;
    for (auto _ : state) {
        const double vorher = kilobytes("VmRSS");
        TMDIChild w(host);
        w.SetzeDateiname(path);
        w.DateiLaden();
        zeigen(w);
        for (int row = 1; row < w.DrawGrid1->RowCount(); ++row) {
            w.DrawGrid1->SetRow(row);
            w.DrawGrid1->viewport()->repaint();
        }
        state.counters["rss_MB"] = kilobytes("VmRSS") / 1024.0;
        state.counters["hwm_MB"] = kilobytes("VmHWM") / 1024.0;
        state.counters["window_MB"] = (kilobytes("VmRSS") - vorher) / 1024.0;
        int bilder = 0;
        for (int i = 0; i < w.Liste->Anzahl(); ++i) {
            bilder += w.Liste->Datensatz(i).HatBild() ? 1 : 0;
        }
        state.counters["pictures_held"] = bilder;
    }
}
BENCHMARK(BM_Memory1000)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_OpenSeason100000(benchmark::State& state) {
    oeffnenUndZeigen(state, saison());
}
BENCHMARK(BM_OpenSeason100000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_SaveSeason100000(benchmark::State& state) {
    test::NullDocumentHost host;
    TMDIChild w(host);
    w.SetzeDateiname(saison());
    w.DateiLaden();
    for (auto _ : state) {
        benchmark::DoNotOptimize(w.DateiSpeichern());
    }
}
BENCHMARK(BM_SaveSeason100000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return runQtBenchmarks<QApplication>(argc, argv);
}
