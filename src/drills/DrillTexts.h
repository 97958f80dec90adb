#pragma once

#include "drills/Drill.h"

#include <QString>

#include <vector>

namespace ostrevik {

struct BandRefusal;
struct DrillCounts;
struct DrillFileError;
struct DrillLibraryError;
struct MissedCriterion;
struct TakeUpVerdict;

// The drills' words, written once: the built-in drills' names and
// descriptions, the goals and misses, a run's counts, and what the drills'
// functions report as data (a refused file, a library change, a band that
// cannot be made) for the drill window and the command line alike. Through
// Qt's translation under the context "Drills", the German text being the
// source.
namespace DrillTexts {

QString BuiltInName(BuiltInDrill drill);
QString BuiltInDescription(BuiltInDrill drill);

// "jede Druckpunktnahme", "jede zweite", "ausblendend", "am Ende".
QString Feedback(FeedbackSchedule schedule);

// A criterion's goal: "Zeit bis Schuss 3 bis 8 s", "Anstieg letzte 0,2 s
// höchstens 15 %-Punkte", "ohne Zucken", "Halt nach 160 ms im persönlichen
// Bereich (± 1,5)".
QString Criterion(const DrillCriterion& criterion);
// A criterion missed, with the value and the goal: "Zeit bis Schuss 9,2 s –
// Ziel 3 bis 8 s", "Halt nach 500 ms fehlt – Ziel mindestens 80 %",
// "Zucken – Ziel ohne Zucken".
QString Missed(const MissedCriterion& missed);
// "Bestanden", "Nicht bestanden: …" (the misses, each as Missed), "Ohne
// Schuss – nicht gewertet".
QString Verdict(const TakeUpVerdict& verdict);
// "7 von 10, davon 5 bestanden", with "; 2 ohne Schuss" when there are.
QString Progress(const DrillCounts& counts);

// Why a drill file, or a drill to be kept, is refused: "Kriterium 2:
// unbekannte Metrik „Druck“."
QString FileProblem(const DrillFileError& error);
// What went wrong with a change of the library.
QString LibraryProblem(const DrillLibraryError& error);
// Why a drill with a personal band does not start.
QString BandProblem(const BandRefusal& refusal);
// A drill file that cannot be read: "Die Übung … kann nicht gelesen werden: …".
QString FileRefused(const QString& path, const DrillFileError& error);
// A drill named that is neither built in, nor own, nor a file.
QString NoSuchDrill(const QString& name);

// The drill window's words: its caption and buttons, the verdict's word
// ("Bestanden", "Nicht bestanden"), a verdict the schedule holds back
// ("Druckpunktnahme 4 gewertet"), and what stops a start.
QString WindowTitle();
QString StartButton();
QString CancelButton();
QString DrillLabel();
QString Passed();
QString Failed();
QString NotJudged();
QString Withheld(int position);
// "20 Druckpunktnahmen, Rückmeldung: jede Druckpunktnahme".
QString Outline(const Drill& drill);
QString NoDocument();
// "Ton je Ergebnis", and why the drill stays silent.
QString SoundBox();
QString NoAudioDevice();
// The drill runs of a saved session could not go into the archive:
// `problem` says why.
QString RunsNotKept(const QString& problem);
QString Cancelled();
// The summary at a drill's end: passed of judged, each criterion missed
// how often (in the drill's order), the take-ups without a shot; of a run
// stopped before its end ("abgebrochen") when not `finished`.
QString Summary(const Drill& drill, const std::vector<TakeUpVerdict>& verdicts,
                bool finished = true);
// The shooter's earlier runs of the drill beside this one: "Frühere
// Durchgänge: 3, zusammen 21 von 30 bestanden (70 %)."; "Keine früheren
// Durchgänge dieser Übung im Archiv." without any.
QString EarlierRunsText(int runs, int passed, int judged);
// A kept run whose drill cannot be read back (an archive changed by hand).
QString KeptDrillUnreadable(const QString& name);

// The kinds of entries of the drills' list: "eingebaut", "eigene", "beschädigt".
QString BuiltInKind();
QString OwnKind();
QString DamagedKind();

}  // namespace DrillTexts
}  // namespace ostrevik
