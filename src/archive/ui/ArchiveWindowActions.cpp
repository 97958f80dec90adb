// The commands of the window "Trainingsarchiv": each asks what it needs
// through modalUi(), hands it to the archive's core and says what came of
// it in the words of ArchiveTexts.

#include "analysis/ui/ReportPdf.h"
#include "archive/ArchiveFileCopies.h"
#include "archive/ArchiveSettings.h"
#include "archive/ArchiveTexts.h"
#include "archive/SeasonReport.h"
#include "archive/ui/ArchiveDialogs.h"
#include "archive/ui/ArchiveRingWindow.h"
#include "archive/ui/ArchiveWindow.h"
#include "archive/ui/SessionTable.h"
#include "archive/ui/ShooterList.h"
#include "common/Texts.h"
#include "common/ui/ModalUi.h"
#include "common/ui/WaitCursor.h"

#include <QDir>
#include <QFileInfo>

namespace ostrevik {

ImportSummary TArchiveForm::Aufnehmen(const QStringList& paths) {
    reconnectIfLost();
    if (!archive_ && !OpenArchive()) {
        showError(Notice());
        return {};
    }
    ImportSummary summary;
    {
        const WaitCursor wait;
        summary = importPaths(*archive_, paths, loadAnalysisSettings());
    }
    fillShooters(CurrentShooter());
    modalUi().message(this, ArchiveTexts::ImportReport(summary),
                      summary.ok() ? Texts::kMeldung : Texts::kWarnung, MessageButtons::Ok);
    return summary;
}

bool TArchiveForm::ArchivWaehlen() {
    ArchiveChoiceDialog dialog(archivePath_, this);
    if (modalUi().execDialog(dialog) != QDialog::Accepted || dialog.archive().isEmpty()) {
        return false;
    }
    ArchiveError error;
    std::unique_ptr<TrainingArchive> chosen;
    {
        const WaitCursor wait;
        chosen = TrainingArchive::open(dialog.archive(), error, dialog.password());
    }
    if (!chosen) {
        // The archive shown stays.
        showError(ArchiveTexts::Problem(error));
        return false;
    }
    archivePath_ = dialog.archive();
    password_ = dialog.password();
    ArchiveSettings settings = loadArchiveSettings(settingsPath_);
    settings.archive = archivePath_;
    if (!saveArchiveSettings(settings, settingsPath_)) {
        showError(ArchiveTexts::SettingNotSaved(settingsPath_));
    }
    archive_ = std::move(chosen);
    showNotice(ArchiveTexts::Problem(archive_->notice()));
    watch();
    fillShooters(std::nullopt);
    return true;
}

bool TArchiveForm::DateienAufnehmen() {
    FileDialogRequest request;
    request.caption = QStringLiteral("Dateien ins Trainingsarchiv aufnehmen");
    request.filter = Texts::kPvoFilter;
    const QStringList paths = modalUi().openFileNames(this, request);
    if (paths.isEmpty()) {
        return false;
    }
    Aufnehmen(paths);
    return true;
}

bool TArchiveForm::OrdnerAufnehmen() {
    FileDialogRequest request;
    request.caption =
        QStringLiteral("Ordner ins Trainingsarchiv aufnehmen (alle Messdateien darunter)");
    const QString dir = modalUi().existingDirectory(this, request);
    if (dir.isEmpty()) {
        return false;
    }
    Aufnehmen({dir});
    return true;
}

void TArchiveForm::Oeffnen() {
    for (const ArchivedSession* s : table_->chosen()) {
        // A file not on this PC opens from the archive's copy.
        const QString path = readableSessionFile(*archive_, *s);
        if (path.isEmpty()) {
            showError(ArchiveTexts::SessionFileNotFound(s->path));
            continue;
        }
        host_.OpenDocument(path);
    }
}

void TArchiveForm::Vergleichen() {
    QStringList paths;
    for (const ArchivedSession* s : table_->chosen()) {
        const QString path = readableSessionFile(*archive_, *s);
        paths << (path.isEmpty() ? s->path : path);
    }
    if (paths.size() < 2) {
        modalUi().message(this, ArchiveTexts::ChooseTwoToCompare(), Texts::kMeldung,
                          MessageButtons::Ok);
        return;
    }
    host_.CompareFiles(paths);
}

bool TArchiveForm::Saisonbericht() {
    const std::optional<ArchivedShooter> s = shooter();
    if (!archive_ || !s || sessions_.empty()) {
        return false;
    }
    FileDialogRequest request;
    request.caption = QStringLiteral("Saisonbericht als PDF");
    request.initialPath =
        QFileInfo(sessions_.front().path)
            .dir()
            .filePath(
                QStringLiteral("Saisonbericht %1.pdf").arg(ArchiveTexts::ShooterName(s->name)));
    request.filter = QStringLiteral("PDF-Datei (*.pdf)");
    request.defaultSuffix = QStringLiteral("pdf");
    SeasonReportRequest report;
    report.path = modalUi().saveFileName(this, request);
    if (report.path.isEmpty()) {
        return false;
    }
    report.shooterId = s->id;
    report.shooter = s->name;
    report.filter = filter();
    report.userName = host_.UserName();
    report.display = host_.Display();
    report.settings = loadAnalysisSettings();
    SeasonReportResult result;
    {
        const WaitCursor wait;
        result = writeSeasonReport(*archive_, report, writeTrainingReportPdf);
    }
    if (result.archive.failed()) {
        showError(ArchiveTexts::Problem(result.archive));
        return false;
    }
    if (!result.written.ok) {
        showError(Texts::FileNotSaved(report.path, result.written.reason));
        return false;
    }
    if (!result.leftOut.isEmpty()) {
        modalUi().message(this, ArchiveTexts::SeasonReportWithout(result.leftOut), Texts::kWarnung,
                          MessageButtons::Ok);
    }
    return true;
}

bool TArchiveForm::Bearbeiten() {
    const auto chosen = table_->chosen();
    if (!archive_ || chosen.size() != 1) {
        return false;
    }
    const ArchivedSession session = *chosen.front();
    QStringList names;
    for (const ArchivedShooter& s : shooters_->shooters()) {
        names << s.name;
    }
    SessionEditDialog dialog(session, names, this);
    if (modalUi().execDialog(dialog) != QDialog::Accepted) {
        return false;
    }
    ArchiveError error;
    const bool ok = editSession(*archive_, session, dialog.edit(), error);
    if (!ok) {
        showError(ArchiveTexts::Problem(error));
    }
    fillShooters(CurrentShooter());
    SelectSessions({session.id});
    return ok;
}

bool TArchiveForm::Entfernen() {
    const std::vector<qint64> ids = table_->chosenIds();
    if (!archive_ || ids.empty()) {
        return false;
    }
    if (modalUi().message(this, ArchiveTexts::RemoveSessionsQuestion(static_cast<int>(ids.size())),
                          Texts::kWarnung, MessageButtons::YesNo) != MessageAnswer::Yes) {
        return false;
    }
    ArchiveError error;
    const bool ok = removeSessions(*archive_, ids, error);
    if (!ok) {
        showError(ArchiveTexts::Problem(error));
    }
    fillShooters(CurrentShooter());
    return ok;
}

bool TArchiveForm::Umbenennen() {
    const std::optional<ArchivedShooter> s = shooter();
    if (!archive_ || !s) {
        return false;
    }
    RenameShooterDialog dialog(*s, this);
    if (modalUi().execDialog(dialog) != QDialog::Accepted || dialog.name() == s->name) {
        return false;
    }
    ArchiveError error;
    if (!renameShooter(*archive_, s->id, dialog.name(), error)) {
        showError(ArchiveTexts::Problem(error));
        return false;
    }
    fillShooters(s->id);
    return true;
}

bool TArchiveForm::Zusammenfuehren() {
    const std::optional<ArchivedShooter> s = shooter();
    if (!archive_ || !s || shooters_->shooters().size() < 2) {
        return false;
    }
    MergeShootersDialog dialog(*s, shooters_->shooters(), this);
    if (modalUi().execDialog(dialog) != QDialog::Accepted) {
        return false;
    }
    const qint64 target = dialog.target();
    ArchiveError error;
    if (!mergeShooters(*archive_, s->id, target, error)) {
        showError(ArchiveTexts::Problem(error));
        return false;
    }
    fillShooters(target);
    return true;
}

ScorePanel* TArchiveForm::Ringe() {
    if (!ringWindow_) {
        ringWindow_ = new ArchiveRingWindow(this);
    }
    updateRings();
    ringWindow_->show();
    ringWindow_->raise();
    ringWindow_->activateWindow();
    return ringWindow_->panel();
}

void TArchiveForm::run(ArchiveCommand command) {
    switch (command) {
        case ArchiveCommand::Waehlen:
            ArchivWaehlen();
            break;
        case ArchiveCommand::Dateien:
            DateienAufnehmen();
            break;
        case ArchiveCommand::Ordner:
            OrdnerAufnehmen();
            break;
        case ArchiveCommand::Oeffnen:
            Oeffnen();
            break;
        case ArchiveCommand::Vergleichen:
            Vergleichen();
            break;
        case ArchiveCommand::Ringe:
            Ringe();
            break;
        case ArchiveCommand::Saisonbericht:
            Saisonbericht();
            break;
        case ArchiveCommand::Bearbeiten:
            Bearbeiten();
            break;
        case ArchiveCommand::Entfernen:
            Entfernen();
            break;
    }
}

}  // namespace ostrevik
