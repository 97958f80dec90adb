#include "measurement/ui/DrawGrid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

namespace ostrevik {

TDrawGrid::TDrawGrid(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
    // Everything on the viewport is painted by paintEvent.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(50);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    updateScrollBars();
}

void TDrawGrid::SetRowCount(int count) {
    count = std::max(count, 0);
    if (count == RowCount()) {
        return;
    }
    hoehen_.resize(static_cast<size_t>(count), defaultHoehe_);
    fixedRows_ = std::min(fixedRows_, count);
    row_ = clampRow(row_);
    updateScrollBars();
    viewport()->update();
}

void TDrawGrid::SetFixedRows(int count) {
    fixedRows_ = std::clamp(count, 0, RowCount());
    row_ = clampRow(row_);
    updateScrollBars();
    viewport()->update();
}

int TDrawGrid::RowHeight(int row) const {
    if (row < 0 || row >= RowCount()) {
        return 0;
    }
    return hoehen_[static_cast<size_t>(row)];
}

void TDrawGrid::SetRowHeight(int row, int height) {
    if (row < 0 || row >= RowCount() || hoehen_[static_cast<size_t>(row)] == height) {
        return;
    }
    hoehen_[static_cast<size_t>(row)] = std::max(height, 0);
    updateScrollBars();
    viewport()->update();
}

void TDrawGrid::SetColWidth(int width) {
    width = std::max(width, 0);
    if (width == spaltenBreite_) {
        return;
    }
    spaltenBreite_ = width;
    updateScrollBars();
    viewport()->update();
}

int TDrawGrid::clampRow(int row) const {
    if (RowCount() <= fixedRows_) {
        return std::max(RowCount() - 1, 0);
    }
    return std::clamp(row, fixedRows_, RowCount() - 1);
}

void TDrawGrid::SetRow(int row) {
    row = clampRow(row);
    if (row == row_) {
        ensureVisible(row);
        return;
    }
    const int alt = row_;
    row_ = row;
    ensureVisible(row);
    InvalidateRow(alt);
    InvalidateRow(row);
    if (OnSelectCell) {
        OnSelectCell(row);
    }
}

int TDrawGrid::TopRow() const {
    return fixedRows_ + verticalScrollBar()->value();
}

void TDrawGrid::SetTopRow(int row) {
    verticalScrollBar()->setValue(row - fixedRows_);
}

int TDrawGrid::LeftPos() const {
    return horizontalScrollBar()->value();
}

void TDrawGrid::SetLeftPos(int pixels) {
    horizontalScrollBar()->setValue(std::clamp(pixels, 0, MaxLeftPos()));
}

int TDrawGrid::MaxLeftPos() const {
    return std::max(0, spaltenBreite_ - viewport()->width());
}

int TDrawGrid::fixedHeight() const {
    int h = 0;
    for (int r = 0; r < fixedRows_; ++r) {
        h += RowHeight(r);
    }
    return h;
}

int TDrawGrid::maxTopRow() const {
    // The smallest top row that still shows the last row, as far down as
    // the rows fit; a last row taller than the view is its own top row.
    const int platz = viewport()->height() - fixedHeight();
    int top = RowCount();
    int summe = 0;
    while (top > fixedRows_ && summe + RowHeight(top - 1) <= platz) {
        summe += RowHeight(top - 1);
        --top;
    }
    if (top == RowCount()) {
        top = RowCount() - 1;
    }
    return std::max(top, fixedRows_);
}

int TDrawGrid::rowsOnPage() const {
    const int platz = viewport()->height() - fixedHeight();
    int n = 0;
    int summe = 0;
    for (int r = TopRow(); r < RowCount() && summe + RowHeight(r) <= platz; ++r) {
        summe += RowHeight(r);
        ++n;
    }
    return std::max(n, 1);
}

void TDrawGrid::updateScrollBars() {
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, std::max(0, maxTopRow() - fixedRows_));
    v->setPageStep(rowsOnPage());
    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, MaxLeftPos());
    h->setPageStep(std::max(viewport()->width(), 1));
}

void TDrawGrid::ensureVisible(int row) {
    if (row < fixedRows_ || row >= RowCount()) {
        return;
    }
    if (row < TopRow()) {
        SetTopRow(row);
        return;
    }
    int top = TopRow();
    int y = fixedHeight();
    for (int r = top; r < row; ++r) {
        y += RowHeight(r);
    }
    while (y + RowHeight(row) > viewport()->height() && top < row) {
        y -= RowHeight(top);
        ++top;
    }
    SetTopRow(top);
}

QRect TDrawGrid::FullCellRect(int row) const {
    if (row < 0 || row >= RowCount()) {
        return {};
    }
    int y = 0;
    if (row < fixedRows_) {
        for (int r = 0; r < row; ++r) {
            y += RowHeight(r);
        }
    } else {
        if (row < TopRow()) {
            return {};
        }
        y = fixedHeight();
        for (int r = TopRow(); r < row; ++r) {
            y += RowHeight(r);
            if (y >= viewport()->height()) {
                return {};
            }
        }
        if (y >= viewport()->height()) {
            return {};
        }
    }
    return QRect(-LeftPos(), y, spaltenBreite_, RowHeight(row));
}

