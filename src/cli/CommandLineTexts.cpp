#include "cli/CommandLineTexts.h"

#include "archive/ArchiveImport.h"
#include "archive/ArchiveTexts.h"
#include "scores/ScoreFile.h"
#include "scores/ScoreMatching.h"

#include <QCoreApplication>

namespace ostrevik::CommandLineTexts {
namespace {

struct Tr {
    Q_DECLARE_TR_FUNCTIONS(CommandLine)
};

// "a", "a und b", "a, b und c".
QString germanList(const QStringList& items) {
    if (items.size() < 2) {
        return items.join(QString());
    }
    return Tr::tr("%1 und %2")
        .arg(items.first(items.size() - 1).join(QStringLiteral(", ")), items.last());
}

QString counted(int n, const char* one, const char* many) {
    return Tr::tr(n == 1 ? one : many).arg(n);
}

}  // namespace

QString Help(const QString& configPath, const QString& archivePath, const QString& drillsFolder) {
    return Tr::tr(
               "Aufruf: ostrevik [DATEI.pvo …]\n"
               "        ostrevik --export-csv EIN.pvo PRÄFIX\n"
               "        ostrevik --report EIN.pvo [EIN2.pvo …] BERICHT.pdf\n"
               "\n"
               "Ostrevik zeichnet die Druckpunktnahmen des Abzugstrainers QTX auf, wertet sie\n"
               "aus und druckt sie. Ohne Befehl startet das Programm mit seinem Fenster und\n"
               "öffnet die genannten Messdateien (*.pvo).\n"
               "\n"
               "Befehle ohne Fenster (ohne Suche nach dem Gerät, auch neben einem laufenden\n"
               "Programm):\n"
               "  --export-csv EIN.pvo PRÄFIX\n"
               "        schreibt PRÄFIX-takeups.csv (eine Zeile je Druckpunktnahme mit ihren\n"
               "        Kennwerten, Merkmalen und dem Ring aus dem Trainingsarchiv) und\n"
               "        PRÄFIX-samples.csv (eine Zeile je Messwert); Semikolon, Dezimalkomma,\n"
               "        UTF-8\n"
               "  --report EIN.pvo [EIN2.pvo …] BERICHT.pdf\n"
               "        schreibt den Trainingsbericht als PDF (A4); mit mehreren Messdateien\n"
               "        folgt der Vergleich der Trainingseinheiten nach ihrem Datum, mit\n"
               "        Ringen im Trainingsarchiv eine Seite „Ringe“\n"
               "  -h, --help\n"
               "        zeigt diesen Text\n"
               "  --version\n"
               "        zeigt die Version\n"
               "\n"
               "Beim Start mit Fenster:\n"
               "  --debug\n"
               "        zeigt das Debug-Fenster mit jedem Byte zum und vom Gerät\n"
               "\n"
               "Den Anwender im Bericht und die Zeichenfarben nimmt ostrevik aus seiner\n"
               "Konfigurationsdatei %1.\n"
               "\n"
               "Rückgabewert: 0 bei Erfolg, 1 wenn eine Datei fehlt, keine Messdatei ist oder\n"
               "nicht geschrieben werden kann, 2 bei falschem Aufruf.\n"
               "\n"
               "Beispiel:\n"
               "  ostrevik --report woche1.pvo woche2.pvo woche3.pvo woche4.pvo vergleich.pdf\n")
               .arg(configPath) +
           Tr::tr(
               "\n"
               "Trainingsarchiv (ohne Fenster; --archive ARCHIV wählt ein anderes Archiv als\n"
               "%1, eine Datei oder einen PostgreSQL-Server:\n"
               "postgresql://[BENUTZER@][RECHNER][:PORT]/DATENBANK[?host=/SOCKET/ORDNER]):\n"
               "  --archive-import PFAD …\n"
               "        nimmt Messdateien und Ordner (mit allen *.pvo darunter) ins Archiv "
               "auf;\n"
               "        nennt, wie viele aufgenommen, aktualisiert, unverändert und abgelehnt\n"
               "        (mit Grund) sind; Rückgabewert 1, wenn eine Datei abgelehnt wurde\n"
               "  --archive-list [SCHÜTZE]\n"
               "        eine Zeile je Trainingseinheit: "
               "Datum;Schütze;Datei;Druckpunktnahmen;\n"
               "        Schüsse;Marken\n"
               "  --progress SCHÜTZE AUS.csv [--from TT.MM.JJJJ] [--to TT.MM.JJJJ]\n"
               "        je Trainingseinheit und Kennwert Mittel und 95 %-Intervall, je "
               "Kennwert\n"
               "        der Trend pro 30 Tage mit seinem 95 %-Intervall\n"
               "  --season-report SCHÜTZE AUS.pdf [--from TT.MM.JJJJ] [--to TT.MM.JJJJ]\n"
               "        der Saisonbericht: die Berichte der Trainingseinheiten und je "
               "Kennwert\n"
               "        eine Seite mit dem Fortschritt; haben Schüsse Ringe, auch der\n"
               "        Fortschritt des Rings und eine Seite „Ringe“\n"
               "  --archive-get NAME AUS.pvo\n"
               "        schreibt die Messdatei einer Trainingseinheit aus dem Archiv Byte für\n"
               "        Byte zurück (NAME: die Datei, wie --archive-list sie nennt, oder nur\n"
               "        ihr Name)\n"
               "  --archive-copy VON NACH\n"
               "        kopiert ein ganzes Archiv (Datei oder Server) in ein anderes; ein\n"
               "        zweiter Lauf ergänzt nur, was fehlt\n")
               .arg(archivePath) +
           Tr::tr(
               "\n"
               "Ringe (ohne Fenster; --archive ARCHIV wählt ein anderes Archiv):\n"
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
               "        und ohne sie (95 %-Intervall nach Welch)\n") +
           Tr::tr(
               "\n"
               "Übungen (ohne Fenster; --archive ARCHIV wählt ein anderes Archiv für den\n"
               "persönlichen Bereich):\n"
               "  --drill-check ÜBUNG EIN.pvo AUS.csv\n"
               "        bewertet jede Druckpunktnahme mit Schuss nach der Übung (Name einer\n"
               "        eingebauten oder eigenen Übung, oder eine Übungsdatei):\n"
               "        Nr;Schuss;Bestanden;Nicht_erfuellt, ohne Schuss nicht gewertet\n"
               "  --drill-list\n"
               "        die Übungen, eingebaute und eigene, beschädigte mit Grund:\n"
               "        Name;Art;Druckpunktnahmen;Rückmeldung;Datei;Grund\n"
               "        Eigene Übungen liegen in\n"
               "        %1\n"
               "  --archive-drills SCHÜTZE AUS.csv\n"
               "        jede im Archiv abgelegte Übung des Schützen, eine Zeile je\n"
               "        Druckpunktnahme: Datum;Datei;Uebung;Nr;Bestanden;Nicht_erfuellt\n"
               "\n"
               "Mit Fenster:\n"
               "  --drill ÜBUNG [DATEI.pvo]\n"
               "        startet das Programm mit laufender Übung; die Druckpunktnahmen gehen\n"
               "        in DATEI.pvo (geöffnet oder neu) oder in ein neues Dokument\n")
               .arg(drillsFolder);
}

QString OneCommandOnly(const QStringList& commands) {
    return Tr::tr("Nur einer der Befehle %1 auf einmal.").arg(germanList(commands));
}

QString ArchiveAndScoresApart() {
    return Tr::tr("Die Befehle der Ringe und des Trainingsarchivs nur einzeln.");
}

QString ValueMissing(const QString& option) {
    return Tr::tr("%1 erwartet einen Wert.").arg(option);
}

QString DateExpected(const QString& option, const QString& value) {
    return Tr::tr("%1 erwartet ein Datum wie 01.09.2026, nicht %2.").arg(option, value);
}

QString WholeNumberExpected(const QString& option, const QString& value) {
    return Tr::tr("%1 erwartet eine ganze Zahl, nicht %2.").arg(option, value);
}

QString PeriodOnlyFor(const QStringList& commands) {
    return Tr::tr("--from und --to gelten nur für %1.").arg(germanList(commands));
}

QString PeriodReversed() {
    return Tr::tr("Der Zeitraum endet (--to) vor seinem Anfang (--from).");
}

QString OffsetOnlyFor(const QString& command) {
    return Tr::tr("--offset gilt nur für %1.").arg(command);
}

QString OperandsExpected(Command command) {
    switch (command) {
        case Command::ExportCsv:
            return Tr::tr(
                "--export-csv erwartet eine Messdatei und ein Präfix für die beiden CSV-Dateien.");
        case Command::Report:
            return Tr::tr(
                "--report erwartet eine oder mehrere Messdateien und die PDF-Datei des Berichts.");
        case Command::ArchiveImport:
            return Tr::tr("--archive-import erwartet Messdateien oder Ordner.");
        case Command::ArchiveList:
            return Tr::tr("--archive-list erwartet höchstens einen Schützen.");
        case Command::Progress:
            return Tr::tr("--progress erwartet einen Schützen und die CSV-Datei.");
        case Command::SeasonReport:
            return Tr::tr("--season-report erwartet einen Schützen und die PDF-Datei.");
        case Command::ArchiveGet:
            return Tr::tr("--archive-get erwartet eine Datei des Archivs und die Messdatei.");
        case Command::ArchiveCopy:
            return Tr::tr(
                "--archive-copy erwartet das Archiv, aus dem, und das, in das kopiert "
                "wird.");
        case Command::ImportScores:
            return Tr::tr("--import-scores erwartet eine Messdatei und die Datei mit den Ringen.");
        case Command::ScoreAnalysis:
            return Tr::tr(
                "--score-analysis erwartet eine oder mehrere Messdateien und die CSV-Datei der "
                "Auswertung.");
        case Command::DrillCheck:
            return Tr::tr("--drill-check erwartet eine Übung, eine Messdatei und die CSV-Datei.");
        case Command::DrillList:
            return Tr::tr("--drill-list erwartet nichts weiter.");
        case Command::ArchiveDrills:
            return Tr::tr("--archive-drills erwartet einen Schützen und die CSV-Datei.");
        case Command::Drill:
            return Tr::tr("--drill erwartet eine Übung und höchstens eine Messdatei.");
        case Command::None:
        case Command::Help:
        case Command::Version:
            break;
    }
    return {};
}

QString ReportOverwritesInput(const QString& report) {
    return Tr::tr("Der Bericht %1 würde eine der Messdateien überschreiben.").arg(report);
}

QString ReportIsMeasurementFile(const QString& report) {
    return Tr::tr("Der Bericht %1 muss eine PDF-Datei sein, keine Messdatei.").arg(report);
}

QString OutputIsMeasurementFile(const QString& output, const QString& kind) {
    return Tr::tr("Die Ausgabe %1 muss eine %2-Datei sein, keine Messdatei.").arg(output, kind);
}

QString ScoresAreMeasurementFile(const QString& scores) {
    return Tr::tr("Die Ringe %1 müssen eine Textdatei sein, keine Messdatei.").arg(scores);
}

QString NoSuchShooter(const QString& archive, const QString& shooter) {
    return Tr::tr("Im Trainingsarchiv %1 gibt es keinen Schützen %2.").arg(archive, shooter);
}

QString ImportLines(const ImportSummary& summary) {
    QString lines = Tr::tr("%1 aufgenommen, %2 aktualisiert, %3 unverändert, %4 abgelehnt")
                        .arg(summary.added)
                        .arg(summary.updated)
                        .arg(summary.unchanged)
                        .arg(summary.refused.size()) +
                    QLatin1Char('\n');
    if (summary.moved > 0) {
        lines +=
            Tr::tr("davon %1 an neuem Ort wiedergefunden").arg(summary.moved) + QLatin1Char('\n');
    }
    for (const FileImport& refused : summary.refused) {
        lines += Tr::tr("abgelehnt: %1").arg(ArchiveTexts::Refusal(refused)) + QLatin1Char('\n');
    }
    // After a failure of the archive: what a second run will take in.
    for (const QString& file : summary.notTaken) {
        lines += Tr::tr("nicht aufgenommen: %1").arg(file) + QLatin1Char('\n');
    }
    return lines;
}

QString NoSuchSession(const QString& archive, const QString& name) {
    return Tr::tr("Im Trainingsarchiv %1 gibt es keine Trainingseinheit mit der Datei %2.")
        .arg(archive, name);
}

QString SessionAmbiguous(const QString& name) {
    return Tr::tr("%1 passt zu mehreren Trainingseinheiten; bitte den ganzen Pfad angeben:")
        .arg(name);
}

QString NoFileCopy(const QString& path) {
    return Tr::tr(
               "Von %1 hat das Trainingsarchiv keine Kopie: die Datei fehlte, als das Archiv "
               "begann, Kopien aufzubewahren. Die Datei erneut aufnehmen, wenn sie sich findet.")
        .arg(path);
}

QString NoSuchArchive(const QString& archive) {
    return Tr::tr("Das Trainingsarchiv %1 gibt es nicht.").arg(archive);
}

QString CopyLine(int copied, int present) {
    return Tr::tr("%1 Trainingseinheiten kopiert, %2 schon vorhanden").arg(copied).arg(present);
}

QString ImportStopped(const QString& problem) {
    return Tr::tr("Aufnahme abgebrochen: %1").arg(problem);
}

QString NoRingColumn(const QString& scores) {
    return Tr::tr(
               "In %1 ist keine Spalte mit den Ringen zu erkennen. Im Programm ordnet „Analyse → "
               "Ringe importieren…“ die Spalten von Hand zu.")
        .arg(scores);
}

QString OffsetHint() {
    return Tr::tr(
        "Mit --offset K werden die ersten K Schüsse der Datei übergangen (bei negativem K die "
        "ersten Druckpunktnahmen).");
}

QString ScoresImportedLines(const ScoreMatch& match, const ScoreFile& file) {
    QString lines = counted(static_cast<int>(match.pairs.size()), "%1 Schuss zugeordnet",
                            "%1 Schüsse zugeordnet") +
                    QLatin1Char('\n');
    if (!match.unmatchedShots.empty()) {
        lines += counted(static_cast<int>(match.unmatchedShots.size()),
                         "%1 Schuss der Datei ohne Druckpunktnahme",
                         "%1 Schüsse der Datei ohne Druckpunktnahme") +
                 QLatin1Char('\n');
    }
    if (!match.unmatchedTakeUps.empty()) {
        lines += counted(static_cast<int>(match.unmatchedTakeUps.size()),
                         "%1 Druckpunktnahme mit Schuss ohne Ring",
                         "%1 Druckpunktnahmen mit Schuss ohne Ring") +
                 QLatin1Char('\n');
    }
    lines += counted(file.skippedTotal(), "%1 Zeile übersprungen", "%1 Zeilen übersprungen");
    if (const QString why = skippedLinesText(file); !why.isEmpty()) {
        lines += QStringLiteral(" (") + why + QLatin1Char(')');
    }
    return lines + QLatin1Char('\n');
}

QString NoScoredTakeUps() {
    return Tr::tr("Keine Druckpunktnahme dieser Messdateien hat einen Ring im Trainingsarchiv.");
}

}  // namespace ostrevik::CommandLineTexts
