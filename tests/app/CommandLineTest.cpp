#include "app/SingleInstance.h"
#include "cli/CommandLineTexts.h"
#include "measurement/MeasurementFile.h"
#include "settings/ConfigFile.h"

#include "../evaluation/PdfTools.h"
#include "HeadlessRun.h"
#include "SmallDisk.h"
#include "TestFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace ostrevik;
using namespace ostrevik::test;

namespace {

// The program, copied into a directory of its own beside a configuration
// file, as an installed copy would find it, run as a separate process
// without a display. The test holds the single-instance lock meanwhile, as
// a running program would.
class CommandLineTest : public ::testing::Test {
protected:
    CommandLineTest() {
        program = dir.filePath(QStringLiteral("ostrevik"));
        EXPECT_TRUE(QFile::copy(QStringLiteral(OSTREVIK_BINARY), program));
        TConfigFile config;
        config.setUserName(QStringLiteral("Trainerin Kowalski"));
        EXPECT_TRUE(saveSettings(config, dir.filePath(QStringLiteral("Ostrevik.cfg"))).ok);

        Dateiheader_t kopf;
        KopfInitialisieren(kopf);
        kopf.setName(QStringLiteral("Jörg"));
        kopf.setDatum(QStringLiteral("07.01.25"));
        QByteArray data;
        for (int k = 0; k < 3; ++k) {
            data += QByteArray(1, 100) + QByteArray(40 + 10 * k, 120) + QByteArray(1, '\xff') +
                    QByteArray(30, 110) + QByteArray(1, kRecordEnd);
        }
        EXPECT_TRUE(KopfUndDatenSchreiben(kopf, path(QStringLiteral("a.pvo")), data).ok);
        kopf.setDatum(QStringLiteral("14.01.25"));
        EXPECT_TRUE(KopfUndDatenSchreiben(kopf, path(QStringLiteral("b.pvo")), data).ok);
        writeAll(path(QStringLiteral("falsch.pvo")), bytes({2, 0, 0, 0, 100, 120, 3}));
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    Outcome run(const QStringList& args,
                const std::function<void(QProcessEnvironment&)>& adjust = {}) {
        return runHeadless(program, args, dir.path(), [&](QProcessEnvironment& env) {
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
            env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
            if (adjust) {
                adjust(env);
            }
        });
    }

    QTemporaryDir dir;
    QTemporaryDir runtime;
    QString program;
};

}  // namespace

TEST_F(CommandLineTest, ExportsAndReportBesideARunningProgram) {
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    const SingleInstanceGuard running;
    ASSERT_TRUE(running.acquired());

    Outcome r =
        run({QStringLiteral("--export-csv"), QStringLiteral("a.pvo"), QStringLiteral("aus")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.err, QString());
    EXPECT_TRUE(readAll(path(QStringLiteral("aus-takeups.csv")))
                    .startsWith("Nr;Schuss;Tonschwelle;Dauer_ms;"));
    EXPECT_EQ(readAll(path(QStringLiteral("aus-takeups.csv"))).count('\n'), 4);
    EXPECT_EQ(readAll(path(QStringLiteral("aus-samples.csv"))).count('\n'), 1 + 3 * 71 + 30);

    r = run({QStringLiteral("--report"), QStringLiteral("b.pvo"), QStringLiteral("a.pvo"),
             QStringLiteral("bericht.pdf")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString pdf = path(QStringLiteral("bericht.pdf"));
    EXPECT_EQ(pdfSeiten(pdf), 6);
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("Trainerin Kowalski")));  // from the configuration
    EXPECT_TRUE(text.contains(QStringLiteral("Vergleich der Trainingseinheiten")));
    EXPECT_LT(text.indexOf(QStringLiteral("07.01.25")), text.indexOf(QStringLiteral("14.01.25")));
}

TEST_F(CommandLineTest, MissingAndWrongFilesExitWithTheMessage) {
    Outcome r = run(
        {QStringLiteral("--report"), QStringLiteral("fehlt.pvo"), QStringLiteral("bericht.pdf")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, QStringLiteral("ostrevik: Die Datei fehlt.pvo wurde nicht gefunden.\n"));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("bericht.pdf"))));

