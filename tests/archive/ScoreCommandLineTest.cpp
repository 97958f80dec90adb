#include "analysis/SessionAnalysis.h"
#include "analysis/TrainingSession.h"
#include "scores/ScoreExport.h"
#include "scores/ScoreMatching.h"

#include "../evaluation/PdfTools.h"
#include "ArchiveFiles.h"
#include "HeadlessRun.h"
#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrevik;
using namespace ostrevik::test;

namespace {

// The rings' commands as separate processes without a display, the default
// archive under a data folder of the test's own.
class ScoreCommandLineTest : public ::testing::Test {
protected:
    ScoreCommandLineTest() {
        writeSession(path(QStringLiteral("a.pvo")), QStringLiteral("Anna"),
                     QStringLiteral("01.09.2026"), {40, 50, 60, 70});
        // As club software writes it: a sighter first, a total last.
        writeAll(path(QStringLiteral("ringe.csv")),
                 "Nr;Ring;X [mm];Y [mm];Zeit\r\nP1;8,9;3,0;4,0;10:00:00\r\n1;9,0;1,0;2,0;"
                 "10:01:00\r\n2;9,5;1,0;2,0;10:02:00\r\n3;10,0;;;\r\n4;10,4;0,5;0,5;"
                 "10:04:00\r\nSumme;38,9;;;\r\n");
        writeAll(path(QStringLiteral("fuenf.csv")), "Ring\n8,0\n9,0\n9,5\n10,0\n10,4\n");
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    Outcome run(const QStringList& args) {
        return runHeadless(
            QStringLiteral(OSTREVIK_BINARY), args, dir.path(), [this](QProcessEnvironment& env) {
                env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
                env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
                env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("daten")));
            });
    }

    // The Ring column of the take-up export, line by line.
    QStringList exportedRings() {
        const Outcome r =
            run({QStringLiteral("--export-csv"), QStringLiteral("a.pvo"), QStringLiteral("aus")});
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        QStringList rings;
        for (const QString& line :
             QString::fromUtf8(readAll(path(QStringLiteral("aus-takeups.csv")))).split('\n')) {
            if (!line.isEmpty()) {
                rings << line.section(QLatin1Char(';'), -1);
            }
        }
        return rings;
    }

    QTemporaryDir dir;
    QTemporaryDir runtime;
};

}  // namespace

TEST_F(ScoreCommandLineTest, RingsImportedAreExportedAnalysedAndReported) {
    EXPECT_EQ(exportedRings(), (QStringList{QStringLiteral("Ring"), {}, {}, {}, {}}))
        << "without rings the column is there, empty";

    Outcome r = run(
        {QStringLiteral("--import-scores"), QStringLiteral("a.pvo"), QStringLiteral("ringe.csv")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("4 Schüsse zugeordnet\n2 Zeilen übersprungen (Übersprungen: "
                                    "1 Probeschuss, 1 Summenzeile)\n"));
    EXPECT_EQ(exportedRings(),
              (QStringList{QStringLiteral("Ring"), QStringLiteral("9,0"), QStringLiteral("9,5"),
                           QStringLiteral("10,0"), QStringLiteral("10,4")}));

    // The figures of the core over the same take-ups and rings.
    r = run({QStringLiteral("--score-analysis"), QStringLiteral("a.pvo"),
             QStringLiteral("analyse.csv")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    TrainingSession session;
    QString error;
    ASSERT_TRUE(loadTrainingSession(path(QStringLiteral("a.pvo")), session, error));
    const SessionAnalysis analysis = analyseDocument(*session.Liste, 8, AnalysisSettings{});
    SessionScores scores;
    const double rings[] = {9.0, 9.5, 10.0, 10.4};
    for (int n = 1; n <= 4; ++n) {
        scores[n].takeUp = n;
        scores[n].ring = rings[n - 1];
    }
    const QByteArray expected = scoreAnalysisCsv(scoreTable(scoredTakeUps(analysis, scores)));
    EXPECT_EQ(readAll(path(QStringLiteral("analyse.csv"))), expected);
    // 800..1400 ms against 9.0 9.5 10.0 10.4: Sxy = 470, Sxx = 200000,
    // Syy = 1.1075, r = 0.998645; z = 3.647, half width 1.96: 0.934 .. 1.000.
    EXPECT_TRUE(expected.contains("Korrelation;Schuss_ms;4;0,999;0,934;1,000\n"));

    r = run({QStringLiteral("--report"), QStringLiteral("a.pvo"), QStringLiteral("bericht.pdf")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString report = pdfText(path(QStringLiteral("bericht.pdf")));
    EXPECT_TRUE(report.contains(QStringLiteral("Kennwerte und Ring")));
    EXPECT_TRUE(report.contains(QStringLiteral("a.pvo: 4 Schüsse mit Ring")));

    r = run(
        {QStringLiteral("--season-report"), QStringLiteral("Anna"), QStringLiteral("saison.pdf")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString season = pdfText(path(QStringLiteral("saison.pdf")));
    EXPECT_TRUE(season.contains(QStringLiteral("Fortschritt: Ring")));
    EXPECT_TRUE(season.contains(QStringLiteral("Fehlermarken und Ring")));
}

TEST_F(ScoreCommandLineTest, AMismatchIsRefusedWithBothCountsUnlessShifted) {
    Outcome r = run(
        {QStringLiteral("--import-scores"), QStringLiteral("a.pvo"), QStringLiteral("fuenf.csv")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("ostrevik: ") + countMismatchText(4, 5)))
        << r.err.toStdString();
    EXPECT_EQ(exportedRings().join(QLatin1Char(',')), QStringLiteral("Ring,,,,"));

    // The first shot was fired before the trainer recorded.
    r = run({QStringLiteral("--import-scores"), QStringLiteral("a.pvo"),
             QStringLiteral("fuenf.csv"), QStringLiteral("--offset"), QStringLiteral("1")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(
        r.out.startsWith(QStringLiteral("4 Schüsse zugeordnet\n1 Schuss der Datei ohne "
                                        "Druckpunktnahme\n")))
        << r.out.toStdString();
    EXPECT_EQ(exportedRings().join(QLatin1Char(',')), QStringLiteral("Ring,9,0,9,5,10,0,10,4"));

    // Take-ups before the first shot of the list: the last one keeps none.
    r = run({QStringLiteral("--import-scores"), QStringLiteral("a.pvo"),
             QStringLiteral("ringe.csv"), QStringLiteral("--offset"), QStringLiteral("-1")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(exportedRings().join(QLatin1Char(',')), QStringLiteral("Ring,,9,0,9,5,10,0"));

    for (const QStringList& call :
         {QStringList{QStringLiteral("--import-scores"), QStringLiteral("a.pvo")},
          QStringList{QStringLiteral("--score-analysis"), QStringLiteral("a.pvo"),
                      QStringLiteral("--offset"), QStringLiteral("1"), QStringLiteral("x.csv")},
          QStringList{QStringLiteral("--import-scores"), QStringLiteral("a.pvo"),
                      QStringLiteral("ringe.csv"), QStringLiteral("--offset"),
                      QStringLiteral("eins")},
          QStringList{QStringLiteral("--score-analysis"), QStringLiteral("a.pvo")}}) {
        r = run(call);
        EXPECT_EQ(r.exitCode, 2) << call.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.err.endsWith(QStringLiteral("Aufruf: ostrevik --help\n")));
    }
}
