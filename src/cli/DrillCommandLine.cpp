#include "cli/DrillCommandLine.h"

#include "analysis/SessionAnalysis.h"
#include "analysis/TrainingSession.h"
#include "cli/CommandLineTexts.h"
#include "cli/CommandOutput.h"
#include "common/AtomicFile.h"
#include "common/Texts.h"
#include "drills/DrillCsv.h"
#include "drills/DrillFile.h"
#include "drills/DrillLibrary.h"
#include "drills/DrillTexts.h"
#include "drills/PersonalBands.h"

#include <QFileInfo>

#include <optional>

namespace ostrevik {
namespace {

std::optional<Drill> namedDrillOrFail(const QString& name) {
    QString why;
    std::optional<Drill> drill = namedDrill(name, why);
    if (!drill) {
        Fail(why);
    }
    return drill;
}

}  // namespace

int DrillCheckCommand(const CommandCall& call) {
    if (call.operands.size() != 3) {
        return WrongCall(CommandLineTexts::OperandsExpected(call.command));
    }
    const QString& output = call.operands[2];
    if (IsMeasurementFileName(output)) {
        return WrongCall(CommandLineTexts::OutputIsMeasurementFile(output, QStringLiteral("CSV")));
    }
    const std::optional<Drill> drill = namedDrillOrFail(call.operands[0]);
    if (!drill) {
        return 1;
    }
    TrainingSession session;
    if (!LoadSession(call.operands[1], session)) {
        return 1;
    }
    const BandsResult bands =
        personalBands(call.archive, *drill, session.Dateiname, session.Kopf.name());
    if (!bands.refusal.ok()) {
        return Fail(DrillTexts::BandProblem(bands.refusal));
    }
    // Analysed as the export and the window analyse it, so that a verdict
    // here is the verdict the drill run gave the take-up.
    const ProgramSettings settings = programSettings();
    const SessionAnalysis analysis = analyseDocument(
        *session.Liste, settings.config.file.display.secondsBeforeShot, settings.analysis);
    const std::vector<TakeUpVerdict> verdicts = judgeSession(*drill, analysis.rows, bands.bands);
    return Written(output, writeFileAtomically(output, verdictsCsv(verdicts)));
}

int DrillListCommand(const CommandCall& call) {
    if (!call.operands.isEmpty()) {
        return WrongCall(CommandLineTexts::OperandsExpected(call.command));
    }
    WriteOut(drillListCsv(DrillLibrary().list()));
    return 0;
}

}  // namespace ostrevik
