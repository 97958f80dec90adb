#include "analysis/ui/ComparisonWindow.h"

#include "analysis/ui/ExportCommands.h"
#include "common/Texts.h"
#include "common/ui/ModalUi.h"
#include "common/ui/WaitCursor.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ostrevik {
namespace {

constexpr int kChartColumns = 3;

QString figureCell(KeyMetric m, const KeyFigure& f) {
    if (!f.mean) {
        return {};
    }
    QString s = formatKeyValue(m, f.mean);
    if (f.low && f.high) {
        s += QStringLiteral(" (%1–%2)").arg(formatKeyValue(m, f.low), formatKeyValue(m, f.high));
    }
    return s;
}

}  // namespace

ComparisonCanvas::ComparisonCanvas(QWidget* parent) : QWidget(parent) {
    setMinimumSize(600, 420);
}

void ComparisonCanvas::setComparison(const SessionComparison* comparison) {
    comparison_ = comparison;
    update();
}

QRectF ComparisonCanvas::curvesRect() const {
    return QRectF(0, 0, width(), 0.42 * height());
}

QRectF ComparisonCanvas::metricRect(size_t index) const {
    const double top = 0.42 * height();
    const double w = static_cast<double>(width()) / kChartColumns;
    const double h = (height() - top) / 2;
    const auto column = static_cast<double>(index % kChartColumns);
    const auto row = static_cast<double>(index / kChartColumns);
    return QRectF(column * w, top + row * h, w, h);
}

void ComparisonCanvas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!comparison_) {
        return;
    }
    paintSessionCurves(p, curvesRect(), *comparison_);
    for (size_t i = 0; i < kKeyMetrics.size(); ++i) {
        paintKeyMetric(p, metricRect(i).adjusted(4, 8, -4, 0), *comparison_, kKeyMetrics[i]);
    }
    const double pad = fontMetrics().height();
    p.setPen(QColor(0x60, 0x60, 0x60));
    p.drawText(metricRect(kKeyMetrics.size()).adjusted(pad, 2 * pad, -pad, -pad),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, keyMetricsExplanation());
}

TComparisonForm::TComparisonForm(const DisplaySettings& display,
                                 std::function<std::vector<TrainingSession>()> openDocuments,
                                 std::function<QString()> userName, QWidget* parent)
    : QWidget(parent, Qt::Window),
      display_(display),
      openDocuments_(std::move(openDocuments)),
      userName_(std::move(userName)) {
    setWindowTitle(tr("Trainingseinheiten vergleichen"));
    resize(1100, 860);

    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    ButtonDateien = new QPushButton(tr("&Dateien wählen…"), this);
    ButtonDokumente = new QPushButton(tr("&Geöffnete Dokumente"), this);
    ButtonBericht = new QPushButton(tr("&Bericht als PDF…"), this);
    ButtonSchliessen = new QPushButton(tr("&Schließen"), this);
    buttons->addWidget(ButtonDateien);
    buttons->addWidget(ButtonDokumente);
    buttons->addWidget(ButtonBericht);
    buttons->addStretch();
    buttons->addWidget(ButtonSchliessen);
    layout->addLayout(buttons);

    Canvas = new ComparisonCanvas(this);
    layout->addWidget(Canvas, 3);

    Tabelle = new QTableWidget(this);
    QStringList headers{tr("Nr"), tr("Datum"), tr("Name"), tr("Druckpunktnahmen"),
                        tr("mit Schuss")};
    for (KeyMetric m : kKeyMetrics) {
        headers << keyMetricHeader(m);
    }
    Tabelle->setColumnCount(static_cast<int>(headers.size()));
    Tabelle->setHorizontalHeaderLabels(headers);
    Tabelle->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Tabelle->setSelectionBehavior(QAbstractItemView::SelectRows);
    Tabelle->verticalHeader()->hide();
    Tabelle->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(Tabelle, 1);

    connect(ButtonDateien, &QPushButton::clicked, this, [this] { DateienWaehlen(); });
    connect(ButtonDokumente, &QPushButton::clicked, this, [this] { GeoeffneteDokumente(); });
    connect(ButtonBericht, &QPushButton::clicked, this, [this] { BerichtAlsPdf(); });
    connect(ButtonSchliessen, &QPushButton::clicked, this, &QWidget::close);
    ShowSessions({});
}

void TComparisonForm::ShowSessions(std::vector<TrainingSession> sessions) {
    sessions_ = std::move(sessions);
    // The tags and the overlay's reach as the analysis window judges them now.
    comparison_ = compareSessions(sessions_, display_.secondsBeforeShot, loadAnalysisSettings());
    Canvas->setComparison(&comparison_);
    fillTable();
    ButtonBericht->setEnabled(!sessions_.empty());
}

void TComparisonForm::fillTable() {
    Tabelle->setRowCount(static_cast<int>(comparison_.sessions.size()));
    for (int r = 0; r < Tabelle->rowCount(); ++r) {
        const ComparedSession& s = comparison_.sessions[static_cast<size_t>(r)];
        QStringList cells{QString::number(s.number), s.datum, s.name, QString::number(s.takeUps),
                          QString::number(s.withShot)};
        for (KeyMetric m : kKeyMetrics) {
            cells << figureCell(m, s.figure(m));
        }
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(c == 1 || c == 2 ? Qt::AlignLeft | Qt::AlignVCenter
                                                    : Qt::AlignRight | Qt::AlignVCenter);
            if (c == 0) {
                item->setForeground(sessionColor(r));
            }
            Tabelle->setItem(r, c, item);
        }
    }
}

bool TComparisonForm::DateienWaehlen() {
    FileDialogRequest request;
    request.caption = tr("Trainingseinheiten vergleichen");
    request.filter = Texts::kPvoFilter;
    const QStringList paths = modalUi().openFileNames(this, request);
    if (paths.isEmpty()) {
        return false;
    }
    DateienZeigen(paths);
    return true;
}

void TComparisonForm::DateienZeigen(const QStringList& paths) {
    std::vector<TrainingSession> sessions;
    QStringList errors;
    {
        const WaitCursor wait;
        for (const QString& path : paths) {
            TrainingSession s;
            QString error;
            if (loadTrainingSession(path, s, error)) {
                sessions.push_back(std::move(s));
            } else {
                errors << error;
            }
        }
    }
    for (const QString& error : errors) {
        modalUi().message(this, error, Texts::kFehler, MessageButtons::Ok);
    }
    ShowSessions(std::move(sessions));
}

void TComparisonForm::GeoeffneteDokumente() {
    ShowSessions(openDocuments_ ? openDocuments_() : std::vector<TrainingSession>{});
}

bool TComparisonForm::BerichtAlsPdf() {
    return BerichtExportieren(this, sessions_, display_, userName_ ? userName_() : QString());
}

int TComparisonForm::TableRows() const {
    return Tabelle->rowCount();
}

QString TComparisonForm::TableText(int row, int column) const {
    const QTableWidgetItem* item = Tabelle->item(row, column);
    return item ? item->text() : QString();
}

}  // namespace ostrevik
