#include "app/ArchiveMenu.h"

#include "analysis/ui/ComparisonWindow.h"
#include "app/MainWindow.h"
#include "archive/ui/ArchiveWindow.h"
#include "common/ModalUi.h"
#include "measurement/DocumentWindow.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>

namespace ostrevik {
namespace {

// The main window as the archive window sees it. It lives as long as the
// archive window, as its child.
class MainWindowArchiveHost : public QObject, public ArchiveWindowHost {
public:
    explicit MainWindowArchiveHost(TForm1& form) : form_(form) {}

    void OpenDocument(const QString& path) override {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        form_.OpenDocumentWindow(path)->DateiLaden();
        QApplication::restoreOverrideCursor();
    }

    void CompareFiles(const QStringList& paths) override {
        std::vector<TrainingSession> sessions;
        QStringList errors;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        for (const QString& path : paths) {
            TrainingSession s;
            QString error;
            if (loadTrainingSession(path, s, error)) {
                sessions.push_back(std::move(s));
            } else {
                errors << error;
            }
        }
        QApplication::restoreOverrideCursor();
        for (const QString& error : errors) {
            modalUi().message(&form_, error, QStringLiteral("Fehler"), MessageButtons::Ok);
        }
        TComparisonForm* window = form_.findChild<TComparisonForm*>();
        if (!window) {
            TForm1& form = form_;
            window = new TComparisonForm(
                form.LiveSettings,
                [&form] {
                    std::vector<TrainingSession> open;
                    for (const TMDIChild* child : form.DocumentWindows()) {
                        open.push_back(
                            snapshotSession(child->Dateiname, child->Kopf, *child->Liste));
                    }
                    return open;
                },
                [&form] { return form.Config.userName(); }, &form);
        }
        window->ShowSessions(std::move(sessions));
        window->show();
        window->raise();
        window->activateWindow();
    }

    QString UserName() const override { return form_.Config.userName(); }
    DisplaySettings Display() const override { return form_.LiveSettings; }

private:
    TForm1& form_;
};

void showArchive(TForm1& form) {
    TArchiveForm& window = ArchiveWindow(form);
    if (!window.OpenArchive()) {
        modalUi().message(&form, window.Hinweis->text(), QStringLiteral("Fehler"),
                          MessageButtons::Ok);
    }
    window.show();
    window.raise();
    window.activateWindow();
}

}  // namespace

TArchiveForm& ArchiveWindow(TForm1& form) {
    if (auto* window = form.findChild<TArchiveForm*>()) {
        return *window;
    }
    auto* host = new MainWindowArchiveHost(form);
    auto* window = new TArchiveForm(*host, QString(), QString(), &form);
    host->setParent(window);
    return *window;
}

void AddArchiveCommands(QMenu& menu, TForm1& form) {
    menu.addSeparator();
    QMenu* archive = menu.addMenu(QStringLiteral("Trainings&archiv"));
    archive->setObjectName(QStringLiteral("Trainingsarchiv"));
    archive->addAction(QStringLiteral("Archiv &anzeigen…"), &form, [&form] { showArchive(form); });
    archive->addAction(QStringLiteral("&Dateien aufnehmen…"), &form, [&form] {
        showArchive(form);
        ArchiveWindow(form).DateienAufnehmen();
    });
    archive->addAction(QStringLiteral("&Ordner aufnehmen…"), &form, [&form] {
        showArchive(form);
        ArchiveWindow(form).OrdnerAufnehmen();
    });
}

}  // namespace ostrevik
