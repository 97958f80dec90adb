#pragma once

#include "measurement/MeasurementDocument.h"
#include "measurement/ui/DocumentHost.h"
#include "measurement/ui/DrawGridRasters.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QAction;
class QMdiSubWindow;
class QMenu;

namespace ostrevik {

// The window of one measurement document: a header row with the document's
// name, date and text, and one row per record showing its curve picture. It
// shows its document (MeasurementDocument, which it owns: header, file name,
// flags, record list), follows it while the device's live capture writes
// into it, and tells the user what reading and writing it came to. The main
// window places it in a sub-window of its frame; the window reaches the main
// window through DocumentHost.
class TMDIChild : public QWidget {
    Q_OBJECT
public:
    explicit TMDIChild(DocumentHost& host, QWidget* parent = nullptr);
    ~TMDIChild() override;

    // The document the window shows; it lives as long as the window.
    MeasurementDocument& Dokument() { return *dokument_; }
    const MeasurementDocument& Dokument() const { return *dokument_; }

    // File name, window caption and the caption of the window-menu entry
    // (the file name without its directory).
    void SetzeDateiname(const QString& name);
    // Reads the file named Dateiname into the (new, empty) document. False,
    // after telling the user, when the file cannot be read.
    bool DateiLaden();
    // Writes the document to Dateiname. False, after telling the user why,
    // when the file cannot be written; the document then stays changed. A
    // document that was not loaded whole is never written over its file.
    bool DateiSpeichern();
    // True when loading left records or samples out (too many records, or
    // records longer than the time axis).
    bool Unvollstaendig() const { return dokument_->Unvollstaendig(); }
    // The most records one file makes (a bound on memory; tests lower it).
    int MaxDatensaetze = kMaxDatensaetze;

    // Horizontal scrolling of the pictures: 50 pixels per step, or to either
    // end (the left end is time 0).
    void ScrollRight();
    void ScrollLeft();
    void ScrollHome();
    void ScrollEnd();
    static constexpr int kScrollSchritt = 50;

    // Display mode for every record (0 normal, 1 shot-aligned), the capture
    // target included; records appended later start in normal display.
    void AnzeigeModus(int mode);

    // Whether the window may close; asks to save a changed document. A save
    // that is cancelled or fails keeps the window open.
    bool FormCloseQuery();
    // Tells the main window that this document is the active one. Runs by
    // itself when the window's sub-window in the frame (or the stand-alone
    // window) is activated.
    void FormActivate();
    void FormClose();
    // The window's keys, seen before the grid: arrows scroll by a step, Home
    // and End to the ends, Delete removes the current record after asking.
    void FormKeyDown(int key);
    // A right click at a grid position: makes the row under it current and
    // prepares the menu; false when no menu is to be shown (on the capture
    // target's row, on the header, below the last row).
    bool DrawGrid1ContextPopup(const QPoint& pos);
    void Entfernen1Click();
    void DrawGrid1SelectCell(int row);
    // The header row: "Name - Datum - Text".
    void KopfZeichnen(QPainter& canvas, const QRect& rect);

    // Numbers, scales and labels every record and repaints them (after the
    // display settings changed).
    void Aktualisieren();

    // Grid row of the capture target.
    int LetzteZeile() const;
    // Makes the row of record index (0-based) current and scrolls it into view.
    void SelectRecord(int index);

private:
    MeasurementDocument* dokument_;  // a child: it goes with the window

public:
    // The document's parts under their own names.
    Rasters_t* const Liste;
    QString& Dateiname;
    Dateiheader_t& Kopf;
    bool& Unbenannt;
    bool& Geaendert;
    // The records in the grid's rows.
    std::unique_ptr<DrawGridRasters_t> Gitter;
    // The entry in the main window's "&Fenster" menu; destroyed when the
    // window closes.
    QPointer<QAction> FensterEintrag;

    TDrawGrid* DrawGrid1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* Entfernen1 = nullptr;

signals:
    // A record was appended (a take-up ended), removed, or a file was loaded.
    void RecordsChanged();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Follows the live capture: time 0 and the capture target's row when a
    // take-up starts, the newest point in view as samples arrive.
    void FolgeDerAufnahme();

    DocumentHost& host_;
    QPointer<QMdiSubWindow> unterfenster_;
};

}  // namespace ostrevik
