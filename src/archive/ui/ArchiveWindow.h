#pragma once

#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveImport.h"
#include "archive/ArchiveProgress.h"
#include "archive/ArchiveSessions.h"
#include "archive/ui/ArchiveToolbar.h"
#include "archive/ui/ArchiveWindowHost.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QLabel;

namespace ostrevik {

class ArchiveRingWindow;
class ProgressView;
class ScorePanel;
class SessionFilters;
class SessionTable;
class ShooterList;

// The window "Trainingsarchiv": the shooters on the left; the chosen
// shooter's sessions in a table; below it the progress of one metric per
// session (or the mean ring of its shots) over the calendar with its trend in
// words; filters by tag and period; commands to take files in, open and
// compare sessions, show which metrics and fault tags go with lower rings
// over the sessions shown, write the season report, and edit sessions and
// shooters. Non-modal.
//
// It only shows and asks: each view is a widget of its own, and each
// command collects the user's choice (through modalUi()) and hands it to the
// archive's core, whose result it puts into words with ArchiveTexts.
class TArchiveForm : public QWidget {
    Q_OBJECT
public:
    // archivePath empty: the default archive; settingsPath: where the
    // archive's settings are kept.
    TArchiveForm(ArchiveWindowHost& host, const QString& archivePath = QString(),
                 const QString& settingsPath = QString(), QWidget* parent = nullptr);
    ~TArchiveForm() override;

    // Opens the archive (again) and shows its shooters; a failure is shown
    // in the window (Notice()). False when the archive cannot be read.
    bool OpenArchive();
    // Reads the archive again, keeping the shooter and sessions chosen.
    void Refresh();
    // The archive shown: a file's path or a server's address.
    const QString& ArchivePath() const { return archivePath_; }

    // The choices of the window, as the user makes them.
    bool ChooseShooter(const QString& name);
    void SetMetric(ProgressMetric metric);
    void SetTagFilter(const QString& tag);               // empty: every session
    void SetPeriod(const QDate& from, const QDate& to);  // invalid: open ends
    void SelectSessions(const std::vector<qint64>& ids);
    // "Gespeicherte Dateien ins Archiv aufnehmen".
    void SetImportSaved(bool on);

    // The commands (ArchiveWindowActions.cpp).
    // "Archiv wählen…": another file or a server's archive, kept as the
    // program's archive when it opens.
    bool ArchivWaehlen();
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

    // What the window shows.
    std::optional<qint64> CurrentShooter() const;
    const std::vector<ArchivedSession>& Sessions() const { return sessions_; }
    const ProgressData& Progress() const { return progress_; }
    const ProgressTrend& Trend() const { return trend_; }
    std::vector<qint64> SelectedSessions() const;
    TrainingArchive* Archive() { return archive_.get(); }
    // A read-only or failed archive, said above the commands; empty when
    // nothing is said.
    QString Notice() const;
    QStringList ShooterRows() const;  // "Anna (4)"
    QString CurrentShooterRow() const;
    const SessionTable& Table() const { return *table_; }
    QString MetricText() const;
    QString TrendText() const;
    ProgressView& ProgressPlot() { return *progressView_; }
    bool Offers(ArchiveCommand command) const;
    bool ImportSaved() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    void run(ArchiveCommand command);
    // Shows what other programs change in a server's archive as they do.
    void watch();
    // A server's archive whose connection broke (a restart, the network)
    // is opened again.
    void reconnectIfLost();
    void showNotice(const QString& text);
    void showError(const QString& message);
    void fillShooters(std::optional<qint64> keep);
    void reloadSessions();
    void updateTrend();
    void updateRings();
    void updateButtons();
    SessionFilter filter() const;
    std::optional<ArchivedShooter> shooter() const;

    ArchiveWindowHost& host_;
    QString archivePath_;
    QString password_;  // typed in "Archiv wählen…", never kept beyond the window
    bool refreshPending_ = false;
    static constexpr int kRefreshDelayMs = 300;
    QString settingsPath_;
    std::unique_ptr<TrainingArchive> archive_;
    std::vector<ArchivedSession> sessions_;
    ProgressData progress_;
    ProgressTrend trend_;

    QLabel* notice_ = nullptr;
    ArchiveToolbar* toolbar_ = nullptr;
    ShooterList* shooters_ = nullptr;
    SessionFilters* filters_ = nullptr;
    SessionTable* table_ = nullptr;
    ProgressView* progressView_ = nullptr;
    QLabel* trendText_ = nullptr;
    QCheckBox* importSaved_ = nullptr;
    QPointer<ArchiveRingWindow> ringWindow_;
};

}  // namespace ostrevik
