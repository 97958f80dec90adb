#include "measurement/Rasters.h"

namespace ostrevik {

Rasters_t::Rasters_t(int32_t spalten, int32_t zeilen, int32_t spaltenBreite, int32_t zeilenHoehe)
    : Spalten(spalten), Zeilen(zeilen), SpaltenBreite(spaltenBreite), ZeilenHoehe(zeilenHoehe) {}

Rasters_t::~Rasters_t() = default;

void Rasters_t::Anhaengen() {
    auto record = std::make_unique<Raster_t>(Spalten, Zeilen, SpaltenBreite, ZeilenHoehe);
    record->Einstellungen = Einstellungen;
    if (Einstellungen) {
        // The scale in force decides the new record's capacity from its first
        // sample on.
        record->PixelProSekunde = static_cast<uint32_t>(static_cast<float>(SpaltenBreite) *
                                                        timeScaleFactor(Einstellungen->timeScale));
    }
    records_.push_back(std::move(record));
}

void Rasters_t::Entfernen(int i) {
    if (i < 0 || i >= Anzahl()) {
        return;
    }
    records_.erase(records_.begin() + i);
}

}  // namespace ostrevik
