#include "analysis/ui/AnalysisWindow.h"

#include "analysis/LiveAnalysis.h"

#include "analysis/OverlayPlot.h"
#include "analysis/ScoreFile.h"
#include "analysis/TrendPlot.h"
#include "analysis/ui/PlotView.h"
#include "analysis/ui/ScorePanel.h"
#include "analysis/ui/TakeUpTableModel.h"
#include "archive/ArchiveTexts.h"
#include "common/Texts.h"
#include "common/ui/ModalUi.h"
#include "measurement/ui/DocumentWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ostrevik {
namespace {

// The metrics the line below the overlay names for the highlighted take-up.
constexpr std::array<Metric, 7> kSelectionMetrics = {
    Metric::Schuss_ms, Metric::TonSchuss_ms, Metric::Druck_Schuss, Metric::Anstieg_200,
    Metric::Halt_160,  Metric::Halt_500,     Metric::Abweichung};

QDoubleSpinBox* thresholdBox(double maximum, double step, const QString& suffix,
                             const QString& tip) {
    auto* box = new QDoubleSpinBox;
    // The decimal comma, as everywhere in the program's figures.
    QLocale german(QLocale::German, QLocale::Germany);
    german.setNumberOptions(QLocale::OmitGroupSeparator);
    box->setLocale(german);
    box->setDecimals(1);
    box->setRange(0.0, maximum);
    box->setSingleStep(step);
    box->setSuffix(suffix);
    box->setToolTip(tip);
    // One change per finished entry, not one per key.
    box->setKeyboardTracking(false);
    return box;
}

QString colorName(uint32_t colorRef) {
    return colorFromRef(colorRef).name();
}

QString noRingsText() {
    return AnalysisWindow::tr(
        "Noch keine Ringe: „Analyse → Ringe importieren…“ liest die Schussliste einer "
        "elektronischen Scheibe; die Ringe einer Papierscheibe werden in der Spalte „Ring“ "
        "der Einzelwerte eingetippt.");
}

// The ring's cell: Enter takes the ring and goes on to the next take-up's,
// as a coach types the rings of a paper target one after the other.
class RingDelegate : public QStyledItemDelegate {
public:
    RingDelegate(QObject* parent, std::function<void()> enter)
        : QStyledItemDelegate(parent), enter_(std::move(enter)) {}

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* editor = qobject_cast<QWidget*>(object);
        if (editor && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Enter || key == Qt::Key_Return) {
                emit commitData(editor);
                emit closeEditor(editor, QAbstractItemDelegate::NoHint);
                enter_();
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    std::function<void()> enter_;
};

}  // namespace

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
                               const QString& archivePath, const QString& archiveSettingsPath)
    : QWidget(&document, Qt::Window),
      document_(&document),
      settingsPath_(settingsPath),
      settings_(loadAnalysisSettings(settingsPath)),
      scores_(archivePath, archiveSettingsPath) {
    setObjectName(QStringLiteral("Analyse"));
    resize(1180, 780);

    Tabs = new QTabWidget(this);
    Tabs->addTab(createOverlayTab(), tr("Überlagerung"));
    Tabs->addTab(createTableTab(), tr("Einzelwerte"));
    Tabs->addTab(createTrendTab(), tr("Verlauf"));
    Tabs->addTab(createRingTab(), tr("Ringe"));
    Status = new QLabel(this);
    Status->setStyleSheet(QStringLiteral("color: #a00000;"));
    Status->hide();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(Tabs, 1);
    layout->addWidget(Status);

    updateTimer_.setSingleShot(true);
    updateTimer_.setInterval(kUpdateDelayMs);
    connect(&updateTimer_, &QTimer::timeout, this, &AnalysisWindow::refresh);
    connect(Tabs, &QTabWidget::currentChanged, this, [this] {
        if (trendStale_ && trendShown()) {
            updateTrend();
        }
        if (ringTabStale_ && ringTabShown()) {
            updateRingTab();
        }
    });
    live_ = &LiveAnalysis::of(document.Dokument());
    live_->setSettings(settings_);
    connect(live_, &LiveAnalysis::changed, this, &AnalysisWindow::recordsChanged);
    connect(live_, &LiveAnalysis::restarted, this, [this](int from) {
        // From there on an index may name another take-up now.
        if (highlighted_ && *highlighted_ >= from) {
            highlighted_.reset();
        }
    });
    connect(&document, &QWidget::windowTitleChanged, this, [this] {
        updateTitle();
        // Saved under another name: the rings of that file's session.
        reloadScores();
    });
    updateTitle();
    showSettings();
    refresh();
    reloadScores();
}

