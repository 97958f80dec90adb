#include "analysis/ui/OverlayTab.h"

#include "analysis/ui/AnalysisSource.h"
#include "analysis/ui/PlotView.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <array>

namespace ostrevik {
namespace {

// The metrics the line below the overlay names for the highlighted take-up.
constexpr std::array<Metric, 7> kSelectionMetrics = {
    Metric::Schuss_ms, Metric::TonSchuss_ms, Metric::Druck_Schuss, Metric::Anstieg_200,
    Metric::Halt_160,  Metric::Halt_500,     Metric::Abweichung};

QString colorName(uint32_t colorRef) {
    return colorFromRef(colorRef).name();
}

}  // namespace

OverlayTab::OverlayTab(const AnalysisSource& source, QWidget* parent)
    : QWidget(parent), source_(source) {
    caption_ = new QLabel;
    QFont bold = caption_->font();
    bold.setBold(true);
    caption_->setFont(bold);
    legend_ = new QLabel;
    legend_->setTextFormat(Qt::RichText);
    plot_ = new PlotView([this](QPainter& p, const QRectF& target) {
        OverlayStyle style;
        style.display = source_.display();
        style.highlightedListIndex = highlighted_;
        if (byRing_->isChecked() && !ringColouring_.rings.empty()) {
            style.rings = &ringColouring_;
        }
        return paintOverlay(p, target, source_.analysis().overlay, style, &curves_);
    });
    plot_->setObjectName(QStringLiteral("Ueberlagerung"));
    plot_->setCursor(Qt::CrossCursor);
    connect(plot_, &PlotView::clicked, this, [this](const QPointF& position) {
        if (const auto listIndex =
                curveNear(source_.analysis().overlay, plot_->mapping(), position)) {
            emit curveChosen(*listIndex);
        }
    });
    selection_ = new QLabel;
    selection_->setWordWrap(true);
    byRing_ = new QCheckBox(tr("Nach &Ring färben"));
    byRing_->setObjectName(QStringLiteral("NachRingFaerben"));
    byRing_->setToolTip(
        tr("Die Kurven in der Farbe ihres Rings, von Rot (der niedrigste "
           "Ring) bis Grün (der höchste)"));
    connect(byRing_, &QCheckBox::toggled, this, [this] {
        updateLegend();
        plot_->invalidate();
    });

    auto* head = new QHBoxLayout;
    head->addWidget(caption_);
    head->addSpacing(24);
    head->addWidget(byRing_);
    head->addStretch(1);
    head->addWidget(legend_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(plot_, 1);
    layout->addWidget(selection_);
}

void OverlayTab::showAnalysis() {
    setCaption(overlayCaption(source_.analysis()));
    updateLegend();
    updateSelectionText();
    plot_->invalidate();
}

void OverlayTab::setHighlighted(std::optional<int> listIndex) {
    highlighted_ = listIndex;
    plot_->invalidate();
    updateSelectionText();
}

void OverlayTab::setScores(const SessionScores& scores) {
    scores_ = scores;
    std::map<int, double> rings;
    for (const auto& [number, score] : scores) {
        rings[number] = score.ring;
    }
    ringColouring_ = ringColouring(rings);
    byRing_->setEnabled(!rings.empty());
    if (byRing_->isChecked()) {
        updateLegend();
        plot_->invalidate();
    }
    updateSelectionText();
}

void OverlayTab::setCaption(const QString& text) {
    // A label whose text changes asks every layout above it to be laid out
    // anew, and the tab widget then repaints all it holds: after every
    // take-up, for a count. Held at the size of its text, the caption asks
    // that only when the text needs another size.
    caption_->setText(text);
    const QSize size = caption_->sizeHint();
    if (caption_->minimumSize() != size || caption_->maximumSize() != size) {
        caption_->setFixedSize(size);
    }
}

QString OverlayTab::caption() const {
    return caption_->text();
}

QString OverlayTab::selectionText() const {
    return selection_->text();
}

bool OverlayTab::canColourByRing() const {
    return byRing_->isEnabled();
}

bool OverlayTab::colouredByRing() const {
    return byRing_->isChecked();
}

void OverlayTab::colourByRing(bool on) {
    byRing_->setChecked(on);
}

void OverlayTab::updateLegend() {
    const DisplaySettings& d = source_.display();
    // The band is the overlay's translucent blue-grey over white.
    auto entry = [](const QString& color, const QString& mark, const QString& text) {
        return QStringLiteral("<span style=\"color:%1\"><b>%2</b></span>&nbsp;%3")
            .arg(color, mark, text);
    };
    QStringList entries = {
        entry(QStringLiteral("#000000"), QStringLiteral("━━"), tr("Mittelwert")),
        entry(QStringLiteral("#d1d4d9"), QStringLiteral("██"), tr("± 1 SD")),
        entry(colorName(d.thresholdColor), QStringLiteral("╍╍"), tr("Tonschwelle (Mittel)")),
    };
    // Coloured by ring, the newest take-up has its ring's colour too.
    if (!byRing_->isChecked() || ringColouring_.rings.empty()) {
        entries << entry(colorName(d.curveColor), QStringLiteral("━━"), tr("neueste"));
    }
    entries << entry(colorName(d.shotColor), QStringLiteral("━━"), tr("gewählt"));
    legend_->setText(entries.join(QStringLiteral("&nbsp;&nbsp;&nbsp;")));
}

void OverlayTab::updateSelectionText() {
    const SessionAnalysis& analysis = source_.analysis();
    if (!highlighted_ || *highlighted_ >= static_cast<int>(analysis.rows.size())) {
        selection_->setText(
            tr("Eine Kurve oder eine Zeile der Einzelwerte anklicken, "
               "um eine Druckpunktnahme hervorzuheben."));
        return;
    }
    const TakeUpMetrics& m = analysis.rows[static_cast<size_t>(*highlighted_)];
    QString text = tr("Druckpunktnahme %1: ").arg(m.numberText());
    if (!m.hasShot()) {
        selection_->setText(text + tr("ohne Schuss, nicht in der Überlagerung"));
        return;
    }
    QStringList parts;
    if (const TakeUpScore* score = scoreOf(scores_, m)) {
        parts << tr("Ring %1").arg(ringText(score->ring));
    }
    for (Metric metric : kSelectionMetrics) {
        const QString value = formatMetricValue(metric, m.value(metric));
        if (!value.isEmpty()) {
            parts << metricCaption(metric) + QLatin1Char(' ') + value + QLatin1Char(' ') +
                         metricUnit(metric);
        }
    }
    if (const QString tags = m.tagsText(); !tags.isEmpty()) {
        parts << tr("Marken: %1").arg(tags);
    }
    selection_->setText(text + parts.join(QStringLiteral(" · ")));
}

}  // namespace ostrevik
