#include "app/ScoreCommands.h"

#include "app/CommandOutput.h"

#include "analysis/AnalysisSettings.h"
#include "analysis/ScoreExport.h"
#include "analysis/ScoreFile.h"
#include "analysis/ScoreMatching.h"
#include "analysis/SessionAnalysis.h"
#include "analysis/TrainingSession.h"
#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveImport.h"
#include "archive/ArchiveScores.h"
#include "archive/ArchiveTexts.h"
#include "archive/DocumentScores.h"
#include "common/Texts.h"
#include "settings/ConfigFile.h"

#include <QCoreApplication>

#include <memory>

namespace ostrevik {
namespace {

const QString kImportScores = QStringLiteral("--import-scores");
const QString kScoreAnalysis = QStringLiteral("--score-analysis");
const QString kOffset = QStringLiteral("--offset");
const QString kArchive = QStringLiteral("--archive");

QString tr(const char* text) {
    return QCoreApplication::translate("ScoreCommands", text);
}

struct Call {
    QString command;
    QStringList operands;
    QString archive;
    std::optional<int> offset;
};

QString parse(const QStringList& args, Call& call) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == kImportScores || a == kScoreAnalysis) {
            if (!call.command.isEmpty()) {
                return tr("Nur einer der Befehle %1 und %2 auf einmal.")
                    .arg(kImportScores, kScoreAnalysis);
            }
            call.command = a;
        } else if (a == kArchive || a == kOffset) {
            if (i + 1 >= args.size()) {
                return tr("%1 erwartet einen Wert.").arg(a);
            }
            const QString value = args[++i];
            if (a == kArchive) {
                call.archive = value;
                continue;
            }
            bool ok = false;
            const int k = value.toInt(&ok);
            if (!ok) {
                return tr("%1 erwartet eine ganze Zahl, nicht %2.").arg(a, value);
            }
            call.offset = k;
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1 && !(a[1].isDigit())) {
            return Texts::UnknownOption(a);
        } else {
            call.operands << a;
        }
    }
    if (call.offset && call.command != kImportScores) {
        return tr("--offset gilt nur für %1.").arg(kImportScores);
    }
    return {};
}

QString plural(int n, const char* one, const char* many) {
    return tr(n == 1 ? one : many).arg(n);
}

int importScores(const Call& call) {
    if (call.operands.size() != 2) {
        return WrongCall(
            tr("--import-scores erwartet eine Messdatei und die Datei mit den Ringen."));
    }
    const QString& pvo = call.operands[0];
    const QString& list = call.operands[1];
    if (IsMeasurementFileName(list)) {
        return WrongCall(tr("Die Ringe %1 müssen eine Textdatei sein, keine Messdatei.").arg(list));
    }
    const ProgramSettings settings = programSettings();
    TrainingSession session;
    if (!LoadSession(pvo, session)) {
        return 1;
    }
    const ScoreFile file = readScoreFile(list);
    if (!file.ok()) {
        return Fail(file.error);
    }
    if (!file.columnsKnown) {
        return Fail(tr("In %1 ist keine Spalte mit den Ringen zu erkennen. Im Programm ordnet "
                       "„Analyse → Ringe importieren…“ die Spalten von Hand zu.")
                        .arg(list));
    }
    const SessionAnalysis analysis = analyseDocument(
        *session.Liste, settings.config.file.display.secondsBeforeShot, settings.analysis);
    const std::vector<ShotTakeUp> takeUps = takeUpsWithShot(analysis);
    ScoreMatchOptions options;
    options.offset = call.offset.value_or(0);
    const ScoreMatch match = matchScores(takeUps, file.shots, options);
    if (!match.countsAgree() && !call.offset) {
        return Fail(countMismatchText(match.takeUpCount, match.shotCount) + QLatin1Char(' ') +
                    tr("Mit --offset K werden die ersten K Schüsse der Datei übergangen (bei "
                       "negativem K die ersten Druckpunktnahmen)."));
    }

    ArchiveError error;
    auto archive = TrainingArchive::open(TrainingArchive::pathOrDefault(call.archive), error);
    if (!archive) {
        return Fail(ArchiveTexts::Problem(error));
    }
    std::vector<uint64_t> records;
    const FileImport imported = importFile(*archive, pvo, settings.analysis, error, &records);
    if (error.failed()) {
        return Fail(ArchiveTexts::Problem(error));
    }
    if (imported.outcome == ImportOutcome::Refused) {
        return Fail(ArchiveTexts::Refusal(imported));
    }
    // The file was read whole here and by the archive: both number its
    // take-ups alike.
    SessionScores scores = match.scores();
    for (auto& [number, score] : scores) {
        if (number >= 1 && number <= static_cast<int>(records.size())) {
            score.record = records[static_cast<size_t>(number - 1)];
        }
    }
    if (!replaceSessionScores(*archive, imported.sessionId, scores, error)) {
        return Fail(ArchiveTexts::Problem(error));
    }
    QString out = plural(static_cast<int>(match.pairs.size()), "%1 Schuss zugeordnet",
                         "%1 Schüsse zugeordnet") +
                  QLatin1Char('\n');
    if (!match.unmatchedShots.empty()) {
        out += plural(static_cast<int>(match.unmatchedShots.size()),
                      "%1 Schuss der Datei ohne Druckpunktnahme",
                      "%1 Schüsse der Datei ohne Druckpunktnahme") +
               QLatin1Char('\n');
    }
    if (!match.unmatchedTakeUps.empty()) {
        out += plural(static_cast<int>(match.unmatchedTakeUps.size()),
                      "%1 Druckpunktnahme mit Schuss ohne Ring",
                      "%1 Druckpunktnahmen mit Schuss ohne Ring") +
               QLatin1Char('\n');
    }
    out += plural(file.skippedTotal(), "%1 Zeile übersprungen", "%1 Zeilen übersprungen");
    if (const QString why = skippedLinesText(file); !why.isEmpty()) {
        out += QStringLiteral(" (") + why + QLatin1Char(')');
    }
    WriteOut(out + QLatin1Char('\n'));
    return 0;
}

