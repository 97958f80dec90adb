#include "analysis/ui/TakeUpTableModel.h"

#include "analysis/ScoreStatistics.h"
#include "common/NumberFormat.h"

#include <QColor>
#include <QStringList>

#include <algorithm>

namespace ostrevik {
namespace {

constexpr int kFirstMetricColumn = TakeUpTableModel::kRingColumn + 1;

Metric metricOf(int column) {
    return kMetrics[static_cast<size_t>(column - kFirstMetricColumn)];
}

bool isMetricColumn(int column) {
    return column >= kFirstMetricColumn && column < kFirstMetricColumn + kMetricCount;
}

// A header in lines narrow enough for a dozen columns side by side: the
// caption broken at its middle blank, the unit below it.
QString headerText(Metric metric) {
    QString caption = metricCaption(metric);
    if (caption.size() > 10) {
        const int middle = static_cast<int>(caption.size()) / 2;
        int best = -1;
        for (int i = 0; i < caption.size(); ++i) {
            if (caption[i] == QLatin1Char(' ') &&
                (best < 0 || qAbs(i - middle) < qAbs(best - middle))) {
                best = i;
            }
        }
        if (best > 0) {
            caption[best] = QLatin1Char('\n');
        }
    }
    return caption + QStringLiteral("\n(") + metricUnit(metric) + QLatin1Char(')');
}

}  // namespace

void TakeUpTableModel::setRows(const std::vector<TakeUpMetrics>& rows) {
    const int before = static_cast<int>(rows_.size());
    const int after = static_cast<int>(rows.size());
    if (after < before) {
        beginResetModel();
        rows_ = rows;
        endResetModel();
        return;
    }
    // Abweichung and its tag depend on every take-up, so old rows change too;
    // the views hear of the cells that did (after a take-up the last two
    // columns of the rows with a shot), so that a table sorted by another
    // column is not sorted again.
    int firstRow = before;
    int lastRow = -1;
    int firstColumn = columnCount();
    int lastColumn = -1;
    for (int r = 0; r < before; ++r) {
        const TakeUpMetrics& old = rows_[static_cast<size_t>(r)];
        const TakeUpMetrics& now = rows[static_cast<size_t>(r)];
        if (old == now) {
            continue;
        }
        for (int c = 0; c < columnCount(); ++c) {
            if (!sameCell(old, now, c)) {
                firstRow = std::min(firstRow, r);
                lastRow = r;
                firstColumn = std::min(firstColumn, c);
                lastColumn = std::max(lastColumn, c);
            }
        }
        rows_[static_cast<size_t>(r)] = now;
    }
    if (lastRow >= 0) {
        emit dataChanged(index(firstRow, firstColumn), index(lastRow, lastColumn));
    }
    if (after > before) {
        beginInsertRows({}, before, after - 1);
        rows_.insert(rows_.end(), rows.begin() + before, rows.end());
        endInsertRows();
    }
}

void TakeUpTableModel::setScores(const SessionScores& scores) {
    int first = -1;
    int last = -1;
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
        const int number = rows_[static_cast<size_t>(r)].number();
        const auto a = scores_.find(number);
        const auto b = scores.find(number);
        const bool same = (a == scores_.end()) == (b == scores.end()) &&
                          (a == scores_.end() || a->second.ring == b->second.ring);
        if (!same) {
            first = first < 0 ? r : first;
            last = r;
        }
    }
    scores_ = scores;
    if (first >= 0) {
        emit dataChanged(index(first, kRingColumn), index(last, kRingColumn));
    }
}

bool TakeUpTableModel::sameCell(const TakeUpMetrics& a, const TakeUpMetrics& b, int column) {
    if (column == kNumberColumn) {
        return a.listIndex == b.listIndex;
    }
    if (column == kRingColumn) {
        return a.listIndex == b.listIndex && a.hasShot() == b.hasShot();
    }
    if (column == kTagsColumn) {
        return a.Zucken == b.Zucken && a.Nachlassen == b.Nachlassen && a.Unruhig == b.Unruhig;
    }
    // A row's look (grey without a shot) goes with its shot.
    return a.value(metricOf(column)) == b.value(metricOf(column)) && a.hasShot() == b.hasShot();
}

int TakeUpTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TakeUpTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kTagsColumn + 1;
}

