#pragma once

#include "analysis/ui/ActiveDocuments.h"
#include "measurement/ui/DocumentHost.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QWidget;

namespace ostrevik {

class DeviceSession;
class TMDIChild;

// The documents of the program: their windows in the frame, new, open, save
// and save as, the questions when the program closes, the list of open files
// kept in the settings, the folder the file dialogs start in, and one entry
// per document in the menu "&Fenster".
class DocumentManager : public QObject, public DocumentHost, public ActiveDocuments {
    Q_OBJECT
public:
    // windowMenu gets the documents' entries; userName names the user in
    // reports.
    DocumentManager(QMdiArea& area, QMenu& windowMenu, DeviceSession& session,
                    const DisplaySettings& display, std::function<QString()> userName,
                    QWidget& window);

    // ActiveChild, or none.
    TMDIChild* Active() const override { return active_; }
    // In the frame's order.
    QList<TMDIChild*> All() const override;
    const DisplaySettings& Display() const override { return display_; }
    QString UserName() const override { return userName_(); }
    QWidget* DialogParent() const override { return &window_; }
    // The frame the document windows live in.
    QMdiArea& Area() const { return area_; }

    // A new document window with the given file name, made the active one;
    // the device is asked for a record.
    TMDIChild* OpenDocumentWindow(const QString& name);
    // "Datei neu": connects first; no document without a connection.
    void DateiNeu();
    // A new document without asking the device first, named `path` (saved
    // there without a question) or, without one, "UNBENANNT<n>.pvo": where
    // a drill started with the program captures.
    TMDIChild* NewDocument(const QString& path = {});
    // "&Öffnen".
    void Oeffnen();
    // Opens a measurement file as "&Öffnen" would (start files, reopened
    // documents).
    void Laden(const QString& path);
    // The same with the wait cursor (a file chosen elsewhere).
    void Open(const QString& path) override;
    void Speichern();
    void SpeichernUnter();
    // Asks each document whether it may close, again for one that got
    // records since it was asked; false when one refused.
    bool AlleSchliessenFragen();
    // After the questions: the windows close without asking again.
    void GeaendertVergessen();
    // The paths of the open documents, in the frame's order.
    QStringList OpenFiles() const;
    // Every document drawn anew with the present display settings.
    void AlleAktualisieren();

    // "&Fenster": activates the next or the previous window, cascades them,
    // lines the minimised ones up along the bottom edge.
    void NaechstesFenster();
    void VorherigesFenster();
    void Ueberlappend();
    void SymboleAnordnen();

    // DocumentHost
    void DocumentActivated(TMDIChild* child) override;
    void DocumentClosed(TMDIChild* child) override;
    void ShowDisplayMode(int mode) override;
    bool SaveDocument(TMDIChild* child) override;
    const DisplaySettings& Settings() const override { return display_; }

signals:
    void documentActivated();
    void documentClosed();
    void displayModeShown(int mode);
    // A document was written to this file.
    void saved(const QString& path, TMDIChild* child);

private:
    QMdiSubWindow* SubWindowOf(TMDIChild* child) const;

    QMdiArea& area_;
    QMenu& windowMenu_;
    DeviceSession& session_;
    const DisplaySettings& display_;
    std::function<QString()> userName_;
    QWidget& window_;
    TMDIChild* active_ = nullptr;
    // The file the open and save dialogs held last.
    QString lastDialogPath_;
};

// "UNBENANNT<n>.pvo".
QString UntitledName(int openWindows);

}  // namespace ostrevik
