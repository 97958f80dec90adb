#pragma once

#include "analysis/ScoreStatistics.h"

#include <QWidget>

#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QTableWidget;

namespace ostrevik {

class PlotView;

// Which metric and which fault tag go with lower rings: the ring against a
// chosen metric as a scatter with the tags as marks, that correlation in
// words, a table of every metric's n, r, interval and Spearman's rho, and
// per tag the mean rings with and without it in words. Shows the take-ups
// it is given (one session in the window "Analyse", a shooter's season in
// the archive's). A click on a point or a metric's row chooses.
class ScorePanel : public QWidget {
    Q_OBJECT
public:
    explicit ScorePanel(QWidget* parent = nullptr);

    // The take-ups with a ring; the text shown when there are none.
    void setTakeUps(std::vector<ScoredTakeUp> takeUps, const QString& scope);
    void setEmptyText(const QString& text);
    // The metric of the scatter; until one is chosen, the one that goes most
    // strongly with the ring.
    void setMetric(Metric metric);
    Metric chosenMetric() const;
    // The take-up drawn larger (an index into the take-ups given).
    void setHighlighted(std::optional<size_t> index);

    const std::vector<ScoredTakeUp>& takeUps() const { return takeUps_; }
    const ScoreTable& table() const { return table_; }

    // What the panel shows: which take-ups, the correlation in words, a cell
    // of the metrics' table (row: the metric), the scatter.
    QString scopeText() const;
    QString wordsText() const;
    QString metricCell(int row, int column) const;
    PlotView& scatter() { return *Scatter; }

signals:
    // A point of the scatter was clicked (its index into the take-ups).
    void takeUpClicked(size_t index);

private:
    void showTable();
    void showMetric();

    QLabel* Scope = nullptr;
    QComboBox* MetricBox = nullptr;
    QLabel* Words = nullptr;
    PlotView* Scatter = nullptr;
    QTableWidget* Metrics = nullptr;
    QLabel* Tags = nullptr;

    std::vector<ScoredTakeUp> takeUps_;
    ScoreTable table_;
    QString scope_;
    QString emptyText_;
    std::optional<Metric> chosen_;
    std::optional<size_t> highlighted_;
};

}  // namespace ostrevik
