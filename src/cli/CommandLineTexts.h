#pragma once

#include "cli/CommandCall.h"

#include <QString>
#include <QStringList>

namespace ostrevik {

struct ImportSummary;
struct ScoreFile;
struct ScoreMatch;

// What the commands without a window say, written once: the help, why a
// call is wrong, and the sentences they make of the core's results. Through
// Qt's translation under the context "CommandLine", the German text being
// the source.
namespace CommandLineTexts {

// "--help": the calls, the commands, the configuration file the user's name
// comes from, the archive the archive's commands use by default and the
// folder of the own drills.
QString Help(const QString& configPath, const QString& archivePath, const QString& drillsFolder);

// Wrong calls.
// "Nur einer der Befehle --export-csv und --report auf einmal."
QString OneCommandOnly(const QStringList& commands);
QString ArchiveAndScoresApart();
// "--archive erwartet einen Wert."
QString ValueMissing(const QString& option);
QString DateExpected(const QString& option, const QString& value);
QString WholeNumberExpected(const QString& option, const QString& value);
// --from and --to with a command that has no period.
QString PeriodOnlyFor(const QStringList& commands);
QString PeriodReversed();
QString OffsetOnlyFor(const QString& command);
// The command's operands are missing or too many.
QString OperandsExpected(Command command);
// A measurement file named where the command writes, or reads its rings.
QString ReportOverwritesInput(const QString& report);
QString ReportIsMeasurementFile(const QString& report);
// kind: "CSV" or "PDF".
QString OutputIsMeasurementFile(const QString& output, const QString& kind);
QString ScoresAreMeasurementFile(const QString& scores);

// The season archive.
QString NoSuchShooter(const QString& archive, const QString& shooter);
// "--archive-import": how many sessions were added, updated, unchanged and
// refused, how many of them were found in a new place, and each refused
// file with its reason; a line each.
QString ImportLines(const ImportSummary& summary);
// The import stopped because the archive failed (its problem in words).
QString ImportStopped(const QString& problem);
// "--archive-get": no session or several with that file; the archive has no
// copy of its file.
QString NoSuchSession(const QString& archive, const QString& name);
QString SessionAmbiguous(const QString& name);
QString NoFileCopy(const QString& path);
// "--archive-copy": the source must exist; what was copied.
QString NoSuchArchive(const QString& archive);
QString CopyLine(int copied, int present);

// The rings.
QString NoRingColumn(const QString& scores);
// Follows the differing counts of take-ups and shots.
QString OffsetHint();
// "--import-scores": how many shots were matched, what stayed without a
// partner and which lines of the file were skipped; a line each.
QString ScoresImportedLines(const ScoreMatch& match, const ScoreFile& file);
QString NoScoredTakeUps();

}  // namespace CommandLineTexts
}  // namespace ostrevik
