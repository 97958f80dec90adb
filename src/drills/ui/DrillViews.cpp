#include "drills/ui/DrillViews.h"

#include "measurement/Raster.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace ostrevik {
namespace {

constexpr double kSampleMs = 20.0;

QChar symbolOf(ResultStrip::Mark mark) {
    switch (mark) {
        case ResultStrip::Mark::Passed:
            return QChar(0x2714);
        case ResultStrip::Mark::Failed:
            return QChar(0x2718);
        case ResultStrip::Mark::Withheld:
            break;
    }
    return QChar(0x00B7);
}

QColor colorOf(ResultStrip::Mark mark) {
    switch (mark) {
        case ResultStrip::Mark::Passed:
            return kDrillPassedColor;
        case ResultStrip::Mark::Failed:
            return kDrillFailedColor;
        case ResultStrip::Mark::Withheld:
            break;
    }
    return kDrillWithheldColor;
}

}  // namespace

CurveGoal curveGoal(const Drill& drill, const TakeUpMetrics& takeUp, const PersonalBands& bands) {
    CurveGoal goal;
    const double shotMs = takeUp.Schuss_ms.value_or(0);
    for (const DrillCriterion& c : drill.criteria) {
        std::optional<double> low = c.min;
        std::optional<double> high = c.max;
        if (c.kind == DrillCriterion::Kind::TagNotSet) {
            continue;
        }
        if (c.kind == DrillCriterion::Kind::PersonalBand) {
            const PersonalBand* band = bandFor(bands, c.metric);
            if (!band) {
                continue;
            }
            low = band->low;
            high = band->high;
        }
        switch (c.metric) {
            case Metric::Schuss_ms:
            case Metric::TonSchuss_ms: {
                // The time from the tone threshold: the window stands after it.
                double offset = 0.0;
                if (c.metric == Metric::TonSchuss_ms) {
                    if (!takeUp.Ton_ms) {
                        break;
                    }
                    offset = *takeUp.Ton_ms;
                }
                if (low) {
                    goal.fromMs = offset + *low;
                }
                if (high) {
                    goal.toMs = offset + *high;
                }
                break;
            }
            case Metric::Druck_Schuss:
            case Metric::Spitzendruck:
                for (const auto& v : {low, high}) {
                    if (v) {
                        goal.levels.push_back({*v, 0.0});
                    }
                }
                break;
            case Metric::Halt_160:
            case Metric::Halt_500:
                // A hold is a share of the pressure at the shot, from the shot on.
                if (takeUp.Druck_Schuss) {
                    for (const auto& v : {low, high}) {
                        if (v) {
                            goal.levels.push_back({*takeUp.Druck_Schuss * *v / 100.0, shotMs});
                        }
                    }
                }
                break;
            default:
                break;
        }
    }
    return goal;
}

DrillCurve::DrillCurve(QWidget* parent) : QWidget(parent) {
    setMinimumSize(320, 180);
}

void DrillCurve::setCurve(std::vector<uint8_t> samples, CurveGoal goal) {
    samples_ = std::move(samples);
    goal_ = std::move(goal);
    update();
}

void DrillCurve::clear() {
    setCurve({}, {});
}

QRectF DrillCurve::plotRect() const {
    return QRectF(rect()).adjusted(36, 8, -8, -22);
}

double DrillCurve::spanMs() const {
    // The whole take-up, and the goal's window whole when it reaches beyond.
    double span = std::max<double>(static_cast<double>(samples_.size()) * kSampleMs, 1000.0);
    if (goal_.toMs) {
        span = std::max(span, *goal_.toMs + 500.0);
    }
    return span;
}

QPointF DrillCurve::toPixel(double ms, double percent) const {
    const QRectF r = plotRect();
    return {r.left() + r.width() * ms / spanMs(), r.bottom() - r.height() * percent / 100.0};
}

