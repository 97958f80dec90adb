#include "archive/ArchiveCopy.h"

#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveFileCopies.h"
#include "archive/ArchiveSessions.h"

#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <map>
#include <memory>

namespace ostrevik {
namespace {

// The tables that hang on a session by its sitzung_id, in an order their
// keys allow (a ring refers to its take-up). Their columns are copied as the
// source has them: both archives have the same schema.
// In the order their keys need: a drill's verdicts after its run.
constexpr const char* kSessionTables[] = {"sitzung_marke", "druckpunktnahme", "ring", "uebung_lauf",
                                          "uebung_ergebnis"};

// Copies rows of one table, the session's id replaced by the target's.
class RowCopier {
public:
    RowCopier(TrainingArchive& to, const QString& table) : to_(to), table_(table) {}

    // `row` as read from the source; its column names come from the
    // archive's own schema, never from anything typed.
    bool insert(const QSqlRecord& row, qint64 sessionId, ArchiveError& error,
                const QString& tail = {}) {
        if (!query_) {
            QStringList columns;
            QStringList marks;
            for (int i = 0; i < row.count(); ++i) {
                columns << row.fieldName(i);
                marks << QStringLiteral("?");
            }
            query_ = std::make_unique<QSqlQuery>(to_.db());
            if (!query_->prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)%4")
                                     .arg(table_, columns.join(QStringLiteral(", ")),
                                          marks.join(QStringLiteral(", ")), tail))) {
                error = to_.error(query_->lastError());
                return false;
            }
        }
        for (int i = 0; i < row.count(); ++i) {
            const bool session =
                row.fieldName(i).compare(QLatin1String("sitzung_id"), Qt::CaseInsensitive) == 0;
            query_->bindValue(i, session ? QVariant(sessionId) : row.value(i));
        }
        return execQuery(to_, *query_, error);
    }

    QSqlQuery& query() { return *query_; }

private:
    TrainingArchive& to_;
    QString table_;
    std::unique_ptr<QSqlQuery> query_;
};

bool rowsOf(TrainingArchive& from, const QString& sql, const QVariant& key,
            std::vector<QSqlRecord>& rows, ArchiveError& error) {
    rows.clear();
    QSqlQuery q(from.db());
    q.setForwardOnly(true);
    q.prepare(sql);
    if (key.isValid()) {
        q.addBindValue(key);
    }
    if (!execQuery(from, q, error)) {
        return false;
    }
    while (q.next()) {
        rows.push_back(q.record());
    }
    return true;
}

class Copier {
public:
    Copier(TrainingArchive& from, TrainingArchive& to) : from_(from), to_(to) {
        for (const char* table : kSessionTables) {
            tables_.emplace(QLatin1String(table), RowCopier(to, QLatin1String(table)));
        }
    }

    bool run(ArchiveCopySummary& summary) {
        ArchiveError& error = summary.error;
        std::vector<QSqlRecord> shooters;
        std::vector<QSqlRecord> sessions;
        if (!rowsOf(from_, QStringLiteral("SELECT id, name FROM schuetze"), {}, shooters, error) ||
            !rowsOf(from_, QStringLiteral("SELECT * FROM sitzung ORDER BY id"), {}, sessions,
                    error)) {
            return false;
        }
        for (const QSqlRecord& s : shooters) {
            names_[s.value(0).toLongLong()] = s.value(1).toString();
        }
        for (const QSqlRecord& session : sessions) {
            bool present = false;
            if (!has(session.value(QStringLiteral("pfad")).toString(), present, error)) {
                return false;
            }
            if (present) {
                ++summary.present;
                continue;
            }
            if (!inTransaction(to_, error, [&] { return copy(session, error); })) {
                return false;
            }
            ++summary.copied;
        }
        return copyEarlierNames(error);
    }

private:
    bool has(const QString& path, bool& present, ArchiveError& error) {
        QSqlQuery q(to_.db());
        q.prepare(QStringLiteral("SELECT 1 FROM sitzung WHERE pfad = ?"));
        q.addBindValue(path);
        if (!execQuery(to_, q, error)) {
            return false;
        }
        present = q.next();
        return true;
    }

    bool copy(const QSqlRecord& source, ArchiveError& error) {
        const qint64 sourceId = source.value(QStringLiteral("id")).toLongLong();
        const std::optional<qint64> shooter = shooterForName(
            to_, names_[source.value(QStringLiteral("schuetze_id")).toLongLong()], error);
        if (!shooter) {
            return false;
        }
        QSqlRecord row = source;
        row.remove(row.indexOf(QStringLiteral("id")));
        row.setValue(QStringLiteral("schuetze_id"), *shooter);
        RowCopier session(to_, QStringLiteral("sitzung"));
        if (!session.insert(row, 0, error, to_.dialect().returningId())) {
            return false;
        }
        const std::optional<qint64> id = to_.dialect().insertedId(session.query());
        if (!id) {
            error = {ArchiveError::Kind::Database, to_.path(), {}, 0};
            return false;
        }
        session.query().finish();
        std::vector<QSqlRecord> rows;
        for (const char* table : kSessionTables) {
            if (!rowsOf(from_,
                        QStringLiteral("SELECT * FROM %1 WHERE sitzung_id = ?")
                            .arg(QLatin1String(table)),
                        sourceId, rows, error)) {
                return false;
            }
            for (const QSqlRecord& r : rows) {
                if (!tables_.at(QLatin1String(table)).insert(r, *id, error)) {
                    return false;
                }
            }
        }
        const QByteArray hash = source.value(QStringLiteral("hash")).toByteArray();
        if (!rowsOf(from_, QStringLiteral("SELECT inhalt FROM datei WHERE hash = ?"), hash, rows,
                    error)) {
            return false;
        }
        return rows.empty() || storeFileCopy(to_, hash, rows[0].value(0).toByteArray(), error);
    }

    // The names under which later files still find their shooter.
    bool copyEarlierNames(ArchiveError& error) {
        std::vector<QSqlRecord> rows;
        if (!rowsOf(from_, QStringLiteral("SELECT name, schuetze_id FROM schuetze_name"), {}, rows,
                    error)) {
            return false;
        }
        return inTransaction(to_, error, [&] {
            QSqlQuery q(to_.db());
            q.prepare(
                QStringLiteral("INSERT INTO schuetze_name (name, schuetze_id) "
                               "SELECT CAST(? AS TEXT), id FROM schuetze WHERE name = ? "
                               "ON CONFLICT (name) DO NOTHING"));
            for (const QSqlRecord& r : rows) {
                q.bindValue(0, r.value(0));
                q.bindValue(1, names_[r.value(1).toLongLong()]);
                if (!execQuery(to_, q, error)) {
                    return false;
                }
            }
            return true;
        });
    }

    TrainingArchive& from_;
    TrainingArchive& to_;
    std::map<qint64, QString> names_;
    std::map<QString, RowCopier> tables_;
};

}  // namespace

ArchiveCopySummary copyArchive(TrainingArchive& from, TrainingArchive& to) {
    ArchiveCopySummary summary;
    if (to.readOnly()) {
        summary.error = to.whyReadOnly();
        return summary;
    }
    // A newer program's archive may hold what this one cannot write.
    if (from.schemaVersion() != to.schemaVersion()) {
        summary.error = from.notice().failed() ? from.notice() : to.notice();
        return summary;
    }
    Copier(from, to).run(summary);
    return summary;
}

}  // namespace ostrevik
