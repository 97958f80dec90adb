#include "archive/ArchivedTakeUps.h"

#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveImport.h"
#include "archive/ArchiveSessions.h"

#include <QFileInfo>
#include <QSqlQuery>
#include <QVariant>

namespace ostrevik {

std::optional<qint64> shooterOfFile(TrainingArchive& archive, const QString& path,
                                    const QString& headerName, ArchiveError& error) {
    if (!path.isEmpty()) {
        QSqlQuery q(archive.db());
        q.prepare(QStringLiteral("SELECT schuetze_id FROM sitzung WHERE pfad = ?"));
        q.addBindValue(absolutePath(QFileInfo(path)));
        if (!execQuery(archive, q, error)) {
            return std::nullopt;
        }
        if (q.next()) {
            return q.value(0).toLongLong();
        }
    }
    // As the import names a session's shooter.
    return findShooter(archive, headerName.trimmed(), error);
}

std::vector<double> latestMetricValues(TrainingArchive& archive, qint64 shooterId, Metric metric,
                                       int count, const QString& leaveOut, ArchiveError& error) {
    std::vector<double> values;
    if (count <= 0) {
        return values;
    }
    // The column is named by the metric itself (the take-up CSV's names),
    // never by anything typed.
    const QString column = QStringLiteral("d.") + metricName(metric);
    QSqlQuery q(archive.db());
    q.setForwardOnly(true);
    const bool leavesOut = !leaveOut.isEmpty();
    q.prepare(
        QStringLiteral("SELECT %1 FROM druckpunktnahme d JOIN sitzung s ON s.id = d.sitzung_id"
                       " WHERE s.schuetze_id = ?%2 AND d.schuss <> 0 AND %1 IS NOT NULL"
                       " ORDER BY s.datum DESC, s.id DESC, d.nr DESC LIMIT ?")
            .arg(column, leavesOut ? QStringLiteral(" AND s.pfad <> ?") : QString()));
    q.addBindValue(shooterId);
    if (leavesOut) {
        q.addBindValue(absolutePath(QFileInfo(leaveOut)));
    }
    q.addBindValue(count);
    if (!execQuery(archive, q, error)) {
        return values;
    }
    while (q.next()) {
        values.push_back(q.value(0).toDouble());
    }
    return values;
}

}  // namespace ostrevik
