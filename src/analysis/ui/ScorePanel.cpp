#include "analysis/ui/ScorePanel.h"

#include "analysis/ScorePage.h"
#include "analysis/ScorePlot.h"
#include "analysis/ui/PlotView.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ostrevik {

ScorePanel::ScorePanel(QWidget* parent) : QWidget(parent) {
    Scope = new QLabel(this);
    QFont bold = Scope->font();
    bold.setBold(true);
    Scope->setFont(bold);
    Scope->setWordWrap(true);
    MetricBox = new QComboBox(this);
    MetricBox->setObjectName(QStringLiteral("RingeKennwert"));
    for (Metric m : kMetrics) {
        MetricBox->addItem(metricHeader(m), static_cast<int>(m));
    }
    connect(MetricBox, &QComboBox::activated, this, [this] {
        chosen_ = static_cast<Metric>(MetricBox->currentData().toInt());
        showMetric();
    });
    Words = new QLabel(this);
    Words->setObjectName(QStringLiteral("RingeKorrelation"));
    Words->setWordWrap(true);
    Words->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Scatter = new PlotView(
        [this](QPainter& p, const QRectF& target) {
            return paintScoreScatter(p, target, takeUps_, chosenMetric(), highlighted_);
        },
        this);
    Scatter->setObjectName(QStringLiteral("RingeStreuung"));
    Scatter->setCursor(Qt::CrossCursor);
    connect(Scatter, &PlotView::clicked, this, [this](const QPointF& position) {
        if (const auto i =
                scoredTakeUpNear(takeUps_, chosenMetric(), Scatter->mapping(), position)) {
            emit takeUpClicked(*i);
        }
    });

    Metrics = new QTableWidget(0, 5, this);
    Metrics->setObjectName(QStringLiteral("RingeKennwerte"));
    Metrics->setHorizontalHeaderLabels(
        {tr("Kennwert"), tr("n"), tr("r"), tr("95 %-Intervall"), tr("Spearman ρ")});
    Metrics->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Metrics->setSelectionBehavior(QAbstractItemView::SelectRows);
    Metrics->setSelectionMode(QAbstractItemView::SingleSelection);
    Metrics->verticalHeader()->hide();
    Metrics->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    Metrics->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    connect(Metrics, &QTableWidget::cellClicked, this, [this](int row, int) {
        if (row >= 0 && row < kMetricCount) {
            setMetric(kMetrics[static_cast<size_t>(row)]);
        }
    });
    Tags = new QLabel(this);
    Tags->setObjectName(QStringLiteral("RingeMarken"));
    Tags->setWordWrap(true);
    Tags->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Tags->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* choice = new QHBoxLayout;
    choice->addWidget(new QLabel(tr("Ring gegen:"), this));
    choice->addWidget(MetricBox);
    choice->addStretch(1);
    auto* left = new QVBoxLayout;
    left->addLayout(choice);
    left->addWidget(Words);
    left->addWidget(Scatter, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(tr("Kennwerte und Ring"), this));
    right->addWidget(Metrics);
    right->addWidget(new QLabel(tr("Fehlermarken und Ring"), this));
    right->addWidget(Tags, 1);
    auto* body = new QHBoxLayout;
    body->addLayout(left, 3);
    body->addLayout(right, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Scope);
    layout->addLayout(body, 1);
    setTakeUps({}, QString());
}

Metric ScorePanel::chosenMetric() const {
    return chosen_.value_or(keyScoreMetric(table_));
}

void ScorePanel::setEmptyText(const QString& text) {
    emptyText_ = text;
    if (takeUps_.empty()) {
        Scope->setText(emptyText_);
    }
}

void ScorePanel::setTakeUps(std::vector<ScoredTakeUp> takeUps, const QString& scope) {
    takeUps_ = std::move(takeUps);
    scope_ = scope;
    if (highlighted_ && *highlighted_ >= takeUps_.size()) {
        highlighted_.reset();
    }
    table_ = scoreTable(takeUps_);
    showTable();
    showMetric();
}

void ScorePanel::setMetric(Metric metric) {
    chosen_ = metric;
    showMetric();
}

void ScorePanel::setHighlighted(std::optional<size_t> index) {
    if (highlighted_ == index) {
        return;
    }
    highlighted_ = index;
    Scatter->invalidate();
}

void ScorePanel::showTable() {
    if (takeUps_.empty()) {
        Scope->setText(emptyText_);
    } else {
        const QString count = scoredCountText(table_.scored, 1);
        Scope->setText(scope_.isEmpty() ? count : scope_ + QStringLiteral(": ") + count);
    }
    Metrics->setRowCount(static_cast<int>(table_.metrics.size()));
    for (int r = 0; r < static_cast<int>(table_.metrics.size()); ++r) {
        const MetricScoreRow& row = table_.metrics[static_cast<size_t>(r)];
        const Correlation& c = row.correlation;
        const QStringList cells = {metricCaption(row.metric), QString::number(c.n),
                                   scoreFigure(c.r), scoreInterval(c.low, c.high),
                                   scoreFigure(c.rho)};
        for (int k = 0; k < cells.size(); ++k) {
            QTableWidgetItem* item = Metrics->item(r, k);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(k == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                              : Qt::AlignRight | Qt::AlignVCenter);
                Metrics->setItem(r, k, item);
            }
            item->setText(cells[k]);
        }
    }
    QStringList tags;
    for (const TagScoreRow& t : table_.tags) {
        tags << differenceText(t.tag, t.difference);
    }
    Tags->setText(takeUps_.empty() ? QString() : tags.join(QStringLiteral("\n\n")));
}

void ScorePanel::showMetric() {
    const Metric m = chosenMetric();
    MetricBox->setCurrentIndex(MetricBox->findData(static_cast<int>(m)));
    const auto it = std::find_if(table_.metrics.begin(), table_.metrics.end(),
                                 [m](const MetricScoreRow& r) { return r.metric == m; });
    Words->setText(takeUps_.empty() || it == table_.metrics.end()
                       ? QString()
                       : correlationText(m, it->correlation));
    Metrics->selectRow(static_cast<int>(m));
    Scatter->invalidate();
}

QString ScorePanel::scopeText() const {
    return Scope->text();
}

QString ScorePanel::wordsText() const {
    return Words->text();
}

QString ScorePanel::metricCell(int row, int column) const {
    const QTableWidgetItem* item = Metrics->item(row, column);
    return item ? item->text() : QString();
}

}  // namespace ostrevik
