#include "cli/ExportCommandLine.h"
#include "archive/ArchiveTexts.h"

#include "analysis/CsvExport.h"
#include "analysis/SessionAnalysis.h"
#include "analysis/TrainingSession.h"
#include "cli/CommandLineTexts.h"
#include "cli/CommandOutput.h"
#include "common/Texts.h"
#include "drills/DrillReport.h"
#include "scores/DocumentScores.h"

#include <QFileInfo>

#include <vector>

namespace ostrevik {

int ExportCsvCommand(const CommandCall& call) {
    if (call.operands.size() != 2) {
        return WrongCall(CommandLineTexts::OperandsExpected(call.command));
    }
    const ProgramSettings settings = programSettings();
    TrainingSession session;
    if (!LoadSession(call.operands[0], session)) {
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
    const CsvExportResult result =
        writeCsvExport(call.operands[1], analysis, *session.Liste, &scores);
    if (!result.ok) {
        return Fail(Texts::FileNotSaved(result.failedPath, result.reason));
    }
    return 0;
}

int ReportCommand(const CommandCall& call, const ReportFileWriter& writeReport) {
    if (call.operands.size() < 2) {
        return WrongCall(CommandLineTexts::OperandsExpected(call.command));
    }
    const QString output = call.operands.last();
    const QStringList inputs = call.operands.first(call.operands.size() - 1);
    // A forgotten output name would make the last measurement file the
    // report and destroy it.
    const QString outputPath = QFileInfo(output).absoluteFilePath();
    for (const QString& in : inputs) {
        if (QFileInfo(in).absoluteFilePath() == outputPath) {
            return WrongCall(CommandLineTexts::ReportOverwritesInput(output));
        }
    }
    if (IsMeasurementFileName(output)) {
        return WrongCall(CommandLineTexts::ReportIsMeasurementFile(output));
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
    ArchiveError drillError;
    if (auto page = trainingDrillPage(QString(), sessions, drillError)) {
        input.extraPages.push_back(std::move(*page));
    } else if (drillError.failed() && archiveError.ok()) {
        Warn(ArchiveTexts::Problem(drillError));
    }
    return Written(output, writeReport(output, input));
}

}  // namespace ostrevik