int scoreAnalysis(const Call& call) {
    if (call.operands.size() < 2) {
        return WrongCall(
            tr("--score-analysis erwartet eine oder mehrere Messdateien und die "
               "CSV-Datei der Auswertung."));
    }
    const QString output = call.operands.last();
    const QStringList inputs = call.operands.first(call.operands.size() - 1);
    if (IsMeasurementFileName(output)) {
        return WrongCall(
            tr("Die Ausgabe %1 muss eine CSV-Datei sein, keine Messdatei.").arg(output));
    }
    const ProgramSettings settings = programSettings();
    std::vector<TrainingSession> sessions(static_cast<size_t>(inputs.size()));
    for (qsizetype i = 0; i < inputs.size(); ++i) {
        if (!LoadSession(inputs[i], sessions[static_cast<size_t>(i)])) {
            return 1;
        }
    }
    ScoredSessions scored;
    ArchiveError error;
    if (!scoredTakeUpsOf(call.archive, sessions, settings.config.file.display.secondsBeforeShot,
                         settings.analysis, scored, error)) {
        return Fail(ArchiveTexts::Problem(error));
    }
    if (scored.takeUps.empty()) {
        Warn(tr("Keine Druckpunktnahme dieser Messdateien hat einen Ring im Trainingsarchiv."));
    }
    const FileWriteResult w = writeScoreAnalysisCsv(output, scoreTable(scored.takeUps));
    if (!w.ok) {
        return Fail(Texts::FileNotSaved(output, w.reason));
    }
    return 0;
}

}  // namespace

bool IsScoreCommand(const QStringList& args) {
    return args.contains(kImportScores) || args.contains(kScoreAnalysis);
}

int RunScoreCommand(const QStringList& args) {
    Call call;
    if (const QString error = parse(args, call); !error.isEmpty()) {
        return WrongCall(error);
    }
    return call.command == kImportScores ? importScores(call) : scoreAnalysis(call);
}

QString ScoreCommandsHelp() {
    return tr(
        "\n"
        "Ringe (ohne Fenster; --archive DATEI wählt ein anderes Archiv):\n"
        "  --import-scores EIN.pvo RINGE.csv [--offset K]\n"
        "        legt die Ringe aus der Schussliste einer elektronischen Scheibe im\n"
        "        Trainingsarchiv ab (die Messdatei wird zuerst aufgenommen, wenn sie\n"
        "        noch nicht darin ist): der n-te Schuss zur n-ten Druckpunktnahme mit\n"
        "        Schuss; nennt, wie viele zugeordnet und übersprungen sind. Passen die\n"
        "        Anzahlen nicht, wird abgelehnt, außer mit --offset K: K Schüsse der\n"
        "        Datei (bei negativem K Druckpunktnahmen) werden zuerst übergangen\n"
        "  --score-analysis EIN.pvo [EIN2.pvo …] AUS.csv\n"
        "        über die Druckpunktnahmen mit Ring: Art;Name;n;Wert;KI_unten;KI_oben,\n"
        "        je Kennwert die Korrelation mit dem Ring (Pearson r, 95 %-Intervall\n"
        "        nach Fishers z), je Fehlermarke die Differenz der mittleren Ringe mit\n"
        "        und ohne sie (95 %-Intervall nach Welch)\n");
}

}  // namespace ostrevik
