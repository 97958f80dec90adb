#pragma once

#include "measurement/MeasurementDocument.h"
#include "measurement/ui/DrawGrid.h"

#include <QMetaObject>
#include <QPointer>

#include <functional>

namespace ostrevik {

// A document's record list bound to a document window's draw grid: row
// ErsteZeile + k shows record k, the rows above it are the header. It follows
// the document: a record appended or removed adds or removes its row and
// refreshes the numbering of all records. Their pictures are produced when
// their rows are painted; when the view scrolls or resizes, or records come
// or go, the list trims them to its budget (BilderBegrenzen). Painting
// releases nothing.
class DrawGridRasters_t {
public:
    DrawGridRasters_t(TDrawGrid* grid, MeasurementDocument& document, int ersteZeile);
    ~DrawGridRasters_t();
    DrawGridRasters_t(const DrawGridRasters_t&) = delete;
    DrawGridRasters_t& operator=(const DrawGridRasters_t&) = delete;

    Rasters_t& Liste() { return document_.Liste(); }
    const Rasters_t& Liste() const { return document_.Liste(); }

    // The grid's cell drawing: clears and frames the cell (dashed black
    // around the current row, white elsewhere) and copies the record's
    // picture into it, or draws the header through KopfZeichnen.
    void ZelleZeichnen(QPainter& canvas, int col, int row, const QRect& rect,
                       TDrawGrid::ZellZustand state);

    // Sizes the column and the record rows to the pictures, then
    // Aktualisieren().
    void ZeilenAnpassen();
    // Numbers, scales and labels every record and repaints the grid.
    void Aktualisieren();
    // After live samples: the capture target's row alone, or everything
    // (ZeilenAnpassen) when more than its samples has changed.
    void LetztenAnpassen();
    // Trims the pictures to the budget for the rows now on screen.
    void BilderBegrenzen();
    // True when picture column x of the row is within the visible part of
    // the grid.
    bool IstSichtbar(int row, int x) const;
    // Width of the visible part of the pictures.
    int SichtbareBreite() const;

    QPointer<TDrawGrid> Grid;  // not owned
    int ErsteZeile = 1;
    TDrawGrid::CellDrawer KopfZeichnen;
    // After a record was appended or removed (after a whole file, once).
    std::function<void()> OnRecordsChanged;

private:
    // After records came or went: the rows follow the list.
    void nachAenderung();

    MeasurementDocument& document_;
    QList<QMetaObject::Connection> connections_;
};

}  // namespace ostrevik
