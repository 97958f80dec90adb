#pragma once

#include "analysis/SessionAnalysis.h"
#include "analysis/TakeUpScore.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

#include <vector>

namespace ostrevik {

// The take-ups of a document as table rows: the record's number, the ring
// of its shot, every metric and the fault tags. Row i is the document's
// record i, so that new take-ups are appended as rows and a selection
// survives them. The ring of a take-up with a shot can be typed in; the
// model only passes what was typed on (ringTyped) and shows the rings it is
// given.
class TakeUpTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The value a column sorts by: a number, the tags' words, or nothing
    // (an empty value) for a take-up that has none.
    static constexpr int kSortRole = Qt::UserRole;
    // The row's record index in the document's list.
    static constexpr int kListIndexRole = Qt::UserRole + 1;
    static constexpr int kNumberColumn = 0;
    static constexpr int kRingColumn = 1;
    static constexpr int kTagsColumn = kMetricCount + 2;

    using QAbstractTableModel::QAbstractTableModel;

    // Takes the rows of a new analysis. More rows than before are appended
    // to the old ones, and the old ones' changed cells announced; fewer (a
    // record was removed) replace them all.
    void setRows(const std::vector<TakeUpMetrics>& rows);
    // The rings by take-up number; only the cells whose ring changed are
    // announced.
    void setScores(const SessionScores& scores);
    static int columnOf(Metric metric) { return static_cast<int>(metric) + 2; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

signals:
    // The text typed into the ring cell of record listIndex.
    void ringTyped(int listIndex, const QString& text);

private:
    // Whether a cell shows the same for both.
    static bool sameCell(const TakeUpMetrics& a, const TakeUpMetrics& b, int column);

    std::vector<TakeUpMetrics> rows_;
    SessionScores scores_;
};

// Sorts the take-ups by any column. Take-ups without a value stay at the end
// in either direction, in their document order: a coach sorting by shot
// pressure wants the take-ups with a shot first, not the empty cells.
class TakeUpSortModel : public QSortFilterProxyModel {
    Q_OBJECT
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};

}  // namespace ostrevik
