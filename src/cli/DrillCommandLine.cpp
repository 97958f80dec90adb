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

// The drill a command names: a drill file where one is at that path, else
// a built-in or own drill of that name. Empty after saying why not.
std::optional<Drill> namedDrill(const QString& name) {
    if (QFileInfo::exists(name)) {
        DrillRead read = readDrillFile(name);
        if (read.error.failed()) {
            Fail(DrillTexts::FileRefused(name, read.error));
            return std::nullopt;
        }
        return std::move(read.drill);
    }
    if (std::optional<DrillEntry> entry = DrillLibrary().find(name)) {
        return std::move(entry->drill);
    }
    Fail(DrillTexts::NoSuchDrill(name));
    return std::nullopt;
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
    const std::optional<Drill> drill = namedDrill(call.operands[0]);
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
    const FileWriteResult w = writeFileAtomically(output, verdictsCsv(verdicts));
    if (!w.ok) {
        return Fail(Texts::FileNotSaved(output, w.reason));
    }
    return 0;
}

int DrillListCommand(const CommandCall& call) {
    if (!call.operands.isEmpty()) {
        return WrongCall(CommandLineTexts::OperandsExpected(call.command));
    }
    WriteOut(drillListCsv(DrillLibrary().list()));
    return 0;
}

}  // namespace ostrevik
