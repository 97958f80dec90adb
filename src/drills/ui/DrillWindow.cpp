#include "drills/ui/DrillWindow.h"

#include "analysis/LiveAnalysis.h"
#include "common/Texts.h"
#include "drills/DrillKeeping.h"
#include "drills/DrillRun.h"
#include "drills/DrillTexts.h"
#include "drills/PersonalBands.h"
#include "measurement/MeasurementDocument.h"

#include "analysis/ui/ActiveDocuments.h"
#include "common/ui/ModalUi.h"
#include "drills/ui/DrillViews.h"
#include "drills/ui/VerdictPanel.h"
#include "drills/ui/VerdictSound.h"
#include "measurement/ui/DocumentWindow.h"

#include <QCheckBox>
#include <QComboBox>

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace ostrevik {
DrillWindow::DrillWindow(ActiveDocuments& documents, QString libraryFolder, QString archivePath,
                         QWidget* parent)
    : QWidget(parent, Qt::Window),
      documents_(documents),
      library_(std::move(libraryFolder)),
      archivePath_(std::move(archivePath)) {
    setWindowTitle(DrillTexts::WindowTitle());
    resize(980, 680);

    choice_ = new QComboBox(this);
    auto* choiceLabel = new QLabel(DrillTexts::DrillLabel(), this);
    choiceLabel->setBuddy(choice_);
    startButton_ = new QPushButton(DrillTexts::StartButton(), this);
    cancelButton_ = new QPushButton(DrillTexts::CancelButton(), this);
    description_ = pixelSizedLabel(this, 15, false);
    criteria_ = pixelSizedLabel(this, 15, false);
    verdict_ = new VerdictPanel(this);
    curve_ = new DrillCurve(this);
    strip_ = new ResultStrip(this);
    summary_ = pixelSizedLabel(this, 20, false);
    soundBox_ = new QCheckBox(DrillTexts::SoundBox(), this);
    soundNotice_ = new QLabel(this);
    sound_ = new VerdictSound(this);

    auto* top = new QHBoxLayout;
    top->addWidget(choiceLabel);
    top->addWidget(choice_, 1);
    top->addWidget(startButton_);
    top->addWidget(cancelButton_);
    top->addWidget(soundBox_);
    auto* middle = new QHBoxLayout;
    middle->addWidget(verdict_, 1);
    middle->addWidget(curve_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(description_);
    layout->addWidget(criteria_);
    layout->addLayout(middle, 1);
    layout->addWidget(strip_);
    layout->addWidget(summary_);
    layout->addWidget(soundNotice_);

    connect(choice_, &QComboBox::currentIndexChanged, this, [this] { showChoice(); });
    connect(startButton_, &QPushButton::clicked, this, [this] { start(); });
    connect(cancelButton_, &QPushButton::clicked, this, [this] { cancel(); });
    connect(soundBox_, &QCheckBox::toggled, this, [this](bool on) {
        if (on && !sound_->available()) {
            saySilent();
        }
    });
    refreshDrills();
    setRunning(false);
}

DrillWindow::~DrillWindow() = default;

void DrillWindow::refreshDrills() {
    const QString current = choice_->currentText();
    drills_.clear();
    for (const DrillEntry& entry : library_.list()) {
        if (entry.source != DrillEntry::Source::Damaged &&
            std::none_of(offered_.begin(), offered_.end(),
                         [&entry](const Drill& d) { return d.name == entry.drill.name; })) {
            drills_.push_back(entry.drill);
        }
    }
    drills_.insert(drills_.end(), offered_.begin(), offered_.end());
    const QSignalBlocker block(choice_);
    choice_->clear();
    for (const Drill& d : drills_) {
        choice_->addItem(d.name);
    }
    choice_->setCurrentIndex(std::max(0, choice_->findText(current)));
    showChoice();
}

QStringList DrillWindow::drillNames() const {
    QStringList names;
    for (const Drill& d : drills_) {
        names << d.name;
    }
    return names;
}

bool DrillWindow::chooseDrill(const QString& name) {
    const int index = choice_->findText(name);
    if (index < 0) {
        return false;
    }
    choice_->setCurrentIndex(index);
    return true;
}

void DrillWindow::offer(const Drill& drill) {
    std::erase_if(offered_, [&drill](const Drill& d) { return d.name == drill.name; });
    offered_.push_back(drill);
    refreshDrills();
}

const Drill* DrillWindow::chosen() const {
    const int index = choice_->currentIndex();
    return index >= 0 && index < static_cast<int>(drills_.size())
               ? &drills_[static_cast<size_t>(index)]
               : nullptr;
}

void DrillWindow::showChoice() {
    const Drill* drill = chosen();
    description_->setText(drill ? drill->description : QString());
    QStringList lines;
    if (drill) {
        lines << DrillTexts::Outline(*drill);
        for (const DrillCriterion& c : drill->criteria) {
            lines << QStringLiteral("• ") + DrillTexts::Criterion(c);
        }
    }
    criteria_->setText(lines.join(QLatin1Char('\n')));
    startButton_->setEnabled(drill && !running());
}

bool DrillWindow::running() const {
    return run_ && !run_->isFinished();
}

void DrillWindow::setRunning(bool running) {
    choice_->setEnabled(!running);
    startButton_->setEnabled(!running && chosen());
    cancelButton_->setEnabled(running);
}

bool DrillWindow::start() {
    const Drill* drill = chosen();
    if (!drill || running()) {
        return false;
    }
    TMDIChild* child = documents_.Active();
    if (!child) {
        modalUi().message(this, DrillTexts::NoDocument(), Texts::kMeldung, MessageButtons::Ok);
        return false;
    }
    MeasurementDocument& document = child->Dokument();
    // A band is made of the shooter's take-ups before this session: those of
    // the document's own file are left out, and a document never saved has
    // none in the archive.
    const BandsResult bands =
        personalBands(archivePath_, *drill, child->Unbenannt ? QString() : document.Dateiname,
                      document.Kopf.name());
    if (!bands.refusal.ok()) {
        modalUi().message(this, DrillTexts::BandProblem(bands.refusal), Texts::kMeldung,
                          MessageButtons::Ok);
        return false;
    }
    if (run_) {
        delete run_;  // the one finished before, shown until now
    }
    run_ = startDrillRun(document, *drill, bands.bands, this);
    document_ = child;
    // Straight on the run's signals: the verdict is shown as the analysis
    // measures the take-up, with nothing queued in between.
    connect(run_, &DrillRun::verdictsChanged, this, [this] { showVerdicts(); });
    connect(run_, &DrillRun::finished, this, [this] { showSummary(); });
    connect(child, &QObject::destroyed, run_, [this] { cancel(); });
    summary_->clear();
    sounded_ = 0;
    showVerdicts();
    setRunning(true);
    return true;
}

void DrillWindow::cancel() {
    if (run_ && !run_->isFinished()) {
        stopped(DrillTexts::Cancelled());
    }
}

void DrillWindow::stopped(const QString& why) {
    // Maybe inside the run's own signal (its document closing): it goes
    // later, and says nothing more to the window.
    DrillRun* run = run_;
    run_ = nullptr;
    run->disconnect(this);
    run->deleteLater();
    summary_->setText(why);
    setRunning(false);
}

void DrillWindow::showVerdicts() {
    if (!run_) {
        return;
    }
    const bool all = run_->isFinished();
    std::vector<ResultStrip::Mark> marks;
    for (const DrillRun::Entry& e : run_->entries()) {
        if (e.verdict.judged) {
            marks.push_back(!(e.shown || all)  ? ResultStrip::Mark::Withheld
                            : e.verdict.passed ? ResultStrip::Mark::Passed
                                               : ResultStrip::Mark::Failed);
        }
    }
    strip_->setMarks(std::move(marks));
    verdict_->setProgress(DrillTexts::Progress(run_->counts()));
    verdict_->clear();
    curve_->clear();
    if (run_->entries().empty()) {
        return;
    }
    const DrillRun::Entry& last = run_->entries().back();
    const TakeUpVerdict& v = last.verdict;
    // A tone once per take-up, for a verdict the schedule shows now.
    if (run_->entries().size() > sounded_) {
        sounded_ = run_->entries().size();
        if (v.judged && (last.shown || all)) {
            giveTone(v);
        }
    }
    if (v.judged && !last.shown && !all) {
        // The schedule holds the verdict back: the shooter learns only that
        // the take-up counted, and not from its curve either.
        verdict_->showWithheld(last.position);
        return;
    }
    verdict_->showVerdict(v);
    if (v.judged && document_) {
        const int index = v.number - 1;
        const Rasters_t& list = document_->Dokument().Liste();
        for (const TakeUpMetrics& row : LiveAnalysis::of(document_->Dokument()).analysis().rows) {
            if (row.listIndex == index && index < list.Anzahl()) {
                curve_->setCurve(list.Datensatz(index).Werte,
                                 curveGoal(run_->drill(), row, run_->bands()));
            }
        }
    }
}

void DrillWindow::showSummary() {
    if (!run_) {
        return;
    }
    showVerdicts();
    std::vector<TakeUpVerdict> verdicts;
    for (const DrillRun::Entry& e : run_->entries()) {
        verdicts.push_back(e.verdict);
    }
    QString summary = DrillTexts::Summary(run_->drill(), verdicts);
    // Beside the shooter's earlier runs of the drill, when the archive knows him.
    if (document_) {
        const MeasurementDocument& d = document_->Dokument();
        ArchiveError error;
        if (const std::optional<EarlierRuns> earlier = earlierRuns(
                archivePath_, run_->drill().name, document_->Unbenannt ? QString() : d.Dateiname,
                d.Kopf.name(), run_->key(), error)) {
            summary += QLatin1Char('\n') +
                       DrillTexts::EarlierRunsText(earlier->runs, earlier->passed, earlier->judged);
        }
    }
    summary_->setText(summary);
    setRunning(false);
}

void DrillWindow::setSound(bool on) {
    soundBox_->setChecked(on);
}

bool DrillWindow::sound() const {
    return soundBox_->isChecked();
}

QString DrillWindow::soundNotice() const {
    return soundNotice_->text();
}

void DrillWindow::giveTone(const TakeUpVerdict& verdict) {
    if (!soundBox_->isChecked()) {
        return;
    }
    ++tonesGiven_;
    if (!sound_->available()) {
        saySilent();
        return;
    }
    sound_->play(verdict.passed ? VerdictTone::Passed : VerdictTone::Failed);
}

void DrillWindow::saySilent() {
    // Once: the shooter is told when he asks for the tones; afterwards the
    // drill goes on without a word at every take-up.
    if (soundNotice_->text().isEmpty()) {
        soundNotice_->setText(DrillTexts::NoAudioDevice());
    }
}

QString DrillWindow::summaryText() const {
    return summary_->text();
}

DrillWindow& Uebung(ActiveDocuments& documents) {
    QWidget* parent = documents.DialogParent();
    auto* window = parent->findChild<DrillWindow*>();
    if (!window) {
        window = new DrillWindow(documents, DrillLibrary::defaultFolder(), {}, parent);
    } else if (!window->running()) {
        window->refreshDrills();
    }
    window->show();
    window->raise();
    window->activateWindow();
    return *window;
}

}  // namespace ostrevik
