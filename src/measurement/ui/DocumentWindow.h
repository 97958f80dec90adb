#pragma once

#include "device/CaptureDocument.h"
#include "measurement/ui/DocumentHost.h"
#include "measurement/ui/DrawGridRasters.h"
#include "measurement/MeasurementFile.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QAction;
class QMdiSubWindow;
class QMenu;

namespace ostrevik {

// The window of one measurement document: a header row with the document's
// name, date and text, and one row per record showing its curve picture. It
// owns the document (header, file name, flags, record list) and takes the
// live capture of the device when it is the active document. The main
// window places it in a sub-window of its frame and reaches it through the
// members below; the window reaches the main window through DocumentHost.
class TMDIChild : public QWidget, public CaptureDocument {
    Q_OBJECT
public:
    explicit TMDIChild(DocumentHost& host, QWidget* parent = nullptr);
    ~TMDIChild() override;

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
    bool Unvollstaendig() const;
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

    // CaptureDocument: the live capture into the last record.
    void RecordStarted() override;
    void SetCaptureThreshold(uint32_t threshold, bool repaint) override;
    void AppendCaptureSample(uint8_t sample) override;
    void RecordEnded() override;
    void BatchDone() override;

    // Grid row of the capture target.
    int LetzteZeile() const;
    // Makes the row of record index (0-based) current and scrolls it into view.
    void SelectRecord(int index);

    QString Dateiname;
    std::unique_ptr<DrawGridRasters_t> Liste;
    Dateiheader_t Kopf;
    bool Unbenannt = true;
    bool Geaendert = false;
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
    DocumentHost& host_;
    QPointer<QMdiSubWindow> unterfenster_;
    // The file a document loaded incompletely came from.
    QString unvollstaendigAus_;
};

}  // namespace ostrevik
