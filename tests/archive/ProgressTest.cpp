#include "analysis/SampleStatistics.h"
#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveImport.h"
#include "archive/ArchiveProgress.h"
#include "archive/ArchiveTexts.h"

#include "ArchiveFiles.h"
#include "PostgresServer.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrevik;
using namespace ostrevik::test;

namespace {

TEST(LineFit, SlopeAndIntervalOfAConstructedSeries) {
    // By hand: mean x 2, mean y 3, Sxx 10, Sxy 8, residual squares 3.6,
    // standard error sqrt(3.6 / 3 / 10), t(0.975, 3) = 3.1824463.
    const std::vector<double> x = {0, 1, 2, 3, 4};
    const std::vector<double> y = {1, 3, 2, 5, 4};
    const LineFit f = fitLine(x, y);
    EXPECT_EQ(f.count, 5);
    EXPECT_DOUBLE_EQ(*f.slope, 0.8);
    EXPECT_DOUBLE_EQ(*f.intercept, 1.4);
    EXPECT_NEAR(*f.slopeStandardError, std::sqrt(0.12), 1e-12);
    EXPECT_NEAR(*f.slopeLow(), 0.8 - 3.1824463 * std::sqrt(0.12), 1e-7);
    EXPECT_NEAR(*f.slopeHigh(), 0.8 + 3.1824463 * std::sqrt(0.12), 1e-7);

    // Too few points, or all on one day: no line, no division by zero.
    EXPECT_FALSE(fitLine(std::vector<double>{0, 1}, std::vector<double>{1, 2}).slope);
    EXPECT_FALSE(fitLine(std::vector<double>{5, 5, 5}, std::vector<double>{1, 2, 3}).slope);
}

class ProgressTest : public ::testing::TestWithParam<ArchiveBackend> {
protected:
    void SetUp() override {
        // Zeit bis Schuss per session, by hand: 800, 1000, 1200 ms (mean
        // 1000, SD 200, half interval 4.3026527 x 200 / sqrt 3 = 496.83);
        // then one take-up each at days 10, 20, 30: 920, 880, 760 ms.
        writeSession(dir.filePath(QStringLiteral("1.pvo")), QStringLiteral("Anna"),
                     QStringLiteral("01.09.2026"), {40, 50, 60});
        writeSession(dir.filePath(QStringLiteral("2.pvo")), QStringLiteral("Anna"),
                     QStringLiteral("11.09.2026"), {46});
        writeSession(dir.filePath(QStringLiteral("3.pvo")), QStringLiteral("Anna"),
                     QStringLiteral("21.09.2026"), {44});
        writeSession(dir.filePath(QStringLiteral("4.pvo")), QStringLiteral("Anna"),
                     QStringLiteral("01.10.2026"), {38});
        writeSession(dir.filePath(QStringLiteral("x.pvo")), QStringLiteral("Ben"),
                     QStringLiteral("05.09.2026"), {10});
        std::string why;
        const QString at = archiveOn(GetParam(), dir.filePath(QStringLiteral("a.sqlite")), why);
        if (at.isEmpty()) {
            GTEST_SKIP() << why;
        }
        ArchiveError error;
        archive = TrainingArchive::open(at, error);
        ASSERT_TRUE(archive) << ArchiveTexts::Problem(error).toStdString();
        importPaths(*archive, {dir.path()}, {});
        anna = *findShooter(*archive, QStringLiteral("Anna"), error);
    }

    ProgressData load(QDate from = {}, QDate to = {}) {
        SessionFilter f;
        f.shooterId = anna;
        f.from = from;
        f.to = to;
        ProgressData d;
        ArchiveError error;
        EXPECT_TRUE(loadProgress(*archive, f, d, error))
            << ArchiveTexts::Problem(error).toStdString();
        return d;
    }

    QTemporaryDir dir;
    std::unique_ptr<TrainingArchive> archive;
    qint64 anna = 0;
};

INSTANTIATE_TEST_SUITE_P(Backends, ProgressTest,
                         ::testing::Values(ArchiveBackend::Sqlite, ArchiveBackend::Postgres),
                         [](const auto& info) { return backendName(info.param); });

TEST_P(ProgressTest, SessionFiguresAndTrendAsComputedByHand) {
    const ProgressData d = load();
    ASSERT_EQ(d.sessions.size(), 4u);
    const Summary& first = d.sessions[0].figure(Metric::Schuss_ms);
    EXPECT_EQ(first.count, 3);
    EXPECT_DOUBLE_EQ(*first.mean, 1000.0);
    EXPECT_NEAR(*first.ci95Low(), 1000.0 - 4.3026527 * 200.0 / std::sqrt(3.0), 1e-4);
    EXPECT_FALSE(d.sessions[1].figure(Metric::Schuss_ms).ci95Low());  // one take-up

    // Means 1000, 920, 880, 760 at days 0, 10, 20, 30: slope -7.6 ms a day,
    // residual squares 1120, standard error sqrt(560 / 500), t(2) 4.3026527.
    const ProgressTrend t = progressTrend(d, Metric::Schuss_ms);
    EXPECT_EQ(t.sessions, 4);
    EXPECT_NEAR(*t.slopePer30Days(), -228.0, 1e-9);
    const double half = 30.0 * 4.3026527 * std::sqrt(560.0 / 500.0);
    EXPECT_NEAR(*t.lowPer30Days(), -228.0 - half, 1e-4);
    EXPECT_NEAR(*t.highPer30Days(), -228.0 + half, 1e-4);
    EXPECT_EQ(ArchiveTexts::TrendWords(t),
              QStringLiteral("Zeit bis Schuss: −228 ms pro Monat, 95 %-Intervall −365 … −91 ms – "
                             "gesichert fallend"));

    const QList<QByteArray> lines = progressCsv(d).split('\n');
    EXPECT_EQ(lines[0], "Datum;Datei;Metrik;n;Mittelwert;KI_unten;KI_oben");
    EXPECT_EQ(lines[3], "01.09.2026;" + dir.filePath(QStringLiteral("1.pvo")).toUtf8() +
                            ";Schuss_ms;3;1000,0;503,2;1496,8");
    EXPECT_EQ(lines[1 + 10 + 2], "11.09.2026;" + dir.filePath(QStringLiteral("2.pvo")).toUtf8() +
                                     ";Schuss_ms;1;920,0;;");
    EXPECT_EQ(lines[1 + 40 + 2], "Trend;;Schuss_ms;4;-228,0;-364,6;-91,4");
    EXPECT_EQ(lines.size(), 1 + 40 + 10 + 1);  // the last line ends with its line break
}

TEST_P(ProgressTest, APeriodWithTooFewSessionsHasNoTrend) {
    const ProgressData d = load(QDate(2026, 9, 5), QDate(2026, 9, 30));
    ASSERT_EQ(d.sessions.size(), 2u);
    const ProgressTrend t = progressTrend(d, Metric::Schuss_ms);
    EXPECT_FALSE(t.slopePer30Days());
    EXPECT_EQ(ArchiveTexts::TrendWords(t),
              QStringLiteral("Zeit bis Schuss: für einen Trend zu wenige Trainingseinheiten "
                             "(2 von mindestens 3)"));
    EXPECT_TRUE(progressCsv(d).contains("Trend;;Schuss_ms;2;;;\n"));
}

}  // namespace
