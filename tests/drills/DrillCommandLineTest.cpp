#include "analysis/SessionAnalysis.h"
#include "analysis/TrainingSession.h"
#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveDrillRuns.h"
#include "archive/ArchiveScores.h"
#include "archive/ArchiveTexts.h"
#include "drills/DrillCsv.h"
#include "drills/DrillTexts.h"
#include "measurement/MeasurementFile.h"

#include "../archive/ArchiveFiles.h"
#include "HeadlessRun.h"
#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrevik;
using namespace ostrevik::test;

namespace {

const QByteArray kHeader = "Nr;Schuss;Bestanden;Nicht_erfuellt\n";

// The drills' commands as separate processes without a display, with a
// configuration and data folder of the test's own.
class DrillCommandLineTest : public ::testing::Test {
protected:
    DrillCommandLineTest() {
        // Shots after 2, 3, 8 and 8,2 s, then a take-up without a shot.
        writeFile(QStringLiteral("a.pvo"), QStringLiteral("08.09.2026"), {100, 150, 400, 410},
                  true);
        QDir().mkpath(folder());
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    QString folder() const { return path(QStringLiteral("config/Ostrevik/Uebungen")); }

    void writeFile(const QString& name, const QString& date, const std::vector<int>& shots,
                   bool withoutShot = false) {
        Dateiheader_t kopf;
        KopfInitialisieren(kopf);
        kopf.setName(QStringLiteral("Anna"));
        kopf.setDatum(date);
        QByteArray data;
        for (int n : shots) {
            data += takeUpBytes(n);
        }
        if (withoutShot) {
            data += QByteArray(1, 100) + QByteArray(50, 120) + QByteArray(1, kRecordEnd);
        }
        ASSERT_TRUE(KopfUndDatenSchreiben(kopf, path(name), data).ok);
    }

    Outcome run(const QStringList& args) {
        return runHeadless(
            QStringLiteral(OSTREVIK_BINARY), args, dir.path(), [this](QProcessEnvironment& env) {
                env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
                env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
                env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("daten")));
            });
    }

    // The check's file, or the failure's message.
    QByteArray check(const QString& drill, const QStringList& more = {}) {
        QFile::remove(path(QStringLiteral("aus.csv")));
        const Outcome r = run(QStringList{QStringLiteral("--drill-check"), drill,
                                          QStringLiteral("a.pvo"), QStringLiteral("aus.csv")} +
                              more);
        if (r.exitCode != 0) {
            EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("aus.csv"))));
            return QByteArray::number(r.exitCode) + ' ' + r.err.toUtf8();
        }
        return readAll(path(QStringLiteral("aus.csv")));
    }

    QTemporaryDir dir;
    QTemporaryDir runtime;
};

}  // namespace

TEST_F(DrillCommandLineTest, CheckWritesOneLinePerTakeUp) {
    const QByteArray window = kHeader + "1;1;0;Schuss_ms\n2;1;1;\n3;1;1;\n4;1;0;Schuss_ms\n5;0;;\n";
    EXPECT_EQ(check(QStringLiteral("Schuss im Zeitfenster")), window);
    // The window's computation over the same file.
    TrainingSession session;
    QString error;
    ASSERT_TRUE(loadTrainingSession(path(QStringLiteral("a.pvo")), session, error));
    const SessionAnalysis analysis = analyseDocument(*session.Liste, 8, AnalysisSettings{});
    EXPECT_EQ(verdictsCsv(
                  judgeSession(builtInDrill(BuiltInDrill::SchussImZeitfenster), analysis.rows, {})),
              window);

    // An own drill, named or given as its file; the misses in its order.
    writeAll(folder() + QStringLiteral("/eigene.json"),
             R"({"format": "ostrevik-uebung", "version": 1, "name": "Eigene Übung",
                 "takeups": 4, "feedback": "am-ende",
                 "criteria": [{"metric": "Schuss_ms", "max": 3000},
                              {"metric": "Halt_500", "min": 95},
                              {"tag": "Zucken", "allowed": false}]})");
    const QByteArray own = kHeader +
                           "1;1;0;Halt_500\n2;1;0;Halt_500\n3;1;0;Schuss_ms,Halt_500\n"
                           "4;1;0;Schuss_ms,Halt_500\n5;0;;\n";
    EXPECT_EQ(check(QStringLiteral("eigene übung")), own);
    EXPECT_EQ(check(folder() + QStringLiteral("/eigene.json")), own);
    EXPECT_EQ(check(QStringLiteral("Keine")),
              "1 ostrevik: " + DrillTexts::NoSuchDrill(QStringLiteral("Keine")).toUtf8() + '\n');
}

