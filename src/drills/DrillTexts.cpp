#include "drills/DrillTexts.h"

#include "archive/ArchiveTexts.h"
#include "common/NumberFormat.h"
#include "common/Texts.h"
#include "drills/DrillFile.h"
#include "drills/DrillLibrary.h"
#include "drills/DrillRun.h"
#include "drills/DrillVerdict.h"
#include "drills/PersonalBands.h"

#include <QCoreApplication>
#include <QStringList>

namespace ostrevik::DrillTexts {
namespace {

struct Tr {
    Q_DECLARE_TR_FUNCTIONS(Drills)
};

// A number for a reader with at most `decimals` decimals, trailing zeros
// dropped: 3 -> "3", 9.25 -> "9,25", -1.5 -> "−1,5".
QString trimmedNumber(double value, int decimals) {
    QString text = decimalCommaText(value, decimals);
    if (text.contains(QLatin1Char(','))) {
        while (text.endsWith(QLatin1Char('0'))) {
            text.chop(1);
        }
        if (text.endsWith(QLatin1Char(','))) {
            text.chop(1);
        }
    }
    return withReaderMinus(text);
}

// Times are read in seconds ("9,2 s"), the others in the table's units.
QString unit(Metric metric) {
    return inMilliseconds(metric) ? QStringLiteral("s") : metricUnit(metric);
}

// A goal's number: seconds to the millisecond, the others to the hundredth.
QString goalNumber(Metric metric, double value) {
    return inMilliseconds(metric) ? trimmedNumber(value / 1000.0, 3) : trimmedNumber(value, 2);
}

// A take-up's value as the table writes it; times in seconds.
QString valueText(Metric metric, double value) {
    const QString number = inMilliseconds(metric)
                               ? trimmedNumber(value / 1000.0, 3)
                               : withReaderMinus(formatMetricValue(metric, value));
    return number + QLatin1Char(' ') + unit(metric);
}

// "3 bis 8 s", "mindestens 90 %", "höchstens 15 %-Punkte".
QString goal(Metric metric, std::optional<double> low, std::optional<double> high) {
    const QString u = unit(metric);
    if (low && high) {
        return Tr::tr("%1 bis %2 %3").arg(goalNumber(metric, *low), goalNumber(metric, *high), u);
    }
    if (low) {
        return Tr::tr("mindestens %1 %2").arg(goalNumber(metric, *low), u);
    }
    if (high) {
        return Tr::tr("höchstens %1 %2").arg(goalNumber(metric, *high), u);
    }
    return {};
}

QString quoted(const QString& text) {
    return Tr::tr("„%1“").arg(text);
}

}  // namespace

QString BuiltInName(BuiltInDrill drill) {
    switch (drill) {
        case BuiltInDrill::SchussImZeitfenster:
            return Tr::tr("Schuss im Zeitfenster");
        case BuiltInDrill::OhneZucken:
            return Tr::tr("Ohne Zucken");
        case BuiltInDrill::Nachhalten:
            return Tr::tr("Nachhalten");
        case BuiltInDrill::DruckpunktHalten:
            return Tr::tr("Druckpunkt halten");
        case BuiltInDrill::Wettkampfserie:
            return Tr::tr("Wettkampfserie");
    }
    return {};
}

QString BuiltInDescription(BuiltInDrill drill) {
    switch (drill) {
        case BuiltInDrill::SchussImZeitfenster:
            return Tr::tr(
                "Der Schuss bricht 3 bis 8 s nach Beginn der Druckpunktnahme. Kommt er nicht "
                "rechtzeitig: absetzen.");
        case BuiltInDrill::OhneZucken:
            return Tr::tr(
                "Der Druck steigt in den letzten 0,2 s vor dem Schuss um höchstens "
                "15 %-Punkte: der Schuss bricht aus gleichmäßigem Druck.");
        case BuiltInDrill::Nachhalten:
            return Tr::tr(
                "Der Finger bleibt nach dem Schuss am Abzug: nach 160 ms mindestens 90 %, nach "
                "500 ms mindestens 80 % des Drucks beim Schuss.");
        case BuiltInDrill::DruckpunktHalten:
            return Tr::tr("Von der Tonschwelle bis zum Schuss vergehen 1 bis 4 s.");
        case BuiltInDrill::Wettkampfserie:
            return Tr::tr(
                "10 Druckpunktnahmen wie im Wettkampf: Schuss nach 3 bis 8 s, ohne Zucken, ohne "
                "Nachlassen. Das Ergebnis gibt es erst am Ende.");
    }
    return {};
}

QString Feedback(FeedbackSchedule schedule) {
    switch (schedule) {
        case FeedbackSchedule::Jede:
            return Tr::tr("jede Druckpunktnahme");
        case FeedbackSchedule::JedeZweite:
            return Tr::tr("jede zweite Druckpunktnahme");
        case FeedbackSchedule::Ausblendend:
            return Tr::tr("ausblendend");
        case FeedbackSchedule::AmEnde:
            return Tr::tr("erst am Ende");
    }
    return {};
}

QString Criterion(const DrillCriterion& c) {
    switch (c.kind) {
        case DrillCriterion::Kind::TagNotSet:
            return Tr::tr("ohne %1").arg(tagName(c.tag));
        case DrillCriterion::Kind::Limits:
            return metricCaption(c.metric) + QLatin1Char(' ') + goal(c.metric, c.min, c.max);
        case DrillCriterion::Kind::PersonalBand:
            return Tr::tr("%1 im persönlichen Bereich (± %2, aus den letzten %3)")
                .arg(metricCaption(c.metric), trimmedNumber(c.k, 2))
                .arg(c.last);
    }
    return {};
}

QString Missed(const MissedCriterion& m) {
    const DrillCriterion& c = m.criterion;
    if (c.isTag()) {
        return Tr::tr("%1 – Ziel ohne %1").arg(tagName(c.tag));
    }
    const QString caption = metricCaption(c.metric);
    const QString value = m.value ? caption + QLatin1Char(' ') + valueText(c.metric, *m.value)
                                  : Tr::tr("%1 fehlt").arg(caption);
    if (!m.low && !m.high) {
        return Tr::tr("%1 – kein persönlicher Bereich").arg(value);
    }
    return Tr::tr("%1 – Ziel %2").arg(value, goal(c.metric, m.low, m.high));
}

QString Verdict(const TakeUpVerdict& v) {
    if (!v.judged) {
        return NotJudged();
    }
    if (v.passed) {
        return Passed();
    }
    QStringList misses;
    for (const MissedCriterion& m : v.missed) {
        misses << Missed(m);
    }
    return Tr::tr("Nicht bestanden: %1").arg(misses.join(QStringLiteral("; ")));
}

QString Progress(const DrillCounts& counts) {
    QString text = Tr::tr("%1 von %2, davon %3 bestanden")
                       .arg(counts.judged)
                       .arg(counts.takeUps)
                       .arg(counts.passed);
    if (counts.withoutShot > 0) {
        text += Tr::tr("; %1 ohne Schuss").arg(counts.withoutShot);
    }
    return text;
}

QString FileProblem(const DrillFileError& e) {
    using Kind = DrillFileError::Kind;
    const QString& d = e.detail;
    QString text;
    switch (e.kind) {
        case Kind::None:
            return {};
        case Kind::Missing:
            text = Tr::tr("Die Datei fehlt.");
            break;
        case Kind::NotAFile:
            text = Tr::tr("Das ist keine Datei.");
            break;
        case Kind::Unreadable:
            text = Tr::tr("Die Datei kann nicht gelesen werden: %1").arg(d);
            break;
        case Kind::TooLarge:
            text = Tr::tr("Die Datei ist größer als 1 MB.");
            break;
        case Kind::NotJson:
            text = Tr::tr("Kein gültiges JSON (Byte %1): %2")
                       .arg(static_cast<qint64>(e.number))
                       .arg(d);
            break;
        case Kind::WrongFormat:
            text = Tr::tr("Die Datei ist keine Übung von Ostrevik.");
            break;
        case Kind::WrongVersion:
            text =
                e.number > kDrillFileVersion
                    ? Tr::tr(
                          "Die Übung stammt aus einer neueren Version von Ostrevik "
                          "(Format %1).")
                          .arg(trimmedNumber(e.number, 3))
                    : Tr::tr("Unbekannte Version %1 des Formats.").arg(trimmedNumber(e.number, 3));
            break;
        case Kind::UnknownKey:
            text = Tr::tr("Unbekanntes Feld %1.").arg(quoted(d));
            break;
        case Kind::MissingKey:
            text = Tr::tr("Das Feld %1 fehlt.").arg(quoted(d));
            break;
        case Kind::WrongType:
            text = Tr::tr("Das Feld %1 hat einen falschen Typ.").arg(quoted(d));
            break;
        case Kind::NameEmpty:
            text = Tr::tr("Die Übung hat keinen Namen.");
            break;
        case Kind::NameTooLong:
            text = Tr::tr("Der Name ist länger als %1 Zeichen.").arg(kDrillNameMaxLength);
            break;
        case Kind::NameHasControl:
            text = Tr::tr(
                "Der Name enthält einen Zeilenumbruch, ein Steuerzeichen oder ein ungültiges "
                "Zeichen.");
            break;
        case Kind::DescriptionTooLong:
            text = Tr::tr("Die Beschreibung ist länger als %1 Zeichen.")
                       .arg(kDrillDescriptionMaxLength);
            break;
        case Kind::TakeUpsOutOfRange:
            text =
                Tr::tr("Die Zahl der Druckpunktnahmen muss ganz und von 1 bis %1 sein, nicht %2.")
                    .arg(kDrillMaxTakeUps)
                    .arg(trimmedNumber(e.number, 3));
            break;
        case Kind::FeedbackUnknown:
            text = Tr::tr("Unbekannte Rückmeldung %1 (jede, jede-zweite, ausblendend, am-ende).")
                       .arg(quoted(d));
            break;
        case Kind::NoCriteria:
            text = Tr::tr("Die Übung hat kein Kriterium.");
            break;
        case Kind::MetricUnknown:
            text = Tr::tr("Unbekannter Kennwert %1.").arg(quoted(d));
            break;
        case Kind::TagUnknown:
            text = Tr::tr("Unbekannte Fehlermarke %1.").arg(quoted(d));
            break;
        case Kind::NotACriterion:
            text = Tr::tr(
                       "%1 hängt von den anderen Druckpunktnahmen ab und ist kein Kriterium "
                       "einer Übung.")
                       .arg(quoted(d));
            break;
        case Kind::MetricAndTag:
            text =
                Tr::tr("Ein Kriterium nennt einen Kennwert oder eine Fehlermarke, nicht beides.");
            break;
        case Kind::NeitherMetricNorTag:
            text = Tr::tr("Das Kriterium nennt weder einen Kennwert noch eine Fehlermarke.");
            break;
        case Kind::NoLimit:
            text = Tr::tr("%1 hat weder eine Unter- noch eine Obergrenze.").arg(quoted(d));
            break;
        case Kind::LimitsReversed:
            text = Tr::tr("Bei %1 liegt die Untergrenze über der Obergrenze.").arg(quoted(d));
            break;
        case Kind::NotFinite:
            text = Tr::tr("Das Feld %1 ist keine endliche Zahl.").arg(quoted(d));
            break;
        case Kind::BandUnknown:
            text = Tr::tr("Unbekannter Bereich %1 (nur „personal“).").arg(quoted(d));
            break;
        case Kind::BandWithLimits:
            text = Tr::tr("%1 hat einen persönlichen Bereich und Grenzen zugleich.").arg(quoted(d));
            break;
        case Kind::BandFactor:
            text = Tr::tr("Der Faktor k von %1 muss über 0 und höchstens %2 sein, nicht %3.")
                       .arg(quoted(d), trimmedNumber(kBandMaxK, 2), trimmedNumber(e.number, 3));
            break;
        case Kind::BandLength:
            text = Tr::tr(
                       "Der persönliche Bereich von %1 braucht ganz %2 bis %3 Druckpunktnahmen, "
                       "nicht %4.")
                       .arg(quoted(d), QString::number(kBandMinTakeUps),
                            QString::number(kBandMaxTakeUps), trimmedNumber(e.number, 3));
            break;
        case Kind::TagAllowed:
            text = Tr::tr("Die Fehlermarke %1 kann nur ausgeschlossen werden (\"allowed\": false).")
                       .arg(quoted(d));
            break;
        case Kind::Duplicate:
            text = Tr::tr("%1 ist mehr als einmal Kriterium.").arg(quoted(d));
            break;
        case Kind::NameTaken:
            text = Tr::tr("Den Namen %1 hat schon eine andere Übung.").arg(quoted(d));
            break;
    }
    if (e.criterion > 0) {
        return Tr::tr("Kriterium %1: %2").arg(e.criterion).arg(text);
    }
    return text;
}

QString LibraryProblem(const DrillLibraryError& e) {
    using Kind = DrillLibraryError::Kind;
    switch (e.kind) {
        case Kind::None:
            return {};
        case Kind::Invalid:
            return Tr::tr("Die Übung %1 kann nicht gespeichert werden: %2")
                .arg(quoted(e.name), FileProblem(e.file));
        case Kind::NameTaken:
            return Tr::tr("Eine Übung %1 gibt es schon.").arg(quoted(e.name));
        case Kind::BuiltIn:
            return Tr::tr("Die eingebaute Übung %1 kann nicht geändert oder gelöscht werden.")
                .arg(quoted(e.name));
        case Kind::NotFound:
            return Tr::tr("Eine Übung %1 gibt es nicht.").arg(quoted(e.name));
        case Kind::FolderNotMade:
            return Tr::tr("Der Ordner %1 für die Übungen kann nicht angelegt werden.").arg(e.path);
        case Kind::WriteFailed:
            return Texts::FileNotSaved(e.path, e.detail);
        case Kind::RemoveFailed:
            return Tr::tr("Die Datei %1 kann nicht gelöscht werden: %2").arg(e.path, e.detail);
        case Kind::ImportRefused:
            return Tr::tr("Die Übung %1 kann nicht übernommen werden: %2")
                .arg(e.path, FileProblem(e.file));
    }
    return {};
}

QString BandProblem(const BandRefusal& r) {
    switch (r.kind) {
        case BandRefusal::Kind::None:
            return {};
        case BandRefusal::Kind::Archive:
            return ArchiveTexts::Problem(r.archive);
        case BandRefusal::Kind::TooFew:
            return Tr::tr(
                       "Für den persönlichen Bereich von %1 braucht die Übung %2 archivierte "
                       "Druckpunktnahmen mit Schuss von %3; das Trainingsarchiv hat %4.")
                .arg(quoted(metricCaption(r.metric)), QString::number(r.needed),
                     ArchiveTexts::ShooterName(r.shooter), QString::number(r.found));
    }
    return {};
}

QString FileRefused(const QString& path, const DrillFileError& error) {
    return Tr::tr("Die Übung %1 kann nicht gelesen werden: %2").arg(path, FileProblem(error));
}

QString NoSuchDrill(const QString& name) {
    return Tr::tr(
               "Eine Übung %1 gibt es weder eingebaut noch als eigene, und keine Datei dieses "
               "Namens.")
        .arg(quoted(name));
}

QString WindowTitle() {
    return Tr::tr("Übung");
}

QString StartButton() {
    return Tr::tr("&Starten");
}

QString CancelButton() {
    return Tr::tr("&Abbrechen");
}

QString DrillLabel() {
    return Tr::tr("Ü&bung:");
}

QString Passed() {
    return Tr::tr("Bestanden");
}

QString Failed() {
    return Tr::tr("Nicht bestanden");
}

QString NotJudged() {
    return Tr::tr("Ohne Schuss – nicht gewertet");
}

QString Withheld(int position) {
    return Tr::tr("Druckpunktnahme %1 gewertet").arg(position);
}

QString Outline(const Drill& drill) {
    return Tr::tr("%1 Druckpunktnahmen, Rückmeldung: %2")
        .arg(drill.takeUps)
        .arg(Feedback(drill.feedback));
}

QString NoDocument() {
    return Tr::tr(
        "Eine Übung läuft in einem Dokument: zuerst ein Dokument öffnen oder neu anlegen.");
}

QString SoundBox() {
    return Tr::tr("&Ton je Ergebnis");
}

QString NoAudioDevice() {
    return Tr::tr("Kein Audiogerät gefunden: die Übung läuft ohne Ton.");
}

QString RunsNotKept(const QString& problem) {
    return Tr::tr("Die Übungsergebnisse wurden nicht ins Archiv aufgenommen. %1").arg(problem);
}

QString Cancelled() {
    return Tr::tr("Übung abgebrochen.");
}

QString EarlierRunsText(int runs, int passed, int judged) {
    if (runs == 0) {
        return Tr::tr("Keine früheren Durchgänge dieser Übung im Archiv.");
    }
    QString text = Tr::tr("Frühere Durchgänge: %1, zusammen %2 von %3 bestanden")
                       .arg(runs)
                       .arg(passed)
                       .arg(judged);
    if (judged > 0) {
        text += QStringLiteral(" (%1 %)").arg(qRound(100.0 * passed / judged));
    }
    return text + QLatin1Char('.');
}

QString KeptDrillUnreadable(const QString& name) {
    return Tr::tr("Übung „%1“: die Ziele sind nicht lesbar.").arg(name);
}

QString Summary(const Drill& drill, const std::vector<TakeUpVerdict>& verdicts, bool finished) {
    int judged = 0;
    int passed = 0;
    int withoutShot = 0;
    std::vector<int> misses(drill.criteria.size(), 0);
    for (const TakeUpVerdict& v : verdicts) {
        if (!v.judged) {
            ++withoutShot;
            continue;
        }
        ++judged;
        passed += v.passed ? 1 : 0;
        for (const MissedCriterion& m : v.missed) {
            for (size_t i = 0; i < drill.criteria.size(); ++i) {
                if (drill.criteria[i] == m.criterion) {
                    ++misses[i];
                }
            }
        }
    }
    QStringList lines;
    lines << (finished ? Tr::tr("Übung „%1“ beendet: %2 von %3 bestanden.")
                       : Tr::tr("Übung „%1“ abgebrochen: %2 von %3 bestanden."))
                 .arg(drill.name)
                 .arg(passed)
                 .arg(judged);
    for (size_t i = 0; i < drill.criteria.size(); ++i) {
        if (misses[i] > 0) {
            lines << Tr::tr("%1: %2-mal nicht erfüllt")
                         .arg(Criterion(drill.criteria[i]))
                         .arg(misses[i]);
        }
    }
    if (withoutShot > 0) {
        lines << Tr::tr("Druckpunktnahmen ohne Schuss: %1").arg(withoutShot);
    }
    return lines.join(QLatin1Char('\n'));
}

QString BuiltInKind() {
    return Tr::tr("eingebaut");
}

QString OwnKind() {
    return Tr::tr("eigene");
}

QString DamagedKind() {
    return Tr::tr("beschädigt");
}

}  // namespace ostrevik::DrillTexts
