#pragma once

#include "analysis/AnalysisSettings.h"
#include "analysis/TakeUpScore.h"
#include "analysis/ui/AnalysisExtensions.h"
#include "analysis/ui/AnalysisSource.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <optional>

class QLabel;
class QTabWidget;

namespace ostrevik {

class OverlayTab;
class RingKeeper;
class RingTab;
class TMDIChild;
class TakeUpTableTab;
class TrendTab;

// The coach's window "Analyse" of one document: every take-up with a shot
// laid over the others at the shot ("Überlagerung"), the metrics and fault
// tags of every take-up ("Einzelwerte") with the ring of its shot, one metric
// over the session with its series ("Verlauf"), and which metrics and fault
// tags go with lower rings ("Ringe"). It follows the document while the
// shooter trains: shortly after a take-up ends it shows it. A curve or row
// chosen here is highlighted in every tab and becomes the current row of the
// document window too.
//
// The analysis is the document's live analysis, measured at each take-up's
// end; the window only shows it. A take-up that ended costs the tab shown its
// update; the others catch up when they are shown. While samples arrive the
// window does nothing.
//
// The rings come from their keeper (the season archive, handed in by the
// program as an extension): read when the window opens, comes to the front
// or its document is saved under another name, and kept when one is typed
// into the column "Ring". The settings (thresholds,
// series, metric) are kept in their file (AnalysisSettingsFile).
//
// The window belongs to its document window: it closes when the document
// does. Closing it only hides it; the menu command shows it again.
class AnalysisWindow : public QWidget {
    Q_OBJECT
public:
    // The tabs, in their order.
    enum Tab { kOverlayTab, kTableTab, kTrendTab, kRingTab };

    // The document's window, created at the first call, shown and brought to
    // the front.
    static AnalysisWindow* openFor(TMDIChild& document);

    // settingsPath: the analysis settings file (thresholds, series, metric);
    // extensions: who keeps the rings (the program's, when not given).
    explicit AnalysisWindow(TMDIChild& document,
                            const QString& settingsPath = defaultAnalysisSettingsPath(),
                            const AnalysisExtensions& extensions = analysisExtensions());
    ~AnalysisWindow() override;

    // Shows the document's analysis now (normally a take-up's end schedules
    // this, kUpdateDelayMs later).
    void refresh();
    // Highlights the take-up of record index listIndex in every tab and
    // makes its row current in the document window.
    void highlight(int listIndex);

    const SessionAnalysis& analysis() const { return source_.analysis(); }
    std::optional<int> highlighted() const { return highlighted_; }
    const AnalysisSettings& settings() const { return settings_.settings(); }
    // The rings of the document's take-ups, by number, and their keeping.
    const SessionScores& scores() const;
    RingKeeper& rings() { return *rings_; }

    // The tabs, and which is shown.
    void chooseTab(Tab tab);
    Tab currentTab() const;
    OverlayTab& overlayTab() { return *overlay_; }
    TakeUpTableTab& tableTab() { return *table_; }
    TrendTab& trendTab() { return *trend_; }
    RingTab& ringTab() { return *ringTab_; }
    // The take-ups the window shows (the rows of "Einzelwerte").
    int tableRowCount() const;
    // The warning under the tabs (settings that could not be kept); empty
    // when none is shown.
    QString statusText() const;

    // Several take-ups ending close together cost one update; the window
    // is still current well within a second of a take-up's end.
    static constexpr int kUpdateDelayMs = 200;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void recordsChanged();
    void showAnalysis();
    void showScores();
    void showSettings();
    void settingsSaved(bool saved);
    void thresholdsEdited();
    void trendChoiceEdited();
    void updateTitle();
    void catchUpShownTab();
    bool keepRing(int listIndex, const QString& text);
    void setHighlighted(std::optional<int> listIndex);

    QPointer<TMDIChild> document_;
    AnalysisSource source_;
    AnalysisSettingsFile settings_;
    RingKeeper* rings_ = nullptr;
    DisplaySettings displayUsed_{};
    QTabWidget* tabs_ = nullptr;
    OverlayTab* overlay_ = nullptr;
    TakeUpTableTab* table_ = nullptr;
    TrendTab* trend_ = nullptr;
    RingTab* ringTab_ = nullptr;
    QLabel* status_ = nullptr;
    std::optional<int> highlighted_;
    QTimer updateTimer_;
    bool stale_ = true;
};

}  // namespace ostrevik
