#include "cli/ArchiveCommandLine.h"

#include "analysis/AnalysisSettings.h"
#include "archive/ArchiveCopy.h"
#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveDrillRuns.h"
#include "archive/ArchiveFileCopies.h"
#include "archive/ArchiveImport.h"
#include "archive/ArchiveProgress.h"
#include "archive/ArchiveSessions.h"
#include "archive/ArchiveTexts.h"
#include "archive/SeasonReport.h"
#include "cli/CommandLineTexts.h"
#include "cli/CommandOutput.h"
#include "common/AtomicFile.h"
#include "common/Texts.h"

#include <QFileInfo>

#include <memory>
#include <optional>

namespace ostrevik {
namespace {

std::unique_ptr<TrainingArchive> openArchive(const QString& path) {
    ArchiveError error;
    auto archive = TrainingArchive::open(path, error);
    if (!archive) {
        Fail(ArchiveTexts::Problem(error));
        return nullptr;
    }
    if (archive->notice().failed()) {
        Warn(ArchiveTexts::Problem(archive->notice()));
    }
    return archive;
}

std::unique_ptr<TrainingArchive> openArchive(const CommandCall& call) {
    return openArchive(TrainingArchive::pathOrDefault(call.archive));
}

// The shooter named on the command line: his current or an earlier name.
std::optional<qint64> shooterOf(TrainingArchive& archive, const QString& name) {
    ArchiveError error;
    const std::optional<qint64> id = findShooter(archive, name, error);
    if (error.failed()) {
        Fail(ArchiveTexts::Problem(error));
    } else if (!id) {
        Fail(CommandLineTexts::NoSuchShooter(archive.path(), name));
    }
    return id;
}

// The operands of --progress and --season-report: the shooter and the file
// written, which must not be a measurement file (a forgotten operand would
// otherwise overwrite one). Empty when they are right.
QString shooterAndOutputRefusal(const CommandCall& call, const QString& kind) {
    if (call.operands.size() != 2) {
        return CommandLineTexts::OperandsExpected(call.command);
    }
    if (IsMeasurementFileName(call.operands[1])) {
        return CommandLineTexts::OutputIsMeasurementFile(call.operands[1], kind);
    }
    return {};
}

// The archive and the shooter of a shooter's command (--progress,
// --season-report, --archive-drills), its operands checked first; none when
// anything was refused (and said), with the command's exit code in
// `refused`. `kind` names the file written.
struct ShooterCall {
    std::unique_ptr<TrainingArchive> archive;
    qint64 shooter = 0;
};
std::optional<ShooterCall> shooterCall(const CommandCall& call, const QString& kind, int& refused) {
    if (const QString r = shooterAndOutputRefusal(call, kind); !r.isEmpty()) {
        refused = WrongCall(r);
        return std::nullopt;
    }
    refused = 1;
    ShooterCall out;
    out.archive = openArchive(call);
    if (!out.archive) {
        return std::nullopt;
    }
    const std::optional<qint64> shooter = shooterOf(*out.archive, call.operands[0]);
    if (!shooter) {
        return std::nullopt;
    }
    out.shooter = *shooter;
    return out;
}

}  // namespace

int ArchiveImportCommand(const CommandCall& call) {
    if (call.operands.isEmpty()) {
        return WrongCall(CommandLineTexts::OperandsExpected(call.command));
    }
    const auto archive = openArchive(call);
    if (!archive) {
        return 1;
    }
    const ImportSummary summary = importPaths(*archive, call.operands, loadAnalysisSettings());
    WriteOut(CommandLineTexts::ImportLines(summary));
    if (summary.archiveError.failed()) {
        return Fail(CommandLineTexts::ImportStopped(ArchiveTexts::Problem(summary.archiveError)));
    }
    return summary.ok() ? 0 : 1;
}

int ArchiveListCommand(const CommandCall& call) {
    if (call.operands.size() > 1) {
        return WrongCall(CommandLineTexts::OperandsExpected(call.command));
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

int ProgressCommand(const CommandCall& call) {
    int refused = 0;
    const std::optional<ShooterCall> shooter = shooterCall(call, QStringLiteral("CSV"), refused);
    if (!shooter) {
        return refused;
    }
    TrainingArchive& archive = *shooter->archive;
    SessionFilter filter;
    filter.shooterId = shooter->shooter;
    filter.from = call.from;
    filter.to = call.to;
    ProgressData data;
    ArchiveError error;
    if (!loadProgress(archive, filter, data, error)) {
        return Fail(ArchiveTexts::Problem(error));
    }
    return Written(call.operands[1], writeFileAtomically(call.operands[1], progressCsv(data)));
}

int SeasonReportCommand(const CommandCall& call, const ReportFileWriter& writeReport) {
    int refused = 0;
    const std::optional<ShooterCall> called = shooterCall(call, QStringLiteral("PDF"), refused);
    if (!called) {
        return refused;
    }
    TrainingArchive& archive = *called->archive;
    const qint64 shooter = called->shooter;
    Season season;
    season.from = call.from;
    season.to = call.to;
    ArchiveError error;
    for (const ArchivedShooter& s : listShooters(archive, error)) {
        if (s.id == shooter) {
            season.shooter = s.name;
        }
    }
    if (!loadSeason(archive, shooter, season, error)) {
        return Fail(ArchiveTexts::Problem(error));
    }
    for (const QString& w : season.warnings) {
        Warn(w);
    }
    const ProgramSettings settings = programSettings();
    const ReportInput input = seasonReportInput(season, settings.config.userName(),
                                                settings.config.file.display, settings.analysis);
    return Written(call.operands[1], writeReport(call.operands[1], input));
}

int ArchiveDrillsCommand(const CommandCall& call) {
    int refused = 0;
    const std::optional<ShooterCall> shooter = shooterCall(call, QStringLiteral("CSV"), refused);
    if (!shooter) {
        return refused;
    }
    TrainingArchive& archive = *shooter->archive;
    SessionFilter filter;
    filter.shooterId = shooter->shooter;
    std::vector<SessionDrillRun> runs;
    ArchiveError error;
    if (!loadSessionDrillRuns(archive, filter, runs, error)) {
        return Fail(ArchiveTexts::Problem(error));
    }
    return Written(call.operands[1], writeFileAtomically(call.operands[1], drillRunsCsv(runs)));
}

int ArchiveGetCommand(const CommandCall& call) {
    if (call.operands.size() != 2) {
        return WrongCall(CommandLineTexts::OperandsExpected(call.command));
    }
    const auto archive = openArchive(call);
    if (!archive) {
        return 1;
    }
    const QString& name = call.operands[0];
    ArchiveError error;
    const std::vector<ArchivedSession> sessions = sessionsNamed(*archive, name, error);
    if (error.failed()) {
        return Fail(ArchiveTexts::Problem(error));
    }
    if (sessions.empty()) {
        return Fail(CommandLineTexts::NoSuchSession(archive->path(), name));
    }
    if (sessions.size() > 1) {
        return Fail(CommandLineTexts::SessionAmbiguous(name) + QLatin1Char('\n') +
                    QString::fromUtf8(sessionListCsv(sessions)).trimmed());
    }
    const std::optional<QByteArray> bytes = sessionFileCopy(*archive, sessions[0].id, error);
    if (error.failed()) {
        return Fail(ArchiveTexts::Problem(error));
    }
    if (!bytes) {
        return Fail(CommandLineTexts::NoFileCopy(sessions[0].path));
    }
    return Written(call.operands[1], writeFileAtomically(call.operands[1], *bytes));
}

int ArchiveCopyCommand(const CommandCall& call) {
    if (call.operands.size() != 2) {
        return WrongCall(CommandLineTexts::OperandsExpected(call.command));
    }
    // A source misspelt is never made as a new, empty archive.
    ServerAddress address;
    if (readArchiveAddress(call.operands[0], address) == AddressReading::Path &&
        !QFileInfo(call.operands[0]).isFile()) {
        return Fail(CommandLineTexts::NoSuchArchive(call.operands[0]));
    }
    const auto from = openArchive(call.operands[0]);
    if (!from) {
        return 1;
    }
    const auto to = openArchive(call.operands[1]);
    if (!to) {
        return 1;
    }
    const ArchiveCopySummary summary = copyArchive(*from, *to);
    WriteOut(CommandLineTexts::CopyLine(summary.copied, summary.present) + QLatin1Char('\n'));
    if (summary.error.failed()) {
        return Fail(ArchiveTexts::Problem(summary.error));
    }
    return 0;
}

}  // namespace ostrevik
