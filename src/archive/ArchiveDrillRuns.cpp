#include "archive/ArchiveDrillRuns.h"

#include "analysis/TakeUpScore.h"
#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveProgress.h"

#include <QSqlQuery>
#include <QVariant>

#include <map>
#include <set>

namespace ostrevik {
namespace {

// Criteria names never hold a comma (metric and tag names), so a comma
// separates them as in the CSV files.
const QChar kSeparator = QLatin1Char(',');
// As the other lists of the archive write a session's day.
const QString kGermanDate = QStringLiteral("dd.MM.yyyy");

// A null text would be bound as NULL; an empty one is kept as empty.
QString text(const QString& s) {
    return s.isNull() ? QStringLiteral("") : s;
}

bool deleteRun(TrainingArchive& archive, qint64 sessionId, const QString& key,
               ArchiveError& error) {
    // The verdicts first: a backend without cascading deletes keeps no orphans.
    for (const char* table : {"uebung_ergebnis", "uebung_lauf"}) {
        QSqlQuery d(archive.db());
        d.prepare(QStringLiteral("DELETE FROM %1 WHERE sitzung_id = ? AND lauf = ?")
                      .arg(QLatin1String(table)));
        d.addBindValue(sessionId);
        d.addBindValue(text(key));
        if (!execQuery(archive, d, error)) {
            return false;
        }
    }
    return true;
}

bool insertVerdicts(TrainingArchive& archive, qint64 sessionId, const QString& key,
                    const std::vector<ArchivedDrillVerdict>& verdicts, ArchiveError& error) {
    QSqlQuery q(archive.db());
    q.prepare(QStringLiteral(
        "INSERT INTO uebung_ergebnis (sitzung_id, lauf, pos, nr, kennung, bestanden, "
        "nicht_erfuellt) VALUES (?, ?, ?, ?, ?, ?, ?)"));
    int position = 0;
    for (const ArchivedDrillVerdict& v : verdicts) {
        q.bindValue(0, sessionId);
        q.bindValue(1, text(key));
        q.bindValue(2, ++position);
        q.bindValue(3, v.takeUp);
        // The fingerprint's 64 bits as the database's signed integer.
        q.bindValue(4, static_cast<qint64>(v.record));
        q.bindValue(5,
                    v.passed ? QVariant(*v.passed ? 1 : 0) : QVariant(QMetaType(QMetaType::Int)));
        q.bindValue(6, text(v.missed.join(kSeparator)));
        if (!execQuery(archive, q, error)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool storeDrillRun(TrainingArchive& archive, qint64 sessionId, const ArchivedDrillRun& run,
                   ArchiveError& error) {
    return inTransaction(archive, error, [&] {
        if (!deleteRun(archive, sessionId, run.key, error)) {
            return false;
        }
        QSqlQuery q(archive.db());
        q.prepare(QStringLiteral(
            "INSERT INTO uebung_lauf (sitzung_id, lauf, name, uebung, begonnen, beendet) "
            "VALUES (?, ?, ?, ?, ?, ?)"));
        q.addBindValue(sessionId);
        q.addBindValue(text(run.key));
        q.addBindValue(text(run.name));
        q.addBindValue(text(run.drill));
        q.addBindValue(text(run.started));
        q.addBindValue(run.finished ? 1 : 0);
        return execQuery(archive, q, error) &&
               insertVerdicts(archive, sessionId, run.key, run.verdicts, error);
    });
}

bool loadDrillRuns(TrainingArchive& archive, qint64 sessionId, std::vector<ArchivedDrillRun>& out,
                   ArchiveError& error) {
    out.clear();
    QSqlQuery runs(archive.db());
    runs.setForwardOnly(true);
    runs.prepare(QStringLiteral(
        "SELECT lauf, name, uebung, begonnen, beendet FROM uebung_lauf WHERE sitzung_id = ? "
        "ORDER BY begonnen, lauf"));
    runs.addBindValue(sessionId);
    if (!execQuery(archive, runs, error)) {
        return false;
    }
    std::map<QString, size_t> byKey;
    while (runs.next()) {
        ArchivedDrillRun r;
        r.key = runs.value(0).toString();
        r.name = runs.value(1).toString();
        r.drill = runs.value(2).toString();
        r.started = runs.value(3).toString();
        r.finished = runs.value(4).toInt() != 0;
        byKey[r.key] = out.size();
        out.push_back(std::move(r));
    }
    QSqlQuery q(archive.db());
    q.setForwardOnly(true);
    q.prepare(
        QStringLiteral("SELECT lauf, nr, kennung, bestanden, nicht_erfuellt FROM uebung_ergebnis "
                       "WHERE sitzung_id = ? ORDER BY lauf, pos"));
    q.addBindValue(sessionId);
    if (!execQuery(archive, q, error)) {
        return false;
    }
    while (q.next()) {
        const auto run = byKey.find(q.value(0).toString());
        if (run == byKey.end()) {
            continue;
        }
        ArchivedDrillVerdict v;
        v.takeUp = q.value(1).toInt();
        v.record = static_cast<uint64_t>(q.value(2).toLongLong());
        if (!q.value(3).isNull()) {
            v.passed = q.value(3).toInt() != 0;
        }
        const QString missed = q.value(4).toString();
        if (!missed.isEmpty()) {
            v.missed = missed.split(kSeparator);
        }
        out[run->second].verdicts.push_back(std::move(v));
    }
    return true;
}

std::vector<ArchivedDrillVerdict> followDrillVerdicts(
    const std::vector<ArchivedDrillVerdict>& verdicts, std::span<const uint64_t> records) {
    // Moved as rings are moved, by the one rule for both. Within a run every
    // take-up has one verdict, so the numbers key them; the score carries the
    // verdict's place in the run to find it again.
    SessionScores keyed;
    for (size_t i = 0; i < verdicts.size(); ++i) {
        TakeUpScore s;
        s.takeUp = verdicts[i].takeUp;
        s.record = verdicts[i].record;
        s.ring = static_cast<double>(i);
        keyed[s.takeUp] = s;
    }
    std::map<size_t, const TakeUpScore*> kept;
    const SessionScores moved = followRecords(keyed, records);
    for (const auto& [number, score] : moved) {
        kept[static_cast<size_t>(score.ring)] = &score;
    }
    std::vector<ArchivedDrillVerdict> out;
    for (const auto& [index, score] : kept) {
        ArchivedDrillVerdict v = verdicts[index];
        v.takeUp = score->takeUp;
        v.record = score->record;
        out.push_back(std::move(v));
    }
    return out;
}

bool followDrillRecords(TrainingArchive& archive, qint64 sessionId,
                        std::span<const uint64_t> records, ArchiveError& error) {
    std::vector<ArchivedDrillRun> runs;
    if (!loadDrillRuns(archive, sessionId, runs, error)) {
        return false;
    }
    for (ArchivedDrillRun& run : runs) {
        std::vector<ArchivedDrillVerdict> moved = followDrillVerdicts(run.verdicts, records);
        if (moved == run.verdicts) {
            continue;
        }
        QSqlQuery d(archive.db());
        d.prepare(QStringLiteral("DELETE FROM uebung_ergebnis WHERE sitzung_id = ? AND lauf = ?"));
        d.addBindValue(sessionId);
        d.addBindValue(text(run.key));
        if (!execQuery(archive, d, error) ||
            !insertVerdicts(archive, sessionId, run.key, moved, error)) {
            return false;
        }
    }
    return true;
}

bool loadSessionDrillRuns(TrainingArchive& archive, const SessionFilter& filter,
                          std::vector<SessionDrillRun>& out, ArchiveError& error,
                          const QString& drillName) {
    out.clear();
    const std::vector<ArchivedSession> sessions = listSessions(archive, filter, error);
    if (error.failed()) {
        return false;
    }
    for (const ArchivedSession& s : sessions) {
        std::vector<ArchivedDrillRun> runs;
        if (!loadDrillRuns(archive, s.id, runs, error)) {
            return false;
        }
        for (ArchivedDrillRun& r : runs) {
            if (drillName.isEmpty() || r.name == drillName) {
                out.push_back({s, std::move(r)});
            }
        }
    }
    return true;
}

QByteArray drillRunsCsv(const std::vector<SessionDrillRun>& runs) {
    QByteArray out = "Datum;Datei;Uebung;Nr;Bestanden;Nicht_erfuellt\n";
    for (const SessionDrillRun& r : runs) {
        for (const ArchivedDrillVerdict& v : r.run.verdicts) {
            out += r.session.date.toString(kGermanDate).toUtf8();
            out += ';';
            out += csvField(r.session.path);
            out += ';';
            out += csvField(r.run.name);
            out += ';';
            out += QByteArray::number(v.takeUp);
            out += ';';
            if (v.passed) {
                out += *v.passed ? '1' : '0';
            }
            out += ';';
            out += csvField(v.missed.join(kSeparator));
            out += '\n';
        }
    }
    return out;
}

bool loadDrillPassRates(TrainingArchive& archive, const SessionFilter& filter,
                        const QString& drillName, ProgressData& data, ArchiveError& error) {
    data.drill = drillName;
    std::map<qint64, size_t> index;
    for (size_t i = 0; i < data.sessions.size(); ++i) {
        index[data.sessions[i].id] = i;
    }
    std::vector<std::vector<double>> passed(data.sessions.size());
    // One query for the season: the drill's name is compared here, as read.
    QSqlQuery q(archive.db());
    if (!execForShooter(archive, q,
                        QStringLiteral("SELECT e.sitzung_id, l.name, e.bestanden FROM "
                                       "uebung_ergebnis e JOIN uebung_lauf l ON l.sitzung_id = "
                                       "e.sitzung_id AND l.lauf = e.lauf WHERE e.bestanden IS NOT "
                                       "NULL"),
                        filter, QStringLiteral("e.sitzung_id"), error)) {
        return false;
    }
    while (q.next()) {
        const auto it = index.find(q.value(0).toLongLong());
        if (it != index.end() && q.value(1).toString() == drillName) {
            passed[it->second].push_back(q.value(2).toInt() != 0 ? 100.0 : 0.0);
        }
    }
    for (size_t i = 0; i < passed.size(); ++i) {
        data.sessions[i].figures[static_cast<size_t>(ProgressMetric::passRate().index())] =
            summarize(passed[i]);
    }
    return true;
}

QStringList drillNamesRun(TrainingArchive& archive, const SessionFilter& filter,
                          const std::vector<ArchivedSession>& sessions, ArchiveError& error) {
    std::set<qint64> chosen;
    for (const ArchivedSession& s : sessions) {
        chosen.insert(s.id);
    }
    QSqlQuery q(archive.db());
    if (!execForShooter(archive, q, QStringLiteral("SELECT sitzung_id, name FROM uebung_lauf"),
                        filter, QStringLiteral("sitzung_id"), error)) {
        return {};
    }
    std::set<QString> names;
    while (q.next()) {
        if (chosen.contains(q.value(0).toLongLong())) {
            names.insert(q.value(1).toString());
        }
    }
    return QStringList(names.begin(), names.end());
}

}  // namespace ostrevik