// A personal band needs 30 archived take-ups of the shooter; the archive
// --archive names gives them.
TEST_F(DrillCommandLineTest, APersonalBandFromTheArchive) {
    writeAll(path(QStringLiteral("band.json")),
             R"({"format": "ostrevik-uebung", "version": 1, "name": "Band", "takeups": 10,
                 "feedback": "jede", "criteria": [{"metric": "Schuss_ms", "band": "personal",
                 "k": 1}]})");
    const QStringList archive = {QStringLiteral("--archive"), QStringLiteral("archiv.sqlite")};
    const QByteArray refused = check(QStringLiteral("band.json"), archive);
    EXPECT_TRUE(refused.startsWith(
        "1 ostrevik: Für den persönlichen Bereich von „Zeit bis Schuss“ braucht die Übung 30 "
        "archivierte Druckpunktnahmen mit Schuss von Anna; das Trainingsarchiv hat 0."))
        << refused.toStdString();

    // 2800 .. 3380 ms: median 3090, MAD 150, the band 2868 .. 3312 ms.
    std::vector<int> earlier;
    for (int n = 140; n < 170; ++n) {
        earlier.push_back(n);
    }
    writeFile(QStringLiteral("b.pvo"), QStringLiteral("01.09.2026"), earlier);
    const Outcome r = run(
        QStringList{QStringLiteral("--archive-import"), path("b.pvo"), path("a.pvo")} + archive);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(check(QStringLiteral("band.json"), archive),
              kHeader + "1;1;0;Schuss_ms\n2;1;1;\n3;1;0;Schuss_ms\n4;1;0;Schuss_ms\n5;0;;\n");
}

// Every kept run of a shooter, a line per take-up; a shooter the archive
// does not know is said.
TEST_F(DrillCommandLineTest, ArchiveDrillsListsTheKeptRuns) {
    const QStringList archive = {QStringLiteral("--archive"), QStringLiteral("archiv.sqlite")};
    Outcome r = run(QStringList{QStringLiteral("--archive-import"), path("a.pvo")} + archive);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    {
        ArchiveError error;
        auto a = TrainingArchive::open(path(QStringLiteral("archiv.sqlite")), error);
        ASSERT_TRUE(a);
        const std::optional<qint64> session = sessionOfFile(*a, path("a.pvo"), error);
        ASSERT_TRUE(session);
        ArchivedDrillRun kept;
        kept.key = QStringLiteral("1");
        kept.name = QStringLiteral("Schuss; im Fenster");
        kept.started = QStringLiteral("2026-09-08T10:00:00.000");
        kept.verdicts = {{1, 7, false, {QStringLiteral("Schuss_ms"), QStringLiteral("Zucken")}},
                         {2, 8, true, {}},
                         {5, 9, std::nullopt, {}}};
        ASSERT_TRUE(storeDrillRun(*a, *session, kept, error))
            << ArchiveTexts::Problem(error).toStdString();
    }
    r = run(QStringList{QStringLiteral("--archive-drills"), QStringLiteral("Anna"),
                        QStringLiteral("aus.csv")} +
            archive);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QByteArray file = "08.09.2026;" + path("a.pvo").toUtf8() + ";\"Schuss; im Fenster\";";
    EXPECT_EQ(readAll(path(QStringLiteral("aus.csv"))),
              "Datum;Datei;Uebung;Nr;Bestanden;Nicht_erfuellt\n" + file + "1;0;Schuss_ms,Zucken\n" +
                  file + "2;1;\n" + file + "5;;\n");
    r = run(QStringList{QStringLiteral("--archive-drills"), QStringLiteral("Bert"),
                        QStringLiteral("aus.csv")} +
            archive);
    EXPECT_EQ(r.exitCode, 1);
}