AnalysisWindow::~AnalysisWindow() {
    // When the document window goes, this window goes with it, after the
    // document's records: the table's last signals must not reach them.
    document_.clear();
    Table->selectionModel()->disconnect(this);
}

QWidget* AnalysisWindow::createOverlayTab() {
    auto* tab = new QWidget;
    Caption = new QLabel;
    QFont bold = Caption->font();
    bold.setBold(true);
    Caption->setFont(bold);
    Legend = new QLabel;
    Legend->setTextFormat(Qt::RichText);
    Overlay = new PlotView([this](QPainter& p, const QRectF& target) {
        OverlayStyle style;
        style.display = display();
        style.highlightedListIndex = highlighted_;
        if (RingFarben->isChecked() && !ringColouring_.rings.empty()) {
            style.rings = &ringColouring_;
        }
        return paintOverlay(p, target, analysis().overlay, style, &overlayCurves_);
    });
    Overlay->setObjectName(QStringLiteral("Ueberlagerung"));
    Overlay->setCursor(Qt::CrossCursor);
    connect(Overlay, &PlotView::clicked, this, [this](const QPointF& position) {
        if (const auto listIndex = curveNear(analysis().overlay, Overlay->mapping(), position)) {
            highlight(*listIndex);
        }
    });
    Selection = new QLabel;
    Selection->setWordWrap(true);
    RingFarben = new QCheckBox(tr("Nach &Ring färben"));
    RingFarben->setObjectName(QStringLiteral("NachRingFaerben"));
    RingFarben->setToolTip(
        tr("Die Kurven in der Farbe ihres Rings, von Rot (der niedrigste "
           "Ring) bis Grün (der höchste)"));
    connect(RingFarben, &QCheckBox::toggled, this, [this] {
        updateLegend();
        Overlay->invalidate();
    });

    auto* head = new QHBoxLayout;
    head->addWidget(Caption);
    head->addSpacing(24);
    head->addWidget(RingFarben);
    head->addStretch(1);
    head->addWidget(Legend);
    auto* layout = new QVBoxLayout(tab);
    layout->addLayout(head);
    layout->addWidget(Overlay, 1);
    layout->addWidget(Selection);
    return tab;
}

