#include "analysis/ui/PlotView.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace ostrevik {

PlotView::PlotView(Painter painter, QWidget* parent)
    : QWidget(parent), painter_(std::move(painter)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(320, 200);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void PlotView::invalidate() {
    stale_ = true;
    update();
}

const QImage& PlotView::image() {
    if (stale_ || image_.size() != size() * devicePixelRatioF()) {
        render();
    }
    return image_;
}

const PlotMapping& PlotView::mapping() {
    image();
    return mapping_;
}

void PlotView::render() {
    const qreal ratio = devicePixelRatioF();
    image_ = QImage(size() * ratio, QImage::Format_RGB32);
    image_.setDevicePixelRatio(ratio);
    // The image takes the screen's resolution, so that texts and pens come
    // out in the sizes of the widgets around it.
    image_.setDotsPerMeterX(static_cast<int>(std::lround(logicalDpiX() / 0.0254)));
    image_.setDotsPerMeterY(static_cast<int>(std::lround(logicalDpiY() / 0.0254)));
    QPainter p(&image_);
    p.setFont(font());
    mapping_ = painter_(p, QRectF(rect()));
    stale_ = false;
}

void PlotView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(QPointF(0, 0), image());
}

void PlotView::resizeEvent(QResizeEvent* event) {
    stale_ = true;
    QWidget::resizeEvent(event);
}

void PlotView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        mapping();  // clicks are judged against what is on screen
        emit clicked(event->position());
    }
    QWidget::mousePressEvent(event);
}

}  // namespace ostrevik
