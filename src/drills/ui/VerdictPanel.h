#pragma once

#include "drills/DrillVerdict.h"

#include <QColor>
#include <QWidget>

class QLabel;

namespace ostrevik {

// A take-up's verdict as the shooter reads it from the firing point: a big
// symbol and word in the verdict's colour (never the colour alone), the
// criteria missed with value and goal, and the drill's count below.
class VerdictPanel : public QWidget {
public:
    explicit VerdictPanel(QWidget* parent = nullptr);

    // The verdict in full: ✔ "Bestanden" or ✘ "Nicht bestanden" with the
    // misses; a take-up without a shot is said to be not judged.
    void showVerdict(const TakeUpVerdict& verdict);
    // A verdict the schedule holds back: only that the take-up counted.
    void showWithheld(int position);
    void clear();
    void setProgress(const QString& text);

    QString symbol() const;
    QString word() const;
    QColor color() const { return color_; }
    QString missed() const;
    QString progress() const;

private:
    void setColor(const QColor& color);

    QLabel* symbol_ = nullptr;
    QLabel* word_ = nullptr;
    QLabel* missed_ = nullptr;
    QLabel* progress_ = nullptr;
    QColor color_;
};

}  // namespace ostrevik
