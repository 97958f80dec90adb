#pragma once

#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveImport.h"
#include "archive/ArchiveProgress.h"
#include "archive/ArchiveSessions.h"
#include "archive/ui/ArchiveWindowHost.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace ostrevik {

class ProgressView;
class ScorePanel;

// The window "Trainingsarchiv": the shooters on the left; the chosen
// shooter's sessions in a table; below it the progress of one metric per
// session (or the mean ring of its shots) over the calendar with its trend in
// words; filters by tag and period; commands to take files in, open and
// compare sessions, show which metrics and fault tags go with lower rings
// over the sessions shown, write the season report, and edit sessions and
// shooters. Non-modal.
class TArchiveForm : public QWidget {
    Q_OBJECT
public:
    // archivePath empty: the default archive; settingsPath: where the
    // archive's settings are kept.
    TArchiveForm(ArchiveWindowHost& host, const QString& archivePath = QString(),
                 const QString& settingsPath = QString(), QWidget* parent = nullptr);
    ~TArchiveForm() override;

    // Opens the archive (again) and shows its shooters; a failure is shown
    // in a message and in the window. False when the archive cannot be read.
    bool OpenArchive();

    // The choices of the window, as the user makes them.
    bool ChooseShooter(const QString& name);
    void SetMetric(ProgressMetric metric);
    void SetTagFilter(const QString& tag);               // empty: every session
    void SetPeriod(const QDate& from, const QDate& to);  // invalid: open ends
    void SelectSessions(const std::vector<qint64>& ids);

    // The commands.
    bool DateienAufnehmen();                            // "Dateien aufnehmen…"
    bool OrdnerAufnehmen();                             // "Ordner aufnehmen…"
    ImportSummary Aufnehmen(const QStringList& paths);  // with a message on trouble
    void Oeffnen();                                     // the chosen sessions as documents
    void Vergleichen();    // the chosen sessions in the comparison window
    bool Saisonbericht();  // "Saisonbericht als PDF…"
    // "Ringe…": the rings of the shooter's sessions shown, in a window of
    // their own that follows the choices made here.
    ScorePanel* Ringe();
    bool Bearbeiten();       // "Bearbeiten…" of the current session
    bool Umbenennen();       // the chosen shooter
    bool Zusammenfuehren();  // the chosen shooter into another
    bool Entfernen();        // the chosen sessions out of the archive (files stay)

    std::optional<qint64> CurrentShooter() const;
    const std::vector<ArchivedSession>& Sessions() const { return sessions_; }
    const ProgressData& Progress() const { return progress_; }
    const ProgressTrend& Trend() const { return trend_; }
    std::vector<qint64> SelectedSessions() const;
    TrainingArchive* Archive() { return archive_.get(); }

    QLabel* Hinweis = nullptr;  // a read-only or failed archive
    QListWidget* Schuetzen = nullptr;
    QTableWidget* Sitzungen = nullptr;
    QComboBox* Metrik = nullptr;
    QComboBox* Marke = nullptr;
    QCheckBox* Zeitraum = nullptr;
    QDateEdit* Von = nullptr;
    QDateEdit* Bis = nullptr;
    ProgressView* Verlauf = nullptr;
    QLabel* TrendText = nullptr;
    QCheckBox* Automatisch = nullptr;  // "Gespeicherte Dateien ins Archiv aufnehmen"
    QPushButton* ButtonDateien = nullptr;
    QPushButton* ButtonOrdner = nullptr;
    QPushButton* ButtonOeffnen = nullptr;
    QPushButton* ButtonVergleichen = nullptr;
    QPushButton* ButtonBericht = nullptr;
    QPushButton* ButtonRinge = nullptr;
    QPushButton* ButtonBearbeiten = nullptr;
    QPushButton* ButtonEntfernen = nullptr;
    QPushButton* ButtonUmbenennen = nullptr;
    QPushButton* ButtonZusammenfuehren = nullptr;

private:
    void fillShooters(std::optional<qint64> keep);
    void reloadSessions();
    void fillTable();
    void updateTrend();
    void updateRings();
    void updateButtons();
    void showError(const QString& message);
    SessionFilter filter() const;
    std::vector<const ArchivedSession*> chosen() const;
    std::optional<ArchivedShooter> shooter() const;

    ArchiveWindowHost& host_;
    QString archivePath_;
    QString settingsPath_;
    std::unique_ptr<TrainingArchive> archive_;
    std::vector<ArchivedShooter> shooters_;
    std::vector<ArchivedSession> sessions_;
    ProgressData progress_;
    ProgressTrend trend_;
    bool filling_ = false;
    QPointer<QWidget> ringWindow_;
    ScorePanel* ringPanel_ = nullptr;
};

}  // namespace ostrevik
