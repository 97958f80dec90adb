#include "analysis/ui/TrendTab.h"

#include "analysis/AnalysisSettings.h"
#include "analysis/TrendPlot.h"
#include "analysis/ui/AnalysisSource.h"
#include "analysis/ui/PlotView.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ostrevik {

TrendTab::TrendTab(const AnalysisSource& source, QWidget* parent)
    : QWidget(parent), source_(source) {
    metricBox_ = new QComboBox;
    for (Metric m : kMetrics) {
        metricBox_->addItem(metricHeader(m), static_cast<int>(m));
    }
    seriesBox_ = new QComboBox;
    for (int length : kSeriesLengths) {
        seriesBox_->addItem(tr("%1 Druckpunktnahmen").arg(length), length);
    }
    connect(metricBox_, &QComboBox::activated, this, &TrendTab::choiceMade);
    connect(seriesBox_, &QComboBox::activated, this, &TrendTab::choiceMade);

    plot_ = new PlotView([this](QPainter& p, const QRectF& target) {
        return paintTrend(p, target, trend_, source_.display());
    });
    plot_->setObjectName(QStringLiteral("Verlauf"));
    seriesTable_ = new QTableWidget(0, 5);
    seriesTable_->setObjectName(QStringLiteral("Serien"));
    seriesTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    seriesTable_->setSelectionMode(QAbstractItemView::NoSelection);
    seriesTable_->verticalHeader()->hide();
    // The columns fit their contents, fitted once after the cells are set
    // (fitting them to every row after each cell set would cost the trend's
    // update a hundred times over).
    seriesTable_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    seriesTable_->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    seriesTable_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);

    auto* choice = new QHBoxLayout;
    choice->addWidget(new QLabel(tr("Metrik:")));
    choice->addWidget(metricBox_);
    choice->addSpacing(24);
    choice->addWidget(new QLabel(tr("Serie:")));
    choice->addWidget(seriesBox_);
    choice->addStretch(1);
    auto* body = new QHBoxLayout;
    body->addWidget(plot_, 1);
    body->addWidget(seriesTable_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choice);
    layout->addLayout(body, 1);
}

void TrendTab::showChoice(Metric metric, int seriesLength) {
    metricBox_->setCurrentIndex(metricBox_->findData(static_cast<int>(metric)));
    seriesBox_->setCurrentIndex(seriesBox_->findData(seriesLength));
}

void TrendTab::analysisChanged(bool shown) {
    stale_ = true;
    if (shown) {
        showTrend();
    }
}

void TrendTab::catchUp() {
    if (stale_) {
        showTrend();
    }
}

void TrendTab::chooseMetric(Metric metric) {
    metricBox_->setCurrentIndex(metricBox_->findData(static_cast<int>(metric)));
    choiceMade();
}

void TrendTab::chooseSeriesLength(int length) {
    seriesBox_->setCurrentIndex(seriesBox_->findData(length));
    choiceMade();
}

void TrendTab::choiceMade() {
    showTrend();
    emit choiceEdited();
}

Metric TrendTab::chosenMetric() const {
    return static_cast<Metric>(metricBox_->currentData().toInt());
}

int TrendTab::seriesLength() const {
    return seriesBox_->currentData().toInt();
}

void TrendTab::showTrend() {
    stale_ = false;
    trend_ = computeTrend(source_.analysis(), chosenMetric(), seriesLength());
    fillSeriesTable();
    plot_->invalidate();
}

void TrendTab::fillSeriesTable() {
    const Metric metric = trend_.metric;
    const QString unit = QStringLiteral(" (") + metricUnit(metric) + QLatin1Char(')');
    const QStringList headers = {tr("Serie"), tr("Druckpunktnahmen"), tr("Werte"),
                                 tr("Mittelwert") + unit, tr("SD") + unit};
    bool changed = false;
    for (int c = 0; c < headers.size() && !changed; ++c) {
        const QTableWidgetItem* item = seriesTable_->horizontalHeaderItem(c);
        changed = !item || item->text() != headers[c];
    }
    seriesTable_->setHorizontalHeaderLabels(headers);
    const int rows = static_cast<int>(trend_.series.size()) + 1;
    changed = changed || seriesTable_->rowCount() != rows;
    seriesTable_->setRowCount(rows);
    // After a take-up only its series and the total change: the other cells
    // are left alone.
    auto put = [this, &changed](int row, int column, const QString& text, bool bold) {
        QTableWidgetItem* item = seriesTable_->item(row, column);
        if (!item) {
            item = new QTableWidgetItem;
            item->setTextAlignment(column < 2 ? Qt::AlignCenter
                                              : Qt::AlignRight | Qt::AlignVCenter);
            seriesTable_->setItem(row, column, item);
            changed = true;
        }
        if (item->text() != text) {
            item->setText(text);
            changed = true;
        }
        if (item->font().bold() != bold) {
            changed = true;
            if (bold) {
                QFont f = item->font();
                f.setBold(true);
                item->setFont(f);
            } else {
                // The total's row became a series' row.
                item->setData(Qt::FontRole, QVariant());
            }
        }
    };
    auto putRow = [&](int row, const QString& name, int first, int count, const Summary& s,
                      bool bold) {
        put(row, 0, name, bold);
        put(row, 1,
            count > 0 ? QStringLiteral("%1–%2").arg(first + 1).arg(first + count) : QString(),
            bold);
        put(row, 2, QString::number(s.count), bold);
        put(row, 3, formatMetricValue(metric, s.mean), bold);
        put(row, 4, formatMetricValue(metric, s.sd), bold);
    };
    int row = 0;
    for (const SeriesSummary& s : trend_.series) {
        putRow(row++, QString::number(s.number), s.firstRow, s.rowCount, s.values, false);
    }
    putRow(row, tr("Gesamt"), 0, static_cast<int>(trend_.values.size()), trend_.overall, true);
    if (changed) {
        seriesTable_->horizontalHeader()->resizeSections(QHeaderView::ResizeToContents);
    }
}

int TrendTab::seriesRowCount() const {
    return seriesTable_->rowCount();
}

int TrendTab::seriesColumnCount() const {
    return seriesTable_->columnCount();
}

QString TrendTab::seriesCell(int row, int column) const {
    const QTableWidgetItem* item = seriesTable_->item(row, column);
    return item ? item->text() : QString();
}

bool TrendTab::seriesCellBold(int row, int column) const {
    const QTableWidgetItem* item = seriesTable_->item(row, column);
    return item && item->font().bold();
}

int TrendTab::seriesColumnWidth(int column) const {
    return seriesTable_->columnWidth(column);
}

}  // namespace ostrevik
