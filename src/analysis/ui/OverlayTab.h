#pragma once

#include "analysis/OverlayPlot.h"
#include "analysis/ScoreStatistics.h"

#include <QWidget>

#include <optional>

class QCheckBox;
class QLabel;

namespace ostrevik {

class AnalysisSource;
class PlotView;

// The tab "Überlagerung" of the window "Analyse": every take-up with a shot
// laid over the others at the shot, with the caption counting them, the
// legend, the box "Nach Ring färben" and below the plot the figures of the
// highlighted take-up. A take-up that ended costs the plot one more curve
// drawn into its picture of the others and the mean renewed.
class OverlayTab : public QWidget {
    Q_OBJECT
public:
    explicit OverlayTab(const AnalysisSource& source, QWidget* parent = nullptr);

    // The analysis changed: caption, legend, the highlighted take-up's
    // figures and the plot anew.
    void showAnalysis();
    // The take-up drawn in the shot colour and named below the plot.
    void setHighlighted(std::optional<int> listIndex);
    // The rings of the take-ups: the figures name the highlighted one's, and
    // the curves can take their colours.
    void setScores(const SessionScores& scores);

    // What the coach sees and does.
    QString caption() const;
    QString selectionText() const;
    bool canColourByRing() const;
    bool colouredByRing() const;
    void colourByRing(bool on);
    // The plot: its picture as on screen, where its values lie, its clicks.
    PlotView& plot() { return *plot_; }

signals:
    // The coach clicked the curve of the take-up of record listIndex.
    void curveChosen(int listIndex);

private:
    void setCaption(const QString& text);
    void updateLegend();
    void updateSelectionText();

    const AnalysisSource& source_;
    QLabel* caption_ = nullptr;
    QLabel* legend_ = nullptr;
    QLabel* selection_ = nullptr;
    QCheckBox* byRing_ = nullptr;
    PlotView* plot_ = nullptr;
    OverlayCurveCache curves_;
    SessionScores scores_;
    RingColouring ringColouring_;
    std::optional<int> highlighted_;
};

}  // namespace ostrevik
