#include "archive/ArchiveTexts.h"

#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveImport.h"
#include "archive/ArchiveProgress.h"
#include "archive/ArchiveSettings.h"
#include "archive/SeasonReport.h"
#include "common/NumberFormat.h"
#include "common/Texts.h"
#include "measurement/MeasurementFile.h"

#include <QCoreApplication>

namespace ostrevik::ArchiveTexts {
namespace {

// The texts' translation context.
struct Tr {
    Q_DECLARE_TR_FUNCTIONS(ArchiveTexts)
};

const QString kGermanDate = QStringLiteral("dd.MM.yyyy");

// A number for a reader: as the analysis' tables write the metric (rings
// with two decimals), with a real minus sign.
QString readerNumber(ProgressMetric metric, double value) {
    return metric.isRing() ? readerDecimalText(value, 2)
                           : withReaderMinus(formatMetricValue(metric.metric(), value));
}

QString savedButNotTaken() {
    return Tr::tr("Die Datei wurde gespeichert, aber nicht ins Trainingsarchiv aufgenommen.");
}

}  // namespace

QString Problem(const ArchiveError& error) {
    using Kind = ArchiveError::Kind;
    const QString& path = error.path;
    switch (error.kind) {
        case Kind::None:
            return {};
        case Kind::NoDriver:
            return Tr::tr(
                "Das Trainingsarchiv braucht den SQLite-Treiber von Qt (Paket "
                "libqt6sql6-sqlite).");
        case Kind::ServerAddress:
            return Tr::tr(
                       "%1 ist weder eine Archivdatei noch die Adresse eines Archivs auf einem "
                       "PostgreSQL-Server (postgresql://[benutzer@][rechner][:port]/datenbank).")
                .arg(path);
        case Kind::PasswordInAddress:
            return Tr::tr(
                "Die Adresse des Trainingsarchivs enthält ein Passwort. Das Passwort gehört "
                "in die Datei ~/.pgpass, nicht in die Adresse.");
        case Kind::NoServerDriver:
            return Tr::tr(
                "Ein Trainingsarchiv auf einem Server braucht den PostgreSQL-Treiber von Qt "
                "(Paket libqt6sql6-psql).");
        case Kind::ServerUnreachable:
            return Tr::tr("Das Trainingsarchiv %1 kann nicht geöffnet werden: %2")
                .arg(path, error.detail);
        case Kind::NoWriteRights:
            return Tr::tr(
                       "Im Trainingsarchiv %1 darf dieser Benutzer nur lesen; Aufnehmen und "
                       "Ändern sind nicht erlaubt.")
                .arg(path);
        case Kind::ConnectionLost:
            return Tr::tr(
                       "Die Verbindung zum Trainingsarchiv %1 ist abgebrochen. Was bis dahin "
                       "aufgenommen war, bleibt; die Datei in Arbeit wurde nicht aufgenommen.")
                .arg(path);
        case Kind::NotAFile:
            return Tr::tr("Das Trainingsarchiv %1 ist keine Datei.").arg(path);
        case Kind::FolderNotMade:
            return Tr::tr("Der Ordner %1 für das Trainingsarchiv kann nicht angelegt werden.")
                .arg(path);
        case Kind::FolderReadOnly:
            return Tr::tr(
                       "Das Trainingsarchiv %1 kann nicht angelegt werden: der Ordner ist "
                       "schreibgeschützt.")
                .arg(path);
        case Kind::Locked:
            return Tr::tr(
                       "Das Trainingsarchiv %1 ist gesperrt: ein anderes Programm schreibt "
                       "gerade hinein. Bitte später noch einmal versuchen.")
                .arg(path);
        case Kind::Damaged:
            return Tr::tr(
                       "Das Trainingsarchiv %1 ist beschädigt und kann nicht gelesen werden. Die "
                       "Messdateien sind davon nicht betroffen: ein neues Archiv entsteht, wenn "
                       "die beschädigte Datei umbenannt wird; dann die Messdateien neu aufnehmen.")
                .arg(path);
        case Kind::DiskFull:
            return Tr::tr(
                       "Das Trainingsarchiv %1 konnte nicht geschrieben werden: der Datenträger "
                       "ist voll. Das Archiv bleibt auf dem Stand vor dieser Änderung.")
                .arg(path);
        case Kind::ReadOnly:
            return Tr::tr("Das Trainingsarchiv %1 ist schreibgeschützt; es wird nur gelesen.")
                .arg(path);
        case Kind::CannotOpen:
            return Tr::tr("Das Trainingsarchiv %1 kann nicht geöffnet werden.").arg(path);
        case Kind::InputOutput:
            return Tr::tr(
                       "Das Trainingsarchiv %1 konnte nicht gelesen oder geschrieben werden "
                       "(Ein-/Ausgabefehler).")
                .arg(path);
        case Kind::Database:
            return Tr::tr("Fehler im Trainingsarchiv %1: %2").arg(path, error.detail);
        case Kind::OlderReadOnly:
            return Tr::tr(
                       "Das Trainingsarchiv %1 ist schreibgeschützt und von einer älteren "
                       "Version; es kann nicht auf den neuen Stand gebracht werden.")
                .arg(path);
        case Kind::Newer:
            return Tr::tr(
                       "Das Trainingsarchiv %1 stammt von einer neueren Version von Ostrevik "
                       "(Schema %2, dieses Programm kennt %3). Es wird nur gelesen; "
                       "Aufnehmen und Ändern sind erst mit der neueren Version möglich.")
                .arg(path)
                .arg(error.schema)
                .arg(TrainingArchive::kSchemaVersion);
        case Kind::ShooterNameTaken:
            return Tr::tr(
                       "Einen Schützen %1 gibt es schon. Um beide zu einem zu machen, "
                       "„Schützen zusammenführen…“ wählen.")
                .arg(ShooterName(error.detail));
        case Kind::ShooterGone:
            return Tr::tr("Den Schützen gibt es im Archiv nicht mehr.");
    }
    return {};
}

QString Refusal(const FileImport& file) {
    switch (file.refusal) {
        case ImportRefusal::None:
            return {};
        case ImportRefusal::Missing:
            return Texts::FileNotFound(file.path);
        case ImportRefusal::TooLarge:
            return DateiZuGrossText(file.path);
        case ImportRefusal::Unreadable:
            return Tr::tr("Die Datei %1 kann nicht gelesen werden: %2").arg(file.path, file.detail);
        case ImportRefusal::WrongType:
            return QStringLiteral("%1: %2").arg(file.path, Texts::WrongFileType());
    }
    return {};
}

QString ImportCounts(const ImportSummary& summary) {
    return Tr::tr("%1 aufgenommen, %2 aktualisiert, %3 unverändert, %4 abgelehnt")
        .arg(summary.added)
        .arg(summary.updated)
        .arg(summary.unchanged)
        .arg(summary.refused.size());
}

QString ImportReport(const ImportSummary& summary) {
    QString s = ImportCounts(summary);
    if (summary.moved > 0) {
        s += Tr::tr(" (%1 an neuem Ort wiedergefunden)").arg(summary.moved);
    }
    for (const FileImport& r : summary.refused) {
        s += Tr::tr("\nabgelehnt: ") + Refusal(r);
    }
    if (summary.archiveError.failed()) {
        s += Tr::tr("\nAufnahme abgebrochen: ") + Problem(summary.archiveError);
    }
    for (const QString& file : summary.notTaken) {
        s += Tr::tr("\nnicht aufgenommen: %1").arg(file);
    }
    return s;
}

QString ShooterName(const QString& name) {
    return name.isEmpty() ? Tr::tr("(ohne Namen)") : name;
}

QString TrendWords(const ProgressTrend& t) {
    const QString caption = progressCaption(t.metric);
    const auto slope = t.slopePer30Days();
    if (!slope) {
        if (t.sessions < 3) {
            return Tr::tr(
                       "%1: für einen Trend zu wenige Trainingseinheiten (%2 von "
                       "mindestens 3)")
                .arg(caption)
                .arg(t.sessions);
        }
        return Tr::tr("%1: kein Trend, alle Trainingseinheiten an einem Tag").arg(caption);
    }
    const QString unit = progressUnit(t.metric);
    const double low = *t.lowPer30Days();
    const double high = *t.highPer30Days();
    QString s = Tr::tr("%1: %2 %3 pro Monat, 95 %-Intervall %4 … %5 %3")
                    .arg(caption, readerNumber(t.metric, *slope), unit, readerNumber(t.metric, low),
                         readerNumber(t.metric, high));
    if (low <= 0.0 && high >= 0.0) {
        s += Tr::tr(" – keine gesicherte Änderung");
    } else {
        s += high < 0.0 ? Tr::tr(" – gesichert fallend") : Tr::tr(" – gesichert steigend");
    }
    return s;
}

QString SeasonTitle(const Season& season) {
    const auto& sessions = season.progress.sessions;
    const QDate first =
        season.from.isValid() || sessions.empty() ? season.from : sessions.front().date;
    const QDate last = season.to.isValid() || sessions.empty() ? season.to : sessions.back().date;
    QString period;
    if (first.isValid() || last.isValid()) {
        period =
            QStringLiteral("%1 – %2").arg(first.isValid() ? first.toString(kGermanDate) : QString(),
                                          last.isValid() ? last.toString(kGermanDate) : QString());
    }
    QString s = QStringLiteral("%1: ").arg(ShooterName(season.shooter));
    if (!period.isEmpty()) {
        s += period + QStringLiteral(", ");
    }
    s += QStringLiteral("%1 %2")
             .arg(sessions.size())
             .arg(sessions.size() == 1 ? Tr::tr("Trainingseinheit") : Tr::tr("Trainingseinheiten"));
    if (!season.tag.isEmpty()) {
        s += Tr::tr(" (Marke „%1“)").arg(season.tag);
    }
    return s;
}

QString SeasonReportWithout(const QStringList& leftOut) {
    return Tr::tr("Der Saisonbericht ist ohne diese Trainingseinheiten geschrieben:\n") +
           leftOut.join(QLatin1Char('\n'));
}

QString SessionFileNotFound(const QString& path) {
    return Tr::tr(
               "Die Datei %1 wurde nicht gefunden.\nWurde sie verschoben, findet „Ordner "
               "aufnehmen…“ mit ihrem neuen Ordner sie wieder.")
        .arg(path);
}

QString SessionFileMissingTip(const QString& path) {
    return Tr::tr("Datei nicht gefunden: ") + path;
}

QString ChooseTwoToCompare() {
    return Tr::tr("Zum Vergleichen mindestens zwei Trainingseinheiten in der Tabelle wählen.");
}

QString RemoveSessionsQuestion(int count) {
    return Tr::tr(
               "%1 Trainingseinheit(en) aus dem Archiv entfernen? Die Messdateien bleiben "
               "erhalten.")
        .arg(count);
}

QString SettingNotSaved(const QString& settingsPath) {
    return Tr::tr("Die Einstellung konnte nicht gespeichert werden (%1).").arg(settingsPath);
}

QString RingsCaption(const QString& shooter) {
    return Tr::tr("Ringe – %1").arg(shooter);
}

QString RingsScope(const QString& shooter, int sessions) {
    QString scope = shooter;
    if (sessions > 0) {
        scope += sessions == 1 ? Tr::tr(", 1 Trainingseinheit")
                               : Tr::tr(", %1 Trainingseinheiten").arg(sessions);
    }
    return scope;
}

QString NoRingsShown() {
    return Tr::tr(
        "Keine der gezeigten Trainingseinheiten hat Ringe. Ringe kommen mit „Analyse → Ringe "
        "importieren…“ oder der Spalte „Ring“ der Einzelwerte ins Archiv.");
}

QString SavedFileNotImported(const SavedFileImport& import) {
    switch (import.kind) {
        case SavedFileImport::Kind::Taken:
        case SavedFileImport::Kind::NotWanted:
            return {};
        case SavedFileImport::Kind::Archive:
            return savedButNotTaken() + QLatin1Char('\n') + Problem(import.archive);
        case SavedFileImport::Kind::Refused:
            return savedButNotTaken() + QLatin1Char('\n') + Refusal(import.refused);
        case SavedFileImport::Kind::Exception:
            return savedButNotTaken() + QLatin1Char('\n') + import.detail;
        case SavedFileImport::Kind::Unknown:
            return savedButNotTaken();
    }
    return {};
}

}  // namespace ostrevik::ArchiveTexts