QWidget* AnalysisWindow::createTableTab() {
    auto* tab = new QWidget;
    ZuckenBox = thresholdBox(100.0, 1.0, tr(" %-Punkte"),
                             tr("Zucken, wenn der Druck in den letzten 0,2 s vor dem "
                                "Schuss um mehr als so viele Prozentpunkte steigt"));
    NachlassenBox = thresholdBox(1000.0, 1.0, tr(" %"),
                                 tr("Nachlassen, wenn 160 ms nach dem Schuss weniger "
                                    "als so viel vom Druck beim Schuss gehalten wird"));
    UnruhigBox = thresholdBox(10.0, 0.5, tr(" SD"),
                              tr("Unruhig, wenn die Abweichung vom Mittel um mehr als "
                                 "so viele Standardabweichungen über dem Mittel des "
                                 "Dokuments liegt"));
    for (QDoubleSpinBox* box : {ZuckenBox, NachlassenBox, UnruhigBox}) {
        connect(box, &QDoubleSpinBox::valueChanged, this, [this] { thresholdsEdited(); });
    }
    auto* marks = new QGroupBox(tr("Fehlermarken"));
    auto* row = new QHBoxLayout(marks);
    auto add = [row](const QString& text, QWidget* box) {
        row->addWidget(new QLabel(text));
        row->addWidget(box);
        row->addSpacing(24);
    };
    add(tr("Zucken: Anstieg letzte 0,2 s über"), ZuckenBox);
    add(tr("Nachlassen: Halt nach 160 ms unter"), NachlassenBox);
    add(tr("Unruhig: Abweichung über Mittel +"), UnruhigBox);
    row->addStretch(1);

    TableModel = new TakeUpTableModel(this);
    SortedTable = new TakeUpSortModel(this);
    SortedTable->setSourceModel(TableModel);
    SortedTable->setDynamicSortFilter(true);
    Table = new QTableView;
    Table->setObjectName(QStringLiteral("Einzelwerte"));
    Table->setModel(SortedTable);
    Table->setSortingEnabled(true);
    Table->sortByColumn(TakeUpTableModel::kNumberColumn, Qt::AscendingOrder);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setSelectionMode(QAbstractItemView::SingleSelection);
    // Only the ring's cell can be edited: typing a digit there starts it.
    Table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
    Table->setItemDelegateForColumn(TakeUpTableModel::kRingColumn,
                                    new RingDelegate(this, [this] { nextRingRow(); }));
    connect(TableModel, &TakeUpTableModel::ringTyped, this,
            [this](int listIndex, const QString& text) { typeRing(listIndex, text); });
    Table->setAlternatingRowColors(true);
    Table->verticalHeader()->hide();
    Table->verticalHeader()->setDefaultSectionSize(Table->fontMetrics().height() + 6);
    // Widths from the headers once: measuring every cell of a thousand rows
    // would cost more than the whole analysis.
    QHeaderView* header = Table->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setStretchLastSection(true);
    const QFontMetrics fm = header->fontMetrics();
    for (int c = 0; c < TakeUpTableModel::kTagsColumn; ++c) {
        const QStringList lines =
            TableModel->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().split('\n');
        // A ring has at most five characters ("10,95").
        int width =
            fm.horizontalAdvance(c == TakeUpTableModel::kRingColumn ? QStringLiteral("10,95")
                                                                    : QStringLiteral("00000,0"));
        for (const QString& line : lines) {
            width = std::max(width, fm.horizontalAdvance(line));
        }
        header->resizeSection(c, width + 24);
    }
    connect(Table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { tableRowChosen(current); });

    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(marks);
    layout->addWidget(Table, 1);
    return tab;
}

QWidget* AnalysisWindow::createTrendTab() {
    auto* tab = new QWidget;
    trendTab_ = tab;
    MetricBox = new QComboBox;
    for (Metric m : kMetrics) {
        MetricBox->addItem(metricHeader(m), static_cast<int>(m));
    }
    SeriesBox = new QComboBox;
    for (int length : kSeriesLengths) {
        SeriesBox->addItem(tr("%1 Druckpunktnahmen").arg(length), length);
    }
    connect(MetricBox, &QComboBox::activated, this, [this] { trendChoiceEdited(); });
    connect(SeriesBox, &QComboBox::activated, this, [this] { trendChoiceEdited(); });

    TrendView = new PlotView([this](QPainter& p, const QRectF& target) {
        return paintTrend(p, target, trend_, display());
    });
    TrendView->setObjectName(QStringLiteral("Verlauf"));
    SeriesTable = new QTableWidget(0, 5);
    SeriesTable->setObjectName(QStringLiteral("Serien"));
    SeriesTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SeriesTable->setSelectionMode(QAbstractItemView::NoSelection);
    SeriesTable->verticalHeader()->hide();
    // The columns fit their contents, fitted once after the cells are set
    // (fitting them to every row after each cell set would cost the trend's
    // update a hundred times over).
    SeriesTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    SeriesTable->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    SeriesTable->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);

    auto* choice = new QHBoxLayout;
    choice->addWidget(new QLabel(tr("Metrik:")));
    choice->addWidget(MetricBox);
    choice->addSpacing(24);
    choice->addWidget(new QLabel(tr("Serie:")));
    choice->addWidget(SeriesBox);
    choice->addStretch(1);
    auto* body = new QHBoxLayout;
    body->addWidget(TrendView, 1);
    body->addWidget(SeriesTable);
    auto* layout = new QVBoxLayout(tab);
    layout->addLayout(choice);
    layout->addLayout(body, 1);
    return tab;
}

QWidget* AnalysisWindow::createRingTab() {
    Ringe = new ScorePanel;
    Ringe->setObjectName(QStringLiteral("Ringe"));
    Ringe->setEmptyText(noRingsText());
    connect(Ringe, &ScorePanel::takeUpClicked, this, [this](size_t i) {
        if (i < Ringe->takeUps().size()) {
            highlight(Ringe->takeUps()[i].metrics.listIndex);
        }
    });
    return Ringe;
}

