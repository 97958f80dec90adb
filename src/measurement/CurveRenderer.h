#pragma once

#include "measurement/Raster.h"

#include <QFont>
#include <QFontMetrics>
#include <QPen>

class QPainter;

namespace ostrevik {

// The font of the curve pictures at a pixel size (at least 1).
QFont BildSchrift(int32_t pixelSize);

// "Tonschwelle: 50%": the threshold as a percentage of the sample range,
// counted from 1 so that a threshold of 0 still reads as a value.
QString TonschwellenText(uint32_t tonschwelle);

// Vertical pixels per pressure unit: 254 reaches the top grid line.
float PixelJeWert(const Rastermass_t& raster);
// Horizontal pixels per 20 ms sample at a scale in pixels per second.
float PixelJeSchritt(uint32_t pixelProSekunde);

// Draws a record's picture in its fixed order: background, frame, curve,
// tone threshold; later elements cover earlier ones. The curve is drawn one
// sample slot at a time from a Kurvenstand, so that appending samples to a
// finished picture continues it exactly as a whole render would have drawn
// it. Lines are aliased: a picture must come out the same whether drawn
// whole or piece by piece.
class KurvenMaler {
public:
    KurvenMaler(QPainter& painter, const Raster_t& raster);

    void Hintergrund();
    void Rahmen();
    // The state before the first sample.
    Raster_t::Kurvenstand Anfang() const;
    // Draws the samples from stand.gezeichnet up to (excluding) bis.
    void Kurve(Raster_t::Kurvenstand& stand, int bis);
    void Tonschwelle();

    // y of a pressure value; x of a sample slot in normal display.
    int Y(uint8_t wert) const;
    int XNormal(int i) const;
    // Height of the point of slot i: the sample's own, for a shot slot that
    // of the sample before it, and for a shot in the very first slot the
    // zero-pressure line (there is no sample before it).
    int SlotY(int i) const;

private:
    void wertZeichnen(Raster_t::Kurvenstand& stand, int j);
    void schuss(float x, int j);
    void text(int x, int y, const QString& s);
    // An outline (and fill, when a brush is given) covering the pixels from
    // (left, top) to (right - 1, bottom - 1).
    void rechteck(int left, int top, int right, int bottom, const QColor* fill = nullptr);
    static QPen stift(const QColor& color, uint32_t width, Qt::PenStyle style = Qt::SolidLine);

    QPainter& p_;
    const Raster_t& r_;
    const DisplaySettings& e_;
    QFont font_;
    QFontMetrics fm_;
    float ys_;
    float step_;
};

}  // namespace ostrevik
