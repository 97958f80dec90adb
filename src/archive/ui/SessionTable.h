#pragma once

#include "archive/ArchiveProgress.h"
#include "archive/ArchiveSessions.h"

#include <QTableWidget>

#include <vector>

namespace ostrevik {

// The chosen shooter's sessions in the window "Trainingsarchiv": date, file,
// take-ups, shots, tags, note and the key figures of the comparison of
// sessions; a file that has vanished in red. Rows are chosen whole, several
// at once.
class SessionTable : public QTableWidget {
    Q_OBJECT
public:
    explicit SessionTable(QWidget* parent = nullptr);

    // Shows the sessions with their figures (progress by the same sessions,
    // in the same order; without them the figures stay empty). The table
    // chooses among `sessions`, which must stay until replaced.
    void setSessions(const std::vector<ArchivedSession>& sessions, const ProgressData& progress);
    // The chosen sessions in the table's order.
    std::vector<const ArchivedSession*> chosen() const;
    std::vector<qint64> chosenIds() const;
    void choose(const std::vector<qint64>& ids);
    // A cell's text as shown.
    QString text(int row, int column) const;

private:
    const std::vector<ArchivedSession>* sessions_ = nullptr;
};

}  // namespace ostrevik
