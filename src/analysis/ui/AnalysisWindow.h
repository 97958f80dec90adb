#pragma once

#include "analysis/AnalysisSettings.h"
#include "analysis/OverlayPlot.h"
#include "analysis/SessionAnalysis.h"
#include "analysis/Trend.h"
#include "settings/DisplaySettings.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QTabWidget;
class QTableView;
class QTableWidget;

namespace ostrevik {

class PlotView;
class TMDIChild;
class TakeUpSortModel;
class TakeUpTableModel;

// The coach's window "Analyse" of one document: every take-up with a shot
// laid over the others at the shot ("Überlagerung"), the metrics and fault
// tags of every take-up ("Einzelwerte") and one metric over the session with
// its series ("Verlauf"). It follows the document while the shooter trains:
// shortly after a take-up ends it shows it. A curve or row chosen here is
// highlighted and becomes the current row of the document window too.
//
// A take-up that ended costs the window its own metrics, one more curve
// drawn into the overlay's picture of the others, the mean renewed from
// running sums and the cells of the table that changed; the trend waits
// until its tab is shown. While samples arrive the window does nothing.
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
    explicit AnalysisWindow(TMDIChild& document,
                            const QString& settingsPath = defaultAnalysisSettingsPath());
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
    QLabel* Status = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QWidget* createOverlayTab();
    QWidget* createTableTab();
    QWidget* createTrendTab();
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

    QPointer<TMDIChild> document_;
    QString settingsPath_;
    AnalysisSettings settings_;
    bool settingsSaved_ = true;
    DisplaySettings displayUsed_{};
    // A record as analysed: where it lived, its samples and threshold. A
    // document's records keep their place from creation to removal, so the
    // records analysed are still there, unchanged, when these agree.
    struct AnalysedRecord {
        uintptr_t address = 0;
        size_t samples = 0;
        uint32_t threshold = 0;
        bool operator==(const AnalysedRecord&) const = default;
    };
    std::optional<SessionAnalyser> analyser_;
    std::vector<AnalysedRecord> analysed_;
    OverlayCurveCache overlayCurves_;
    Trend trend_;
    bool trendStale_ = true;
    QWidget* trendTab_ = nullptr;
    std::optional<int> highlighted_;
    QTimer updateTimer_;
    bool stale_ = true;
    bool choosingRow_ = false;
};

}  // namespace ostrevik
