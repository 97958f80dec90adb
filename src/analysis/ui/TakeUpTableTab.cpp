#include "analysis/ui/TakeUpTableTab.h"

#include "analysis/ui/TakeUpTableModel.h"

#include <QDoubleSpinBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

namespace ostrevik {
namespace {

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

// The ring's cell: Enter takes the ring and goes on to the next take-up's.
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

TakeUpTableTab::TakeUpTableTab(RingKeeper keepRing, QWidget* parent)
    : QWidget(parent), keepRing_(std::move(keepRing)) {
    zucken_ = thresholdBox(100.0, 1.0, tr(" %-Punkte"),
                           tr("Zucken, wenn der Druck in den letzten 0,2 s vor dem "
                              "Schuss um mehr als so viele Prozentpunkte steigt"));
    nachlassen_ = thresholdBox(1000.0, 1.0, tr(" %"),
                               tr("Nachlassen, wenn 160 ms nach dem Schuss weniger "
                                  "als so viel vom Druck beim Schuss gehalten wird"));
    unruhig_ = thresholdBox(10.0, 0.5, tr(" SD"),
                            tr("Unruhig, wenn die Abweichung vom Mittel um mehr als "
                               "so viele Standardabweichungen über dem Mittel des "
                               "Dokuments liegt"));
    for (QDoubleSpinBox* box : {zucken_, nachlassen_, unruhig_}) {
        connect(box, &QDoubleSpinBox::valueChanged, this, [this] { emit thresholdsEdited(); });
    }
    auto* marks = new QGroupBox(tr("Fehlermarken"));
    auto* row = new QHBoxLayout(marks);
    auto add = [row](const QString& text, QWidget* box) {
        row->addWidget(new QLabel(text));
        row->addWidget(box);
        row->addSpacing(24);
    };
    add(tr("Zucken: Anstieg letzte 0,2 s über"), zucken_);
    add(tr("Nachlassen: Halt nach 160 ms unter"), nachlassen_);
    add(tr("Unruhig: Abweichung über Mittel +"), unruhig_);
    row->addStretch(1);

    model_ = new TakeUpTableModel(this);
    sorted_ = new TakeUpSortModel(this);
    sorted_->setSourceModel(model_);
    sorted_->setDynamicSortFilter(true);
    view_ = new QTableView;
    view_->setObjectName(QStringLiteral("Einzelwerte"));
    view_->setModel(sorted_);
    view_->setSortingEnabled(true);
    view_->sortByColumn(TakeUpTableModel::kNumberColumn, Qt::AscendingOrder);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    // Only the ring's cell can be edited: typing a digit there starts it.
    view_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
    view_->setItemDelegateForColumn(TakeUpTableModel::kRingColumn,
                                    new RingDelegate(this, [this] { nextRingRow(); }));
    connect(model_, &TakeUpTableModel::ringTyped, this, [this](int listIndex, const QString& text) {
        ringRefused_ = !keepRing_(listIndex, text);
    });
    view_->setAlternatingRowColors(true);
    view_->verticalHeader()->hide();
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    // Widths from the headers once: measuring every cell of a thousand rows
    // would cost more than the whole analysis.
    QHeaderView* header = view_->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setStretchLastSection(true);
    const QFontMetrics fm = header->fontMetrics();
    for (int c = 0; c < TakeUpTableModel::kTagsColumn; ++c) {
        const QStringList lines =
            model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().split('\n');
        // A ring has at most five characters ("10,95").
        int width =
            fm.horizontalAdvance(c == TakeUpTableModel::kRingColumn ? QStringLiteral("10,95")
                                                                    : QStringLiteral("00000,0"));
        for (const QString& line : lines) {
            width = std::max(width, fm.horizontalAdvance(line));
        }
        header->resizeSection(c, width + 24);
    }
    connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { rowChosen(current); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(marks);
    layout->addWidget(view_, 1);
}

TakeUpTableTab::~TakeUpTableTab() {
    // The view goes after this tab: its last signals must not reach it.
    view_->selectionModel()->disconnect(this);
}

void TakeUpTableTab::showRows(const std::vector<TakeUpMetrics>& rows) {
    model_->setRows(rows);
}

void TakeUpTableTab::showScores(const SessionScores& scores) {
    model_->setScores(scores);
}

void TakeUpTableTab::showThresholds(const FaultThresholds& t) {
    const QSignalBlocker z(zucken_);
    const QSignalBlocker n(nachlassen_);
    const QSignalBlocker u(unruhig_);
    zucken_->setValue(t.zuckenAnstieg);
    nachlassen_->setValue(t.nachlassenHalt);
    unruhig_->setValue(t.unruhigSd);
}

void TakeUpTableTab::setThresholds(const FaultThresholds& t) {
    const FaultThresholds before = thresholds();
    showThresholds(t);
    if (!(thresholds() == before)) {
        emit thresholdsEdited();
    }
}

FaultThresholds TakeUpTableTab::thresholds() const {
    return {zucken_->value(), nachlassen_->value(), unruhig_->value()};
}

void TakeUpTableTab::selectTakeUp(int listIndex) {
    // Row i of the model is record i of the document.
    const QModelIndex index = sorted_->mapFromSource(model_->index(listIndex, 0));
    if (!index.isValid() || view_->currentIndex().row() == index.row()) {
        return;
    }
    choosingRow_ = true;
    view_->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view_->scrollTo(index);
    choosingRow_ = false;
}

void TakeUpTableTab::rowChosen(const QModelIndex& current) {
    if (choosingRow_ || !current.isValid()) {
        return;
    }
    emit takeUpChosen(current.data(TakeUpTableModel::kListIndexRole).toInt());
}

void TakeUpTableTab::sortBy(int column, Qt::SortOrder order) {
    view_->sortByColumn(column, order);
}

void TakeUpTableTab::chooseRow(int row) {
    view_->selectionModel()->setCurrentIndex(
        sorted_->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TakeUpTableTab::editRing(int row) {
    const QModelIndex cell = sorted_->index(row, TakeUpTableModel::kRingColumn);
    view_->setCurrentIndex(cell);
    view_->edit(cell);
}

QWidget* TakeUpTableTab::ringEditor() const {
    // A closed editor lingers hidden until it is deleted later.
    for (QWidget* editor :
         view_->viewport()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (editor->isVisible()) {
            return editor;
        }
    }
    return nullptr;
}

void TakeUpTableTab::nextRingRow() {
    if (ringRefused_) {
        ringRefused_ = false;
        return;  // the coach corrects the ring first
    }
    const int column = TakeUpTableModel::kRingColumn;
    for (int row = view_->currentIndex().row() + 1; row < sorted_->rowCount(); ++row) {
        const QModelIndex next = sorted_->index(row, column);
        if (next.flags() & Qt::ItemIsEditable) {
            view_->selectionModel()->setCurrentIndex(
                next, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            view_->scrollTo(next);
            view_->edit(next);
            return;
        }
    }
}

int TakeUpTableTab::rowCount() const {
    return sorted_->rowCount();
}

int TakeUpTableTab::columnCount() const {
    return model_->columnCount();
}

int TakeUpTableTab::currentRow() const {
    return view_->currentIndex().row();
}

int TakeUpTableTab::listIndexAt(int row) const {
    return sorted_->index(row, 0).data(TakeUpTableModel::kListIndexRole).toInt();
}

int TakeUpTableTab::rowOf(int listIndex) const {
    return sorted_->mapFromSource(model_->index(listIndex, 0)).row();
}

QString TakeUpTableTab::cellText(int row, int column) const {
    return sorted_->index(row, column).data().toString();
}

QString TakeUpTableTab::takeUpCell(int listIndex, int column) const {
    return model_->index(listIndex, column).data().toString();
}

}  // namespace ostrevik
