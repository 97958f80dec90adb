// The training archive over a season of 500 sessions x 200 take-ups
// (100 000 take-ups, written by demo-sessions --season): importing it (the
// goal: under 60 s), the progress view opening over it and switching metric
// (under 0.3 s), "--progress" as a process (under 1 s), and the archive's
// size (under 50 MB, the counter MB).
//
// On a private PostgreSQL server (fsync on): four processes importing 125
// files each at once (the goal: under 60 s, nothing lost), "--progress" as a
// process (under 1 s), the window opened over it (under 0.5 s), and the
// database's size (MB, and MB_data without an empty database's).
//
//   build/bench/archive_bench [--benchmark_filter=Server]

#include "analysis/AnalysisSettings.h"
#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveImport.h"
#include "archive/ArchiveProgress.h"
#include "archive/ArchiveSessions.h"
#include "archive/ui/ArchiveWindow.h"
#include "archive/ui/ProgressView.h"

#include "PostgresServer.h"
#include "QtBenchmarkMain.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>

using namespace ostrevik;

namespace {

constexpr int kSessions = 500;
constexpr int kTakeUps = 200;

// The season's files and an archive of them, made once for all benchmarks.
struct Season {
    QTemporaryDir dir;
    QString files;
    QString archive;

    Season() {
        files = dir.filePath(QStringLiteral("saison"));
        archive = dir.filePath(QStringLiteral("archiv.sqlite"));
        QProcess p;
        p.start(QStringLiteral(DEMO_SESSIONS),
                {QStringLiteral("--season"), files, QString::number(kSessions),
                 QString::number(kTakeUps)});
        if (!p.waitForFinished(300000) || p.exitCode() != 0) {
            std::abort();
        }
    }

    // The archive with every session in it.
    void imported() {
        if (QFileInfo::exists(archive)) {
            return;
        }
        ArchiveError error;
        auto a = TrainingArchive::open(archive, error);
        importPaths(*a, {files}, AnalysisSettings{});
    }
};

Season& season() {
    static Season s;
    return s;
}

double megabytes(const QString& path) {
    qint64 size = QFileInfo(path).size();
    for (const char* suffix : {"-wal", "-shm"}) {
        size += QFileInfo(path + QLatin1String(suffix)).size();
    }
    return static_cast<double>(size) / (1024.0 * 1024.0);
}

class NoHost : public ArchiveWindowHost {
public:
    void OpenDocument(const QString&) override {}
    void CompareFiles(const QStringList&) override {}
    QString UserName() const override { return {}; }
    DisplaySettings Display() const override { return DisplaySettings::defaults(); }
};

void BM_ImportSeason(benchmark::State& state) {
    Season& s = season();
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("archiv.sqlite"));
        ArchiveError error;
        state.ResumeTiming();
        auto a = TrainingArchive::open(path, error);
        const ImportSummary summary = importPaths(*a, {s.files}, AnalysisSettings{});
        a.reset();
        state.PauseTiming();
        if (summary.added != kSessions) {
            state.SkipWithError("not every session taken in");
        }
        state.counters["MB"] = megabytes(path);
        state.ResumeTiming();
    }
    state.counters["takeups"] = kSessions * kTakeUps;
}
BENCHMARK(BM_ImportSeason)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_ImportSeasonUnchanged(benchmark::State& state) {
    Season& s = season();
    s.imported();
    ArchiveError error;
    auto a = TrainingArchive::open(s.archive, error);
    for (auto _ : state) {
        if (importPaths(*a, {s.files}, AnalysisSettings{}).unchanged != kSessions) {
            state.SkipWithError("a session changed");
        }
    }
}
BENCHMARK(BM_ImportSeasonUnchanged)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ProgressQuery(benchmark::State& state) {
    Season& s = season();
    s.imported();
    ArchiveError error;
    auto a = TrainingArchive::open(s.archive, error);
    SessionFilter f;
    f.shooterId = findShooter(*a, QStringLiteral("Anna Beispiel"), error);
    for (auto _ : state) {
        ProgressData d;
        loadProgress(*a, f, d, error);
        benchmark::DoNotOptimize(progressTrend(d, Metric::Schuss_ms));
    }
    state.counters["MB"] = megabytes(s.archive);
}
BENCHMARK(BM_ProgressQuery)->Unit(benchmark::kMillisecond)->UseRealTime();

// The window opened over the archive at `archive` (a file or a server's
// address) at its own size, its first shooter's sessions in the table and
// the progress painted as the screen would show it: the whole window once.
void openWindows(benchmark::State& state, const QString& archive) {
    NoHost host;
    for (auto _ : state) {
        TArchiveForm window(host, archive, QString());
        window.resize(1200, 820);
        window.show();
        window.OpenArchive();
        benchmark::DoNotOptimize(window.grab());
    }
}

// What the coach waits for: the window opened over the archive, its
// shooter's 500 sessions in the table and the progress painted.
void BM_ProgressViewOpen(benchmark::State& state) {
    Season& s = season();
    s.imported();
    openWindows(state, s.archive);
}
BENCHMARK(BM_ProgressViewOpen)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ProgressViewSwitchMetric(benchmark::State& state) {
    Season& s = season();
    s.imported();
    NoHost host;
    TArchiveForm window(host, s.archive, QString());
    window.resize(1200, 820);
    window.show();
    window.OpenArchive();
    int k = 0;
    for (auto _ : state) {
        window.SetMetric(kMetrics[static_cast<size_t>(++k % kMetricCount)]);
        benchmark::DoNotOptimize(window.ProgressPlot().grab());
        benchmark::DoNotOptimize(window.TrendText());
    }
}
BENCHMARK(BM_ProgressViewSwitchMetric)->Unit(benchmark::kMillisecond)->UseRealTime();

