#include "analysis/ui/AnalysisWindow.h"

#include "analysis/ui/OverlayTab.h"
#include "analysis/ui/RingKeeper.h"
#include "analysis/ui/RingTab.h"
#include "analysis/ui/TakeUpTableTab.h"
#include "analysis/ui/TrendTab.h"
#include "measurement/ui/DocumentWindow.h"

#include <QEvent>
#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

namespace ostrevik {

AnalysisWindow* AnalysisWindow::openFor(TMDIChild& document) {
    auto* window = document.findChild<AnalysisWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (!window) {
        window = new AnalysisWindow(document);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

AnalysisWindow::AnalysisWindow(TMDIChild& document, const QString& settingsPath,
                               const AnalysisExtensions& extensions)
    : QWidget(&document, Qt::Window),
      document_(&document),
      source_(document.Dokument()),
      settings_(settingsPath),
      rings_(makeRingKeeper(extensions, document.Dokument(), this)) {
    setObjectName(QStringLiteral("Analyse"));
    resize(1180, 780);

    overlay_ = new OverlayTab(source_);
    table_ = new TakeUpTableTab(
        [this](int listIndex, const QString& text) { return keepRing(listIndex, text); });
    trend_ = new TrendTab(source_);
    ringTab_ = new RingTab(source_, *rings_);
    tabs_ = new QTabWidget(this);
    tabs_->addTab(overlay_, tr("Überlagerung"));
    tabs_->addTab(table_, tr("Einzelwerte"));
    tabs_->addTab(trend_, tr("Verlauf"));
    tabs_->addTab(ringTab_, tr("Ringe"));
    status_ = new QLabel(this);
    status_->setStyleSheet(QStringLiteral("color: #a00000;"));
    status_->hide();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(tabs_, 1);
    layout->addWidget(status_);

    connect(overlay_, &OverlayTab::curveChosen, this, &AnalysisWindow::highlight);
    connect(table_, &TakeUpTableTab::takeUpChosen, this, &AnalysisWindow::highlight);
    connect(ringTab_, &RingTab::takeUpChosen, this, &AnalysisWindow::highlight);
    connect(table_, &TakeUpTableTab::thresholdsEdited, this, &AnalysisWindow::thresholdsEdited);
    connect(trend_, &TrendTab::choiceEdited, this, &AnalysisWindow::trendChoiceEdited);
    connect(rings_, &RingKeeper::changed, this, &AnalysisWindow::showScores);

    updateTimer_.setSingleShot(true);
    updateTimer_.setInterval(kUpdateDelayMs);
    connect(&updateTimer_, &QTimer::timeout, this, &AnalysisWindow::refresh);
    connect(tabs_, &QTabWidget::currentChanged, this, &AnalysisWindow::catchUpShownTab);
    LiveAnalysis* live = source_.live();
    live->setSettings(settings());
    connect(live, &LiveAnalysis::changed, this, &AnalysisWindow::recordsChanged);
    connect(live, &LiveAnalysis::restarted, this, [this](int from) {
        // From there on an index may name another take-up now.
        if (highlighted_ && *highlighted_ >= from) {
            setHighlighted(std::nullopt);
        }
    });
    connect(&document, &QWidget::windowTitleChanged, this, [this] {
        updateTitle();
        // Saved under another name: the rings of that file's session.
        rings_->reload();
    });
    updateTitle();
    showSettings();
    refresh();
    rings_->reload();
}

AnalysisWindow::~AnalysisWindow() {
    // When the document window goes, this window goes with it, after the
    // document: nothing may reach the document any more. The tabs read the
    // window's source and rings, so they go first.
    document_.clear();
    source_.forget();
    tabs_->disconnect(this);
    delete tabs_;
}

void AnalysisWindow::refresh() {
    updateTimer_.stop();
    stale_ = false;
    if (!document_ || !source_.live()) {
        return;
    }
    displayUsed_ = source_.display();
    if (highlighted_ && *highlighted_ >= static_cast<int>(analysis().rows.size())) {
        setHighlighted(std::nullopt);
    }
    showAnalysis();
    // Records removed: the rings stay with their take-ups.
    rings_->follow();
}

void AnalysisWindow::showAnalysis() {
    table_->showRows(analysis().rows);
    overlay_->showAnalysis();
    // A hidden trend waits until its tab is shown, and so do the rings.
    trend_->analysisChanged(currentTab() == kTrendTab);
    ringTab_->changed(currentTab() == kRingTab);
}

void AnalysisWindow::showScores() {
    table_->showScores(scores());
    overlay_->setScores(scores());
    ringTab_->changed(currentTab() == kRingTab);
}

void AnalysisWindow::recordsChanged() {
    // A hidden window catches up when it is shown again.
    if (!isVisible()) {
        stale_ = true;
    } else if (!updateTimer_.isActive()) {
        updateTimer_.start();
    }
}

void AnalysisWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (stale_) {
        refresh();
    } else {
        catchUpShownTab();
    }
}

void AnalysisWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow()) {
        return;
    }
    // The document may have been saved, or rings imported elsewhere.
    if (document_) {
        rings_->reload();
    }
    // The window of another document may have changed the settings, the
    // settings dialog the drawing settings, while this one was in the back.
    if (settings_.reread()) {
        if (LiveAnalysis* live = source_.live()) {
            live->setSettings(settings());
        }
        showSettings();
        refresh();
        return;
    }
    if (!(source_.display() == displayUsed_)) {
        refresh();
    }
}