void DrillCurve::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), Qt::white);
    const QRectF r = plotRect();
    const double span = spanMs();

    // The goal first, under the curve: the shot's window shaded, its edges
    // dashed; the pressure limits as dashed lines.
    if (goal_.hasWindow()) {
        const double from = std::clamp(goal_.fromMs.value_or(0.0), 0.0, span);
        const double to = std::clamp(goal_.toMs.value_or(span), 0.0, span);
        const QRectF window(toPixel(from, 100.0), toPixel(to, 0.0));
        p.fillRect(window, QColor(0x00, 0x72, 0xB2, 40));
        p.setPen(QPen(kDrillPassedColor, 1.5, Qt::DashLine));
        for (const auto& edge : {goal_.fromMs, goal_.toMs}) {
            if (edge && *edge <= span) {
                p.drawLine(toPixel(*edge, 0.0), toPixel(*edge, 100.0));
            }
        }
    }
    p.setPen(QPen(kDrillPassedColor, 1.5, Qt::DashLine));
    for (const CurveGoal::Level& level : goal_.levels) {
        p.drawLine(toPixel(level.fromMs, level.percent), toPixel(span, level.percent));
    }

    // Axes: 0..100 % in steps of 25, seconds below.
    QFont small = font();
    small.setPixelSize(11);
    p.setFont(small);
    const QPen grid(QColor(0xC0, 0xC0, 0xC0), 1);
    const QPen label(QColor(0x40, 0x40, 0x40));
    for (int percent = 0; percent <= 100; percent += 25) {
        const QPointF left = toPixel(0.0, percent);
        p.setPen(grid);
        p.drawLine(left, toPixel(span, percent));
        p.setPen(label);
        p.drawText(QRectF(0, left.y() - 7, r.left() - 4, 14), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(percent));
    }
    for (int s = 0; s * 1000.0 <= span; ++s) {
        const QPointF bottom = toPixel(s * 1000.0, 0.0);
        p.setPen(grid);
        p.drawLine(bottom, bottom + QPointF(0, 4));
        p.setPen(label);
        p.drawText(QRectF(bottom.x() - 20, bottom.y() + 4, 40, 14), Qt::AlignCenter,
                   QString::number(s));
    }
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(r);

    // The curve; the shot mark has no pressure and stands as a vertical line.
    QPainterPath path;
    bool started = false;
    for (size_t i = 0; i < samples_.size(); ++i) {
        const double ms = static_cast<double>(i) * kSampleMs;
        if (samples_[i] == kShotMark) {
            p.setPen(QPen(QColor(0x40, 0x40, 0x40), 2, Qt::DotLine));
            p.drawLine(toPixel(ms, 0.0), toPixel(ms, 100.0));
            continue;
        }
        const QPointF point = toPixel(ms, pressurePercent(samples_[i]));
        if (started) {
            path.lineTo(point);
        } else {
            path.moveTo(point);
            started = true;
        }
    }
    p.setPen(QPen(Qt::black, 2));
    p.drawPath(path);
}

ResultStrip::ResultStrip(QWidget* parent) : QWidget(parent) {
    setMinimumHeight(32);
}

void ResultStrip::setMarks(std::vector<Mark> marks) {
    marks_ = std::move(marks);
    update();
}

QString ResultStrip::text() const {
    QString t;
    for (Mark m : marks_) {
        t += symbolOf(m);
    }
    return t;
}

void ResultStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QFont f = font();
    f.setPixelSize(22);
    f.setBold(true);
    p.setFont(f);
    // One cell per mark; a long drill shrinks them to fit the row.
    const double cell =
        marks_.empty() ? 0.0 : std::min(30.0, width() / static_cast<double>(marks_.size()));
    for (size_t i = 0; i < marks_.size(); ++i) {
        const QRectF box(static_cast<double>(i) * cell, 0, cell, height());
        p.setPen(colorOf(marks_[i]));
        p.drawText(box, Qt::AlignCenter, QString(symbolOf(marks_[i])));
    }
}

QLabel* pixelSizedLabel(QWidget* parent, int pixels, bool bold) {
    auto* label = new QLabel(parent);
    QFont f = label->font();
    f.setPixelSize(pixels);
    f.setBold(bold);
    label->setFont(f);
    label->setWordWrap(true);
    return label;
}

}  // namespace ostrevik
