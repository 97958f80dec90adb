#include "measurement/ui/DrawGridRasters.h"

#include <QPainter>

#include <algorithm>

namespace ostrevik {

DrawGridRasters_t::DrawGridRasters_t(TDrawGrid* grid, MeasurementDocument& document, int ersteZeile)
    : Grid(grid), ErsteZeile(ersteZeile), document_(document) {
    if (Grid) {
        Grid->OnDrawCell = [this](QPainter& p, int col, int row, const QRect& rect,
                                  TDrawGrid::ZellZustand state) {
            ZelleZeichnen(p, col, row, rect, state);
        };
        Grid->OnViewChanged = [this] { BilderBegrenzen(); };
        Grid->SetRowCount(ErsteZeile + Liste().Anzahl());
    }
    const auto changed = [this] { nachAenderung(); };
    connections_ << QObject::connect(&document_, &MeasurementDocument::recordAppended, changed)
                 << QObject::connect(&document_, &MeasurementDocument::recordRemoved, changed)
                 << QObject::connect(&document_, &MeasurementDocument::recordsReset, changed);
    nachAenderung();
}

DrawGridRasters_t::~DrawGridRasters_t() {
    for (const QMetaObject::Connection& c : connections_) {
        QObject::disconnect(c);
    }
    if (Grid) {
        Grid->OnDrawCell = nullptr;
        Grid->OnViewChanged = nullptr;
    }
}

void DrawGridRasters_t::nachAenderung() {
    if (Grid) {
        Grid->SetRowCount(ErsteZeile + Liste().Anzahl());
    }
    ZeilenAnpassen();
    BilderBegrenzen();
    if (OnRecordsChanged) {
        OnRecordsChanged();
    }
}

void DrawGridRasters_t::ZeilenAnpassen() {
    if (Grid) {
        for (int k = 0; k < Liste().Anzahl(); ++k) {
            const Rastermass_t& g = Liste().Datensatz(k).Raster;
            Grid->SetColWidth(g.Breite() + 2);
            Grid->SetRowHeight(ErsteZeile + k, g.Hoehe() + 2);
        }
    }
    Aktualisieren();
}

void DrawGridRasters_t::LetztenAnpassen() {
    if (!Liste().LetztenBeschriften()) {
        ZeilenAnpassen();
        return;
    }
    if (Grid) {
        const Rastermass_t& g = Liste().Letzter().Raster;
        Grid->SetColWidth(g.Breite() + 2);
        Grid->SetRowHeight(ErsteZeile + Liste().Anzahl() - 1, g.Hoehe() + 2);
        Grid->Invalidate();
    }
}

void DrawGridRasters_t::Aktualisieren() {
    Liste().Beschriften();
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
        if (index < Liste().Anzahl()) {
            Liste().Datensatz(index).InZelleKopieren(rect.adjusted(1, 1, -1, -1), canvas);
        }
    } else if (KopfZeichnen) {
        KopfZeichnen(canvas, col, row, rect, state);
    }
}

void DrawGridRasters_t::BilderBegrenzen() {
    if (Grid) {
        Liste().BilderBegrenzen(Grid->FirstVisibleRow() - ErsteZeile,
                                Grid->LastVisibleRow() - ErsteZeile);
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
