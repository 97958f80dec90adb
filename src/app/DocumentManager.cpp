#include "app/DocumentManager.h"

#include "archive/ArchiveFileCopies.h"
#include "common/Texts.h"
#include "common/ui/ModalUi.h"
#include "common/ui/WaitCursor.h"
#include "device/DeviceSession.h"
#include "measurement/ui/DocumentWindow.h"

#include <QAction>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

namespace ostrevik {

QString UntitledName(int openWindows) {
    return QStringLiteral("UNBENANNT%1.pvo").arg(openWindows + 1);
}

DocumentManager::DocumentManager(QMdiArea& area, QMenu& windowMenu, DeviceSession& session,
                                 const DisplaySettings& display, std::function<QString()> userName,
                                 QWidget& window)
    : QObject(&window),
      area_(area),
      windowMenu_(windowMenu),
      session_(session),
      display_(display),
      userName_(std::move(userName)),
      window_(window) {
    connect(&area_, &QMdiArea::subWindowActivated, this, [](QMdiSubWindow* sub) {
        if (sub) {
            if (auto* child = qobject_cast<TMDIChild*>(sub->widget())) {
                child->FormActivate();
            }
        }
    });
}

QList<TMDIChild*> DocumentManager::All() const {
    QList<TMDIChild*> out;
    for (QMdiSubWindow* sub : area_.subWindowList(QMdiArea::CreationOrder)) {
        if (auto* child = qobject_cast<TMDIChild*>(sub->widget())) {
            out << child;
        }
    }
    return out;
}

QMdiSubWindow* DocumentManager::SubWindowOf(TMDIChild* child) const {
    for (QMdiSubWindow* sub : area_.subWindowList()) {
        if (sub->widget() == child) {
            return sub;
        }
    }
    return nullptr;
}

TMDIChild* DocumentManager::OpenDocumentWindow(const QString& name) {
    auto* child = new TMDIChild(*this);
    QMdiSubWindow* sub = area_.addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->resize(759, 368);
    auto* entry = new QAction(&windowMenu_);
    child->FensterEintrag = entry;
    connect(entry, &QAction::triggered, this, [this, child] {
        if (QMdiSubWindow* s = SubWindowOf(child)) {
            s->showNormal();
            area_.setActiveSubWindow(s);
            s->raise();
        }
    });
    child->SetzeDateiname(name);
    sub->show();
    area_.setActiveSubWindow(sub);
    active_ = child;
    child->FormActivate();
    windowMenu_.addAction(entry);
    entry->setEnabled(windowMenu_.menuAction()->isEnabled());
    session_.SendMeasure();
    return child;
}

void DocumentManager::DateiNeu() {
    if (!session_.ConnectDevice()) {
        return;
    }
    NewDocument();
}

TMDIChild* DocumentManager::NewDocument(const QString& path) {
    TMDIChild* child =
        OpenDocumentWindow(path.isEmpty() ? UntitledName(static_cast<int>(All().size())) : path);
    child->Unbenannt = path.isEmpty();
    child->Kopf.setDatum(QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat));
    return child;
}

void DocumentManager::Oeffnen() {
    FileDialogRequest request;
    request.filter = Texts::kPvoFilter;
    request.defaultSuffix = QStringLiteral("pvo");
    // The dialog holds the file it held the last time.
    request.initialPath = lastDialogPath_;
    const QString path = modalUi().openFileName(&window_, request);
    if (path.isEmpty()) {
        return;
    }
    lastDialogPath_ = path;
    Open(path);
}

void DocumentManager::Open(const QString& path) {
    // Through the whole load; a message box takes it down itself.
    const WaitCursor wait;
    Laden(path);
}

void DocumentManager::Laden(const QString& path) {
    TMDIChild* child = OpenDocumentWindow(path);
    child->DateiLaden();
    // A session opened from the archive's copy (its file is on another PC)
    // is only read: "Speichern" asks for a name as "Speichern unter…" does,
    // so the copy never becomes the session's file, not even for root,
    // whom its write protection does not stop.
    if (isSessionFileCopy(path)) {
        child->Unbenannt = true;
    }
}

bool DocumentManager::SaveDocument(TMDIChild* child) {
    if (!child) {
        return false;
    }
    if (child->Unbenannt) {
        FileDialogRequest request;
        request.filter = Texts::kPvoFilter;
        request.defaultSuffix = QStringLiteral("pvo");
        request.initialPath = child->Dateiname;
        if (QFileInfo(child->Dateiname).isRelative() || isSessionFileCopy(child->Dateiname)) {
            // A new document has no folder yet: the one last used.
            const QString folder = lastDialogPath_.isEmpty()
                                       ? QDir::homePath()
                                       : QFileInfo(lastDialogPath_).absolutePath();
            request.initialPath = QDir(folder).filePath(QFileInfo(child->Dateiname).fileName());
        }
        const QString path = modalUi().saveFileName(&window_, request);
        if (path.isEmpty()) {
            return false;
        }
        lastDialogPath_ = path;
        child->SetzeDateiname(path);
        child->Unbenannt = false;
    }
    if (!child->DateiSpeichern()) {
        return false;
    }
    emit saved(child->Dateiname, child);
    return true;
}

void DocumentManager::Speichern() {
    SaveDocument(active_);
}

void DocumentManager::SpeichernUnter() {
    if (active_) {
        active_->Unbenannt = true;
        SaveDocument(active_);
    }
}

bool DocumentManager::AlleSchliessenFragen() {
    // Records keep arriving while a question is open: a document asked before
    // and given records since is asked again, so none is lost unasked.
    QHash<TMDIChild*, int> asked;
    for (bool again = true; again;) {
        again = false;
        for (TMDIChild* child : All()) {
            const auto it = asked.constFind(child);
            if (it != asked.constEnd() && *it == child->Liste->Anzahl()) {
                continue;
            }
            if (!child->FormCloseQuery()) {
                return false;
            }
            asked[child] = child->Liste->Anzahl();
            again = true;
        }
    }
    return true;
}

void DocumentManager::GeaendertVergessen() {
    for (TMDIChild* child : All()) {
        child->Geaendert = false;
    }
}

QStringList DocumentManager::OpenFiles() const {
    QStringList files;
    for (const TMDIChild* child : All()) {
        files << child->Dateiname;
    }
    return files;
}

void DocumentManager::AlleAktualisieren() {
    for (TMDIChild* child : All()) {
        child->Aktualisieren();
    }
}

void DocumentManager::NaechstesFenster() {
    area_.activateNextSubWindow();
}

void DocumentManager::VorherigesFenster() {
    area_.activatePreviousSubWindow();
}

void DocumentManager::Ueberlappend() {
    area_.cascadeSubWindows();
}

void DocumentManager::SymboleAnordnen() {
    // Minimised windows line up along the bottom edge of the frame.
    int x = 0;
    for (QMdiSubWindow* sub : area_.subWindowList()) {
        if (sub->isMinimized()) {
            const QSize size = sub->size();
            sub->move(x, area_.viewport()->height() - size.height());
            x += size.width();
        }
    }
}

void DocumentManager::DocumentActivated(TMDIChild* child) {
    active_ = child;
    emit documentActivated();
}

void DocumentManager::DocumentClosed(TMDIChild* child) {
    if (active_ == child) {
        active_ = nullptr;
    }
    emit documentClosed();
}

void DocumentManager::ShowDisplayMode(int mode) {
    emit displayModeShown(mode);
}

}  // namespace ostrevik
