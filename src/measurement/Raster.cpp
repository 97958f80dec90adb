#include "measurement/Raster.h"

#include <algorithm>

namespace ostrevik {

int32_t Raster_t::SchussZaehler = 0;

Rastermass_t Rastermass_t::make(int32_t spalten, int32_t zeilen, int32_t spaltenBreite,
                                int32_t zeilenHoehe) {
    Rastermass_t r;
    r.Spalten = spalten;
    r.Zeilen = zeilen;
    r.SpaltenBreite = spaltenBreite;
    r.ZeilenHoehe = zeilenHoehe;
    r.X0 = kLinkerRand;
    r.Y0 = r.Hoehe() - kUntererRand;
    return r;
}

Raster_t::Raster_t(int32_t spalten, int32_t zeilen, int32_t spaltenBreite, int32_t zeilenHoehe)
    : Raster(Rastermass_t::make(spalten, zeilen, spaltenBreite, zeilenHoehe)),
      PixelProSekunde(static_cast<uint32_t>(spalten)),  // placeholder until the list sets it
      NummerText(QStringLiteral("0000")) {
    for (int i = 0; i <= std::max(spalten, 0); ++i) {
        XTexte.append(QString());
    }
    for (int j = 0; j <= std::max(zeilen, 0); ++j) {
        YTexte.append(QString());
    }
}

Raster_t::Raster_t(const Raster_t& other) = default;
Raster_t& Raster_t::operator=(const Raster_t& other) = default;

Raster_t::~Raster_t() {
    if (!SchussText.isEmpty()) {
        --SchussZaehler;
    }
}

uint32_t Raster_t::Kapazitaet() const {
    if (PixelProSekunde == 0) {
        return 0;
    }
    const uint32_t pixels = static_cast<uint32_t>(Raster.Spalten) *
                            static_cast<uint32_t>(Raster.SpaltenBreite) * kSamplesPerSecond;
    return pixels / PixelProSekunde;
}

void Raster_t::WertAnhaengen(uint8_t b) {
    // "At or above": when the time scale shrinks the capacity below what the
    // record already holds, the record stops growing instead of going on.
    if (Werte.size() >= Kapazitaet()) {
        return;
    }
    Werte.push_back(b);
    if (b == kShotMark) {
        ++SchussZaehler;
        HatSchuss = true;
        SchussText = QString::asprintf("%04d", SchussZaehler);
    }
}

void Raster_t::SetzeTonschwelle(uint32_t v) {
    Tonschwelle = v;
}

int Raster_t::SchussIndex() const {
    const auto it = std::find(Werte.begin(), Werte.end(), kShotMark);
    return it == Werte.end() ? -1 : static_cast<int>(it - Werte.begin());
}

}  // namespace ostrevik
