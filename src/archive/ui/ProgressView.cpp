#include "archive/ui/ProgressView.h"

#include "archive/ProgressPlot.h"

#include <QMouseEvent>
#include <QPainter>

namespace ostrevik {

ProgressView::ProgressView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(400, 220);
    setObjectName(QStringLiteral("Verlauf"));
}

void ProgressView::setProgress(const ProgressData* data, const ProgressTrend* trend) {
    data_ = data;
    trend_ = trend;
    update();
}

void ProgressView::setSelected(std::vector<qint64> ids) {
    selected_ = std::move(ids);
    update();
}

void ProgressView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!data_ || !trend_) {
        return;
    }
    mapping_ = paintProgress(p, QRectF(rect()).adjusted(4, 4, -4, -4), *data_, *trend_, selected_);
}

void ProgressView::mousePressEvent(QMouseEvent* event) {
    if (!data_ || !trend_) {
        return;
    }
    if (const auto id = sessionAt(mapping_, *data_, trend_->metric, event->position())) {
        emit sessionClicked(*id);
    }
}

}  // namespace ostrevik
