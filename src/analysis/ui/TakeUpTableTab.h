#pragma once

#include "analysis/AnalysisSettings.h"
#include "analysis/SessionAnalysis.h"
#include "analysis/TakeUpScore.h"

#include <QWidget>

#include <functional>
#include <vector>

class QDoubleSpinBox;
class QModelIndex;
class QTableView;

namespace ostrevik {

class TakeUpSortModel;
class TakeUpTableModel;

// The tab "Einzelwerte" of the window "Analyse": the thresholds of the fault
// tags above a table of every take-up with the ring of its shot, its metrics
// and its tags, sortable by every column. A row chosen becomes the
// highlighted take-up. The ring of a take-up with a shot is typed into its
// cell; Enter keeps it and goes on to the next take-up's ring, as a coach
// types the rings of a paper target one after the other.
class TakeUpTableTab : public QWidget {
    Q_OBJECT
public:
    // keepRing: keeps the ring typed for the take-up of record listIndex;
    // false when it is not kept (the coach has been told why and corrects
    // it before going on).
    using RingKeeper = std::function<bool(int listIndex, const QString& text)>;
    explicit TakeUpTableTab(RingKeeper keepRing, QWidget* parent = nullptr);
    ~TakeUpTableTab() override;

    // The rows of the analysis: take-ups added at the end are appended,
    // and of the others only the cells that changed are repainted.
    void showRows(const std::vector<TakeUpMetrics>& rows);
    void showScores(const SessionScores& scores);
    // The thresholds in their boxes, without telling anyone.
    void showThresholds(const FaultThresholds& thresholds);
    // Makes the row of the take-up of record listIndex current and scrolls
    // to it, without telling anyone.
    void selectTakeUp(int listIndex);

    // What the coach does: types thresholds, sorts, clicks a row, begins to
    // type a ring.
    void setThresholds(const FaultThresholds& thresholds);
    FaultThresholds thresholds() const;
    void sortBy(int column, Qt::SortOrder order);
    void chooseRow(int row);
    void editRing(int row);
    // The editor open in a ring's cell, or none.
    QWidget* ringEditor() const;

    // What the table shows. Rows count in the table's order (as sorted);
    // takeUpCell names a take-up by its record's index instead.
    int rowCount() const;
    int columnCount() const;
    int currentRow() const;
    int listIndexAt(int row) const;
    int rowOf(int listIndex) const;
    QString cellText(int row, int column) const;
    QString takeUpCell(int listIndex, int column) const;

signals:
    // The coach chose the row of the take-up of record listIndex.
    void takeUpChosen(int listIndex);
    // The coach changed a threshold.
    void thresholdsEdited();

private:
    void rowChosen(const QModelIndex& current);
    void nextRingRow();

    RingKeeper keepRing_;
    QDoubleSpinBox* zucken_ = nullptr;
    QDoubleSpinBox* nachlassen_ = nullptr;
    QDoubleSpinBox* unruhig_ = nullptr;
    QTableView* view_ = nullptr;
    TakeUpTableModel* model_ = nullptr;
    TakeUpSortModel* sorted_ = nullptr;
    bool choosingRow_ = false;
    bool ringRefused_ = false;
};

}  // namespace ostrevik