QVariant TakeUpTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) {
        return {};
    }
    const TakeUpMetrics& m = rows_[static_cast<size_t>(index.row())];
    const int column = index.column();
    if (column == kRingColumn) {
        const TakeUpScore* score = scoreOf(scores_, m);
        switch (role) {
            case Qt::DisplayRole:
            case Qt::EditRole:
                return score ? ringText(score->ring) : QString();
            case kSortRole:
                return score ? QVariant(score->ring) : QVariant();
            case kListIndexRole:
                return m.listIndex;
            case Qt::TextAlignmentRole:
                return QVariant(Qt::AlignRight | Qt::AlignVCenter);
            case Qt::ForegroundRole:
                return m.hasShot() ? QVariant() : QVariant(QColor(110, 110, 110));
            case Qt::ToolTipRole:
                if (score && (score->x || score->y || !score->time.isEmpty())) {
                    QStringList parts;
                    if (score->x && score->y) {
                        parts << tr("Treffer x %1 mm, y %2 mm")
                                     .arg(decimalCommaText(*score->x, 1),
                                          decimalCommaText(*score->y, 1));
                    }
                    if (!score->time.isEmpty()) {
                        parts << tr("Zeit %1").arg(score->time);
                    }
                    return parts.join(QStringLiteral(", "));
                }
                return {};
            default:
                return {};
        }
    }
    switch (role) {
        case Qt::DisplayRole:
            if (column == kNumberColumn) {
                // As the document window numbers its records.
                return m.numberText();
            }
            if (column == kTagsColumn) {
                return m.tagsText();
            }
            return formatMetricValue(metricOf(column), m.value(metricOf(column)));
        case kSortRole:
            if (column == kNumberColumn) {
                return m.number();
            }
            if (column == kTagsColumn) {
                const QString tags = m.tagsText();
                return tags.isEmpty() ? QVariant() : QVariant(tags);
            }
            if (const auto v = m.value(metricOf(column))) {
                return *v;
            }
            return {};
        case kListIndexRole:
            return m.listIndex;
        case Qt::TextAlignmentRole:
            return column == kTagsColumn ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                                         : QVariant(Qt::AlignRight | Qt::AlignVCenter);
        case Qt::ForegroundRole:
            if (column == kTagsColumn) {
                return QColor(160, 0, 0);
            }
            // A take-up without a shot has few values; its row stays readable
            // but steps back.
            return m.hasShot() ? QVariant() : QVariant(QColor(110, 110, 110));
        default:
            return {};
    }
}

QVariant TakeUpTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        if (section == kNumberColumn) {
            return tr("Nr.");
        }
        if (section == kRingColumn) {
            return tr("Ring");
        }
        if (section == kTagsColumn) {
            return tr("Marken");
        }
        return isMetricColumn(section) ? QVariant(headerText(metricOf(section))) : QVariant();
    }
    if (role == Qt::ToolTipRole) {
        if (section == kNumberColumn) {
            return tr("Nummer der Druckpunktnahme im Dokument");
        }
        if (section == kRingColumn) {
            return tr(
                "Ring des Schusses (Zehntelwertung, 0,0 bis 10,9); eintippen, Enter geht "
                "zur nächsten Druckpunktnahme");
        }
        if (section == kTagsColumn) {
            return tr("Fehlermarken: Zucken, Nachlassen, Unruhig");
        }
        return isMetricColumn(section) ? QVariant(metricHeader(metricOf(section))) : QVariant();
    }
    return {};
}

Qt::ItemFlags TakeUpTableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == kRingColumn &&
        index.row() < static_cast<int>(rows_.size()) &&
        rows_[static_cast<size_t>(index.row())].hasShot()) {
        f |= Qt::ItemIsEditable;
    }
    return f;
}

bool TakeUpTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) {
        return false;
    }
    const QString text = value.toString().trimmed();
    // The ring shown does not change here: whoever keeps the rings says
    // whether the new one is taken, and gives the rings anew.
    if (text != data(index, Qt::EditRole).toString()) {
        emit ringTyped(rows_[static_cast<size_t>(index.row())].listIndex, text);
    }
    return true;
}

bool TakeUpSortModel::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const QVariant l = left.data(TakeUpTableModel::kSortRole);
    const QVariant r = right.data(TakeUpTableModel::kSortRole);
    if (!l.isValid() || !r.isValid()) {
        if (l.isValid() == r.isValid()) {
            return false;  // both empty: the sort keeps them in document order
        }
        // Descending sorts compare the other way round; the empty one is
        // "less" then, so that it still ends up last.
        return sortOrder() == Qt::AscendingOrder ? !r.isValid() : !l.isValid();
    }
    if (l.typeId() == QMetaType::QString) {
        return QString::localeAwareCompare(l.toString(), r.toString()) < 0;
    }
    return l.toDouble() < r.toDouble();
}

}  // namespace ostrevik
