#include "measurement/Rasters.h"

#include <algorithm>

namespace ostrevik {

Rasters_t::Rasters_t(int32_t spalten, int32_t zeilen, int32_t spaltenBreite, int32_t zeilenHoehe)
    : Spalten(spalten), Zeilen(zeilen), SpaltenBreite(spaltenBreite), ZeilenHoehe(zeilenHoehe) {}

Rasters_t::~Rasters_t() {
    // The records leave the books while the books still exist.
    records_.clear();
}

void Rasters_t::Anhaengen() {
    auto record = std::make_unique<Raster_t>(Spalten, Zeilen, SpaltenBreite, ZeilenHoehe);
    record->platz_.liste = this;
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

const QStringList& Rasters_t::zeitTexte(Zeitbeschriftung& cache, float s, int e0) {
    if (cache.s != s || cache.e0 != e0 || cache.spalten != Spalten) {
        cache.s = s;
        cache.e0 = e0;
        cache.spalten = Spalten;
        cache.texte.clear();
        cache.texte.append(QStringLiteral("Sekunden ->"));
        for (int i = 1; i <= Spalten; ++i) {
            // Seconds with a point as the decimal separator, whatever the
            // locale: the float division is what decides the rounding.
            const float sekunden = static_cast<float>(e0 + i - 1) / s;
            cache.texte.append(QString::asprintf("%.2f", static_cast<double>(sekunden)));
        }
    }
    return cache.texte;
}

void Rasters_t::Beschriften() {
    static const DisplaySettings kVorgabe = DisplaySettings::defaults();
    const DisplaySettings& e = Einstellungen ? *Einstellungen : kVorgabe;
    const float s = timeScaleFactor(e.timeScale);

    // In shot-aligned display the labels count towards 0 at the shot.
    const int e0Schussbuendig =
        static_cast<int>(1.0f - static_cast<float>(secondsBeforeShotInUse(e)) * s);
    // The labels every record shares, made anew only when the scale changes.
    zeitTexte(normal_, s, 1);
    zeitTexte(schussbuendig_, s, e0Schussbuendig);
    if (prozentTexte_.size() != Zeilen + 1) {
        prozentTexte_.clear();
        prozentTexte_.append(QString());
        for (int j = 1; j <= Zeilen; ++j) {
            prozentTexte_.append(QString::number(j * 25) + QLatin1Char('%'));
        }
    }

    int schuss = 0;
    int nummer = 0;
    stand_.schuesseDavor = 0;
    for (const auto& record : records_) {
        if (nummer + 1 == Anzahl()) {
            stand_.schuesseDavor = schuss;
        }
        beschriften(*record, ++nummer, schuss, s);
    }
    stand_.anzahl = Anzahl();
    stand_.einstellungen = e;
}

void Rasters_t::beschriften(Raster_t& r, int nummer, int& schuss, float s) {
    r.PixelProSekunde = static_cast<uint32_t>(static_cast<float>(r.Raster.SpaltenBreite) * s);
    r.NummerSetzen(nummer);
    if (r.HatSchuss) {
        r.SchussNummerSetzen(++schuss);
    }
    // Assigning the shared lists costs a reference count and lets the
    // pictures compare their texts by pointer.
    r.YTexte = prozentTexte_;
    r.XTexte = r.Schussbuendig != 0 ? schussbuendig_.texte : normal_.texte;
}

bool Rasters_t::LetztenBeschriften() {
    static const DisplaySettings kVorgabe = DisplaySettings::defaults();
    const DisplaySettings& e = Einstellungen ? *Einstellungen : kVorgabe;
    if (records_.empty() || stand_.anzahl != Anzahl() || !(stand_.einstellungen == e)) {
        return false;
    }
    int schuss = stand_.schuesseDavor;
    beschriften(Letzter(), Anzahl(), schuss, timeScaleFactor(e.timeScale));
    return true;
}

void Rasters_t::abgleichen(Raster_t& r) {
    const bool nummeriert = !r.SchussText.isEmpty();
    if (nummeriert != r.platz_.schussGezaehlt) {
        r.platz_.schussGezaehlt = nummeriert;
        schussZaehler_ += nummeriert ? 1 : -1;
    }
    bildGeaendert(r);
}

void Rasters_t::austragen(Raster_t& r) {
    if (r.platz_.schussGezaehlt) {
        r.platz_.schussGezaehlt = false;
        --schussZaehler_;
    }
    bildAbmelden(r);
}

void Rasters_t::bildAbmelden(Raster_t& r) {
    if (r.platz_.bildPlatz < 0) {
        return;
    }
    // The last holder takes the place of the one leaving.
    const auto platz = static_cast<size_t>(r.platz_.bildPlatz);
    bildHalter_[platz] = bildHalter_.back();
    bildHalter_[platz]->platz_.bildPlatz = static_cast<int>(platz);
    bildHalter_.pop_back();
    r.platz_.bildPlatz = -1;
}

void Rasters_t::bildGeaendert(Raster_t& r) {
    if (r.HatBild() && r.platz_.bildPlatz < 0) {
        r.platz_.bildPlatz = static_cast<int>(bildHalter_.size());
        bildHalter_.push_back(&r);
    } else if (!r.HatBild()) {
        bildAbmelden(r);
    }
}

void Rasters_t::BilderBegrenzen(int von, int bis) {
    const int n = Anzahl();
    von = std::max(von, 0);
    bis = std::min(bis, n - 1);
    const int aufSchirm = std::max(bis - von + 1, 0);
    auto haeltBild = [&](int i) {
        return i >= 0 && i < n && records_[static_cast<size_t>(i)]->platz_.bildPlatz >= 0;
    };
    std::vector<const Raster_t*> behalten;
    for (int i = von; i <= bis; ++i) {
        if (haeltBild(i)) {
            behalten.push_back(records_[static_cast<size_t>(i)].get());
        }
    }
    // The rows on screen come first: a paint builds the pictures they lack.
    int platz = std::max(BildBudget - aufSchirm, 0);
    for (int d = 1; platz > 0 && d <= BildBudget; ++d) {
        for (const int i : {von - d, bis + d}) {
            if (platz > 0 && haeltBild(i)) {
                behalten.push_back(records_[static_cast<size_t>(i)].get());
                --platz;
            }
        }
    }
    if (behalten.size() == bildHalter_.size()) {
        return;
    }
    const std::vector<Raster_t*> halter = bildHalter_;
    for (Raster_t* r : halter) {
        if (std::find(behalten.begin(), behalten.end(), r) == behalten.end()) {
            r->BildFreigeben();
        }
    }
}

}  // namespace ostrevik
