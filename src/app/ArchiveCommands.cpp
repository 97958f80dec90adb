#include "app/ArchiveCommands.h"

#include "app/CommandOutput.h"

#include "analysis/AnalysisSettings.h"
#include "analysis/HeaderDate.h"
#include "analysis/ui/ReportPdf.h"
#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveImport.h"
#include "archive/ArchiveProgress.h"
#include "archive/ArchiveSessions.h"
#include "archive/ArchiveTexts.h"
#include "archive/SeasonReport.h"
#include "common/AtomicFile.h"
#include "common/Texts.h"
#include "settings/ConfigFile.h"

#include <memory>
#include <optional>

namespace ostrevik {
namespace {

const QString kImport = QStringLiteral("--archive-import");
const QString kList = QStringLiteral("--archive-list");
const QString kProgress = QStringLiteral("--progress");
const QString kSeasonReport = QStringLiteral("--season-report");
const QString kArchive = QStringLiteral("--archive");
const QString kFrom = QStringLiteral("--from");
const QString kTo = QStringLiteral("--to");

// The call taken apart: the command, its operands and the options.
struct Call {
    QString command;
    QStringList operands;
    QString archive;
    QDate from;
    QDate to;
};

// Parses the arguments; an error text on a wrong call.
QString parse(const QStringList& args, Call& call) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == kImport || a == kList || a == kProgress || a == kSeasonReport) {
            if (!call.command.isEmpty()) {
                return QStringLiteral("Nur einer der Befehle %1, %2, %3 und %4 auf einmal.")
                    .arg(kImport, kList, kProgress, kSeasonReport);
            }
            call.command = a;
        } else if (a == kArchive || a == kFrom || a == kTo) {
            if (i + 1 >= args.size()) {
                return QStringLiteral("%1 erwartet einen Wert.").arg(a);
            }
            const QString value = args[++i];
            if (a == kArchive) {
                call.archive = value;
                continue;
            }
            const std::optional<QDate> d = parseHeaderDate(value);
            if (!d) {
                return QStringLiteral("%1 erwartet ein Datum wie 01.09.2026, nicht %2.")
                    .arg(a, value);
            }
            (a == kFrom ? call.from : call.to) = *d;
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            return Texts::UnknownOption(a);
        } else {
            call.operands << a;
        }
    }
    if ((call.from.isValid() || call.to.isValid()) && call.command != kProgress &&
        call.command != kSeasonReport) {
        return QStringLiteral("--from und --to gelten nur für %1 und %2.")
            .arg(kProgress, kSeasonReport);
    }
    if (call.from.isValid() && call.to.isValid() && call.from > call.to) {
        return QStringLiteral("Der Zeitraum endet (--to) vor seinem Anfang (--from).");
    }
    return {};
}

std::unique_ptr<TrainingArchive> openArchive(const Call& call) {
    ArchiveError error;
    auto archive = TrainingArchive::open(TrainingArchive::pathOrDefault(call.archive), error);
    if (!archive) {
        Fail(ArchiveTexts::Problem(error));
        return nullptr;
    }
    if (archive->notice().failed()) {
        Warn(ArchiveTexts::Problem(archive->notice()));
    }
    return archive;
}

int importCommand(const Call& call) {
    if (call.operands.isEmpty()) {
        return WrongCall(QStringLiteral("--archive-import erwartet Messdateien oder Ordner."));
    }
    const auto archive = openArchive(call);
    if (!archive) {
        return 1;
    }
    const ImportSummary s = importPaths(*archive, call.operands, loadAnalysisSettings());
    WriteOut(QStringLiteral("%1 aufgenommen, %2 aktualisiert, %3 unverändert, %4 abgelehnt\n")
                 .arg(s.added)
                 .arg(s.updated)
                 .arg(s.unchanged)
                 .arg(s.refused.size()));
    if (s.moved > 0) {
        WriteOut(QStringLiteral("davon %1 an neuem Ort wiedergefunden\n").arg(s.moved));
    }
    for (const FileImport& r : s.refused) {
        WriteOut(QStringLiteral("abgelehnt: ") + ArchiveTexts::Refusal(r) + QLatin1Char('\n'));
    }
    if (s.archiveError.failed()) {
        return Fail(QStringLiteral("Aufnahme abgebrochen: ") +
                    ArchiveTexts::Problem(s.archiveError));
    }
    return s.ok() ? 0 : 1;
}

// The shooter named on the command line: his current or an earlier name.
std::optional<qint64> shooterOf(TrainingArchive& archive, const QString& name) {
    ArchiveError error;
    const std::optional<qint64> id = findShooter(archive, name, error);
    if (error.failed()) {
        Fail(ArchiveTexts::Problem(error));
    } else if (!id) {
        Fail(QStringLiteral("Im Trainingsarchiv %1 gibt es keinen Schützen %2.")
                 .arg(archive.path(), name));
    }
    return id;
}

int listCommand(const Call& call) {
    if (call.operands.size() > 1) {
        return WrongCall(QStringLiteral("--archive-list erwartet höchstens einen Schützen."));
    }
    const auto archive = openArchive(call);
    if (!archive) {
        return 1;
    }
    SessionFilter filter;
    if (!call.operands.isEmpty()) {
        filter.shooterId = shooterOf(*archive, call.operands.front());
        if (!filter.shooterId) {
            return 1;
        }
    }
    ArchiveError error;
    const std::vector<ArchivedSession> sessions = listSessions(*archive, filter, error);
    if (error.failed()) {
        return Fail(ArchiveTexts::Problem(error));
    }
    WriteOut(sessionListCsv(sessions));
    return 0;
}

