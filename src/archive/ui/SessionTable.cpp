#include "archive/ui/SessionTable.h"

#include "archive/ArchiveTexts.h"

#include <QFileInfo>
#include <QHeaderView>

#include <algorithm>
#include <array>

namespace ostrevik {
namespace {

// The figures the table shows per session, as the comparison of sessions
// shows them.
constexpr std::array<Metric, 4> kTableMetrics = {Metric::Schuss_ms, Metric::Anstieg_200,
                                                 Metric::Halt_160, Metric::Abweichung};
enum Column { kDatum, kDatei, kDruckpunktnahmen, kSchuesse, kMarken, kNotiz, kFirstMetric };

// A long note must not push the figures out of sight.
constexpr int kWidestNote = 220;

}  // namespace

SessionTable::SessionTable(QWidget* parent) : QTableWidget(parent) {
    setObjectName(QStringLiteral("Sitzungen"));
    QStringList headers{
        QStringLiteral("Datum"),   QStringLiteral("Datei"),  QStringLiteral("Druckpunkt-\nnahmen"),
        QStringLiteral("Schüsse"), QStringLiteral("Marken"), QStringLiteral("Notiz")};
    for (Metric m : kTableMetrics) {
        // Caption and unit on two lines keep the columns narrow.
        headers << metricCaption(m) + QStringLiteral("\n(") + metricUnit(m) + QLatin1Char(')');
    }
    setColumnCount(static_cast<int>(headers.size()));
    setHorizontalHeaderLabels(headers);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
}

void SessionTable::setSessions(const std::vector<ArchivedSession>& sessions,
                               const ProgressData& progress) {
    sessions_ = &sessions;
    clearContents();
    setRowCount(static_cast<int>(sessions.size()));
    for (size_t r = 0; r < sessions.size(); ++r) {
        const ArchivedSession& s = sessions[r];
        const bool missing = !QFileInfo::exists(s.path);
        QStringList cells{s.date.toString(QStringLiteral("dd.MM.yyyy")),
                          QFileInfo(s.path).fileName(),
                          QString::number(s.takeUps),
                          QString::number(s.shots),
                          s.tags.join(QStringLiteral(", ")),
                          s.note};
        const ProgressSession* p = r < progress.sessions.size() && progress.sessions[r].id == s.id
                                       ? &progress.sessions[r]
                                       : nullptr;
        for (Metric m : kTableMetrics) {
            cells << (p ? formatMetricValue(m, p->figure(m).mean) : QString());
        }
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            const bool words = c == kDatei || c == kMarken || c == kNotiz || c == kDatum;
            item->setTextAlignment(words ? Qt::AlignLeft | Qt::AlignVCenter
                                         : Qt::AlignRight | Qt::AlignVCenter);
            if (c == kDatei) {
                item->setToolTip(missing ? ArchiveTexts::SessionFileMissingTip(s.path) : s.path);
                if (missing) {
                    item->setForeground(QColor(0xA0, 0x10, 0x20));
                }
            }
            setItem(static_cast<int>(r), c, item);
        }
    }
    resizeColumnsToContents();
    setColumnWidth(kNotiz, std::min(columnWidth(kNotiz), kWidestNote));
}

std::vector<const ArchivedSession*> SessionTable::chosen() const {
    std::vector<const ArchivedSession*> out;
    if (!sessions_) {
        return out;
    }
    std::vector<int> rows;
    for (const QModelIndex& i : selectionModel()->selectedRows()) {
        rows.push_back(i.row());
    }
    std::ranges::sort(rows);
    for (int r : rows) {
        if (r >= 0 && r < static_cast<int>(sessions_->size())) {
            out.push_back(&(*sessions_)[static_cast<size_t>(r)]);
        }
    }
    return out;
}

std::vector<qint64> SessionTable::chosenIds() const {
    std::vector<qint64> ids;
    for (const ArchivedSession* s : chosen()) {
        ids.push_back(s->id);
    }
    return ids;
}

void SessionTable::choose(const std::vector<qint64>& ids) {
    clearSelection();
    if (!sessions_) {
        return;
    }
    for (size_t r = 0; r < sessions_->size(); ++r) {
        if (std::ranges::find(ids, (*sessions_)[r].id) != ids.end()) {
            selectionModel()->select(model()->index(static_cast<int>(r), 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
            scrollToItem(item(static_cast<int>(r), 0));
        }
    }
}

QString SessionTable::text(int row, int column) const {
    const QTableWidgetItem* i = item(row, column);
    return i ? i->text() : QString();
}

}  // namespace ostrevik
