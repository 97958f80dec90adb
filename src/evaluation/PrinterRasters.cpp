#include "evaluation/PrinterRasters.h"

#include "common/NumberFormat.h"
#include "common/Texts.h"

#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>
#include <array>

namespace ostrevik {
namespace {

// The record picture's margins around its plot area (left 50 + right 20,
// bottom 40 + top 20).
constexpr int32_t kBildRandBreite = 70;
constexpr int32_t kBildRandHoehe = 60;

const QColor kFusszeilenGrau(0x80, 0x80, 0x80);

// Writes a text with its top-left corner at (x, y).
void textAn(QPainter& canvas, int x, int y, const QString& text) {
    canvas.drawText(x, y + canvas.fontMetrics().ascent(), text);
}

}  // namespace

int32_t DruckSeitenFuer(int32_t fertigeDatensaetze, int32_t proSeite) {
    if (fertigeDatensaetze <= 0 || proSeite <= 0) {
        return 0;
    }
    return fertigeDatensaetze / proSeite + (fertigeDatensaetze % proSeite != 0 ? 1 : 0);
}

std::vector<DruckSeite_t> DruckPlan(int32_t fertigeDatensaetze, int32_t proSeite, int32_t von,
                                    int32_t bis, int32_t kopien) {
    const int32_t seiten = DruckSeitenFuer(fertigeDatensaetze, proSeite);
    if (von == 0 || bis == 0) {
        von = 1;
        bis = seiten;
    }
    // A first page below 1 would address records before the first one.
    if (von < 1 || von > bis || bis > seiten) {
        return {};
    }
    kopien = std::max(kopien, 1);
    std::vector<DruckSeite_t> plan;
    plan.reserve(static_cast<size_t>(kopien) * static_cast<size_t>(bis - von + 1));
    for (int32_t c = 0; c < kopien; ++c) {
        for (int32_t p = von; p <= bis; ++p) {
            DruckSeite_t s;
            s.Nummer = p - von + 1;
            s.Anzahl = bis - von + 1;
            s.ErsterDatensatz = (p - 1) * proSeite;
            s.Datensaetze = std::min(proSeite, fertigeDatensaetze - s.ErsterDatensatz);
            plan.push_back(s);
        }
    }
    return plan;
}

double DruckTeilungenProSekunde(const DisplaySettings* einstellungen) {
    static constexpr std::array<double, kTimeScaleCount> kTeilungen = {0.2, 0.4, 1.0,
                                                                       2.0, 4.0, 10.0};
    if (!einstellungen || einstellungen->timeScale >= kTeilungen.size()) {
        return 2.0;
    }
    return kTeilungen[einstellungen->timeScale];
}

QStringList DruckZeitTexte(double teilungenProSekunde, int32_t spalten, const QLocale& locale) {
    QStringList texte;
    texte.reserve(std::max(spalten, 0) + 1);
    texte << QStringLiteral("Sekunden ->");
    for (int32_t i = 1; i <= spalten; ++i) {
        texte << (i % kDruckBeschriftungJede == 0
                      ? formatGeneral(static_cast<double>(i) / teilungenProSekunde, locale)
                      : QString());
    }
    return texte;
}

PrinterRasters_t::PrinterRasters_t(const Rasters_t& rasters, const DisplaySettings* einstellungen,
                                   int32_t seitenSpalten, int32_t seitenZeilen)
    : Rasters(rasters),
      Einstellungen(einstellungen),
      SeitenSpalten(seitenSpalten),
      SeitenZeilen(seitenZeilen) {}

int32_t PrinterRasters_t::SeitenAnzahl() const {
    return DruckSeitenFuer(Rasters.Anzahl() - 1, proSeite());
}

void PrinterRasters_t::LayoutBerechnen(int32_t pw, int32_t ph) {
    SeitenBreite = pw;
    SeitenHoehe = ph;
    RandX = pw / 20;
    RandY = ph / 10;
    // A page too small for the pictures' margins gets empty cells rather
    // than negative sizes, which would turn into huge ones below.
    ZellenBreite =
        SeitenSpalten > 0
            ? std::max((pw - 2 * RandX - kBildRandBreite * SeitenSpalten) / SeitenSpalten, 0)
            : 0;
    ZellenHoehe = SeitenZeilen > 0
                      ? std::max((ph - 2 * RandY - kBildRandHoehe * SeitenZeilen) / SeitenZeilen, 0)
                      : 0;
    DruckRaster.Spalten = kDruckSpalten;
    DruckRaster.Zeilen = kDruckZeilen;
    DruckRaster.SpaltenBreite = ZellenBreite / kDruckSpalten;
    DruckRaster.ZeilenHoehe = ZellenHoehe / kDruckZeilen;
}

QRect PrinterRasters_t::ZellenRechteck(int32_t s) const {
    if (s < 0 || s >= proSeite() || SeitenZeilen <= 0) {
        return {};
    }
    const int32_t k = s / SeitenZeilen;
    const int32_t r = s % SeitenZeilen;
    const int32_t left = k * (ZellenBreite + kBildRandBreite) + RandX;
    const int32_t top = r * (ZellenHoehe / SeitenZeilen + ZellenHoehe + kBildRandHoehe) + RandY;
    return {left, top, ZellenBreite + kBildRandBreite, ZellenHoehe + kBildRandHoehe};
}

QRect PrinterRasters_t::ZellenClip(int32_t s) const {
    QRect r = ZellenRechteck(s);
    if (r.isNull()) {
        return r;
    }
    // Across, the picture ends where its own width ends, as on the screen: a
    // curve longer than the time axis stops at the picture's edge.
    const int32_t bildBreite = DruckRaster.Spalten * DruckRaster.SpaltenBreite + kBildRandBreite;
    r.setWidth(std::min(r.width(), bildBreite));
    r.setHeight(r.height() + ZellenHoehe / std::max(SeitenZeilen, 1));
    return r;
}

void PrinterRasters_t::SeiteRahmen(QPainter& canvas, int32_t n, int32_t m) const {
    const QFont gemerkt = canvas.font();
    QFont gross = gemerkt;
    if (gross.pointSizeF() > 0) {
        gross.setPointSizeF(gross.pointSizeF() + 2);
    } else {
        // A font given in pixels grows by two points at the canvas' resolution.
        const int dpi = canvas.device() ? canvas.device()->logicalDpiY() : 72;
        gross.setPixelSize(gross.pixelSize() + (2 * dpi + 36) / 72);
    }
    canvas.setFont(gross);
    canvas.setPen(QPen(Qt::black));

    // The height of a line of this font (the same for every text, so an
    // empty user name does not collapse the header).
    const int h = canvas.fontMetrics().height();
    const int pw = SeitenBreite;
    const int ph = SeitenHoehe;

    textAn(canvas, RandX, 1 + h, KopfDaten.Anwender);
    const QString seite = QStringLiteral("Seite %1 von %2").arg(n).arg(m);
    textAn(canvas, pw - canvas.fontMetrics().horizontalAdvance(seite) - RandX, 1 + h, seite);

    canvas.setPen(QPen(Qt::black, 3));
    const int oben = static_cast<int>(2.5 * h);
    canvas.drawLine(1, oben, pw, oben);

    canvas.setPen(QPen(Qt::black));
    textAn(canvas, RandX, 1 + 3 * h, KopfDaten.Dateiname);
    textAn(canvas, RandX, 1 + 4 * h, KopfDaten.Name + QLatin1Char(' ') + KopfDaten.Datum);
    textAn(canvas, RandX, 1 + 5 * h, KopfDaten.Text);

    canvas.setPen(QPen(Qt::black, 3));
    const int unten = ph - h - h / 2;
    canvas.drawLine(1, unten, pw, unten);

    canvas.setFont(gemerkt);
    canvas.setPen(QPen(kFusszeilenGrau));
    textAn(canvas, RandX, ph - h, Texts::kDruckFuss);
    const QDate tag = Datum.isValid() ? Datum : QDate::currentDate();
    const QString datum = Gebietsschema.toString(tag, QLocale::ShortFormat);
    textAn(canvas, pw - canvas.fontMetrics().horizontalAdvance(datum) - RandX, ph - h, datum);
    canvas.setPen(QPen(Qt::black));
}

std::vector<int32_t> PrinterRasters_t::schussNummern() const {
    std::vector<int32_t> nummern(static_cast<size_t>(std::max(Rasters.Anzahl(), 0)), 0);
    int32_t m = 0;
    for (int i = 0; i < Rasters.Anzahl(); ++i) {
        if (Rasters.Datensatz(i).HatSchuss) {
            nummern[static_cast<size_t>(i)] = ++m;
        }
    }
    return nummern;
}

std::unique_ptr<Raster_t> PrinterRasters_t::DruckDatensatz(int32_t index,
                                                           int32_t canvasSchriftHoehe) const {
    const Raster_t& quelle = Rasters.Datensatz(index);
    auto r = std::make_unique<Raster_t>(DruckRaster.Spalten, DruckRaster.Zeilen,
                                        DruckRaster.SpaltenBreite, DruckRaster.ZeilenHoehe);
    r->Einstellungen = Einstellungen;
    r->SchriftHoehe = canvasSchriftHoehe / 2;
    // Pixels per second as the screen computes them, from the same factor.
    const float s = Einstellungen ? timeScaleFactor(Einstellungen->timeScale) : 2.0f;
    r->PixelProSekunde = static_cast<uint32_t>(static_cast<float>(DruckRaster.SpaltenBreite) * s);
    r->NummerText = QString::number(index + 1);
    for (int32_t j = 1; j < r->YTexte.size(); ++j) {
        r->YTexte[j] = QStringLiteral("%1%").arg(j * 25);
    }
    r->XTexte =
        DruckZeitTexte(DruckTeilungenProSekunde(Einstellungen), DruckRaster.Spalten, Gebietsschema);
    r->SetzeTonschwelle(quelle.Tonschwelle);
    r->Werte = quelle.Werte;
    r->HatSchuss = quelle.HatSchuss;
    r->Schussbuendig = quelle.Schussbuendig;
    // Paper shows the shot's number as the screen does.
    const auto nummer = static_cast<size_t>(index) < schussNummern_.size()
                            ? schussNummern_[static_cast<size_t>(index)]
                            : schussNummern()[static_cast<size_t>(index)];
    if (nummer > 0) {
        r->SchussNummerSetzen(nummer);
    }
    return r;
}

void PrinterRasters_t::SeiteMalen(QPainter& canvas, const DruckSeite_t& seite) const {
    const int32_t schrift =
        canvasSchriftHoehe_ > 0 ? canvasSchriftHoehe_ : canvas.fontMetrics().height();
    SeiteRahmen(canvas, seite.Nummer, seite.Anzahl);
    for (int32_t s = 0; s < seite.Datensaetze; ++s) {
        const std::unique_ptr<Raster_t> r = DruckDatensatz(seite.ErsterDatensatz + s, schrift);
        // The same renderer as the screen's pictures, drawn straight onto
        // the page: vector output instead of a bitmap per record.
        canvas.save();
        canvas.setClipRect(ZellenClip(s));
        r->Malen(canvas, ZellenRechteck(s).topLeft());
        canvas.restore();
    }
}

DruckErgebnis PrinterRasters_t::Drucken(int32_t von, int32_t bis) {
    const std::vector<DruckSeite_t> plan =
        DruckPlan(Rasters.Anzahl() - 1, proSeite(), von, bis, Kopien);
    if (plan.empty() || !Drucker) {
        return DruckErgebnis::NichtsZuDrucken;
    }
    LayoutBerechnen(Drucker->width(), Drucker->height());

    QPainter canvas;
    if (!canvas.begin(Drucker)) {
        return DruckErgebnis::DruckerFehler;
    }
    canvasSchriftHoehe_ = canvas.fontMetrics().height();
    schussNummern_ = schussNummern();
    DruckErgebnis ergebnis = DruckErgebnis::Gedruckt;
    for (size_t k = 0; k < plan.size(); ++k) {
        if (k > 0 && !Drucker->newPage()) {
            ergebnis = DruckErgebnis::DruckerFehler;
            break;
        }
        if (Fortschritt) {
            Fortschritt(
                QStringLiteral("Drucke Seite %1 von %2").arg(plan[k].Nummer).arg(plan[k].Anzahl));
        }
        SeiteMalen(canvas, plan[k]);
    }
    if (!canvas.end()) {
        ergebnis = DruckErgebnis::DruckerFehler;
    }
    schussNummern_.clear();
    canvasSchriftHoehe_ = 0;
    return ergebnis;
}

}  // namespace ostrevik
