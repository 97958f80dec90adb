#pragma once

#include "measurement/MeasurementFile.h"
#include "measurement/Rasters.h"

#include <QDate>
#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>

namespace ostrevik {

struct SessionAnalysis;

// One training session as the exports, the report and the comparison read
// it: a document's file name, header and completed records. It owns a copy of
// the records, so a document window may change or close while a comparison
// still shows the session.
struct TrainingSession {
    QString Dateiname;  // full path; the untitled name for a document never saved
    Dateiheader_t Kopf{};
    QDateTime Dateizeit;  // the file's last change; orders sessions without a readable date
    std::unique_ptr<DisplaySettings> Einstellungen;  // the list's settings, at a fixed address
    std::unique_ptr<Rasters_t> Liste;  // completed records and an empty capture target
    QString Warnung;  // what the reader should know about a file read in part, else empty
    // An open document's live analysis as it stood at the snapshot, and the
    // time range it was made with: read instead of analysing the records
    // again when the same settings are asked for. None for a file read.
    std::shared_ptr<const SessionAnalysis> Analyse;
    int AnalyseSekunden = 0;

    // The header's date when it reads as a date, else none.
    std::optional<QDate> datum() const;
    // When the session took place, for ordering: the header's date, or else
    // the file's time.
    QDateTime zeitpunkt() const;
    // The date as a reader sees it: the header's text when it reads as a
    // date, otherwise the file's day ("12.03.2024").
    QString datumText() const;
    int fertigeDatensaetze() const { return Liste ? std::max(Liste->Anzahl() - 1, 0) : 0; }
};

// Reads a measurement file with every sample of every record: a session is
// read for its figures and never drawn, so the length a record's picture can
// show at the time scale in force (which the document window cuts records
// to) does not cut it, and a long take-up keeps its shot. False, with the
// German message in `error`, when the file is missing or is not a
// measurement file.
bool loadTrainingSession(const QString& path, TrainingSession& session, QString& error);
// The same from a measurement file's bytes (an archive's copy of a file that
// is not on this PC), under the path the file had.
bool trainingSessionFromBytes(const QString& path, const QByteArray& file, TrainingSession& session,
                              QString& error);

// A session made of an open document's completed records (the capture
// target is left out).
TrainingSession snapshotSession(const QString& dateiname, const Dateiheader_t& kopf,
                                const Rasters_t& liste);

}  // namespace ostrevik
