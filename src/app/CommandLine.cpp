#include "app/CommandLine.h"

#include "app/CommandOutput.h"

#include "analysis/CsvExport.h"
#include "analysis/SessionAnalysis.h"
#include "analysis/ui/ReportPdf.h"
#include "app/ArchiveCommands.h"
#include "app/ScoreCommands.h"
#include "archive/ArchiveTexts.h"
#include "archive/DocumentScores.h"
#include "common/Texts.h"
#include "settings/ConfigFile.h"
#include "settings/Paths.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>

#include <vector>

namespace ostrevik {
namespace {

const QString kExportCsv = QStringLiteral("--export-csv");
const QString kReport = QStringLiteral("--report");

QtMessageHandler g_qtHandler = nullptr;

void withoutRuntimeDirectoryNotice(QtMsgType type, const QMessageLogContext& context,
                                   const QString& text) {
    if (!IsRuntimeDirectoryNotice(text)) {
        g_qtHandler(type, context, text);
    }
}

int exportCsv(const QStringList& operands) {
    if (operands.size() != 2) {
        return WrongCall(QCoreApplication::translate(
            "CommandLine",
            "--export-csv erwartet eine Messdatei und ein Präfix für die beiden CSV-Dateien."));
    }
    const ProgramSettings settings = programSettings();
    TrainingSession session;
    if (!LoadSession(operands[0], session)) {
        return 1;
    }
    const SessionAnalysis analysis = analyseDocument(
        *session.Liste, settings.config.file.display.secondsBeforeShot, settings.analysis);
    // The rings the archive holds for the session; without them the column
    // Ring stays empty, and an archive that cannot be read is said so.
    SessionScores scores;
    ArchiveError archiveError;
    if (!scoresOfFile(QString(), session.Dateiname, recordFingerprints(*session.Liste), scores,
                      archiveError)) {
        Warn(ArchiveTexts::Problem(archiveError));
    }
    const CsvExportResult result = writeCsvExport(operands[1], analysis, *session.Liste, &scores);
    if (!result.ok) {
        return Fail(Texts::FileNotSaved(result.failedPath, result.reason));
    }
    return 0;
}

int report(const QStringList& operands) {
    if (operands.size() < 2) {
        return WrongCall(QCoreApplication::translate(
            "CommandLine",
            "--report erwartet eine oder mehrere Messdateien und die PDF-Datei des Berichts."));
    }
    const QString output = operands.last();
    const QStringList inputs = operands.first(operands.size() - 1);
    // A forgotten output name would make the last measurement file the
    // report and destroy it.
    const QString outputPath = QFileInfo(output).absoluteFilePath();
    for (const QString& in : inputs) {
        if (QFileInfo(in).absoluteFilePath() == outputPath) {
            return WrongCall(
                QCoreApplication::translate(
                    "CommandLine", "Der Bericht %1 würde eine der Messdateien überschreiben.")
                    .arg(output));
        }
    }
    if (IsMeasurementFileName(output)) {
        return WrongCall(
            QCoreApplication::translate("CommandLine",
                                        "Der Bericht %1 muss eine PDF-Datei sein, keine Messdatei.")
                .arg(output));
    }
    const ProgramSettings settings = programSettings();
    std::vector<TrainingSession> sessions(static_cast<size_t>(inputs.size()));
    for (qsizetype i = 0; i < inputs.size(); ++i) {
        if (!LoadSession(inputs[i], sessions[static_cast<size_t>(i)])) {
            return 1;
        }
    }
    ReportInput input;
    input.userName = settings.config.userName();
    input.sessions = sessions;
    input.display = settings.config.file.display;
    input.settings = settings.analysis;
    ArchiveError archiveError;
    if (auto page = trainingScorePage(QString(), sessions, input.display.secondsBeforeShot,
                                      input.settings, archiveError)) {
        input.extraPages.push_back(std::move(*page));
    } else if (archiveError.failed()) {
        Warn(ArchiveTexts::Problem(archiveError));
    }
    const FileWriteResult result = writeTrainingReportPdf(output, input);
    if (!result.ok) {
        return Fail(Texts::FileNotSaved(output, result.reason));
    }
    return 0;
}

}  // namespace

bool IsRuntimeDirectoryNotice(const QString& text) {
    return text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"));
}

QString CommandLineVersion() {
    return QStringLiteral("ostrevik " OSTREVIK_VERSION "\n");
}

QString CommandLineHelp(const QString& configPath) {
    return QCoreApplication::translate(
               "CommandLine",
               "Aufruf: ostrevik [DATEI.pvo …]\n"
               "        ostrevik --export-csv EIN.pvo PRÄFIX\n"
               "        ostrevik --report EIN.pvo [EIN2.pvo …] BERICHT.pdf\n"
               "\n"
               "Ostrevik zeichnet die Druckpunktnahmen des Abzugstrainers QTX auf, wertet sie\n"
               "aus und druckt sie. Ohne Befehl startet das Programm mit seinem Fenster und\n"
               "öffnet die genannten Messdateien (*.pvo).\n"
               "\n"
               "Befehle ohne Fenster (ohne Suche nach dem Gerät, auch neben einem laufenden\n"
               "Programm):\n"
               "  --export-csv EIN.pvo PRÄFIX\n"
               "        schreibt PRÄFIX-takeups.csv (eine Zeile je Druckpunktnahme mit ihren\n"
               "        Kennwerten, Merkmalen und dem Ring aus dem Trainingsarchiv) und\n"
               "        PRÄFIX-samples.csv (eine Zeile je Messwert); Semikolon, Dezimalkomma,\n"
               "        UTF-8\n"
               "  --report EIN.pvo [EIN2.pvo …] BERICHT.pdf\n"
               "        schreibt den Trainingsbericht als PDF (A4); mit mehreren Messdateien\n"
               "        folgt der Vergleich der Trainingseinheiten nach ihrem Datum, mit\n"
               "        Ringen im Trainingsarchiv eine Seite „Ringe“\n"
               "  -h, --help\n"
               "        zeigt diesen Text\n"
               "  --version\n"
               "        zeigt die Version\n"
               "\n"
               "Beim Start mit Fenster:\n"
               "  --debug\n"
               "        zeigt das Debug-Fenster mit jedem Byte zum und vom Gerät\n"
               "\n"
               "Den Anwender im Bericht und die Zeichenfarben nimmt ostrevik aus seiner\n"
               "Konfigurationsdatei %1.\n"
               "\n"
               "Rückgabewert: 0 bei Erfolg, 1 wenn eine Datei fehlt, keine Messdatei ist oder\n"
               "nicht geschrieben werden kann, 2 bei falschem Aufruf.\n"
               "\n"
               "Beispiel:\n"
               "  ostrevik --report woche1.pvo woche2.pvo woche3.pvo woche4.pvo vergleich.pdf\n")
        .arg(configPath);
}

std::optional<int> RunCommandLine(int argc, char* argv[]) {
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    const bool help =
        args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"));
    const bool version = args.contains(QStringLiteral("--version"));
    const qsizetype commands = args.count(kExportCsv) + args.count(kReport);
    const bool archive = IsArchiveCommand(args);
    const bool scores = IsScoreCommand(args);
    if (!help && !version && commands == 0 && !archive && !scores) {
        return std::nullopt;
    }

    // No window ever: fonts and the PDF printer work on the offscreen
    // platform, with or without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    g_qtHandler = qInstallMessageHandler(withoutRuntimeDirectoryNotice);
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(Texts::kOstrevik);
    if (!help && !version && commands == 0) {
        if (archive && scores) {
            return WrongCall(QCoreApplication::translate(
                "CommandLine", "Die Befehle der Ringe und des Trainingsarchivs nur einzeln."));
        }
        return scores ? RunScoreCommand(app.arguments().mid(1))
                      : RunArchiveCommand(app.arguments().mid(1));
    }
    if (help) {
        WriteOut(CommandLineHelp(configFilePath()) + ArchiveCommandsHelp() + ScoreCommandsHelp());
        return 0;
    }
    if (version) {
        WriteOut(CommandLineVersion());
        return 0;
    }
    if (commands > 1) {
        return WrongCall(QCoreApplication::translate(
            "CommandLine", "Nur einer der Befehle --export-csv und --report auf einmal."));
    }
    const QString command = args.contains(kExportCsv) ? kExportCsv : kReport;
    QStringList operands;
    for (const QString& a : app.arguments().mid(1)) {
        if (a == command) {
            continue;
        }
        if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            return WrongCall(Texts::UnknownOption(a));
        }
        operands << a;
    }
    return command == kExportCsv ? exportCsv(operands) : report(operands);
}

}  // namespace ostrevik
