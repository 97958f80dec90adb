#include "archive/ArchiveScores.h"

#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveImport.h"

#include <QFileInfo>
#include <QSqlQuery>
#include <QVariant>

#include <set>

namespace ostrevik {
namespace {

QVariant optionalNumber(const std::optional<double>& v) {
    return v ? QVariant(*v) : QVariant(QMetaType(QMetaType::Double));
}

std::optional<double> numberOf(const QVariant& v) {
    return v.isNull() ? std::nullopt : std::optional<double>(v.toDouble());
}

bool deleteScores(TrainingArchive& archive, qint64 sessionId, ArchiveError& error) {
    QSqlQuery d(archive.db());
    d.prepare(QStringLiteral("DELETE FROM ring WHERE sitzung_id = ?"));
    d.addBindValue(sessionId);
    return execQuery(archive, d, error);
}

bool insertScore(TrainingArchive& archive, QSqlQuery& q, qint64 sessionId, const TakeUpScore& s,
                 ArchiveError& error) {
    q.bindValue(0, sessionId);
    q.bindValue(1, s.takeUp);
    q.bindValue(2, s.ring);
    q.bindValue(3, optionalNumber(s.x));
    q.bindValue(4, optionalNumber(s.y));
    // A null text would be bound as NULL; no time is an empty one.
    q.bindValue(5, s.time.isNull() ? QStringLiteral("") : s.time);
    // The fingerprint's 64 bits as SQLite's signed integer.
    q.bindValue(6, static_cast<qint64>(s.record));
    return execQuery(archive, q, error);
}

QString insertSql(bool replace) {
    return QStringLiteral(
               "INSERT INTO ring (sitzung_id, nr, ring, x, y, zeit, kennung) "
               "VALUES (?, ?, ?, ?, ?, ?, ?)%1")
        .arg(replace ? QStringLiteral(" ON CONFLICT (sitzung_id, nr) DO UPDATE SET ring = "
                                      "excluded.ring, x = excluded.x, y = excluded.y, zeit = "
                                      "excluded.zeit, kennung = excluded.kennung")
                     : QString());
}

bool insertAll(TrainingArchive& archive, qint64 sessionId, const SessionScores& scores,
               ArchiveError& error) {
    QSqlQuery q(archive.db());
    q.prepare(insertSql(false));
    for (const auto& [number, score] : scores) {
        if (!insertScore(archive, q, sessionId, score, error)) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<qint64> sessionOfFile(TrainingArchive& archive, const QString& path,
                                    ArchiveError& error) {
    const QFileInfo info(path);
    QSqlQuery q(archive.db());
    q.prepare(QStringLiteral("SELECT id FROM sitzung WHERE pfad = ? OR pfad = ?"));
    q.addBindValue(absolutePath(info));
    q.addBindValue(info.absoluteFilePath());
    if (!execQuery(archive, q, error)) {
        return std::nullopt;
    }
    return q.next() ? std::optional<qint64>(q.value(0).toLongLong()) : std::nullopt;
}

bool loadSessionScores(TrainingArchive& archive, qint64 sessionId, SessionScores& out,
                       ArchiveError& error) {
    out.clear();
    QSqlQuery q(archive.db());
    q.setForwardOnly(true);
    q.prepare(
        QStringLiteral("SELECT nr, ring, x, y, zeit, kennung FROM ring WHERE sitzung_id = ?"));
    q.addBindValue(sessionId);
    if (!execQuery(archive, q, error)) {
        return false;
    }
    while (q.next()) {
        TakeUpScore s;
        s.takeUp = q.value(0).toInt();
        s.ring = q.value(1).toDouble();
        s.x = numberOf(q.value(2));
        s.y = numberOf(q.value(3));
        s.time = q.value(4).toString();
        s.record = static_cast<uint64_t>(q.value(5).toLongLong());
        out[s.takeUp] = s;
    }
    return true;
}

bool replaceSessionScores(TrainingArchive& archive, qint64 sessionId, const SessionScores& scores,
                          ArchiveError& error) {
    return inTransaction(archive, error, [&] {
        return deleteScores(archive, sessionId, error) &&
               insertAll(archive, sessionId, scores, error);
    });
}

bool setTakeUpScore(TrainingArchive& archive, qint64 sessionId, int takeUp,
                    const std::optional<TakeUpScore>& score, ArchiveError& error) {
    return inTransaction(archive, error, [&] {
        if (!score) {
            QSqlQuery d(archive.db());
            d.prepare(QStringLiteral("DELETE FROM ring WHERE sitzung_id = ? AND nr = ?"));
            d.addBindValue(sessionId);
            d.addBindValue(takeUp);
            return execQuery(archive, d, error);
        }
        TakeUpScore s = *score;
        s.takeUp = takeUp;
        QSqlQuery q(archive.db());
        q.prepare(insertSql(true));
        return insertScore(archive, q, sessionId, s, error);
    });
}

bool followSessionRecords(TrainingArchive& archive, qint64 sessionId, const SessionScores& before,
                          std::span<const uint64_t> records, ArchiveError& error) {
    if (before.empty()) {
        return true;
    }
    return deleteScores(archive, sessionId, error) &&
           insertAll(archive, sessionId, followRecords(before, records), error);
}

bool loadArchivedScores(TrainingArchive& archive, const SessionFilter& filter, ArchivedScores& out,
                        ArchiveError& error) {
    out = {};
    const std::vector<ArchivedSession> sessions = listSessions(archive, filter, error);
    return error.ok() && loadArchivedScores(archive, filter, sessions, out, error);
}

bool loadArchivedScores(TrainingArchive& archive, const SessionFilter& filter,
                        const std::vector<ArchivedSession>& sessions, ArchivedScores& out,
                        ArchiveError& error) {
    out = {};
    std::set<qint64> chosen;
    for (const ArchivedSession& s : sessions) {
        chosen.insert(s.id);
    }
    if (chosen.empty()) {
        return true;
    }
    QString columns;
    for (Metric m : kMetrics) {
        columns += QStringLiteral(", d.") + metricName(m);
    }
    QString sql = QStringLiteral(
                      "SELECT d.sitzung_id, d.nr, r.ring, d.Zucken, d.Nachlassen, d.Unruhig%1 "
                      "FROM ring r JOIN druckpunktnahme d ON d.sitzung_id = r.sitzung_id AND "
                      "d.nr = r.nr WHERE d.schuss = 1")
                      .arg(columns);
    QSqlQuery q(archive.db());
    if (!execForShooter(archive, q, sql, filter, QStringLiteral("d.sitzung_id"), error,
                        QStringLiteral(" ORDER BY d.sitzung_id, d.nr"))) {
        return false;
    }
    std::set<qint64> withScores;
    while (q.next()) {
        const qint64 session = q.value(0).toLongLong();
        if (!chosen.contains(session)) {
            continue;  // outside the period or the tag
        }
        withScores.insert(session);
        ScoredTakeUp t;
        t.metrics.listIndex = q.value(1).toInt() - 1;
        t.ring = q.value(2).toDouble();
        int k = 3;
        for (Tag tag : kTags) {
            t.metrics.setTag(tag, q.value(k++).toBool());
        }
        for (Metric m : kMetrics) {
            t.metrics.setValue(m, numberOf(q.value(k++)));
        }
        // A shot it has; where in the record the archive knows from the time to it.
        t.metrics.shotIndex = t.metrics.Schuss_ms ? *t.metrics.Schuss_ms / 20 : 0;
        out.takeUps.push_back(t);
    }
    out.sessions = static_cast<int>(withScores.size());
    return true;
}

}  // namespace ostrevik