const DisplaySettings& AnalysisWindow::display() const {
    static const DisplaySettings defaults = DisplaySettings::defaults();
    return document_ && document_->Liste->Einstellungen ? *document_->Liste->Einstellungen
                                                        : defaults;
}

const SessionAnalysis& AnalysisWindow::analysis() const {
    static const SessionAnalysis none;
    return live_ ? live_->analysis() : none;
}

void AnalysisWindow::refresh() {
    updateTimer_.stop();
    stale_ = false;
    if (!document_ || !live_) {
        return;
    }
    displayUsed_ = display();
    const bool scoresChanged = scores_.follow(live_->fingerprints());
    if (highlighted_ && *highlighted_ >= static_cast<int>(analysis().rows.size())) {
        highlighted_.reset();
    }
    showAnalysis();
    if (scoresChanged) {
        showScores();
    }
}

void AnalysisWindow::showAnalysis() {
    const SessionAnalysis& a = analysis();
    TableModel->setRows(a.rows);
    Caption->setText(overlayCaption(a));
    updateLegend();
    updateSelectionText();
    Overlay->invalidate();
    // A hidden trend waits until its tab is shown, and so do the rings.
    trendStale_ = true;
    if (trendShown()) {
        updateTrend();
    }
    ringTabStale_ = true;
    if (ringTabShown()) {
        updateRingTab();
    }
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
    } else if (trendStale_ && trendShown()) {
        updateTrend();
    } else if (ringTabStale_ && ringTabShown()) {
        updateRingTab();
    }
}

void AnalysisWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isActiveWindow()) {
        return;
    }
    // The document may have been saved, or rings imported elsewhere.
    reloadScores();
    // The window of another document may have changed the settings, the
    // settings dialog the drawing settings, while this one was in the back.
    if (settingsSaved_) {
        const AnalysisSettings stored = loadAnalysisSettings(settingsPath_);
        if (!(stored == settings_)) {
            settings_ = stored;
            if (live_) {
                live_->setSettings(settings_);
            }
            showSettings();
            refresh();
            return;
        }
    }
    if (!(display() == displayUsed_)) {
        refresh();
    }
}

void AnalysisWindow::showSettings() {
    const QSignalBlocker z(ZuckenBox);
    const QSignalBlocker n(NachlassenBox);
    const QSignalBlocker u(UnruhigBox);
    ZuckenBox->setValue(settings_.zuckenAnstieg);
    NachlassenBox->setValue(settings_.nachlassenHalt);
    UnruhigBox->setValue(settings_.unruhigSd);
    MetricBox->setCurrentIndex(MetricBox->findData(static_cast<int>(settings_.trendMetric)));
    SeriesBox->setCurrentIndex(SeriesBox->findData(settings_.seriesLength));
}

void AnalysisWindow::thresholdsEdited() {
    settings_.zuckenAnstieg = ZuckenBox->value();
    settings_.nachlassenHalt = NachlassenBox->value();
    settings_.unruhigSd = UnruhigBox->value();
    saveSettings();
    if (live_) {
        // The metrics stay; only the tags are judged anew.
        live_->setSettings(settings_);
        showAnalysis();
    }
}

void AnalysisWindow::trendChoiceEdited() {
    settings_.trendMetric = static_cast<Metric>(MetricBox->currentData().toInt());
    settings_.seriesLength = SeriesBox->currentData().toInt();
    saveSettings();
    updateTrend();
}

void AnalysisWindow::saveSettings() {
    settingsSaved_ = saveAnalysisSettings(settings_, settingsPath_);
    // The change holds for this window all the same; the coach must know
    // that it will be gone at the next start.
    Status->setText(settingsSaved_ ? QString()
                                   : tr("Die Einstellungen der Analyse konnten nicht "
                                        "in %1 gespeichert werden.")
                                         .arg(settingsPath_));
    Status->setVisible(!settingsSaved_);
}

void AnalysisWindow::updateTitle() {
    const QString name = document_ ? QFileInfo(document_->Dateiname).fileName() : QString();
    setWindowTitle(tr("Analyse - %1").arg(name));
}

