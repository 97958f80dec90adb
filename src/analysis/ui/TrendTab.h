#pragma once

#include "analysis/Trend.h"

#include <QWidget>

class QComboBox;
class QTableWidget;

namespace ostrevik {

class AnalysisSource;
class PlotView;

// The tab "Verlauf" of the window "Analyse": one chosen metric over the
// session with the mean and SD of each series, and beside the plot per
// series (and overall) the count, mean and SD. The trend is worked out when
// the tab is shown: a change while it is hidden only marks it out of date.
class TrendTab : public QWidget {
    Q_OBJECT
public:
    explicit TrendTab(const AnalysisSource& source, QWidget* parent = nullptr);

    // The metric and series length in their boxes, without telling anyone.
    void showChoice(Metric metric, int seriesLength);
    // The analysis changed: the trend anew at once when shown is true,
    // otherwise at the next catchUp().
    void analysisChanged(bool shown);
    // Works the trend out when it is out of date.
    void catchUp();

    // What the coach chooses and sees.
    void chooseMetric(Metric metric);
    void chooseSeriesLength(int length);
    Metric chosenMetric() const;
    int seriesLength() const;
    // The trend as last shown.
    const Trend& trend() const { return trend_; }
    PlotView& plot() { return *plot_; }
    int seriesRowCount() const;
    int seriesColumnCount() const;
    QString seriesCell(int row, int column) const;
    bool seriesCellBold(int row, int column) const;
    int seriesColumnWidth(int column) const;

signals:
    // The coach chose another metric or series length.
    void choiceEdited();

private:
    void choiceMade();
    void showTrend();
    void fillSeriesTable();

    const AnalysisSource& source_;
    QComboBox* metricBox_ = nullptr;
    QComboBox* seriesBox_ = nullptr;
    PlotView* plot_ = nullptr;
    QTableWidget* seriesTable_ = nullptr;
    Trend trend_;
    bool stale_ = true;
};

}  // namespace ostrevik
