#pragma once

#include "measurement/Raster.h"
#include "measurement/Rasters.h"
#include "settings/DisplaySettings.h"

#include <QDate>
#include <QLocale>
#include <QRect>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace ostrevik {

// Records side by side and one below the other on a printed page.
inline constexpr int32_t kDruckSeitenSpalten = 2;
inline constexpr int32_t kDruckSeitenZeilen = 10;
// Divisions of a printed record's picture: the document's 50 x 4.
inline constexpr int32_t kDruckSpalten = 50;
inline constexpr int32_t kDruckZeilen = 4;
// Only every fourth time division of a printed picture is labelled; the
// labels of all fifty would run into each other on paper.
inline constexpr int32_t kDruckBeschriftungJede = 4;

// The texts of the page header, copied when the job is built.
struct KopfDaten_t {
    QString Anwender;
    QString Name;
    QString Datum;
    QString Text;
    QString Dateiname;
};

// The geometry every printable record is constructed with.
struct DruckRaster_t {
    int32_t Spalten = kDruckSpalten;
    int32_t Zeilen = kDruckZeilen;
    int32_t SpaltenBreite = 0;
    int32_t ZeilenHoehe = 0;
};

// One printed page of a run: its number and the page count within the
// printed range, and the records it holds.
struct DruckSeite_t {
    int32_t Nummer = 0;
    int32_t Anzahl = 0;
    int32_t ErsterDatensatz = 0;
    int32_t Datensaetze = 0;
};

enum class DruckErgebnis {
    Gedruckt,
    NichtsZuDrucken,  // empty document or a range outside the document: no job started
    DruckerFehler,    // the printer refused to start the job or to take a page
};

// Pages needed for a number of completed records at a number of records a page.
int32_t DruckSeitenFuer(int32_t fertigeDatensaetze, int32_t proSeite);

// The pages of a print command in print order: every copy is a complete run
// of the range [von, bis] (1-based; 0 for either means the whole document),
// and pages are numbered within the range. Empty when nothing is to be
// printed: no completed record, a range outside the document or a reversed
// one.
std::vector<DruckSeite_t> DruckPlan(int32_t fertigeDatensaetze, int32_t proSeite, int32_t von,
                                    int32_t bis, int32_t kopien);

// Time-axis divisions per second for the printed labels, as the exact decimal
// of the time-scale table (0.2 ... 10); 2 for an unknown scale or no settings.
double DruckTeilungenProSekunde(const DisplaySettings* einstellungen);

// Labels of a printed time axis: [0] the caption, and under every fourth
// division the seconds since the axis' start in the general number format.
QStringList DruckZeitTexte(double teilungenProSekunde, int32_t spalten, const QLocale& locale);

// A document's records laid out on printer pages: 20 records a page in two
// columns of ten, a header naming the user, the page, the file and the
// document, and a grey footer with the program's name and the date. The
// pictures are drawn by the records' own renderer at page-cell geometry.
class PrinterRasters_t {
public:
    PrinterRasters_t(const Rasters_t& rasters, const DisplaySettings* einstellungen,
                     int32_t seitenSpalten, int32_t seitenZeilen);

    // Pages the document needs; the capture target is never printed.
    int32_t SeitenAnzahl() const;

    // Prints pages [von, bis] (1-based) Kopien times in one job on Drucker.
    // Nothing is started when the range is outside the document.
    DruckErgebnis Drucken(int32_t von, int32_t bis);

    // Margins, cell sizes and the printed records' geometry for a page of
    // pw x ph printer pixels (the printable area).
    void LayoutBerechnen(int32_t pw, int32_t ph);

    // Header and footer of page n of m.
    void SeiteRahmen(QPainter& canvas, int32_t n, int32_t m) const;

    // Where slot s (0-based; the left column top to bottom, then the right
    // one) lies on the page; empty for a slot that is not on the page.
    QRect ZellenRechteck(int32_t s) const;

    // Where the picture of slot s may draw: the picture's width within the
    // slot, and down to the next row, into which the time labels of a large
    // printer font reach.
    QRect ZellenClip(int32_t s) const;

    // The printable copy of record `index` at page-cell geometry, with its
    // picture's font height taken from the printer canvas's font height.
    std::unique_ptr<Raster_t> DruckDatensatz(int32_t index, int32_t canvasSchriftHoehe) const;

    // Draws one page (header, footer and its records) onto canvas.
    void SeiteMalen(QPainter& canvas, const DruckSeite_t& seite) const;

    QPagedPaintDevice* Drucker = nullptr;  // not owned; none until chosen
    const Rasters_t& Rasters;
    const DisplaySettings* Einstellungen;  // the live settings, not owned
    int32_t SeitenSpalten;
    int32_t SeitenZeilen;
    int32_t ZellenBreite = 0;
    int32_t ZellenHoehe = 0;
    DruckRaster_t DruckRaster;
    int32_t RandX = 0;
    int32_t RandY = 0;
    int32_t SeitenBreite = 0;  // page width and height the layout was made for
    int32_t SeitenHoehe = 0;
    KopfDaten_t KopfDaten;
    // Shows the progress text ("Drucke Seite 1 von 3"); unset prints without.
    std::function<void(const QString&)> Fortschritt;
    int32_t Kopien = 1;
    // Numbers and the footer's date follow this locale; the date is the day
    // of printing unless a test fixes it.
    QLocale Gebietsschema;
    QDate Datum;

private:
    int32_t proSeite() const { return SeitenSpalten * SeitenZeilen; }
    // Shot numbers as the document shows them: counted from 1 over the
    // records with a shot, in list order; 0 for a record without one.
    std::vector<int32_t> schussNummern() const;

    std::vector<int32_t> schussNummern_;
    int32_t canvasSchriftHoehe_ = 0;
};

}  // namespace ostrevik
