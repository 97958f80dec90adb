#include "measurement/Raster.h"

#include "measurement/CurveRenderer.h"
#include "measurement/Rasters.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <map>
#include <utility>

namespace ostrevik {

namespace {

// "%.4d" without the cost of a formatted print: a list renumbers all its
// records after every received batch.
QLatin1StringView vierstellig(int nummer, std::array<char, 16>& puffer) {
    const bool negativ = nummer < 0;
    auto rest = static_cast<uint32_t>(negativ ? -static_cast<int64_t>(nummer) : nummer);
    std::array<char, 16> ziffern{};
    int n = 0;
    do {
        ziffern[static_cast<size_t>(n++)] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    while (n < 4) {
        ziffern[static_cast<size_t>(n++)] = '0';
    }
    int len = 0;
    if (negativ) {
        puffer[static_cast<size_t>(len++)] = '-';
    }
    while (n > 0) {
        puffer[static_cast<size_t>(len++)] = ziffern[static_cast<size_t>(--n)];
    }
    return QLatin1StringView(puffer.data(), len);
}

void textSetzen(QString& ziel, int nummer) {
    std::array<char, 16> puffer{};
    const QLatin1StringView neu = vierstellig(nummer, puffer);
    if (ziel != neu) {
        ziel = neu;
    }
}

}  // namespace

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

namespace {

// The labels of a new record are blank until its list labels it. One shared
// list per size: a season's file makes a hundred thousand records at once.
QStringList leereTexte(int32_t teilungen) {
    thread_local std::map<int32_t, QStringList> cache;
    const int32_t n = std::max(teilungen, 0);
    auto it = cache.find(n);
    if (it == cache.end()) {
        it = cache.emplace(n, QStringList(n + 1, QString())).first;
    }
    return it->second;
}

}  // namespace

Raster_t::Raster_t(int32_t spalten, int32_t zeilen, int32_t spaltenBreite, int32_t zeilenHoehe)
    : Raster(Rastermass_t::make(spalten, zeilen, spaltenBreite, zeilenHoehe)),
      XTexte(leereTexte(spalten)),
      YTexte(leereTexte(zeilen)),
      PixelProSekunde(static_cast<uint32_t>(spalten)),  // placeholder until the list sets it
      NummerText(QStringLiteral("0000")) {}

Raster_t::Raster_t(const Raster_t& other) = default;

Raster_t& Raster_t::operator=(const Raster_t& other) {
    if (this == &other) {
        return *this;
    }
    // Every field but the standing in the list, which stays: the copy is
    // made first, so that running out of memory leaves this record as it was.
    Raster_t kopie(other);
    Raster = kopie.Raster;
    Bild = std::move(kopie.Bild);
    XTexte = std::move(kopie.XTexte);
    YTexte = std::move(kopie.YTexte);
    Tonschwelle = kopie.Tonschwelle;
    PixelProSekunde = kopie.PixelProSekunde;
    HatSchuss = kopie.HatSchuss;
    BildGueltig = kopie.BildGueltig;
    Schussbuendig = kopie.Schussbuendig;
    Werte = std::move(kopie.Werte);
    NummerText = std::move(kopie.NummerText);
    SchussText = std::move(kopie.SchussText);
    Einstellungen = kopie.Einstellungen;
    SchriftHoehe = kopie.SchriftHoehe;
    bildstand_ = std::move(kopie.bildstand_);
    kurvenstand_ = kopie.kurvenstand_;
    // The list counts what the record holds now.
    if (platz_.liste) {
        platz_.liste->abgleichen(*this);
    }
    return *this;
}

Raster_t::~Raster_t() {
    if (platz_.liste) {
        platz_.liste->austragen(*this);
    }
}

const DisplaySettings& Raster_t::AktiveEinstellungen() const {
    static const DisplaySettings kVorgabe = DisplaySettings::defaults();
    return Einstellungen ? *Einstellungen : kVorgabe;
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
        HatSchuss = true;
        ersteSchussNummer();
    }
    // Live drawing: an up-to-date picture gets the new segment (and the
    // threshold on top of it) now. A picture that no longer fits (the first
    // shot renumbers the label, a shot moves a shot-aligned curve) is drawn
    // anew when it is next shown.
    if (HatBild() && fortsetzbar()) {
        fortsetzen();
    }
}

size_t Raster_t::WerteAnhaengen(const uint8_t* werte, size_t n) {
    const size_t kapazitaet = Kapazitaet();
    if (Werte.size() >= kapazitaet) {
        return 0;
    }
    const size_t anzahl = std::min(n, kapazitaet - Werte.size());
    if (HatBild()) {
        // A picture on screen is drawn on sample by sample.
        for (size_t i = 0; i < anzahl; ++i) {
            WertAnhaengen(werte[i]);
        }
        return anzahl;
    }
    Werte.insert(Werte.end(), werte, werte + anzahl);
    if (std::find(werte, werte + anzahl, kShotMark) != werte + anzahl) {
        HatSchuss = true;
        ersteSchussNummer();
    }
    return anzahl;
}

void Raster_t::SetzeTonschwelle(uint32_t v) {
    // The picture follows when it is next shown.
    Tonschwelle = v;
}

int Raster_t::SchussIndex() const {
    const auto it = std::find(Werte.begin(), Werte.end(), kShotMark);
    return it == Werte.end() ? -1 : static_cast<int>(it - Werte.begin());
}

int Raster_t::StartIndex() const {
    if (Schussbuendig == 0) {
        return 0;
    }
    const int schuss = SchussIndex();
    if (schuss < 0) {
        return 0;
    }
    return schuss - secondsBeforeShotInUse(AktiveEinstellungen()) * kSamplesPerSecond;
}

void Raster_t::PunktVon(int i, int& x, int& y) const {
    if (i < 0 || i >= AnzahlWerte()) {
        x = -1;
        y = -1;
        return;
    }
    const float step = PixelJeSchritt(PixelProSekunde);
    const float ys = PixelJeWert(Raster);
    x = static_cast<int>(static_cast<float>(Raster.X0) + static_cast<float>(i) * step);
    auto yVon = [&](uint8_t v) {
        return static_cast<int>(static_cast<float>(Raster.Y0) - static_cast<float>(v) * ys);
    };
    const auto idx = static_cast<size_t>(i);
    if (Werte[idx] != kShotMark) {
        y = yVon(Werte[idx]);
    } else {
        // A shot in the very first slot has no sample before it: its point
        // lies on the zero-pressure line.
        y = i == 0 ? Raster.Y0 : yVon(Werte[idx - 1]);
    }
}

QPoint Raster_t::PunktVon(int i) const {
    int x = 0;
    int y = 0;
    PunktVon(i, x, y);
    return {x, y};
}

void Raster_t::Malen(QPainter& painter, QPoint offset) const {
    painter.save();
    painter.translate(offset);
    // Nothing leaves the picture's area, as nothing leaves Bild: a record
    // captured at a coarser scale is longer than its time axis.
    painter.setClipRect(QRect(0, 0, Raster.Breite(), Raster.Hoehe()), Qt::IntersectClip);
    KurvenMaler maler(painter, *this);
    maler.Hintergrund();
    maler.Rahmen();
    Kurvenstand stand = maler.Anfang();
    maler.Kurve(stand, AnzahlWerte());
    maler.Tonschwelle();
    painter.restore();
}

Raster_t::Bildstand Raster_t::jetzigerStand() const {
    Bildstand s;
    s.einstellungen = AktiveEinstellungen();
    s.pixelProSekunde = PixelProSekunde;
    s.tonschwelle = Tonschwelle;
    s.schussbuendig = Schussbuendig;
    s.schriftHoehe = SchriftHoehe;
    s.nummerText = NummerText;
    s.schussText = SchussText;
    s.xTexte = XTexte;
    s.yTexte = YTexte;
    return s;
}

void Raster_t::Zeichnen() {
    const QSize groesse(Raster.Breite(), Raster.Hoehe());
    if (groesse.isEmpty()) {
        Bild = QImage();
        bildGeaendert();
        return;
    }
    // The old picture's memory is reused when it is not shared with a copy.
    if (Bild.size() != groesse || Bild.format() != QImage::Format_RGB32) {
        Bild = QImage(groesse, QImage::Format_RGB32);
        bildGeaendert();
    }
    QPainter painter(&Bild);
    KurvenMaler maler(painter, *this);
    maler.Hintergrund();
    maler.Rahmen();
    kurvenstand_ = maler.Anfang();
    maler.Kurve(kurvenstand_, AnzahlWerte());
    maler.Tonschwelle();
    bildstand_ = jetzigerStand();
}

bool Raster_t::fortsetzbar() const {
    if (Bild.isNull() || kurvenstand_.gezeichnet > AnzahlWerte() ||
        kurvenstand_.startIndex != StartIndex()) {
        return false;
    }
    const Bildstand& b = bildstand_;
    // Cheapest comparisons first; the texts are usually shared with the
    // list's, which makes comparing them a pointer test.
    return b.pixelProSekunde == PixelProSekunde && b.tonschwelle == Tonschwelle &&
           b.schussbuendig == Schussbuendig && b.schriftHoehe == SchriftHoehe &&
           b.einstellungen == AktiveEinstellungen() && b.nummerText == NummerText &&
           b.schussText == SchussText && b.xTexte == XTexte && b.yTexte == YTexte;
}

void Raster_t::fortsetzen() {
    if (kurvenstand_.gezeichnet == AnzahlWerte()) {
        return;
    }
    QPainter painter(&Bild);
    KurvenMaler maler(painter, *this);
    maler.Kurve(kurvenstand_, AnzahlWerte());
    // The threshold stays on top of the curve.
    maler.Tonschwelle();
}

const QImage& Raster_t::AktuellesBild() {
    if (fortsetzbar()) {
        fortsetzen();
    } else {
        Zeichnen();
    }
    return Bild;
}

void Raster_t::BildFreigeben() {
    Bild = QImage();
    bildGeaendert();
}

void Raster_t::bildGeaendert() {
    if (platz_.liste) {
        platz_.liste->bildGeaendert(*this);
    }
}

void Raster_t::InZelleKopieren(const QRect& rect, QPainter& canvas) {
    if (!BildGueltig) {
        return;
    }
    const QImage& bild = AktuellesBild();
    if (bild.isNull()) {
        return;
    }
    const QRect quelle = QRect(0, 0, rect.width(), rect.height()) & bild.rect();
    canvas.drawImage(rect.topLeft(), bild, quelle);
}

void Raster_t::NummerSetzen(int nummer) {
    textSetzen(NummerText, nummer);
}

void Raster_t::SchussNummerSetzen(int nummer) {
    textSetzen(SchussText, nummer);
    if (platz_.liste) {
        platz_.liste->abgleichen(*this);
    }
}

void Raster_t::ersteSchussNummer() {
    if (!SchussText.isEmpty()) {
        return;
    }
    // The list's records before this one are numbered already, so the
    // provisional number is the one the list's renumbering gives it too.
    SchussNummerSetzen((platz_.liste ? platz_.liste->SchussZaehler() : 0) + 1);
}

}  // namespace ostrevik