    r = run({QStringLiteral("--export-csv"), QStringLiteral("falsch.pvo"), QStringLiteral("aus")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, QStringLiteral("ostrevik: falsch.pvo: Fehler beim laden der Datei. "
                                    "Möglicherweise falscher Dateityp\n"));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("aus-takeups.csv"))));

    r = run({QStringLiteral("--export-csv"), QStringLiteral("a.pvo"),
             QStringLiteral("gibtsnicht/aus")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(
        r.err.startsWith(QStringLiteral("ostrevik: Die Datei gibtsnicht/aus-takeups.csv "
                                        "konnte nicht gespeichert werden.")))
        << r.err.toStdString();
}

TEST_F(CommandLineTest, WrongCallsChangeNothing) {
    const QByteArray before = readAll(path(QStringLiteral("b.pvo")));
    // The output forgotten: the last measurement file must not become the
    // report.
    Outcome r = run({QStringLiteral("--report"), QStringLiteral("a.pvo"), QStringLiteral("b.pvo")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("keine Messdatei")));
    EXPECT_EQ(readAll(path(QStringLiteral("b.pvo"))), before);

    r = run({QStringLiteral("--export-csv"), QStringLiteral("a.pvo")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.endsWith(QStringLiteral("Aufruf: ostrevik --help\n")));
    r = run({QStringLiteral("--report"), QStringLiteral("a.pvo"), QStringLiteral("--pdf"),
             QStringLiteral("x.pdf")});
    EXPECT_EQ(r.exitCode, 2);
}

TEST_F(CommandLineTest, HelpAndVersion) {
    Outcome r = run({QStringLiteral("--help")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Aufruf: ostrevik [DATEI.pvo …]\n")));
    for (const char* t :
         {"--export-csv EIN.pvo PRÄFIX", "--report EIN.pvo [EIN2.pvo …] BERICHT.pdf", "--version",
          "Ostrevik.cfg"}) {
        EXPECT_TRUE(r.out.contains(QString::fromUtf8(t))) << t;
    }
    r = run({QStringLiteral("--version")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("ostrevik " OSTREVIK_VERSION "\n"));
    EXPECT_EQ(r.err, QString());
}

// Room for the take-ups' file but not for the samples': the export fails as
// a whole. Neither file is left under its name, torn or not, and an earlier
// pair stays as it was.
TEST_F(CommandLineTest, AnExportOntoAFullDiskLeavesNoFileOfThePair) {
    SmallDisk disk("64k");
    SKIP_WITHOUT(disk);
    const QString prefix = disk.path(QStringLiteral("aus"));
    const QString takeUps = prefix + QStringLiteral("-takeups.csv");
    const QString samples = prefix + QStringLiteral("-samples.csv");
    writeAll(takeUps, "alt T");
    writeAll(samples, "alt S");
    disk.fill(4096);
    const QString failed =
        QStringLiteral("ostrevik: Die Datei %1 konnte nicht gespeichert werden.\n%2\n")
            .arg(samples, QStringLiteral("No space left on device"));

    Outcome r = run({QStringLiteral("--export-csv"), QStringLiteral("a.pvo"), prefix});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, failed);
    EXPECT_EQ(readAll(takeUps), QByteArray("alt T"));
    EXPECT_EQ(readAll(samples), QByteArray("alt S"));

    QFile::remove(takeUps);
    QFile::remove(samples);
    disk.fill(4096);
    r = run({QStringLiteral("--export-csv"), QStringLiteral("a.pvo"), prefix});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, failed);
    EXPECT_EQ(QDir(disk.path({})).entryList(QDir::Files), QStringList({"filler"}));
}

TEST_F(CommandLineTest, UnknownOptionsAreRefusedBeforeTheWindowStarts) {
    const auto noDisplay = [](QProcessEnvironment& env) {
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    };
    const QString usage = QStringLiteral("\nAufruf: ostrevik --help\n");
    Outcome r = run({QStringLiteral("--bogus")}, noDisplay);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, QStringLiteral("ostrevik: Unbekannte Option --bogus.") + usage);
    r = run({QStringLiteral("a.pvo"), QStringLiteral("-platform=xcb")}, noDisplay);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, QStringLiteral("ostrevik: Unbekannte Option -platform=xcb.") + usage);

    // The program's "--debug" (also inside a longer word), Qt's options with
    // their values, and files: accepted, so the start goes as far as the
    // display.
    for (const QStringList& args :
         {QStringList{QStringLiteral("--debug"), QStringLiteral("a.pvo")},
          QStringList{QStringLiteral("-style"), QStringLiteral("--weird"),
                      QStringLiteral("--debugging"), QStringLiteral("-reverse")},
          QStringList{QStringLiteral("--style=Fusion"), QStringLiteral("-qwindowtitle"),
                      QStringLiteral("-x"), QStringLiteral("b.pvo")},
          QStringList{QStringLiteral("--drill"), QStringLiteral("Nachhalten"),
                      QStringLiteral("a.pvo"), QStringLiteral("--debug")}}) {
        r = run(args, noDisplay);
        EXPECT_EQ(r.exitCode, 1) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("Keine grafische Anzeige")))
            << r.err.toStdString();
    }
}

