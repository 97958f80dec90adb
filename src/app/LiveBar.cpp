#include "app/LiveBar.h"

#include <QPainter>

#include <algorithm>

namespace ostrevik {

LiveBar::LiveBar(QWidget* parent) : QWidget(parent) {
    setFixedWidth(41);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LiveBar::setValue(int value) {
    value = std::clamp(value, 0, kMax);
    if (value != value_) {
        value_ = value;
        update();
    }
}

void LiveBar::setForegroundColor(const QColor& color) {
    if (color != foreground_) {
        foreground_ = color;
        update();
    }
}

QString LiveBar::percentText() const {
    return QString::number(value_ * 100 / kMax) + QLatin1Char('%');
}

void LiveBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, QColor(192, 192, 192));  // silver
    const int filled = r.height() * value_ / kMax;
    p.fillRect(QRect(r.left(), r.bottom() - filled + 1, r.width(), filled), foreground_);
    p.setPen(Qt::black);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.drawText(r, Qt::AlignCenter, percentText());
}

}  // namespace ostrevik
