#include "archive/ui/ArchiveWindow.h"

#include "archive/ArchiveTexts.h"

#include <QEvent>
#include <QSqlDriver>
#include <QTimer>

// How the window "Trainingsarchiv" follows its archive: opened (again after
// "Archiv wählen…" or a lost connection), read again when the window comes
// back to the front, and, on a server, when another PC announces a change.

namespace ostrevik {

void TArchiveForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Other PCs write into a server's archive: coming back to the window
    // shows what they added, with the shooter and sessions chosen kept.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && archive_ &&
        archive_->onServer()) {
        Refresh();
    }
}

void TArchiveForm::watch() {
    QSqlDriver* driver = archive_ ? archive_->watchChanges() : nullptr;
    if (!driver) {
        return;
    }
    // Another PC's change is shown at once; the window's own are shown by
    // the command that made them. A burst of changes (an import, file by
    // file) is read once.
    connect(driver, &QSqlDriver::notification, this,
            [this](const QString&, QSqlDriver::NotificationSource source, const QVariant&) {
                if (source == QSqlDriver::OtherSource && !refreshPending_) {
                    refreshPending_ = true;
                    QTimer::singleShot(kRefreshDelayMs, this, [this] {
                        refreshPending_ = false;
                        Refresh();
                    });
                }
            });
}

void TArchiveForm::reconnectIfLost() {
    if (archive_ && !archive_->reachable()) {
        OpenArchive();
    }
}

void TArchiveForm::Refresh() {
    reconnectIfLost();
    const std::vector<qint64> chosen = SelectedSessions();
    fillShooters(CurrentShooter());
    SelectSessions(chosen);
}

bool TArchiveForm::OpenArchive() {
    const std::optional<qint64> keep = CurrentShooter();
    archive_.reset();
    ArchiveError error;
    archive_ = TrainingArchive::open(archivePath_, error, password_);
    showNotice(ArchiveTexts::Problem(archive_ ? archive_->notice() : error));
    watch();
    fillShooters(keep);
    return archive_ != nullptr;
}

}  // namespace ostrevik