TEST_F(DrillCommandLineTest, ListNamesTheDamagedWithTheirReason) {
    writeAll(folder() + QStringLiteral("/kaputt.json"), "{\"format\": ");
    writeAll(folder() + QStringLiteral("/zwei.json"),
             R"({"format": "ostrevik-uebung", "version": 1, "name": "Zwei; Serien",
                 "takeups": 20, "feedback": "ausblendend",
                 "criteria": [{"metric": "Abweichung", "max": 3}]})");
    const Outcome r = run({QStringLiteral("--drill-list")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 9) << r.out.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Name;Art;Druckpunktnahmen;Rückmeldung;Datei;Grund"));
    EXPECT_EQ(lines[1], QStringLiteral("Schuss im Zeitfenster;eingebaut;20;jede;;"));
    EXPECT_EQ(lines[5], QStringLiteral("Wettkampfserie;eingebaut;10;am-ende;;"));
    EXPECT_TRUE(lines[6].startsWith(QStringLiteral("kaputt.json;beschädigt;;;") + folder() +
                                    QStringLiteral("/kaputt.json;Kein gültiges JSON")))
        << lines[6].toStdString();
    EXPECT_EQ(lines[7], QStringLiteral("zwei.json;beschädigt;;;") + folder() +
                            QStringLiteral("/zwei.json;Kriterium 1: „Abweichung“ hängt von den "
                                           "anderen Druckpunktnahmen ab und ist kein Kriterium "
                                           "einer Übung."));
}

TEST_F(DrillCommandLineTest, WrongCalls) {
    for (const QStringList& call :
         {QStringList{QStringLiteral("--drill-check"), QStringLiteral("Nachhalten"),
                      QStringLiteral("a.pvo")},
          QStringList{QStringLiteral("--drill-check"), QStringLiteral("Nachhalten"),
                      QStringLiteral("a.pvo"), QStringLiteral("b.PVO")},
          QStringList{QStringLiteral("--drill-check"), QStringLiteral("Nachhalten"),
                      QStringLiteral("a.pvo"), QStringLiteral("x.csv"), QStringLiteral("--from"),
                      QStringLiteral("01.09.2026")},
          QStringList{QStringLiteral("--drill-list"), QStringLiteral("--export-csv")},
          QStringList{QStringLiteral("--drill-list"), QStringLiteral("mehr")},
          QStringList{QStringLiteral("--archive-drills"), QStringLiteral("Anna")},
          QStringList{QStringLiteral("--archive-drills"), QStringLiteral("Anna"),
                      QStringLiteral("aus.pvo")},
          QStringList{QStringLiteral("--archive-drills"), QStringLiteral("Anna"),
                      QStringLiteral("x.csv"), QStringLiteral("--drill-list")}}) {
        const Outcome r = run(call);
        EXPECT_EQ(r.exitCode, 2) << call.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("b.PVO"))));
    const Outcome help = run({QStringLiteral("--help")});
    EXPECT_TRUE(help.out.contains(QStringLiteral("--drill-check ÜBUNG EIN.pvo AUS.csv")));
    EXPECT_TRUE(help.out.contains(QStringLiteral("--drill-list")));
    EXPECT_TRUE(help.out.contains(QStringLiteral("--archive-drills SCHÜTZE AUS.csv")));
    EXPECT_TRUE(help.out.contains(QStringLiteral("--drill ÜBUNG [DATEI.pvo]")));
    EXPECT_TRUE(help.out.contains(folder()));
}
