#include "archive/ArchiveSessions.h"

#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveFileCopies.h"

#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <map>

namespace ostrevik {
namespace {

bool exists(TrainingArchive& archive, const QString& sql, qint64 id, ArchiveError& error,
            bool& found) {
    QSqlQuery q(archive.db());
    q.prepare(sql);
    q.addBindValue(id);
    if (!execQuery(archive, q, error)) {
        return false;
    }
    found = q.next();
    return true;
}

std::optional<qint64> currentName(TrainingArchive& archive, const QString& name,
                                  ArchiveError& error, bool& failed) {
    QSqlQuery q(archive.db());
    q.prepare(QStringLiteral("SELECT id FROM schuetze WHERE name = ?"));
    q.addBindValue(name);
    failed = !execQuery(archive, q, error);
    if (!failed && q.next()) {
        return q.value(0).toLongLong();
    }
    return std::nullopt;
}

// Files with this header name belong to the shooter from now on.
bool keepName(TrainingArchive& archive, const QString& name, qint64 shooterId,
              ArchiveError& error) {
    QSqlQuery n(archive.db());
    n.prepare(
        QStringLiteral("INSERT INTO schuetze_name (name, schuetze_id) VALUES (?, ?) "
                       "ON CONFLICT (name) DO UPDATE SET schuetze_id = excluded.schuetze_id"));
    n.addBindValue(name);
    n.addBindValue(shooterId);
    return execQuery(archive, n, error);
}

}  // namespace

bool dropEmptyShooters(TrainingArchive& archive, ArchiveError& error) {
    QSqlQuery q(archive.db());
    q.prepare(
        QStringLiteral("DELETE FROM schuetze WHERE id NOT IN "
                       "(SELECT DISTINCT schuetze_id FROM sitzung)"));
    return execQuery(archive, q, error);
}

QStringList normalizeTags(const QStringList& tags) {
    QStringList out;
    for (QString t : tags) {
        t.remove(QLatin1Char(';'));
        t = t.simplified();
        if (!t.isEmpty() && !out.contains(t)) {
            out << t;
        }
    }
    out.sort(Qt::CaseInsensitive);
    return out;
}

QStringList tagsFromText(const QString& text) {
    return normalizeTags(text.split(QLatin1Char(',')));
}

std::vector<ArchivedShooter> listShooters(TrainingArchive& archive, ArchiveError& error) {
    std::vector<ArchivedShooter> out;
    QSqlQuery q(archive.db());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral(
                  "SELECT s.id, s.name, (SELECT COUNT(*) FROM sitzung WHERE schuetze_id = s.id) "
                  "FROM schuetze s ORDER BY %1, s.id")
                  .arg(archive.dialect().caseless(QStringLiteral("s.name"))));
    if (!execQuery(archive, q, error)) {
        return out;
    }
    while (q.next()) {
        out.push_back({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toInt()});
    }
    return out;
}

std::optional<qint64> findShooter(TrainingArchive& archive, const QString& name,
                                  ArchiveError& error) {
    bool failed = false;
    if (auto id = currentName(archive, name, error, failed); id || failed) {
        return id;
    }
    QSqlQuery q(archive.db());
    q.prepare(QStringLiteral("SELECT schuetze_id FROM schuetze_name WHERE name = ?"));
    q.addBindValue(name);
    if (execQuery(archive, q, error) && q.next()) {
        return q.value(0).toLongLong();
    }
    return std::nullopt;
}

std::optional<qint64> shooterForName(TrainingArchive& archive, const QString& name,
                                     ArchiveError& error) {
    ArchiveError lookError;
    if (auto id = findShooter(archive, name, lookError)) {
        return id;
    }
    if (lookError.failed()) {
        error = lookError;
        return std::nullopt;
    }
    // Two PCs may make the same new shooter at once: on the server the
    // second insert waits for the first and then leaves his row alone, and
    // the name is looked up again, so that both files land with one shooter.
    QSqlQuery q(archive.db());
    q.prepare(
        QStringLiteral("INSERT INTO schuetze (name) VALUES (?) ON CONFLICT (name) DO NOTHING") +
        archive.dialect().returningId());
    q.addBindValue(name);
    if (!execQuery(archive, q, error)) {
        return std::nullopt;
    }
    const std::optional<qint64> made = archive.dialect().insertedId(q);
    q.finish();
    if (!made) {
        bool failed = false;
        return currentName(archive, name, error, failed);
    }
    if (!keepName(archive, name, *made, error)) {
        return std::nullopt;
    }
    return made;
}

bool execForShooter(TrainingArchive& archive, QSqlQuery& query, QString sql,
                    const SessionFilter& filter, const QString& sessionColumn, ArchiveError& error,
                    const QString& tail) {
    if (filter.shooterId) {
        sql += sql.contains(QStringLiteral(" WHERE "), Qt::CaseInsensitive)
                   ? QStringLiteral(" AND ")
                   : QStringLiteral(" WHERE ");
        sql += sessionColumn + QStringLiteral(" IN (SELECT id FROM sitzung WHERE schuetze_id = ?)");
    }
    sql += tail;
    query.setForwardOnly(true);
    query.prepare(sql);
    if (filter.shooterId) {
        query.addBindValue(*filter.shooterId);
    }
    return execQuery(archive, query, error);
}

