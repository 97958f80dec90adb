#pragma once

#include "settings/DisplaySettings.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

class QPainter;

namespace ostrevik {

class Rasters_t;

// Sample values: 0..254 pressure (254 = 100 %), 255 the shot mark, which
// occupies one 20 ms slot of its own. 3 never occurs as a sample: it ends a
// record in the device's stream and in the file.
inline constexpr uint8_t kShotMark = 255;
inline constexpr uint8_t kRecordEnd = 3;
inline constexpr int kSamplesPerSecond = 50;  // one sample every 20 ms
inline constexpr int kMillisecondsPerSample = 20;

// Plot geometry of a record's picture. Margins: 50 pixels left of the time
// origin, 40 below the zero-pressure line.
struct Rastermass_t {
    int32_t Spalten = 0;        // time divisions
    int32_t Zeilen = 0;         // pressure divisions
    int32_t SpaltenBreite = 0;  // pixels per time division
    int32_t ZeilenHoehe = 0;    // pixels per pressure division
    int32_t X0 = 0;             // x of the time origin
    int32_t Y0 = 0;             // y of the zero-pressure line

    static constexpr int32_t kLinkerRand = 50;
    static constexpr int32_t kUntererRand = 40;

    static Rastermass_t make(int32_t spalten, int32_t zeilen, int32_t spaltenBreite,
                             int32_t zeilenHoehe);
    int32_t Hoehe() const { return Zeilen * ZeilenHoehe + 60; }
    int32_t Breite() const { return Spalten * SpaltenBreite + 70; }
    int32_t XVon(int32_t i) const { return i * SpaltenBreite + X0; }
    int32_t YVon(int32_t j) const { return Y0 - j * ZeilenHoehe; }
};

// Pixel size of the font every curve picture is written with. One fixed face
// and size keep pictures, prints and tests alike on every machine.
inline constexpr int32_t kBildSchriftHoehe = 11;

// One measurement record ("Datensatz"): the pressure samples of one take-up of
// the trigger's pressure point, the tone threshold in force, and the display
// state its picture is drawn with.
//
// The picture (`Bild`) is produced on demand: a document may hold thousands
// of records, of which only a few are on the screen, and a picture takes
// almost 4 MB. The display state (scale, numbers, texts, mode) is always
// current; `AktuellesBild()` renders the picture only when it no longer shows
// that state, and catches up with newly appended samples segment by segment.
// Whatever way a picture came about, it is pixel for pixel what a fresh
// `Zeichnen()` produces.
//
// A record created by a list (Rasters_t::Anhaengen) belongs to it: the list
// counts its numbered shots and keeps account of its picture. A copy belongs
// to no list.
class Raster_t {
public:
    Raster_t(int32_t spalten, int32_t zeilen, int32_t spaltenBreite, int32_t zeilenHoehe);
    Raster_t(const Raster_t& other);
    Raster_t& operator=(const Raster_t& other);
    ~Raster_t();

    // Appends one sample unless the record is full (see Kapazitaet). The
    // first shot mark numbers the record as the next shot of its list (one
    // more than the list's SchussZaehler; 1 for a record of no list) until
    // the list renumbers its shots; a second shot mark keeps that number. A
    // picture that is up to date gets the new segment drawn at once.
    void WertAnhaengen(uint8_t b);
    // n samples at once, exactly as n calls of WertAnhaengen would take them
    // (the rest beyond the capacity is refused); returns how many were taken.
    size_t WerteAnhaengen(const uint8_t* werte, size_t n);
    void SetzeTonschwelle(uint32_t v);

    int AnzahlWerte() const { return static_cast<int>(Werte.size()); }
    // Samples that fill the time axis at the current scale.
    uint32_t Kapazitaet() const;
    // Index of the first shot mark, or -1.
    int SchussIndex() const;

    // --- Drawing ---

