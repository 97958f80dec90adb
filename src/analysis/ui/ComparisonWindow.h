#pragma once

#include "analysis/SessionComparison.h"
#include "analysis/TrainingSession.h"
#include "settings/DisplaySettings.h"

#include <QWidget>

#include <functional>
#include <vector>

class QPushButton;
class QTableWidget;

namespace ostrevik {

// The comparison's plots: the sessions' mean curves at the shot above, the
// key metrics per session with their intervals below, painted by the same
// code as the report's pages.
class ComparisonCanvas : public QWidget {
public:
    explicit ComparisonCanvas(QWidget* parent = nullptr);
    void setComparison(const SessionComparison* comparison);
    QSize sizeHint() const override { return {1000, 640}; }

    // Where the curves and the chart of each key metric are painted.
    QRectF curvesRect() const;
    QRectF metricRect(size_t index) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const SessionComparison* comparison_ = nullptr;
};

// "Trainingseinheiten vergleichen": several sessions side by side in the
// order of their dates, from measurement files or from the open documents,
// with the mean and 95 % interval of each key metric, so that a change
// between weeks can be told from noise. Non-modal; it keeps its own copy of
// the sessions.
class TComparisonForm : public QWidget {
    Q_OBJECT
public:
    // `display` are the program's live drawing settings (they outlive the
    // window); `openDocuments` takes the open documents as sessions;
    // `userName` names the user in the report.
    TComparisonForm(const DisplaySettings& display,
                    std::function<std::vector<TrainingSession>()> openDocuments,
                    std::function<QString()> userName, QWidget* parent = nullptr);

    // Compares these sessions (replacing those shown).
    void ShowSessions(std::vector<TrainingSession> sessions);
    // "Dateien wählen…": measurement files picked in the file dialog; a file
    // that cannot be read is reported and left out. False when cancelled.
    bool DateienWaehlen();
    // The sessions of these measurement files compared; a file that cannot
    // be read is said so.
    void DateienZeigen(const QStringList& paths);
    // "Geöffnete Dokumente".
    void GeoeffneteDokumente();
    // "Bericht als PDF…": the report of all sessions shown, with the
    // comparison. True when written.
    bool BerichtAlsPdf();

    const SessionComparison& Comparison() const { return comparison_; }
    // The table as shown: its rows, and the text of a cell.
    int TableRows() const;
    QString TableText(int row, int column) const;

private:
    void fillTable();

    ComparisonCanvas* Canvas = nullptr;
    QTableWidget* Tabelle = nullptr;
    QPushButton* ButtonDateien = nullptr;
    QPushButton* ButtonDokumente = nullptr;
    QPushButton* ButtonBericht = nullptr;
    QPushButton* ButtonSchliessen = nullptr;

    const DisplaySettings& display_;
    std::function<std::vector<TrainingSession>()> openDocuments_;
    std::function<QString()> userName_;
    std::vector<TrainingSession> sessions_;
    SessionComparison comparison_;
};

}  // namespace ostrevik
