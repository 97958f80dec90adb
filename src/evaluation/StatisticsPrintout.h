#pragma once

#include "evaluation/PrinterRasters.h"
#include "evaluation/Statistics.h"
#include "measurement/MeasurementFile.h"

#include <QDateTime>
#include <QFont>
#include <QLocale>
#include <QString>

#include <cstdint>
#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace ostrevik {

// Positions on the statistics page, in printer pixels: the text's left edge,
// the indent of the value lines, the line step and the right end of the rules.
inline constexpr int32_t kStatistikLinks = 300;
inline constexpr int32_t kStatistikEinzug = 700;
inline constexpr int32_t kStatistikZeilenschritt = 70;
inline constexpr int32_t kStatistikLinieBis = 1500;
// The tallest line that leaves a gap to the next one at the line step.
inline constexpr int32_t kStatistikMaxZeilenhoehe = 62;

// One text of a printed page; x and y are its top-left corner.
struct DruckText_t {
    int32_t x = 0;
    int32_t y = 0;
    QString text;
    bool operator==(const DruckText_t&) const = default;
};

// The statistics page: its texts and the heights of its two rules, which run
// from kStatistikLinks to kStatistikLinieBis.
struct StatistikSeite_t {
    std::vector<DruckText_t> Texte;
    std::vector<int32_t> Linien;
};

// Lays out the page for an evaluation: the user, the document's file and
// header texts (kopf may be null: the lines keep their labels), the counts,
// the three spans and the moment of printing.
StatistikSeite_t StatistikSeite(const Statistik_t& statistik, const QString& anwender,
                                const Dateiheader_t* kopf, const QDateTime& jetzt,
                                const QLocale& locale);

// The canvas' own font, made smaller when its lines would not fit the line
// step at the device's resolution.
QFont StatistikSchrift(const QFont& canvasSchrift, const QPaintDevice* geraet);

// Draws the page with the canvas' current pen.
void StatistikSeiteMalen(QPainter& canvas, const StatistikSeite_t& seite);

// One job with `kopien` identical pages (at least one).
DruckErgebnis StatistikDrucken(QPagedPaintDevice& drucker, const StatistikSeite_t& seite,
                               int32_t kopien);

}  // namespace ostrevik