bool AnalysisWindow::trendShown() const {
    return Tabs->currentWidget() == trendTab_;
}

void AnalysisWindow::updateTrend() {
    trendStale_ = false;
    trend_ = computeTrend(analysis(), settings_.trendMetric, settings_.seriesLength);
    fillSeriesTable();
    TrendView->invalidate();
}

void AnalysisWindow::updateLegend() {
    const DisplaySettings& d = display();
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
    if (!RingFarben->isChecked() || ringColouring_.rings.empty()) {
        entries << entry(colorName(d.curveColor), QStringLiteral("━━"), tr("neueste"));
    }
    entries << entry(colorName(d.shotColor), QStringLiteral("━━"), tr("gewählt"));
    Legend->setText(entries.join(QStringLiteral("&nbsp;&nbsp;&nbsp;")));
}

void AnalysisWindow::updateSelectionText() {
    const SessionAnalysis& analysis = this->analysis();
    if (!highlighted_ || *highlighted_ >= static_cast<int>(analysis.rows.size())) {
        Selection->setText(
            tr("Eine Kurve oder eine Zeile der Einzelwerte anklicken, "
               "um eine Druckpunktnahme hervorzuheben."));
        return;
    }
    const TakeUpMetrics& m = analysis.rows[static_cast<size_t>(*highlighted_)];
    QString text = tr("Druckpunktnahme %1: ").arg(m.numberText());
    if (!m.hasShot()) {
        Selection->setText(text + tr("ohne Schuss, nicht in der Überlagerung"));
        return;
    }
    QStringList parts;
    if (const TakeUpScore* score = scoreOf(scores_.scores(), m)) {
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
    Selection->setText(text + parts.join(QStringLiteral(" · ")));
}

void AnalysisWindow::fillSeriesTable() {
    const Metric metric = trend_.metric;
    const QString unit = QStringLiteral(" (") + metricUnit(metric) + QLatin1Char(')');
    const QStringList headers = {tr("Serie"), tr("Druckpunktnahmen"), tr("Werte"),
                                 tr("Mittelwert") + unit, tr("SD") + unit};
    bool changed = false;
    for (int c = 0; c < headers.size() && !changed; ++c) {
        const QTableWidgetItem* item = SeriesTable->horizontalHeaderItem(c);
        changed = !item || item->text() != headers[c];
    }
    SeriesTable->setHorizontalHeaderLabels(headers);
    const int rows = static_cast<int>(trend_.series.size()) + 1;
    changed = changed || SeriesTable->rowCount() != rows;
    SeriesTable->setRowCount(rows);
    // After a take-up only its series and the total change: the other cells
    // are left alone.
    auto put = [this, &changed](int row, int column, const QString& text, bool bold) {
        QTableWidgetItem* item = SeriesTable->item(row, column);
        if (!item) {
            item = new QTableWidgetItem;
            item->setTextAlignment(column < 2 ? Qt::AlignCenter
                                              : Qt::AlignRight | Qt::AlignVCenter);
            SeriesTable->setItem(row, column, item);
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
        SeriesTable->horizontalHeader()->resizeSections(QHeaderView::ResizeToContents);
    }
}

void AnalysisWindow::highlight(int listIndex) {
    if (!document_ || listIndex < 0 || listIndex >= static_cast<int>(analysis().rows.size())) {
        return;
    }
    highlighted_ = listIndex;
    Overlay->invalidate();
    showRingHighlight();
    selectTableRow(listIndex);
    updateSelectionText();
    document_->SelectRecord(listIndex);
}

void AnalysisWindow::selectTableRow(int listIndex) {
    // Row i of the model is record i of the document.
    const QModelIndex index = SortedTable->mapFromSource(TableModel->index(listIndex, 0));
    if (!index.isValid() || Table->currentIndex().row() == index.row()) {
        return;
    }
    choosingRow_ = true;
    Table->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    Table->scrollTo(index);
    choosingRow_ = false;
}

void AnalysisWindow::tableRowChosen(const QModelIndex& current) {
    if (choosingRow_ || !current.isValid()) {
        return;
    }
    highlight(current.data(TakeUpTableModel::kListIndexRole).toInt());
}

void AnalysisWindow::reloadScores() {
    if (!document_) {
        return;
    }
    if (scores_.reload(document_->Dateiname, !document_->Unbenannt, live_->fingerprints())) {
        showScores();
    }
}

void AnalysisWindow::showScores() {
    const SessionScores& scores = scores_.scores();
    TableModel->setScores(scores);
    std::map<int, double> rings;
    for (const auto& [number, score] : scores) {
        rings[number] = score.ring;
    }
    ringColouring_ = ringColouring(rings);
    RingFarben->setEnabled(!rings.empty());
    if (RingFarben->isChecked()) {
        updateLegend();
        Overlay->invalidate();
    }
    updateSelectionText();
    ringTabStale_ = true;
    if (ringTabShown()) {
        updateRingTab();
    }
}

bool AnalysisWindow::ringTabShown() const {
    return Tabs->currentWidget() == Ringe;
}

void AnalysisWindow::updateRingTab() {
    ringTabStale_ = false;
    Ringe->setEmptyText(scores_.problem().ok() ? noRingsText()
                                               : ArchiveTexts::Problem(scores_.problem()));
    const QString name = document_ ? QFileInfo(document_->Dateiname).fileName() : QString();
    Ringe->setTakeUps(scoredTakeUps(analysis(), scores_.scores()), name);
    showRingHighlight();
}

void AnalysisWindow::showRingHighlight() {
    const std::vector<ScoredTakeUp>& shown = Ringe->takeUps();
    const auto chosen = std::ranges::find_if(shown, [this](const ScoredTakeUp& t) {
        return highlighted_ && t.metrics.listIndex == *highlighted_;
    });
    Ringe->setHighlighted(chosen == shown.end() ? std::nullopt
                                                : std::optional<size_t>(chosen - shown.begin()));
}

bool AnalysisWindow::typeRing(int listIndex, const QString& text) {
    ringRefused_ = true;
    if (!document_ || listIndex < 0 || listIndex >= static_cast<int>(analysis().rows.size())) {
        return false;
    }
    std::optional<TakeUpScore> score;
    const QString typed = text.trimmed();
    if (!typed.isEmpty()) {
        const std::optional<double> ring = readDecimal(typed);
        if (!ring || *ring < 0.0 || *ring > kHighestRing + 1e-9) {
            modalUi().message(
                this, tr("„%1“ ist kein Ring: ein Ring liegt zwischen 0,0 und 10,9.").arg(typed),
                Texts::kMeldung, MessageButtons::Ok);
            return false;
        }
        const int number = listIndex + 1;
        const auto it = scores_.scores().find(number);
        // A ring typed over an imported one keeps where the shot hit and when.
        score = it != scores_.scores().end() ? it->second : TakeUpScore{};
        score->takeUp = number;
        score->ring = *ring;
    }
    const QString problem = ArchiveTexts::RingNotStored(scores_.store(
        document_->Dateiname, !document_->Unbenannt, live_->fingerprints(), listIndex + 1, score));
    if (!problem.isEmpty()) {
        modalUi().message(this, problem, Texts::kMeldung, MessageButtons::Ok);
        return false;
    }
    ringRefused_ = false;
    showScores();
    return true;
}

QString AnalysisWindow::importScores(const SessionScores& scores) {
    if (!document_) {
        return {};
    }
    const QString problem = ArchiveTexts::RingNotStored(scores_.storeAll(
        document_->Dateiname, !document_->Unbenannt, live_->fingerprints(), scores));
    if (problem.isEmpty()) {
        showScores();
    }
    return problem;
}

void AnalysisWindow::nextRingRow() {
    if (ringRefused_) {
        ringRefused_ = false;
        return;  // the coach corrects the ring first
    }
    const int column = TakeUpTableModel::kRingColumn;
    for (int row = Table->currentIndex().row() + 1; row < SortedTable->rowCount(); ++row) {
        const QModelIndex next = SortedTable->index(row, column);
        if (next.flags() & Qt::ItemIsEditable) {
            Table->selectionModel()->setCurrentIndex(
                next, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            Table->scrollTo(next);
            Table->edit(next);
            return;
        }
    }
}

}  // namespace ostrevik