// A drill's start is read once Qt has taken its options: a drill and at
// most one file, nothing of the commands without a window.
TEST_F(CommandLineTest, ADrillStartIsRefusedWhenItIsWrong) {
    const QString usage = QStringLiteral("\nAufruf: ostrevik --help\n");
    const QStringList offscreen = {QStringLiteral("-platform"), QStringLiteral("offscreen")};
    for (const QStringList& args :
         {QStringList{QStringLiteral("--drill")},
          QStringList{QStringLiteral("--drill"), QStringLiteral("Nachhalten"),
                      QStringLiteral("a.pvo"), QStringLiteral("b.pvo")}}) {
        const Outcome r = run(offscreen + args);
        EXPECT_EQ(r.exitCode, 2) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.err.endsWith(
            QStringLiteral("--drill erwartet eine Übung und höchstens eine Messdatei.") + usage))
            << r.err.toStdString();
    }
    const Outcome r =
        run(offscreen + QStringList{QStringLiteral("--drill"), QStringLiteral("Nachhalten"),
                                    QStringLiteral("--archive"), QStringLiteral("x.sqlite")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Unbekannte Option --archive")))
        << r.err.toStdString();
}

// Every command refuses a measurement file where it writes its output (or,
// for the rings, reads its second file), in any spelling of the ending, each
// in its own words, before anything is read or written.
TEST_F(CommandLineTest, CommandsRefuseAMeasurementFileAsOutputInAnyCase) {
    const QString archive = path(QStringLiteral("archiv.db"));
    const struct {
        QStringList args;
        QString message;
    } cases[] = {
        {{QStringLiteral("--report"), QStringLiteral("a.pvo"), QStringLiteral("B.PVO")},
         CommandLineTexts::ReportIsMeasurementFile(QStringLiteral("B.PVO"))},
        {{QStringLiteral("--score-analysis"), QStringLiteral("a.pvo"), QStringLiteral("aus.Pvo"),
          QStringLiteral("--archive"), archive},
         CommandLineTexts::OutputIsMeasurementFile(QStringLiteral("aus.Pvo"),
                                                   QStringLiteral("CSV"))},
        {{QStringLiteral("--import-scores"), QStringLiteral("a.pvo"), QStringLiteral("b.PVO"),
          QStringLiteral("--archive"), archive},
         CommandLineTexts::ScoresAreMeasurementFile(QStringLiteral("b.PVO"))},
        {{QStringLiteral("--progress"), QStringLiteral("Anna"), QStringLiteral("p.pVo"),
          QStringLiteral("--archive"), archive},
         CommandLineTexts::OutputIsMeasurementFile(QStringLiteral("p.pVo"), QStringLiteral("CSV"))},
        {{QStringLiteral("--season-report"), QStringLiteral("Anna"), QStringLiteral("s.PVO"),
          QStringLiteral("--archive"), archive},
         CommandLineTexts::OutputIsMeasurementFile(QStringLiteral("s.PVO"), QStringLiteral("PDF"))},
    };
    for (const auto& c : cases) {
        const Outcome r = run(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(r.err, QStringLiteral("ostrevik: ") + c.message +
                             QStringLiteral("\nAufruf: ostrevik --help\n"));
        EXPECT_TRUE(r.out.isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(archive));
    for (const char* name : {"B.PVO", "aus.Pvo", "p.pVo", "s.PVO"}) {
        EXPECT_FALSE(QFileInfo::exists(path(QString::fromLatin1(name)))) << name;
    }
}

// The archive and score commands refuse an unknown option in the same words
// as the others.
TEST_F(CommandLineTest, ArchiveAndScoreCommandsNameAnUnknownOptionAlike) {
    const QString expected =
        QStringLiteral("ostrevik: Unbekannte Option --bogus.\nAufruf: ostrevik --help\n");
    for (const char* command : {"--archive-list", "--score-analysis", "--report"}) {
        const Outcome r = run({QString::fromLatin1(command), QStringLiteral("--bogus")});
        EXPECT_EQ(r.exitCode, 2) << command;
        EXPECT_EQ(r.err, expected) << command;
    }
}

// Without a display the window cannot start: the program says so in German
// and ends with 1, whether no display is named at all or Qt finds none
// where one is named, and Qt's abort and its own texts stay out.
TEST_F(CommandLineTest, WithoutADisplayTheStartEndsWithAGermanMessage) {
    const QString message = QStringLiteral(
        "ostrevik: Keine grafische Anzeige gefunden. Ohne Anzeige arbeiten nur die Befehle "
        "--export-csv und --report (ostrevik --help).\n");
    Outcome r = run({QStringLiteral("a.pvo")}, [](QProcessEnvironment& env) {
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    });
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, message);

    // The X11 platform named, in the environment or on the command line, but
    // no display to reach.
    r = run({QStringLiteral("a.pvo")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, message);
    r = run({QStringLiteral("-platform"), QStringLiteral("xcb"), QStringLiteral("a.pvo")},
            [](QProcessEnvironment& env) {
                env.remove(QStringLiteral("QT_QPA_PLATFORM"));
                env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":87"));
                env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
            });
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, message);
}

// Standard error carries the program's own messages only: not Qt's notice
// that XDG_RUNTIME_DIR is unset (as under sudo, ssh or cron).
TEST_F(CommandLineTest, NoRuntimeDirectoryNoticeOnStandardError) {
    const auto withoutRuntime = [](QProcessEnvironment& env) {
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    };
    Outcome r = run({QStringLiteral("--version")}, withoutRuntime);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, QString());
    r = run({QStringLiteral("--export-csv"), QStringLiteral("a.pvo"), QStringLiteral("aus")},
            withoutRuntime);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, QString());
    r = run({QStringLiteral("--report"), QStringLiteral("a.pvo"), QStringLiteral("b.pdf")},
            withoutRuntime);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, QString());
}