    // Renders the whole picture anew, now.
    void Zeichnen();
    // Draws the whole picture (white background included) onto any painter
    // with its top-left corner at offset: the screen's pictures and the
    // printed ones come from this one function.
    void Malen(QPainter& painter, QPoint offset = {}) const;
    // The picture showing the current state, rendered or completed first if
    // needed.
    const QImage& AktuellesBild();
    // True while a picture is held (up to date or not).
    bool HatBild() const { return !Bild.isNull(); }
    // Releases the picture's memory; it is produced again when next needed.
    void BildFreigeben();

    // Pixel point of sample i in normal display; (-1, -1) when there is no
    // sample i. A shot slot takes the height of the sample before it.
    void PunktVon(int i, int& x, int& y) const;
    QPoint PunktVon(int i) const;
    // First sample drawn: in shot-aligned display with a shot, the sample
    // secondsBeforeShot before the shot (negative when the shot came earlier).
    int StartIndex() const;
    // Copies the top-left (width x height of rect) of the picture unscaled
    // into rect of canvas.
    void InZelleKopieren(const QRect& rect, QPainter& canvas);

    // The list's numbering: record number ("%.4d") and shot number ("%04d",
    // empty for records without a shot). Only changed texts are replaced, so
    // refreshing a long list costs little and keeps up-to-date pictures. A
    // record that gets its first shot number counts in its list's
    // SchussZaehler.
    void NummerSetzen(int nummer);
    void SchussNummerSetzen(int nummer);

    // The settings in force: the shared block, or the defaults for a record
    // that has none yet.
    const DisplaySettings& AktiveEinstellungen() const;

    Rastermass_t Raster;
    QImage Bild;         // null while no picture is held
    QStringList XTexte;  // [0] axis caption, [i] label under division i
    QStringList YTexte;  // [0] axis caption, [j] label of division j
    uint32_t Tonschwelle = 0;
    uint32_t PixelProSekunde = 0;
    bool HatSchuss = false;
    bool BildGueltig = true;    // false: the grid cell shows nothing
    int32_t Schussbuendig = 0;  // 0 normal, 1 shot-aligned
    std::vector<uint8_t> Werte;
    QString NummerText;
    QString SchussText;
    const DisplaySettings* Einstellungen = nullptr;  // shared, not owned
    int32_t SchriftHoehe = kBildSchriftHoehe;        // pixel size of the picture's font

    // Where the curve drawing stands: the renderer continues from here when
    // samples are appended to a picture that is otherwise up to date.
    struct Kurvenstand {
        int startIndex = 0;  // StartIndex() the curve was drawn with
        int gezeichnet = 0;  // samples handled so far
        float x = 0.0f;      // x of the last handled slot, accumulated as a whole render does
        QPoint stift;        // pen position: the last point drawn to
    };

private:
    friend class Rasters_t;

    // The record's standing in the list that created it. A copy of a record
    // stands in no list.
    struct Listenplatz {
        Rasters_t* liste = nullptr;
        int bildPlatz = -1;           // index among the list's picture holders, or -1
        bool schussGezaehlt = false;  // counted in the list's SchussZaehler
        Listenplatz() = default;
        Listenplatz(const Listenplatz&) {}
        Listenplatz& operator=(const Listenplatz&) = delete;
    };
    // Tells the list that the picture came or went.
    void bildGeaendert();
    // Numbers the record's first shot provisionally.
    void ersteSchussNummer();

    // Everything the picture depends on besides the samples, as it was when
    // the picture was drawn.
    struct Bildstand {
        DisplaySettings einstellungen;
        uint32_t pixelProSekunde = 0;
        uint32_t tonschwelle = 0;
        int32_t schussbuendig = 0;
        int32_t schriftHoehe = 0;
        QString nummerText;
        QString schussText;
        QStringList xTexte;
        QStringList yTexte;
        bool operator==(const Bildstand&) const = default;
    };
    Bildstand jetzigerStand() const;
    // True when the picture differs from a fresh render only by samples
    // appended since, which can be drawn on.
    bool fortsetzbar() const;
    void fortsetzen();

    Bildstand bildstand_;
    Kurvenstand kurvenstand_;
    Listenplatz platz_;
};

}  // namespace ostrevik
