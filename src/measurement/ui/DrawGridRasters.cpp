#include "measurement/ui/DrawGridRasters.h"

#include <QPainter>

#include <algorithm>

namespace ostrevik {

DrawGridRasters_t::DrawGridRasters_t(TDrawGrid* grid, const DisplaySettings* einstellungen,
                                     int ersteZeile)
    : Rasters_t(50, 4, 60, 60), Grid(grid), ErsteZeile(ersteZeile) {
    Einstellungen = einstellungen;
    if (Grid) {
        Grid->OnDrawCell = [this](QPainter& p, int col, int row, const QRect& rect,
                                  TDrawGrid::ZellZustand state) {
            ZelleZeichnen(p, col, row, rect, state);
        };
        Grid->OnViewChanged = [this] { BilderBegrenzen(); };
    }
    Anhaengen();
}

DrawGridRasters_t::~DrawGridRasters_t() {
    if (Grid) {
        Grid->OnDrawCell = nullptr;
        Grid->OnViewChanged = nullptr;
    }
}

void DrawGridRasters_t::Anhaengen() {
    Rasters_t::Anhaengen();
    if (Erster) {
        // The grid's first record row exists from the start.
        Erster = false;
    } else if (Grid) {
        zeilenDazu(1);
    }
    if (Grid) {
        Letzter().NummerSetzen(Grid->RowCount() + zeilenOffen_ - ErsteZeile);
    }
    geaendert();
}

void DrawGridRasters_t::zeilenDazu(int n) {
    // In a batch the grid learns its new size once, at the end: every change
    // of the row count lets the scroll area lay itself out anew.
    if (stapelTiefe_ > 0) {
        zeilenOffen_ += n;
    } else {
        Grid->SetRowCount(Grid->RowCount() + n);
    }
}

void DrawGridRasters_t::Entfernen(int i) {
    if (i < 0 || i >= Anzahl()) {
        return;
    }
    Rasters_t::Entfernen(i);
    if (Grid) {
        zeilenDazu(-1);
    }
    geaendert();
}

void DrawGridRasters_t::geaendert() {
    if (stapelTiefe_ > 0) {
        anpassenOffen_ = true;
        return;
    }
    nachAenderung();
}

void DrawGridRasters_t::nachAenderung() {
    ZeilenAnpassen();
    BilderBegrenzen();
    if (OnRecordsChanged) {
        OnRecordsChanged();
    }
}

DrawGridRasters_t::Stapel::Stapel(DrawGridRasters_t& liste) : liste_(liste) {
    ++liste_.stapelTiefe_;
}

DrawGridRasters_t::Stapel::~Stapel() {
    if (--liste_.stapelTiefe_ == 0 && liste_.zeilenOffen_ != 0 && liste_.Grid) {
        liste_.Grid->SetRowCount(liste_.Grid->RowCount() + liste_.zeilenOffen_);
        liste_.zeilenOffen_ = 0;
    }
    if (liste_.stapelTiefe_ == 0 && liste_.anpassenOffen_) {
        liste_.anpassenOffen_ = false;
        liste_.nachAenderung();
    }
}

void DrawGridRasters_t::ZeilenAnpassen() {
    if (Grid) {
        for (int k = 0; k < Anzahl(); ++k) {
            const Rastermass_t& g = Datensatz(k).Raster;
            Grid->SetColWidth(g.Breite() + 2);
            Grid->SetRowHeight(ErsteZeile + k, g.Hoehe() + 2);
        }
    }
    Aktualisieren();
}

void DrawGridRasters_t::LetztenAnpassen() {
    if (!LetztenBeschriften()) {
        ZeilenAnpassen();
        return;
    }
    if (Grid) {
        const Rastermass_t& g = Letzter().Raster;
        Grid->SetColWidth(g.Breite() + 2);
        Grid->SetRowHeight(ErsteZeile + Anzahl() - 1, g.Hoehe() + 2);
        Grid->Invalidate();
    }
}

void DrawGridRasters_t::Aktualisieren() {
    Beschriften();
    if (Grid) {
        Grid->Invalidate();
    }
}

void DrawGridRasters_t::ZelleZeichnen(QPainter& canvas, int col, int row, const QRect& rect,
                                      TDrawGrid::ZellZustand state) {
    canvas.setPen(state.selected ? QPen(Qt::black, 1, Qt::DashLine)
                                 : QPen(Qt::white, 1, Qt::SolidLine));
    // Filled with the canvas's brush, so the cell is cleared and framed.
    canvas.drawRect(rect.adjusted(0, 0, -1, -1));
    if (row >= ErsteZeile) {
        const int index = row - ErsteZeile;
        if (index < Anzahl()) {
            Datensatz(index).InZelleKopieren(rect.adjusted(1, 1, -1, -1), canvas);
        }
    } else if (KopfZeichnen) {
        KopfZeichnen(canvas, col, row, rect, state);
    }
}

void DrawGridRasters_t::BilderBegrenzen() {
    if (Grid) {
        BilderBegrenzen(Grid->FirstVisibleRow() - ErsteZeile, Grid->LastVisibleRow() - ErsteZeile);
    }
}

int DrawGridRasters_t::SichtbareBreite() const {
    if (!Grid) {
        return 0;
    }
    const int breite = Grid->viewport()->width();
    return std::clamp(Grid->ColWidth() - Grid->LeftPos(), 0, breite);
}

bool DrawGridRasters_t::IstSichtbar(int row, int x) const {
    if (!Grid || row < 0 || row >= Grid->RowCount()) {
        return false;
    }
    // Only the horizontal extent counts: while a capture runs the newest
    // point must stay in view even when the user looks at another row.
    const int pos = Grid->LeftPos();
    return pos <= x && x <= pos + SichtbareBreite();
}

}  // namespace ostrevik
