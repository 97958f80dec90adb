#pragma once

#include <QString>
#include <QStringList>

namespace ostrevik {

struct ArchiveError;
struct FileImport;
struct ImportSummary;
struct ProgressTrend;
struct SavedFileImport;
struct Season;

// The season archive's words, written once: what the archive's functions
// report as data (ArchiveError, FileImport, ImportSummary, ...) put into the
// German the window "Trainingsarchiv", the analysis window and the command
// line show. Through Qt's translation, the German text being the source.
namespace ArchiveTexts {

// What went wrong with the archive: "Das Trainingsarchiv … ist gesperrt: …".
QString Problem(const ArchiveError& error);

// Why a measurement file was not taken in: "Die Datei … wurde nicht
// gefunden.", "…: Fehler beim laden der Datei. …".
QString Refusal(const FileImport& file);

// "3 aufgenommen, 1 aktualisiert, 10 unverändert, 1 abgelehnt".
QString ImportCounts(const ImportSummary& summary);
// The window's message after taking files in: the counts, how many were
// found in a new place, one line per refused file with its reason, and why
// the import stopped.
QString ImportReport(const ImportSummary& summary);

// A shooter's name where it may be empty (a header without a name).
QString ShooterName(const QString& name);

// The trend in words a coach reads: "Zeit bis Schuss: −120 ms pro Monat,
// 95 %-Intervall −180 … −60 ms", followed by whether the change is sure.
QString TrendWords(const ProgressTrend& trend);

// "Anna Beispiel: 09.09.2026 – 30.03.2027, 24 Trainingseinheiten".
QString SeasonTitle(const Season& season);
// The season report was written, but without the files that could not be
// read (their reasons).
QString SeasonReportWithout(const QStringList& leftOut);

// A session's file that has vanished, when it is to be opened, with how to
// find it again.
QString SessionFileNotFound(const QString& path);
// The tool tip of such a file in the table.
QString SessionFileMissingTip(const QString& path);
// "Vergleichen" with fewer than two sessions chosen.
QString ChooseTwoToCompare();
// The question before sessions are taken out of the archive.
QString RemoveSessionsQuestion(int count);
// The setting "Gespeicherte Dateien ins Archiv aufnehmen" could not be kept.
QString SettingNotSaved(const QString& settingsPath);

// "Ringe…" of the archive window: its caption, the scope of its rings, and
// what it shows without any.
QString RingsCaption(const QString& shooter);
QString RingsScope(const QString& shooter, int sessions);
QString NoRingsShown();

// What became of a saved file that the archive was to take in; empty when
// it was taken in or was not to be.
QString SavedFileNotImported(const SavedFileImport& import);

}  // namespace ArchiveTexts
}  // namespace ostrevik
