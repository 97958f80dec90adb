#pragma once

#include "measurement/MeasurementFile.h"
#include "measurement/Rasters.h"

#include <QLocale>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace ostrevik {

// Times inside one completed record, in milliseconds from the take-up of the
// pressure point; -1 where the record has no such time.
struct Zeiten_t {
    int32_t TonMs = -1;
    int32_t SchussMs = -1;
    int32_t TonSchussMs = -1;
};

// The start value of a span's minimum: a span to which no record
// contributes keeps it (and 0 as its maximum and mean).
inline constexpr int32_t kStatistikMinStart = 50000;

// The evaluation of one document: counts and the shortest, longest and mean
// time of the three spans take-up -> tone, take-up -> shot, tone -> shot.
// A span to which no record contributes reads min 50000 ms, max 0, mean 0.
struct Statistik_t {
    QString Dateiname;
    QString Kopfzeile;
    int32_t AnzahlGesamt = 0;
    int32_t AnzahlSchuss = 0;
    int32_t AnzahlOhneSchuss = 0;
    int32_t TonMin = 0;
    int32_t TonMax = 0;
    uint32_t TonSchnitt = 0;
    int32_t SchussMin = 0;
    int32_t SchussMax = 0;
    uint32_t SchussSchnitt = 0;
    int32_t TonSchussMin = 0;
    int32_t TonSchussMax = 0;
    uint32_t TonSchussSchnitt = 0;
};

// Times of one record: the first sample equal to the threshold (exactly
// equal), the first shot mark, and the span between them when the shot comes
// strictly after the tone.
Zeiten_t ZeitenBerechnen(const Raster_t& record);

// Evaluates the completed records of a list (every record but the capture
// target).
Statistik_t StatistikBerechnen(const QString& dateiname, const Dateiheader_t& kopf,
                               const Rasters_t& liste);

// The result text: the single line "KEINE DATEN" for a document without a
// completed record, otherwise 20 lines with times in seconds written in the
// general number format of the given locale.
QStringList StatistikZeilen(const Statistik_t& statistik, const QLocale& locale);

// Milliseconds as seconds in the general number format ("1,24" for 1240 ms
// under a German locale, "0" for 0).
QString SekundenText(int64_t milliseconds, const QLocale& locale);

}  // namespace ostrevik