// An output file must not be a measurement file: a forgotten operand would
// otherwise overwrite one.
QString outputRefusal(const QString& output, const QString& suffix) {
    if (IsMeasurementFileName(output)) {
        return QStringLiteral("Die Ausgabe %1 muss eine %2-Datei sein, keine Messdatei.")
            .arg(output, suffix);
    }
    return {};
}

int progressCommand(const Call& call) {
    if (call.operands.size() != 2) {
        return WrongCall(QStringLiteral("--progress erwartet einen Schützen und die CSV-Datei."));
    }
    if (const QString r = outputRefusal(call.operands[1], QStringLiteral("CSV")); !r.isEmpty()) {
        return WrongCall(r);
    }
    const auto archive = openArchive(call);
    if (!archive) {
        return 1;
    }
    SessionFilter filter;
    filter.shooterId = shooterOf(*archive, call.operands[0]);
    if (!filter.shooterId) {
        return 1;
    }
    filter.from = call.from;
    filter.to = call.to;
    ProgressData data;
    ArchiveError error;
    if (!loadProgress(*archive, filter, data, error)) {
        return Fail(ArchiveTexts::Problem(error));
    }
    const FileWriteResult w = writeFileAtomically(call.operands[1], progressCsv(data));
    if (!w.ok) {
        return Fail(Texts::FileNotSaved(call.operands[1], w.reason));
    }
    return 0;
}

int seasonReportCommand(const Call& call) {
    if (call.operands.size() != 2) {
        return WrongCall(
            QStringLiteral("--season-report erwartet einen Schützen und die PDF-Datei."));
    }
    if (const QString r = outputRefusal(call.operands[1], QStringLiteral("PDF")); !r.isEmpty()) {
        return WrongCall(r);
    }
    const auto archive = openArchive(call);
    if (!archive) {
        return 1;
    }
    const std::optional<qint64> shooter = shooterOf(*archive, call.operands[0]);
    if (!shooter) {
        return 1;
    }
    Season season;
    season.from = call.from;
    season.to = call.to;
    ArchiveError error;
    for (const ArchivedShooter& s : listShooters(*archive, error)) {
        if (s.id == *shooter) {
            season.shooter = s.name;
        }
    }
    if (!loadSeason(*archive, *shooter, season, error)) {
        return Fail(ArchiveTexts::Problem(error));
    }
    for (const QString& w : season.warnings) {
        Warn(w);
    }
    const ProgramSettings settings = programSettings();
    const ReportInput input = seasonReportInput(season, settings.config.userName(),
                                                settings.config.file.display, settings.analysis);
    const FileWriteResult w = writeTrainingReportPdf(call.operands[1], input);
    if (!w.ok) {
        return Fail(Texts::FileNotSaved(call.operands[1], w.reason));
    }
    return 0;
}

}  // namespace

bool IsArchiveCommand(const QStringList& args) {
    return args.contains(kImport) || args.contains(kList) || args.contains(kProgress) ||
           args.contains(kSeasonReport);
}

int RunArchiveCommand(const QStringList& args) {
    Call call;
    if (const QString error = parse(args, call); !error.isEmpty()) {
        return WrongCall(error);
    }
    if (call.command == kImport) {
        return importCommand(call);
    }
    if (call.command == kList) {
        return listCommand(call);
    }
    if (call.command == kProgress) {
        return progressCommand(call);
    }
    return seasonReportCommand(call);
}

QString ArchiveCommandsHelp() {
    return QStringLiteral(
               "\n"
               "Trainingsarchiv (ohne Fenster; --archive DATEI wählt ein anderes Archiv als\n"
               "%1):\n"
               "  --archive-import PFAD …\n"
               "        nimmt Messdateien und Ordner (mit allen *.pvo darunter) ins Archiv auf;\n"
               "        nennt, wie viele aufgenommen, aktualisiert, unverändert und abgelehnt\n"
               "        (mit Grund) sind; Rückgabewert 1, wenn eine Datei abgelehnt wurde\n"
               "  --archive-list [SCHÜTZE]\n"
               "        eine Zeile je Trainingseinheit: Datum;Schütze;Datei;Druckpunktnahmen;\n"
               "        Schüsse;Marken\n"
               "  --progress SCHÜTZE AUS.csv [--from TT.MM.JJJJ] [--to TT.MM.JJJJ]\n"
               "        je Trainingseinheit und Kennwert Mittel und 95 %-Intervall, je Kennwert\n"
               "        der Trend pro 30 Tage mit seinem 95 %-Intervall\n"
               "  --season-report SCHÜTZE AUS.pdf [--from TT.MM.JJJJ] [--to TT.MM.JJJJ]\n"
               "        der Saisonbericht: die Berichte der Trainingseinheiten und je Kennwert\n"
               "        eine Seite mit dem Fortschritt; haben Schüsse Ringe, auch der\n"
               "        Fortschritt des Rings und eine Seite „Ringe“\n")
        .arg(TrainingArchive::defaultPath());
}

}  // namespace ostrevik
