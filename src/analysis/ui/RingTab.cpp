#include "analysis/ui/RingTab.h"

#include "analysis/ui/AnalysisSource.h"
#include "analysis/ui/RingKeeper.h"
#include "analysis/ui/ScorePanel.h"

#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace ostrevik {
namespace {

QString noRingsText() {
    return RingTab::tr(
        "Noch keine Ringe: „Analyse → Ringe importieren…“ liest die Schussliste einer "
        "elektronischen Scheibe; die Ringe einer Papierscheibe werden in der Spalte „Ring“ "
        "der Einzelwerte eingetippt.");
}

}  // namespace

RingTab::RingTab(const AnalysisSource& source, const RingKeeper& rings, QWidget* parent)
    : QWidget(parent), source_(source), rings_(rings) {
    setObjectName(QStringLiteral("Ringe"));
    panel_ = new ScorePanel;
    panel_->setEmptyText(noRingsText());
    connect(panel_, &ScorePanel::takeUpClicked, this, [this](size_t i) {
        if (i < panel_->takeUps().size()) {
            emit takeUpChosen(panel_->takeUps()[i].metrics.listIndex);
        }
    });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(panel_);
}

void RingTab::changed(bool shown) {
    stale_ = true;
    if (shown) {
        showRings();
    }
}

void RingTab::catchUp() {
    if (stale_) {
        showRings();
    }
}

void RingTab::showRings() {
    stale_ = false;
    const QString problem = rings_.problem();
    panel_->setEmptyText(problem.isEmpty() ? noRingsText() : problem);
    panel_->setTakeUps(scoredTakeUps(source_.analysis(), rings_.scores()), source_.fileName());
    showHighlight();
}

void RingTab::setHighlighted(std::optional<int> listIndex) {
    highlighted_ = listIndex;
    showHighlight();
}

void RingTab::showHighlight() {
    const std::vector<ScoredTakeUp>& shown = panel_->takeUps();
    const auto chosen = std::ranges::find_if(shown, [this](const ScoredTakeUp& t) {
        return highlighted_ && t.metrics.listIndex == *highlighted_;
    });
    panel_->setHighlighted(chosen == shown.end() ? std::nullopt
                                                 : std::optional<size_t>(chosen - shown.begin()));
}

void RingTab::chooseMetric(Metric metric) {
    panel_->setMetric(metric);
}

const std::vector<ScoredTakeUp>& RingTab::takeUps() const {
    return panel_->takeUps();
}

QString RingTab::scope() const {
    return panel_->scopeText();
}

QString RingTab::words() const {
    return panel_->wordsText();
}

QString RingTab::metricCell(Metric metric, int column) const {
    return panel_->metricCell(static_cast<int>(metric), column);
}

PlotView& RingTab::scatter() {
    return panel_->scatter();
}

}  // namespace ostrevik
