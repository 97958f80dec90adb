#pragma once

#include "analysis/PlotFrame.h"

#include <QImage>
#include <QWidget>

#include <functional>

namespace ostrevik {

// A plot of the analysis on screen. The plot is painted by one of the
// analysis' paint functions (the same ones the printed report uses) into an
// image of the widget's size, and kept until its data, its look or the size
// changes: with a thousand take-ups a repaint is one image copy, not a
// thousand curves.
class PlotView : public QWidget {
    Q_OBJECT
public:
    using Painter = std::function<PlotMapping(QPainter&, const QRectF&)>;
    explicit PlotView(Painter painter, QWidget* parent = nullptr);

    // The data or the look changed: paint anew when next shown.
    void invalidate();
    // The plot as it is on screen, painted first when it is out of date.
    const QImage& image();
    // Where the values of the image lie (widget coordinates).
    const PlotMapping& mapping();

signals:
    void clicked(const QPointF& position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void render();

    Painter painter_;
    QImage image_;
    PlotMapping mapping_;
    bool stale_ = true;
};

}  // namespace ostrevik
