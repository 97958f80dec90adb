#pragma once

#include "analysis/Metrics.h"
#include "drills/Drill.h"
#include "drills/DrillVerdict.h"

#include <QColor>
#include <QWidget>

#include <optional>
#include <vector>

class QLabel;

namespace ostrevik {

// A wrapping label whose font is sized in pixels, so that the drill's words
// are read from the firing point whatever the desktop's font (a symbol of
// 120 px is about 3 cm high on a common screen).
QLabel* pixelSizedLabel(QWidget* parent, int pixels, bool bold);

// The drill window's colours, told apart by the colour-blind too, and never
// alone: every verdict also has its symbol and word.
inline const QColor kDrillPassedColor{0x00, 0x72, 0xB2};  // blue
inline const QColor kDrillFailedColor{0xD5, 0x5E, 0x00};  // vermilion
inline const QColor kDrillMissedColor{0xE6, 0x9F, 0x00};  // orange: the goal missed, drawn in
inline const QColor kDrillWithheldColor{0x70, 0x70, 0x70};

// The goal of a drill drawn into a take-up's curve: the time window of the
// shot (from the take-up's start) and the pressure limits, in percent of the
// pressure axis, each from a time on (a hold after the shot is measured from
// the shot).
struct CurveGoal {
    std::optional<double> fromMs;
    std::optional<double> toMs;
    struct Level {
        double percent = 0.0;
        double fromMs = 0.0;
        bool operator==(const Level&) const = default;
    };
    std::vector<Level> levels;

    bool hasWindow() const { return fromMs || toMs; }
    bool operator==(const CurveGoal&) const = default;
};

// What of a take-up's curve a drill's criteria demand: the shot's time
// window for Schuss_ms and TonSchuss_ms (after the tone threshold), the
// pressure at the shot and the peak as levels, a hold after the shot as a
// share of the shot's pressure. A personal band draws its edges.
CurveGoal curveGoal(const Drill& drill, const TakeUpMetrics& takeUp, const PersonalBands& bands);

// A take-up's curve, small, with the drill's goal drawn in; painted from the
// record's samples (20 ms each, 0..254 the pressure, 255 the shot).
class DrillCurve : public QWidget {
public:
    explicit DrillCurve(QWidget* parent = nullptr);
    void setCurve(std::vector<uint8_t> samples, CurveGoal goal);
    void clear();

    const std::vector<uint8_t>& samples() const { return samples_; }
    const CurveGoal& goal() const { return goal_; }
    // Where a time (ms from the take-up's start) and a pressure (%) lie.
    QPointF toPixel(double ms, double percent) const;
    QSize sizeHint() const override { return {420, 240}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRectF plotRect() const;
    double spanMs() const;

    std::vector<uint8_t> samples_;
    CurveGoal goal_;
};

// The results so far, one mark per judged take-up: ✔ in blue, ✘ in
// vermilion, a verdict held back by the schedule as a grey dot.
class ResultStrip : public QWidget {
public:
    enum class Mark { Passed, Failed, Withheld };
    explicit ResultStrip(QWidget* parent = nullptr);
    void setMarks(std::vector<Mark> marks);
    const std::vector<Mark>& marks() const { return marks_; }
    // The marks as their symbols: "✔✘·".
    QString text() const;
    QSize sizeHint() const override { return {420, 40}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<Mark> marks_;
};

}  // namespace ostrevik
