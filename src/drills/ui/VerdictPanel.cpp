#include "drills/ui/VerdictPanel.h"

#include "drills/DrillTexts.h"

#include "drills/ui/DrillViews.h"

#include <QLabel>
#include <QStringList>
#include <QVBoxLayout>

namespace ostrevik {
VerdictPanel::VerdictPanel(QWidget* parent) : QWidget(parent) {
    symbol_ = pixelSizedLabel(this, 120, true);
    symbol_->setWordWrap(false);
    word_ = pixelSizedLabel(this, 44, true);
    missed_ = pixelSizedLabel(this, 20, false);
    progress_ = pixelSizedLabel(this, 24, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(symbol_);
    layout->addWidget(word_);
    layout->addWidget(missed_);
    layout->addWidget(progress_);
    layout->addStretch(1);
}

void VerdictPanel::showVerdict(const TakeUpVerdict& v) {
    clear();
    if (!v.judged) {
        word_->setText(DrillTexts::NotJudged());
        return;
    }
    symbol_->setText(v.passed ? QStringLiteral("✔") : QStringLiteral("✘"));
    word_->setText(v.passed ? DrillTexts::Passed() : DrillTexts::Failed());
    QStringList lines;
    for (const MissedCriterion& m : v.missed) {
        lines << DrillTexts::Missed(m);
    }
    missed_->setText(lines.join(QLatin1Char('\n')));
    setColor(v.passed ? kDrillPassedColor : kDrillFailedColor);
}

void VerdictPanel::showWithheld(int position) {
    clear();
    word_->setText(DrillTexts::Withheld(position));
}

void VerdictPanel::clear() {
    symbol_->clear();
    word_->clear();
    missed_->clear();
    setColor(kDrillWithheldColor);
}

void VerdictPanel::setProgress(const QString& text) {
    progress_->setText(text);
}

void VerdictPanel::setColor(const QColor& color) {
    color_ = color;
    const QString style = QStringLiteral("color: %1;").arg(color.name());
    symbol_->setStyleSheet(style);
    word_->setStyleSheet(style);
}

QString VerdictPanel::symbol() const {
    return symbol_->text();
}

QString VerdictPanel::word() const {
    return word_->text();
}

QString VerdictPanel::missed() const {
    return missed_->text();
}

QString VerdictPanel::progress() const {
    return progress_->text();
}

}  // namespace ostrevik
