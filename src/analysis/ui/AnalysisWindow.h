#pragma once

#include "analysis/AnalysisSettings.h"
#include "analysis/OverlayPlot.h"
#include "analysis/SessionAnalysis.h"
#include "analysis/Trend.h"
#include "archive/DocumentScores.h"
#include "settings/DisplaySettings.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QTabWidget;
class QTableView;
class QTableWidget;

namespace ostrevik {

class LiveAnalysis;
class PlotView;
class ScorePanel;
class TMDIChild;
class TakeUpSortModel;
class TakeUpTableModel;

// The coach's window "Analyse" of one document: every take-up with a shot
// laid over the others at the shot ("Überlagerung"), the metrics and fault
// tags of every take-up ("Einzelwerte") with the ring of its shot, one metric
// over the session with its series ("Verlauf"), and which metrics and fault
// tags go with lower rings ("Ringe"). It follows the document while the
// shooter trains:
// shortly after a take-up ends it shows it. A curve or row chosen here is
// highlighted and becomes the current row of the document window too.
//
// A take-up that ended costs the window its own metrics, one more curve
// drawn into the overlay's picture of the others, the mean renewed from
// running sums and the cells of the table that changed; the trend waits
// until its tab is shown. While samples arrive the window does nothing.
//
// The rings live in the season archive under the session of the document's
// file: read when the window opens, comes to the front or its document is
// saved under another name, and written when one is typed into the column
// "Ring" or a target's list is imported. A ring changed costs the ring's
// cell, the tab "Ringe" (when shown) and the overlay when it is coloured by
// ring.
//
// The window belongs to its document window: it closes when the document
// does. Closing it only hides it; the menu command shows it again.
class AnalysisWindow : public QWidget {
    Q_OBJECT
public:
    // The document's window, created at the first call, shown and brought to
    // the front.
    static AnalysisWindow* openFor(TMDIChild& document);

    // settingsPath: the analysis settings file (thresholds, series, metric).
    // archivePath, archiveSettingsPath: the season archive and its settings
    // (empty: their default places).
    explicit AnalysisWindow(TMDIChild& document,
                            const QString& settingsPath = defaultAnalysisSettingsPath(),
                            const QString& archivePath = QString(),
                            const QString& archiveSettingsPath = QString());
    ~AnalysisWindow() override;

    // Analyses the document now and shows the result (normally a take-up's
    // end schedules this, kUpdateDelayMs later): take-ups added at the end
    // alone, anything else (a record removed, another time range) anew.
    void refresh();
    // Highlights the take-up of record index listIndex in the overlay and the
    // table and makes its row current in the document window.
    void highlight(int listIndex);

    const SessionAnalysis& analysis() const;
    // The trend of the metric chosen, as last shown in its tab.
    const Trend& trend() const { return trend_; }
    std::optional<int> highlighted() const { return highlighted_; }
    const AnalysisSettings& settings() const { return settings_; }

    // The rings of the document's take-ups, by number.
    const SessionScores& scores() const { return scores_.scores(); }
    // Reads the rings from the archive anew.
    void reloadScores();
    // A ring typed for the take-up of record listIndex ("9,8"; empty removes
    // it). False, after telling the user why, when it is not kept.
    bool typeRing(int listIndex, const QString& text);
    // Replaces the session's rings by these (a target's list); an empty
    // string when done, otherwise why not (German).
    QString importScores(const SessionScores& scores);

    // Several take-ups ending close together cost one analysis; the window
    // is still current well within a second of a take-up's end.
    static constexpr int kUpdateDelayMs = 200;

    QTabWidget* Tabs = nullptr;
    PlotView* Overlay = nullptr;
    QLabel* Caption = nullptr;
    QLabel* Legend = nullptr;
    QLabel* Selection = nullptr;
    QTableView* Table = nullptr;
    TakeUpTableModel* TableModel = nullptr;
    TakeUpSortModel* SortedTable = nullptr;
    QDoubleSpinBox* ZuckenBox = nullptr;
    QDoubleSpinBox* NachlassenBox = nullptr;
    QDoubleSpinBox* UnruhigBox = nullptr;
    PlotView* TrendView = nullptr;
    QComboBox* MetricBox = nullptr;
    QComboBox* SeriesBox = nullptr;
    QTableWidget* SeriesTable = nullptr;
    QCheckBox* RingFarben = nullptr;  // "Nach Ring färben"
    ScorePanel* Ringe = nullptr;
    QLabel* Status = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QWidget* createOverlayTab();
    QWidget* createTableTab();
    QWidget* createTrendTab();
    QWidget* createRingTab();
    const DisplaySettings& display() const;
    void recordsChanged();
    void showAnalysis();
    void showSettings();
    void thresholdsEdited();
    void trendChoiceEdited();
    void saveSettings();
    void updateTitle();
    void updateTrend();
    bool trendShown() const;
    void updateLegend();
    void updateSelectionText();
    void fillSeriesTable();
    void selectTableRow(int listIndex);
    void tableRowChosen(const QModelIndex& current);
    void showScores();
    bool ringTabShown() const;
    void updateRingTab();
    void showRingHighlight();
    void nextRingRow();

    QPointer<TMDIChild> document_;
    QString settingsPath_;
    AnalysisSettings settings_;
    bool settingsSaved_ = true;
    DisplaySettings displayUsed_{};
    // The document's analysis, shared with everyone who reads its figures.
    QPointer<LiveAnalysis> live_;
    OverlayCurveCache overlayCurves_;
    Trend trend_;
    bool trendStale_ = true;
    QWidget* trendTab_ = nullptr;
    DocumentScores scores_;
    RingColouring ringColouring_;
    bool ringTabStale_ = true;
    bool ringRefused_ = false;
    std::optional<int> highlighted_;
    QTimer updateTimer_;
    bool stale_ = true;
    bool choosingRow_ = false;
};

}  // namespace ostrevik
