#pragma once

#include "measurement/ui/DrawGrid.h"
#include "measurement/Rasters.h"

#include <QPointer>

namespace ostrevik {

// The record list of a document window, bound to the window's draw grid:
// row ErsteZeile + k shows record k, the rows above it are the header.
// Appending or removing a record adds or removes its row and refreshes the
// numbering of all records. Their pictures are produced when their rows are
// painted; when the view scrolls or resizes, or records come or go, the list
// trims them to its budget (BilderBegrenzen). Painting releases nothing.
class DrawGridRasters_t : public Rasters_t {
public:
    DrawGridRasters_t(TDrawGrid* grid, const DisplaySettings* einstellungen, int ersteZeile);
    ~DrawGridRasters_t() override;

    void Anhaengen() override;
    void Entfernen(int i) override;
    // The grid's cell drawing: clears and frames the cell (dashed black
    // around the current row, white elsewhere) and copies the record's
    // picture into it, or draws the header through KopfZeichnen.
    virtual void ZelleZeichnen(QPainter& canvas, int col, int row, const QRect& rect,
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
    using Rasters_t::BilderBegrenzen;
    void BilderBegrenzen();
    // True when picture column x of the row is within the visible part of
    // the grid.
    bool IstSichtbar(int row, int x) const;
    // Width of the visible part of the pictures.
    int SichtbareBreite() const;

    // While a Stapel lives, appending and removing records only adjusts the
    // rows; the refresh of all records follows once, when the last Stapel
    // ends. Used when a whole file is read.
    class Stapel {
    public:
        explicit Stapel(DrawGridRasters_t& liste);
        ~Stapel();
        Stapel(const Stapel&) = delete;
        Stapel& operator=(const Stapel&) = delete;

    private:
        DrawGridRasters_t& liste_;
    };

    QPointer<TDrawGrid> Grid;  // not owned
    bool Erster = true;
    int ErsteZeile = 1;
    TDrawGrid::CellDrawer KopfZeichnen;
    // After a record was appended or removed (after a whole Stapel, once).
    std::function<void()> OnRecordsChanged;

private:
    void geaendert();
    // After records came or went (or a Stapel of them).
    void nachAenderung();
    void zeilenDazu(int n);

    int stapelTiefe_ = 0;
    bool anpassenOffen_ = false;
    int zeilenOffen_ = 0;  // grid rows added or removed in the batch, not yet set
};

}  // namespace ostrevik