std::vector<ArchivedSession> listSessions(TrainingArchive& archive, const SessionFilter& filter,
                                          ArchiveError& error) {
    std::vector<ArchivedSession> out;
    QString sql = QStringLiteral(
        "SELECT s.id, h.name, s.pfad, s.datum, s.notiz, s.druckpunktnahmen, s.schuesse "
        "FROM sitzung s JOIN schuetze h ON h.id = s.schuetze_id WHERE 1 = 1");
    QVariantList binds;
    if (filter.shooterId) {
        sql += QStringLiteral(" AND s.schuetze_id = ?");
        binds << *filter.shooterId;
    }
    if (filter.from.isValid()) {
        sql += QStringLiteral(" AND s.datum >= ?");
        binds << filter.from.toString(kArchiveDateFormat);
    }
    if (filter.to.isValid()) {
        sql += QStringLiteral(" AND s.datum <= ?");
        binds << filter.to.toString(kArchiveDateFormat);
    }
    if (!filter.tag.isEmpty()) {
        sql += QStringLiteral(
            " AND EXISTS (SELECT 1 FROM sitzung_marke m WHERE m.sitzung_id = s.id AND m.marke = "
            "?)");
        binds << filter.tag;
    }
    sql += QStringLiteral(" ORDER BY s.datum, %1, s.pfad")
               .arg(archive.dialect().caseless(QStringLiteral("h.name")));
    QSqlQuery q(archive.db());
    q.setForwardOnly(true);
    q.prepare(sql);
    for (const QVariant& b : binds) {
        q.addBindValue(b);
    }
    if (!execQuery(archive, q, error)) {
        return out;
    }
    std::map<qint64, size_t> index;
    while (q.next()) {
        ArchivedSession s;
        s.id = q.value(0).toLongLong();
        s.shooter = q.value(1).toString();
        s.path = q.value(2).toString();
        s.date = QDate::fromString(q.value(3).toString(), kArchiveDateFormat);
        s.note = q.value(4).toString();
        s.takeUps = q.value(5).toInt();
        s.shots = q.value(6).toInt();
        index[s.id] = out.size();
        out.push_back(std::move(s));
    }
    if (out.empty()) {
        return out;
    }
    // Ordered by tag: the sort below is not stable.
    QSqlQuery m(archive.db());
    if (!execForShooter(archive, m, QStringLiteral("SELECT sitzung_id, marke FROM sitzung_marke"),
                        filter, QStringLiteral("sitzung_id"), error,
                        QStringLiteral(" ORDER BY marke"))) {
        return {};
    }
    while (m.next()) {
        if (const auto it = index.find(m.value(0).toLongLong()); it != index.end()) {
            out[it->second].tags << m.value(1).toString();
        }
    }
    for (ArchivedSession& s : out) {
        s.tags.sort(Qt::CaseInsensitive);
    }
    return out;
}

std::optional<ArchivedSession> sessionById(TrainingArchive& archive, qint64 id,
                                           ArchiveError& error) {
    QSqlQuery q(archive.db());
    q.prepare(QStringLiteral("SELECT schuetze_id FROM sitzung WHERE id = ?"));
    q.addBindValue(id);
    if (!execQuery(archive, q, error) || !q.next()) {
        return std::nullopt;
    }
    SessionFilter f;
    f.shooterId = q.value(0).toLongLong();
    for (ArchivedSession& s : listSessions(archive, f, error)) {
        if (s.id == id) {
            return std::move(s);
        }
    }
    return std::nullopt;
}

QStringList allTags(TrainingArchive& archive, ArchiveError& error) {
    QStringList out;
    QSqlQuery q(archive.db());
    q.prepare(QStringLiteral("SELECT DISTINCT marke FROM sitzung_marke"));
    if (!execQuery(archive, q, error)) {
        return out;
    }
    while (q.next()) {
        out << q.value(0).toString();
    }
    out.sort(Qt::CaseInsensitive);
    return out;
}

