#include "measurement/CurveRenderer.h"

#include <QPainter>

#include <algorithm>
#include <map>

namespace ostrevik {

namespace {

const QColor kSchwarz(0, 0, 0);
const QColor kWeiss(255, 255, 255);
const QColor kSilber(0xC0, 0xC0, 0xC0);
constexpr uint32_t kMaxStiftBreite = 100;

}  // namespace

QFont BildSchrift(int32_t pixelSize) {
    // Looked up once per size: a live capture draws a segment per sample.
    thread_local std::map<int32_t, QFont> cache;
    pixelSize = std::max<int32_t>(pixelSize, 1);
    auto it = cache.find(pixelSize);
    if (it == cache.end()) {
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(pixelSize);
        f.setStyleHint(QFont::SansSerif);
        // Grey-scale smoothing only: sub-pixel colours would depend on the
        // screen the program happens to run on.
        f.setStyleStrategy(QFont::NoSubpixelAntialias);
        it = cache.emplace(pixelSize, f).first;
    }
    return it->second;
}

QString TonschwellenText(uint32_t tonschwelle) {
    const uint64_t prozent = static_cast<uint64_t>(tonschwelle) * 100 / 255 + 1;
    return QStringLiteral("Tonschwelle: %1%").arg(prozent);
}

float PixelJeWert(const Rastermass_t& raster) {
    return static_cast<float>(raster.Hoehe() - 60) / 254.0f;
}

float PixelJeSchritt(uint32_t pixelProSekunde) {
    return static_cast<float>(pixelProSekunde) * 0.02f;
}

KurvenMaler::KurvenMaler(QPainter& painter, const Raster_t& raster)
    : p_(painter),
      r_(raster),
      e_(raster.AktiveEinstellungen()),
      font_(BildSchrift(raster.SchriftHoehe)),
      fm_(font_),
      ys_(PixelJeWert(raster.Raster)),
      step_(PixelJeSchritt(raster.PixelProSekunde)) {
    p_.setRenderHint(QPainter::Antialiasing, false);
    p_.setRenderHint(QPainter::TextAntialiasing, true);
    p_.setFont(font_);
    p_.setBrush(Qt::NoBrush);
}

QPen KurvenMaler::stift(const QColor& color, uint32_t width, Qt::PenStyle style) {
    // The settings file is taken without range checks; a damaged width must
    // not make a single line take minutes to draw.
    const int w = static_cast<int>(std::clamp<uint32_t>(width, 1, kMaxStiftBreite));
    // Wide pens end round, as the curves always have; one-pixel lines leave
    // out their end point, so touching segments do not overlap.
    return QPen(color, w, style, w > 1 ? Qt::RoundCap : Qt::FlatCap, Qt::RoundJoin);
}

int KurvenMaler::Y(uint8_t wert) const {
    return static_cast<int>(static_cast<float>(r_.Raster.Y0) - static_cast<float>(wert) * ys_);
}

int KurvenMaler::XNormal(int i) const {
    return static_cast<int>(static_cast<float>(r_.Raster.X0) + static_cast<float>(i) * step_);
}

int KurvenMaler::SlotY(int i) const {
    const auto& w = r_.Werte;
    if (w[static_cast<size_t>(i)] != kShotMark) {
        return Y(w[static_cast<size_t>(i)]);
    }
    return i == 0 ? r_.Raster.Y0 : Y(w[static_cast<size_t>(i) - 1]);
}

void KurvenMaler::text(int x, int y, const QString& s) {
    // Positions name the text's top-left corner.
    p_.drawText(x, y + fm_.ascent(), s);
}

void KurvenMaler::rechteck(int left, int top, int right, int bottom, const QColor* fill) {
    if (right <= left || bottom <= top) {
        return;
    }
    if (fill) {
        p_.fillRect(left, top, right - left, bottom - top, *fill);
    }
    const QBrush brush = p_.brush();
    p_.setBrush(Qt::NoBrush);
    p_.drawRect(left, top, right - left - 1, bottom - top - 1);
    p_.setBrush(brush);
}

void KurvenMaler::Hintergrund() {
    p_.fillRect(0, 0, r_.Raster.Breite(), r_.Raster.Hoehe(), kWeiss);
}

void KurvenMaler::Rahmen() {
    const Rastermass_t& g = r_.Raster;
    const int h = fm_.height();

    p_.setPen(stift(kSchwarz, 1));
    p_.setBrush(Qt::NoBrush);

    // Record number in the left margin, on the height of the time axis.
    const int w = fm_.horizontalAdvance(r_.NummerText);
    text(8, g.Y0 - h / 2, r_.NummerText);
    rechteck(5, g.Y0 - h / 2 - 3, w + 11, g.Y0 + h / 2 + 3);

    p_.setPen(stift(kSchwarz, 3));
    p_.drawLine(g.X0, 10, g.X0, g.Y0 + 10);
    p_.drawLine(g.X0 - 10, g.Y0, g.Breite() - 10, g.Y0);

    p_.setPen(stift(kSchwarz, 1));
    text(5, g.Y0 - 4 - h, r_.YTexte.value(0));
    text(5, g.Y0 - 4 + h, r_.XTexte.value(0));

    for (int j = 1; j <= g.Zeilen; ++j) {
        p_.setPen(stift(kSilber, 1));
        p_.drawLine(g.X0 - 3, g.YVon(j), g.Breite() - 10, g.YVon(j));
        const QString s = r_.YTexte.value(j);
        p_.setPen(stift(kSchwarz, 1));
        text(g.X0 - fm_.horizontalAdvance(s) - 5, g.YVon(j) - h / 2, s);
    }
    for (int i = 1; i <= g.Spalten; ++i) {
        p_.setPen(stift(kSilber, 1));
        p_.drawLine(g.XVon(i), g.Y0 + 3, g.XVon(i), 10);
        const QString s = r_.XTexte.value(i);
        p_.setPen(stift(kSchwarz, 1));
        text(g.XVon(i) - fm_.horizontalAdvance(s) / 2, g.Y0 + h - 4, s);
    }
}

Raster_t::Kurvenstand KurvenMaler::Anfang() const {
    Raster_t::Kurvenstand stand;
    stand.startIndex = r_.StartIndex();
    stand.gezeichnet = 0;
    return stand;
}

void KurvenMaler::Kurve(Raster_t::Kurvenstand& stand, int bis) {
    bis = std::min(bis, r_.AnzahlWerte());
    if (stand.gezeichnet >= bis) {
        return;
    }
    p_.setPen(stift(colorFromRef(e_.curveColor), e_.curveWidth));
    p_.setBrush(Qt::NoBrush);
    while (stand.gezeichnet < bis) {
        wertZeichnen(stand, stand.gezeichnet);
        ++stand.gezeichnet;
    }
}

void KurvenMaler::wertZeichnen(Raster_t::Kurvenstand& stand, int j) {
    const int erster = std::max(stand.startIndex, 0);
    if (j < erster) {
        return;  // before the shot-aligned window
    }
    if (j == erster) {
        // A shot earlier than the lead time starts the curve to the right of
        // the origin, so that the shot still falls on its place.
        stand.x = static_cast<float>(r_.Raster.X0);
        if (stand.startIndex < 0) {
            stand.x =
                static_cast<float>(r_.Raster.X0) + static_cast<float>(-stand.startIndex) * step_;
        }
        stand.stift = QPoint(static_cast<int>(stand.x), SlotY(j));
        return;
    }
    stand.x = stand.x + step_;
    const uint8_t wert = r_.Werte[static_cast<size_t>(j)];
    if (wert != kShotMark) {
        const QPoint ziel(static_cast<int>(stand.x), Y(wert));
        p_.drawLine(stand.stift, ziel);
        stand.stift = ziel;
    } else {
        // The line goes on from the sample before the shot to the one after.
        schuss(stand.x, j);
    }
}

void KurvenMaler::schuss(float x, int j) {
    const QPen kurve = p_.pen();
    const QColor farbe = colorFromRef(e_.shotColor);

    // The symbol sits on the point of the sample before the shot.
    const int cx = static_cast<int>(x - step_);
    const int cy = SlotY(j);
    p_.setPen(stift(farbe, e_.shotWidth));
    p_.setBrush(Qt::NoBrush);
    if (e_.shotMarkerForm == 0) {
        p_.drawEllipse(QPoint(cx, cy), 8, 8);
    } else {
        p_.drawLine(cx, cy - 8, cx, cy + 8);
        p_.drawLine(cx - 8, cy, cx + 8, cy);
    }

    // The shot's number in the margin, one line above the record number.
    const Rastermass_t& g = r_.Raster;
    const int w = fm_.horizontalAdvance(r_.SchussText);
    const int h = fm_.height();
    p_.setPen(stift(farbe, 1));
    text(8, g.Y0 - h / 2 - (h + 10), r_.SchussText);
    rechteck(5, g.Y0 - h / 2 - 3 - (h + 10), w + 11, g.Y0 + h / 2 + 3 - (h + 10));

    p_.setPen(kurve);
}

void KurvenMaler::Tonschwelle() {
    const Rastermass_t& g = r_.Raster;
    const int yT =
        static_cast<int>(static_cast<float>(g.Y0) - ys_ * static_cast<float>(r_.Tonschwelle));
    if (e_.thresholdMarkerVisible == 0) {
        return;
    }
    const QString s = TonschwellenText(r_.Tonschwelle);
    const QColor farbe = colorFromRef(e_.thresholdColor);
    const int w = fm_.horizontalAdvance(s);
    const int h = fm_.height();

    p_.setPen(stift(kSchwarz, 1));
    rechteck(7, yT - h / 2 - 3, w + 13, yT + h / 2 + 3, &farbe);
    text(10, yT - h / 2, s);

    p_.setPen(stift(farbe, e_.thresholdWidth));
    p_.drawLine(w + 13, yT, g.Breite(), yT);
}

}  // namespace ostrevik
