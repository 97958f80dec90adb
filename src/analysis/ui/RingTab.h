#pragma once

#include "analysis/ScoreStatistics.h"

#include <QWidget>

#include <optional>
#include <vector>

namespace ostrevik {

class AnalysisSource;
class PlotView;
class RingKeeper;
class ScorePanel;

// The tab "Ringe" of the window "Analyse": which metrics and fault tags of
// the document's take-ups go with lower rings, or why there are no rings to
// show. Worked out when the tab is shown; a change while it is hidden only
// marks it out of date.
class RingTab : public QWidget {
    Q_OBJECT
public:
    RingTab(const AnalysisSource& source, const RingKeeper& rings, QWidget* parent = nullptr);

    // The analysis or the rings changed: anew at once when shown is true,
    // otherwise at the next catchUp().
    void changed(bool shown);
    void catchUp();
    // The take-up drawn larger in the scatter (when it has a ring).
    void setHighlighted(std::optional<int> listIndex);

    // What the coach chooses and sees.
    void chooseMetric(Metric metric);
    const std::vector<ScoredTakeUp>& takeUps() const;
    QString scope() const;
    QString words() const;
    // A cell of the metric's row in the table (n, r, interval, rho).
    QString metricCell(Metric metric, int column) const;
    PlotView& scatter();

signals:
    // The coach clicked the point of the take-up of record listIndex.
    void takeUpChosen(int listIndex);

private:
    void showRings();
    void showHighlight();

    const AnalysisSource& source_;
    const RingKeeper& rings_;
    ScorePanel* panel_ = nullptr;
    std::optional<int> highlighted_;
    bool stale_ = true;
};

}  // namespace ostrevik