namespace {

// The coach's changes without their transaction, so that several of them
// can be made as one.

bool writeTags(TrainingArchive& archive, qint64 sessionId, const QStringList& tags,
               ArchiveError& error) {
    QSqlQuery d(archive.db());
    d.prepare(QStringLiteral("DELETE FROM sitzung_marke WHERE sitzung_id = ?"));
    d.addBindValue(sessionId);
    if (!execQuery(archive, d, error)) {
        return false;
    }
    QSqlQuery i(archive.db());
    i.prepare(QStringLiteral("INSERT INTO sitzung_marke (sitzung_id, marke) VALUES (?, ?)"));
    for (const QString& t : normalizeTags(tags)) {
        i.bindValue(0, sessionId);
        i.bindValue(1, t);
        if (!execQuery(archive, i, error)) {
            return false;
        }
    }
    return true;
}

bool writeNote(TrainingArchive& archive, qint64 sessionId, const QString& note,
               ArchiveError& error) {
    QSqlQuery q(archive.db());
    q.prepare(QStringLiteral("UPDATE sitzung SET notiz = ? WHERE id = ?"));
    q.addBindValue(note.trimmed());
    q.addBindValue(sessionId);
    return execQuery(archive, q, error);
}

bool writeShooter(TrainingArchive& archive, qint64 sessionId, const QString& name,
                  ArchiveError& error) {
    const std::optional<qint64> shooter = shooterForName(archive, name.trimmed(), error);
    if (!shooter) {
        return false;
    }
    QSqlQuery q(archive.db());
    q.prepare(
        QStringLiteral("UPDATE sitzung SET schuetze_id = ?, schuetze_gesetzt = 1 WHERE id = ?"));
    q.addBindValue(*shooter);
    q.addBindValue(sessionId);
    return execQuery(archive, q, error) && dropEmptyShooters(archive, error);
}

bool deleteSession(TrainingArchive& archive, qint64 sessionId, ArchiveError& error) {
    QSqlQuery q(archive.db());
    q.prepare(QStringLiteral("DELETE FROM sitzung WHERE id = ?"));
    q.addBindValue(sessionId);
    return execQuery(archive, q, error);
}

}  // namespace

bool setSessionTags(TrainingArchive& archive, qint64 sessionId, const QStringList& tags,
                    ArchiveError& error) {
    return inTransaction(archive, error,
                         [&] { return writeTags(archive, sessionId, tags, error); });
}

bool setSessionNote(TrainingArchive& archive, qint64 sessionId, const QString& note,
                    ArchiveError& error) {
    return inTransaction(archive, error,
                         [&] { return writeNote(archive, sessionId, note, error); });
}

bool setSessionShooter(TrainingArchive& archive, qint64 sessionId, const QString& name,
                       ArchiveError& error) {
    return inTransaction(archive, error,
                         [&] { return writeShooter(archive, sessionId, name, error); });
}

bool editSession(TrainingArchive& archive, const ArchivedSession& session, const SessionEdit& edit,
                 ArchiveError& error) {
    return inTransaction(archive, error, [&] {
        if (!writeTags(archive, session.id, edit.tags, error) ||
            !writeNote(archive, session.id, edit.note, error)) {
            return false;
        }
        // Only a shooter really changed is set: setting him marks the session
        // as given by hand, and it then no longer follows its file's header.
        return edit.shooter.trimmed() == session.shooter ||
               writeShooter(archive, session.id, edit.shooter, error);
    });
}

bool renameShooter(TrainingArchive& archive, qint64 shooterId, const QString& newName,
                   ArchiveError& error) {
    const QString name = newName.trimmed();
    return inTransaction(archive, error, [&] {
        bool failed = false;
        const std::optional<qint64> other = currentName(archive, name, error, failed);
        if (failed) {
            return false;
        }
        if (other && *other != shooterId) {
            error = {ArchiveError::Kind::ShooterNameTaken, archive.path(), name, 0};
            return false;
        }
        QSqlQuery q(archive.db());
        q.prepare(QStringLiteral("UPDATE schuetze SET name = ? WHERE id = ?"));
        q.addBindValue(name);
        q.addBindValue(shooterId);
        if (!execQuery(archive, q, error)) {
            return false;
        }
        return keepName(archive, name, shooterId, error);
    });
}

bool mergeShooters(TrainingArchive& archive, qint64 fromId, qint64 intoId, ArchiveError& error) {
    if (fromId == intoId) {
        return true;
    }
    return inTransaction(archive, error, [&] {
        bool found = false;
        if (!exists(archive, QStringLiteral("SELECT 1 FROM schuetze WHERE id = ?"), intoId, error,
                    found)) {
            return false;
        }
        if (!found) {
            error = {ArchiveError::Kind::ShooterGone, archive.path(), {}, 0};
            return false;
        }
        for (const QString& sql :
             {QStringLiteral("UPDATE sitzung SET schuetze_id = :into WHERE schuetze_id = :from"),
              QStringLiteral(
                  "UPDATE schuetze_name SET schuetze_id = :into WHERE schuetze_id = :from"),
              QStringLiteral("DELETE FROM schuetze WHERE id = :from")}) {
            QSqlQuery q(archive.db());
            q.prepare(sql);
            if (sql.contains(QStringLiteral(":into"))) {
                q.bindValue(QStringLiteral(":into"), intoId);
            }
            q.bindValue(QStringLiteral(":from"), fromId);
            if (!execQuery(archive, q, error)) {
                return false;
            }
        }
        return true;
    });
}

bool removeSessions(TrainingArchive& archive, const std::vector<qint64>& sessionIds,
                    ArchiveError& error) {
    return inTransaction(archive, error, [&] {
        for (qint64 id : sessionIds) {
            if (!deleteSession(archive, id, error)) {
                return false;
            }
        }
        return dropEmptyShooters(archive, error) && dropUnusedFileCopies(archive, error);
    });
}

bool removeSession(TrainingArchive& archive, qint64 sessionId, ArchiveError& error) {
    return removeSessions(archive, {sessionId}, error);
}

}  // namespace ostrevik