void AnalysisWindow::catchUpShownTab() {
    if (currentTab() == kTrendTab) {
        trend_->catchUp();
    } else if (currentTab() == kRingTab) {
        ringTab_->catchUp();
    }
}

void AnalysisWindow::showSettings() {
    const AnalysisSettings& s = settings();
    table_->showThresholds({s.zuckenAnstieg, s.nachlassenHalt, s.unruhigSd});
    trend_->showChoice(s.trendMetric, s.seriesLength);
}

void AnalysisWindow::thresholdsEdited() {
    settingsSaved(settings_.setThresholds(table_->thresholds()));
    if (LiveAnalysis* live = source_.live()) {
        // The metrics stay; only the tags are judged anew.
        live->setSettings(settings());
        showAnalysis();
    }
}

void AnalysisWindow::trendChoiceEdited() {
    settingsSaved(settings_.setTrend(trend_->chosenMetric(), trend_->seriesLength()));
}

void AnalysisWindow::settingsSaved(bool saved) {
    // The change holds for this window all the same; the coach must know
    // that it will be gone at the next start.
    status_->setText(saved ? QString()
                           : tr("Die Einstellungen der Analyse konnten nicht "
                                "in %1 gespeichert werden.")
                                 .arg(settings_.path()));
    status_->setVisible(!saved);
}

void AnalysisWindow::updateTitle() {
    setWindowTitle(tr("Analyse - %1").arg(source_.fileName()));
}

void AnalysisWindow::highlight(int listIndex) {
    if (!document_ || listIndex < 0 || listIndex >= static_cast<int>(analysis().rows.size())) {
        return;
    }
    setHighlighted(listIndex);
    table_->selectTakeUp(listIndex);
    document_->SelectRecord(listIndex);
}

void AnalysisWindow::setHighlighted(std::optional<int> listIndex) {
    highlighted_ = listIndex;
    overlay_->setHighlighted(listIndex);
    ringTab_->setHighlighted(listIndex);
}

bool AnalysisWindow::keepRing(int listIndex, const QString& text) {
    return rings_->enter(this, listIndex, text);
}

const SessionScores& AnalysisWindow::scores() const {
    return rings_->scores();
}

void AnalysisWindow::chooseTab(Tab tab) {
    tabs_->setCurrentIndex(tab);
}

AnalysisWindow::Tab AnalysisWindow::currentTab() const {
    return static_cast<Tab>(tabs_->currentIndex());
}

int AnalysisWindow::tableRowCount() const {
    return table_->rowCount();
}

QString AnalysisWindow::statusText() const {
    return status_->isHidden() ? QString() : status_->text();
}

}  // namespace ostrevik
