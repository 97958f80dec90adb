#include "cli/ScoreCommandLine.h"

#include "analysis/AnalysisSettings.h"
#include "analysis/SessionAnalysis.h"
#include "analysis/TrainingSession.h"
#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveImport.h"
#include "archive/ArchiveScores.h"
#include "archive/ArchiveTexts.h"
#include "cli/CommandLineTexts.h"
#include "cli/CommandOutput.h"
#include "common/Texts.h"
#include "scores/DocumentScores.h"
#include "scores/ScoreExport.h"
#include "scores/ScoreFile.h"
#include "scores/ScoreMatching.h"

#include <vector>

namespace ostrevik {

int ImportScoresCommand(const CommandCall& call) {
    if (call.operands.size() != 2) {
        return WrongCall(CommandLineTexts::OperandsExpected(call.command));
    }
    const QString& pvo = call.operands[0];
    const QString& list = call.operands[1];
    if (IsMeasurementFileName(list)) {
        return WrongCall(CommandLineTexts::ScoresAreMeasurementFile(list));
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
        return Fail(CommandLineTexts::NoRingColumn(list));
    }
    const SessionAnalysis analysis = analyseDocument(
        *session.Liste, settings.config.file.display.secondsBeforeShot, settings.analysis);
    ScoreMatchOptions options;
    options.offset = call.offset.value_or(0);
    const ScoreMatch match = matchScores(takeUpsWithShot(analysis), file.shots, options);
    if (!match.countsAgree() && !call.offset) {
        return Fail(countMismatchText(match.takeUpCount, match.shotCount) + QLatin1Char(' ') +
                    CommandLineTexts::OffsetHint());
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
    WriteOut(CommandLineTexts::ScoresImportedLines(match, file));
    return 0;
}

int ScoreAnalysisCommand(const CommandCall& call) {
    if (call.operands.size() < 2) {
        return WrongCall(CommandLineTexts::OperandsExpected(call.command));
    }
    const QString output = call.operands.last();
    const QStringList inputs = call.operands.first(call.operands.size() - 1);
    if (IsMeasurementFileName(output)) {
        return WrongCall(CommandLineTexts::OutputIsMeasurementFile(output, QStringLiteral("CSV")));
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
        Warn(CommandLineTexts::NoScoredTakeUps());
    }
    return Written(output, writeScoreAnalysisCsv(output, scoreTable(scored.takeUps)));
}

}  // namespace ostrevik