QRect TDrawGrid::CellRect(int col, int row) const {
    if (col != 0) {
        return {};
    }
    return FullCellRect(row) & viewport()->rect();
}

int TDrawGrid::RowAt(int y) const {
    if (y < 0) {
        return -1;
    }
    int oben = 0;
    for (int r = 0; r < fixedRows_; ++r) {
        oben += RowHeight(r);
        if (y < oben) {
            return r;
        }
    }
    for (int r = TopRow(); r < RowCount(); ++r) {
        oben += RowHeight(r);
        if (y < oben) {
            return r;
        }
    }
    return -1;
}

int TDrawGrid::LastVisibleRow() const {
    int y = fixedHeight();
    int r = TopRow();
    while (r < RowCount() && y < viewport()->height()) {
        y += RowHeight(r);
        ++r;
    }
    return r - 1;
}

void TDrawGrid::Invalidate() {
    viewport()->update();
}

void TDrawGrid::InvalidateRow(int row) {
    const QRect r = CellRect(0, row);
    if (!r.isEmpty()) {
        viewport()->update(r);
    }
}

void TDrawGrid::paintEvent(QPaintEvent* event) {
    QPainter p(viewport());
    const QRect bereich = event->rect();
    p.fillRect(bereich, palette().color(QPalette::Base));
    if (!OnDrawCell) {
        return;
    }
    auto zelle = [&](int row, const QRect& rect, const QRect& clip) {
        const QRect sichtbar = rect & clip;
        if (sichtbar.isEmpty()) {
            return;
        }
        ZellZustand state;
        state.fixed = row < fixedRows_;
        state.selected = !state.fixed && row == row_;
        state.focused = state.selected && hasFocus();
        p.save();
        p.setClipRect(sichtbar);
        // The canvas's brush clears the cell: the fixed rows in the colour
        // of buttons, the others in the colour of the window.
        p.setBrush(palette().color(state.fixed ? QPalette::Button : QPalette::Base));
        p.setPen(Qt::NoPen);
        OnDrawCell(p, 0, row, rect, state);
        p.restore();
    };

    const int kopf = fixedHeight();
    int y = 0;
    for (int r = 0; r < fixedRows_; ++r) {
        zelle(r, QRect(-LeftPos(), y, spaltenBreite_, RowHeight(r)), bereich);
        y += RowHeight(r);
    }
    const QRect unterDemKopf =
        bereich & QRect(0, kopf, viewport()->width(), std::max(viewport()->height() - kopf, 0));
    y = kopf;
    for (int r = TopRow(); r < RowCount() && y < viewport()->height(); ++r) {
        zelle(r, QRect(-LeftPos(), y, spaltenBreite_, RowHeight(r)), unterDemKopf);
        y += RowHeight(r);
    }
}

void TDrawGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
    if (OnViewChanged) {
        OnViewChanged();
    }
}

void TDrawGrid::keyPressEvent(QKeyEvent* event) {
    const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    switch (event->key()) {
        case Qt::Key_Up:
            SetRow(row_ - 1);
            break;
        case Qt::Key_Down:
            SetRow(row_ + 1);
            break;
        case Qt::Key_PageUp:
            SetRow(row_ - rowsOnPage());
            break;
        case Qt::Key_PageDown:
            SetRow(row_ + rowsOnPage());
            break;
        case Qt::Key_Home:
            if (!ctrl) {
                event->ignore();
                return;
            }
            SetRow(fixedRows_);
            break;
        case Qt::Key_End:
            if (!ctrl) {
                event->ignore();
                return;
            }
            SetRow(RowCount() - 1);
            break;
        default:
            // Left, Right, Home and End belong to the document window, which
            // scrolls the pictures by pixels.
            event->ignore();
            return;
    }
    event->accept();
}

void TDrawGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const int row = RowAt(event->position().toPoint().y());
        if (row >= fixedRows_) {
            SetRow(row);
        }
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void TDrawGrid::wheelEvent(QWheelEvent* event) {
    const QPoint winkel = event->angleDelta();
    if (winkel.x() != 0) {
        SetLeftPos(LeftPos() - winkel.x() / 2);
    }
    if (winkel.y() != 0) {
        // One row per notch: a record row is nearly a screenful already.
        radRest_ += winkel.y();
        const int zeilen = radRest_ / 120;
        radRest_ -= zeilen * 120;
        SetTopRow(TopRow() - zeilen);
    }
    event->accept();
}

void TDrawGrid::scrollContentsBy(int, int dy) {
    viewport()->update();
    // Scrolling across leaves the same rows on screen.
    if (dy != 0 && OnViewChanged) {
        OnViewChanged();
    }
}

void TDrawGrid::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    InvalidateRow(row_);
}

void TDrawGrid::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    InvalidateRow(row_);
}

}  // namespace ostrevik
