#include "analysis/TrainingSession.h"

#include "analysis/HeaderDate.h"
#include "common/Texts.h"

#include <QCoreApplication>

#include <QFileInfo>

namespace ostrevik {
namespace {

TrainingSession emptySession(const QString& dateiname) {
    TrainingSession s;
    s.Dateiname = dateiname;
    KopfInitialisieren(s.Kopf);
    s.Liste = std::make_unique<Rasters_t>(50, 4, 60, 60);
    s.Liste->Anhaengen();
    return s;
}

// Every sample counts for the figures, whatever the time axis shows.
void readRecords(TrainingSession& s, const QString& path, const QByteArray& daten) {
    const DatenWalkErgebnis ergebnis =
        DatenInListe(*s.Liste, daten, kMaxDatensaetze, Kapazitaet::AlleWerte);
    if (ergebnis.abgeschnitten) {
        s.Warnung = QCoreApplication::translate("TrainingSession",
                                                "Die Datei %1 enthält mehr als %2 Datensätze. Es "
                                                "wurden nur die ersten %2 gelesen.")
                        .arg(path, QString::number(ergebnis.fertigeDatensaetze));
    }
}

}  // namespace

std::optional<QDate> TrainingSession::datum() const {
    return parseHeaderDate(Kopf.datum());
}

QDateTime TrainingSession::zeitpunkt() const {
    if (const auto d = datum()) {
        return QDateTime(*d, QTime(0, 0));
    }
    return Dateizeit;
}

QString TrainingSession::datumText() const {
    if (datum()) {
        return Kopf.datum().trimmed();
    }
    return Dateizeit.isValid() ? Dateizeit.date().toString(QStringLiteral("dd.MM.yyyy"))
                               : QString();
}

bool loadTrainingSession(const QString& path, TrainingSession& session, QString& error) {
    const QFileInfo info(path);
    if (!info.exists()) {
        error = Texts::FileNotFound(path);
        return false;
    }
    TrainingSession s = emptySession(info.absoluteFilePath());
    if (info.isFile() && info.size() > kMaxDateiGroesse) {
        error = DateiZuGrossText(path);
        return false;
    }
    QByteArray daten;
    if (!KopfUndDatenLesen(s.Kopf, path, daten)) {
        error = QStringLiteral("%1: %2").arg(path, Texts::WrongFileType());
        return false;
    }
    readRecords(s, path, daten);
    s.Dateizeit = info.lastModified();
    session = std::move(s);
    return true;
}

bool trainingSessionFromBytes(const QString& path, const QByteArray& file, TrainingSession& session,
                              QString& error) {
    TrainingSession s = emptySession(path);
    if (file.size() > kMaxDateiGroesse) {
        error = DateiZuGrossText(path);
        return false;
    }
    QByteArray daten;
    if (!KopfUndDatenAusBytes(s.Kopf, file, daten)) {
        error = QStringLiteral("%1: %2").arg(path, Texts::WrongFileType());
        return false;
    }
    readRecords(s, path, daten);
    session = std::move(s);
    return true;
}

TrainingSession snapshotSession(const QString& dateiname, const Dateiheader_t& kopf,
                                const Rasters_t& liste) {
    TrainingSession s = emptySession(dateiname);
    s.Kopf = kopf;
    const QFileInfo info(dateiname);
    s.Dateizeit = info.exists() ? info.lastModified() : QDateTime::currentDateTime();
    for (int i = 0; i + 1 < liste.Anzahl(); ++i) {
        const Raster_t& from = liste.Datensatz(i);
        Raster_t& to = s.Liste->Letzter();
        to.SetzeTonschwelle(from.Tonschwelle);
        to.Werte = from.Werte;
        s.Liste->Anhaengen();
    }
    return s;
}

}  // namespace ostrevik
