#pragma once

#include "drills/Drill.h"
#include "drills/DrillLibrary.h"
#include "drills/DrillRun.h"

#include <QPointer>
#include <QWidget>

#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace ostrevik {

class ActiveDocuments;
class DrillCurve;
class ResultStrip;
class TMDIChild;
class VerdictPanel;
class VerdictSound;

// "Übung": a drill chosen from the library and run on the active document.
// The take-ups go into the document as always; the window follows its live
// analysis through a DrillRun and shows each verdict the moment the take-up
// is measured, large enough to be read from the firing point, and the
// summary at the drill's end. Non-modal, one for the program's run.
class DrillWindow : public QWidget {
    Q_OBJECT
public:
    // `libraryFolder` holds the own drills; `archivePath` is the season
    // archive the personal bands are read from (empty: the default one).
    DrillWindow(ActiveDocuments& documents, QString libraryFolder = DrillLibrary::defaultFolder(),
                QString archivePath = {}, QWidget* parent = nullptr);
    ~DrillWindow() override;

    // The drills offered anew from the library (a damaged file is not), the
    // one chosen kept where it still is.
    void refreshDrills();
    QStringList drillNames() const;
    // Chooses a drill by its name; false when none has it.
    bool chooseDrill(const QString& name);
    // Offers a drill besides the library's (a drill file named at the
    // start), in place of one of the same name.
    void offer(const Drill& drill);
    // "Starten": the chosen drill on the active document. False, and said
    // why, without a document or without the archived take-ups a personal
    // band needs.
    bool start();
    // "Abbrechen": the run stops; its verdicts so far stay shown.
    void cancel();

    // The run shown: under way, finished or none.
    const DrillRun* run() const { return run_; }
    bool running() const;
    // What the window shows, as the shooter reads it.
    const VerdictPanel& verdict() const { return *verdict_; }
    QString summaryText() const;
    const ResultStrip& strip() const { return *strip_; }
    const DrillCurve& curve() const { return *curve_; }

    // "Ton je Ergebnis" (off by default): a tone of its own for a pass and
    // for a miss with every verdict shown. Without an audio device the drill
    // runs silent, and the window says so once.
    void setSound(bool on);
    bool sound() const;
    QString soundNotice() const;
    // The tones given so far (the device may have played them or not).
    int tonesGiven() const { return tonesGiven_; }

private:
    void showChoice();
    void showVerdicts();
    void showSummary();
    void stopped(const QString& why);
    void setRunning(bool running);
    void giveTone(const TakeUpVerdict& verdict);
    void saySilent();
    const Drill* chosen() const;

    ActiveDocuments& documents_;
    DrillLibrary library_;
    QString archivePath_;
    std::vector<Drill> drills_;
    std::vector<Drill> offered_;
    QPointer<DrillRun> run_;
    QPointer<TMDIChild> document_;

    QComboBox* choice_ = nullptr;
    QLabel* description_ = nullptr;
    QLabel* criteria_ = nullptr;
    QPushButton* startButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    VerdictPanel* verdict_ = nullptr;
    DrillCurve* curve_ = nullptr;
    ResultStrip* strip_ = nullptr;
    QLabel* summary_ = nullptr;
    QCheckBox* soundBox_ = nullptr;
    QLabel* soundNotice_ = nullptr;
    VerdictSound* sound_ = nullptr;
    // The run's entries a tone was given for; the next one gets its tone.
    size_t sounded_ = 0;
    int tonesGiven_ = 0;
};

// "Analyse → Übung…": the drill window, made when first asked for and
// brought to the front.
DrillWindow& Uebung(ActiveDocuments& documents);

}  // namespace ostrevik
