#pragma once

#include <QAbstractScrollArea>

#include <functional>
#include <vector>

namespace ostrevik {

// A grid of owner-drawn rows in one column, as the document window needs it:
// fixed rows at the top that stay in place when the rows scroll, record rows
// of individual heights, one column that may be much wider than the window
// and scrolls horizontally by pixels, and a current row. The grid draws no
// content of its own: every exposed cell is handed to the cell-drawing
// callback. Vertical scrolling moves by whole rows.
class TDrawGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    struct ZellZustand {
        bool selected = false;  // the current row
        bool focused = false;   // the current row while the grid has the focus
        bool fixed = false;     // a fixed (header) row
    };
    using CellDrawer =
        std::function<void(QPainter&, int col, int row, const QRect& rect, ZellZustand state)>;

    explicit TDrawGrid(QWidget* parent = nullptr);

    int RowCount() const { return static_cast<int>(hoehen_.size()); }
    void SetRowCount(int count);
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int count);
    int RowHeight(int row) const;
    void SetRowHeight(int row, int height);
    // Height given to rows that are added.
    int DefaultRowHeight() const { return defaultHoehe_; }
    void SetDefaultRowHeight(int height) { defaultHoehe_ = height; }
    int ColWidth() const { return spaltenBreite_; }
    void SetColWidth(int width);

    // The current row (never a fixed row while there is another).
    int Row() const { return row_; }
    // Makes a row current and scrolls it into view; the select handler runs
    // when the row changes.
    void SetRow(int row);
    // First record row on screen below the fixed rows.
    int TopRow() const;
    void SetTopRow(int row);
    // Horizontal scroll position in pixels, between 0 and MaxLeftPos().
    int LeftPos() const;
    void SetLeftPos(int pixels);
    int MaxLeftPos() const;

    // The part of a cell that is on screen, in viewport coordinates; empty
    // when the row is not on screen.
    QRect CellRect(int col, int row) const;
    // The whole cell in viewport coordinates (it may reach far beyond the
    // viewport); empty when the row is not on screen.
    QRect FullCellRect(int row) const;
    // The row at a viewport y, or -1 below the last row.
    int RowAt(int y) const;
    // First and last row (partly) on screen below the fixed rows; last < first
    // when none is.
    int FirstVisibleRow() const { return TopRow(); }
    int LastVisibleRow() const;

    void Invalidate();
    void InvalidateRow(int row);

    CellDrawer OnDrawCell;
    std::function<void(int row)> OnSelectCell;
    // After the rows on screen may have changed: vertical scrolling, a new
    // size. Never called while painting: a paint changes nothing but the
    // screen.
    std::function<void()> OnViewChanged;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int fixedHeight() const;
    int maxTopRow() const;
    int rowsOnPage() const;
    void updateScrollBars();
    void ensureVisible(int row);
    int clampRow(int row) const;

    int radRest_ = 0;  // wheel rotation not yet turned into rows
    std::vector<int> hoehen_;
    int fixedRows_ = 0;
    int defaultHoehe_ = 24;
    int spaltenBreite_ = 64;
    int row_ = 0;
};

}  // namespace ostrevik
