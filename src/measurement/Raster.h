#pragma once

#include "settings/DisplaySettings.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace ostrevik {

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

// One measurement record ("Datensatz"): the pressure samples of one take-up of
// the trigger's pressure point, the tone threshold in force, and the display
// state its picture is drawn with.
class Raster_t {
public:
    Raster_t(int32_t spalten, int32_t zeilen, int32_t spaltenBreite, int32_t zeilenHoehe);
    Raster_t(const Raster_t& other);
    Raster_t& operator=(const Raster_t& other);
    ~Raster_t();

    // Appends one sample unless the record is full (see Kapazitaet). The
    // first shot mark of a live record takes the program-wide shot count as
    // its provisional number until the list renumbers its shots.
    void WertAnhaengen(uint8_t b);
    void SetzeTonschwelle(uint32_t v);

    int AnzahlWerte() const { return static_cast<int>(Werte.size()); }
    // Samples that fill the time axis at the current scale.
    uint32_t Kapazitaet() const;
    // Index of the first shot mark, or -1.
    int SchussIndex() const;

    Rastermass_t Raster;
    QStringList XTexte;  // [0] axis caption, [i] label under division i
    QStringList YTexte;  // [0] axis caption, [j] label of division j
    uint32_t Tonschwelle = 0;
    uint32_t PixelProSekunde = 0;
    bool HatSchuss = false;
    bool BildGueltig = true;
    int32_t Schussbuendig = 0;  // 0 normal, 1 shot-aligned
    std::vector<uint8_t> Werte;
    QString NummerText;
    QString SchussText;
    const DisplaySettings* Einstellungen = nullptr;  // shared, not owned

    // Records in existence whose SchussText is not empty.
    static int32_t SchussZaehler;
};

}  // namespace ostrevik