// "--progress" of one shooter as a process on the archive at `archive` (a
// file or a server's address), measured from outside.
void runProgressCommand(benchmark::State& state, const QString& archive) {
    QTemporaryDir out;
    const QString csv = out.filePath(QStringLiteral("fortschritt.csv"));
    for (auto _ : state) {
        QProcess p;
        p.start(QStringLiteral(OSTREVIK_BINARY),
                {QStringLiteral("--archive"), archive, QStringLiteral("--progress"),
                 QStringLiteral("Anna Beispiel"), csv});
        if (!p.waitForFinished(60000) || p.exitCode() != 0) {
            state.SkipWithError("--progress failed");
        }
    }
}

// "--progress" as a process, measured from outside.
void BM_ProgressCommand(benchmark::State& state) {
    Season& s = season();
    s.imported();
    runProgressCommand(state, s.archive);
}
BENCHMARK(BM_ProgressCommand)->Unit(benchmark::kMillisecond)->UseRealTime();

// The season on the bench's own server: one database with every session,
// imported by four processes at once.
struct ServerSeason {
    ostrevik::test::PostgresServer* server = nullptr;
    QString address;
    double emptyMb = 0;

    static ServerSeason& get() {
        static ServerSeason s;
        return s;
    }

    double megabytes() {
        ArchiveError error;
        auto a = TrainingArchive::open(address, error);
        QSqlQuery q(a->db());
        q.exec(QStringLiteral("SELECT pg_database_size(current_database())"));
        return q.next() ? q.value(0).toDouble() / (1024.0 * 1024.0) : 0;
    }

    // A new database filled by four processes at once; false when a session
    // is missing or twice.
    bool importFourAtOnce(std::string& why) {
        server = ostrevik::test::PostgresServer::shared(why, true);
        if (!server) {
            return false;
        }
        address = server->address(server->newDatabase());
        {
            ArchiveError error;
            auto a = TrainingArchive::open(address, error);
            if (!a) {
                why = "the server's archive did not open";
                return false;
            }
        }
        emptyMb = megabytes();
        QStringList missing;
        const QStringList files = collectMeasurementFiles({season().files}, missing);
        std::vector<std::unique_ptr<QProcess>> imports;
        for (int k = 0; k < 4; ++k) {
            auto p = std::make_unique<QProcess>();
            p->start(QStringLiteral(OSTREVIK_BINARY),
                     QStringList{QStringLiteral("--archive"), address,
                                 QStringLiteral("--archive-import")} +
                         files.mid(k * files.size() / 4, files.size() / 4));
            imports.push_back(std::move(p));
        }
        for (auto& p : imports) {
            if (!p->waitForFinished(300000) || p->exitCode() != 0) {
                why = "an import failed";
                return false;
            }
        }
        ArchiveError error;
        auto a = TrainingArchive::open(address, error);
        QSqlQuery q(a->db());
        q.exec(
            QStringLiteral("SELECT COUNT(DISTINCT pfad), COUNT(*), (SELECT COUNT(*) FROM "
                           "druckpunktnahme) FROM sitzung"));
        if (!q.next() || q.value(0).toInt() != kSessions || q.value(1).toInt() != kSessions ||
            q.value(2).toInt() != kSessions * kTakeUps) {
            why = "a session lost or doubled";
            return false;
        }
        return true;
    }

    bool ready(std::string& why) { return !address.isEmpty() || importFourAtOnce(why); }
};

void BM_ServerImportFourProcesses(benchmark::State& state) {
    season();
    for (auto _ : state) {
        std::string why;
        ServerSeason& s = ServerSeason::get();
        s.address.clear();
        if (!s.importFourAtOnce(why)) {
            state.SkipWithError(why.c_str());
            return;
        }
        state.PauseTiming();
        const double mb = s.megabytes();
        state.counters["MB"] = mb;
        state.counters["MB_data"] = mb - s.emptyMb;
        state.ResumeTiming();
    }
    state.counters["takeups"] = kSessions * kTakeUps;
}
BENCHMARK(BM_ServerImportFourProcesses)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// The season imported into the server, or none (the benchmark skipped with
// the reason).
const ServerSeason* readyServer(benchmark::State& state) {
    season();
    std::string why;
    ServerSeason& s = ServerSeason::get();
    if (!s.ready(why)) {
        state.SkipWithError(why.c_str());
        return nullptr;
    }
    return &s;
}

void BM_ServerProgressCommand(benchmark::State& state) {
    if (const ServerSeason* s = readyServer(state)) {
        runProgressCommand(state, s->address);
    }
}
BENCHMARK(BM_ServerProgressCommand)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ServerWindowOpen(benchmark::State& state) {
    if (const ServerSeason* s = readyServer(state)) {
        openWindows(state, s->address);
    }
}
BENCHMARK(BM_ServerWindowOpen)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return runQtBenchmarks<QApplication>(argc, argv);
}
