#pragma once

#include "archive/ArchiveError.h"

#include <QDate>
#include <QString>
#include <QStringList>

class QSqlQuery;

#include <optional>
#include <vector>

namespace ostrevik {

class TrainingArchive;

// The coach's tags that the window offers as choices; any other word may be
// added.
inline constexpr const char* kMarkeTrocken = "trocken";
inline constexpr const char* kMarkeScharf = "scharf";
inline constexpr const char* kMarkeTraining = "Training";
inline constexpr const char* kMarkeWettkampf = "Wettkampf";

struct ArchivedShooter {
    qint64 id = 0;
    QString name;
    int sessions = 0;
};

struct ArchivedSession {
    qint64 id = 0;
    QString shooter;
    QString path;
    QDate date;
    QString note;
    QStringList tags;  // sorted
    int takeUps = 0;
    int shots = 0;
};

// Removes shooters left without a session, so that the list shows only
// those with training to show. Runs inside the caller's transaction.
bool dropEmptyShooters(TrainingArchive& archive, ArchiveError& error);

// Tags as stored: trimmed, without semicolons (they separate the fields of
// the list), empty ones and doubles left out, sorted.
QStringList normalizeTags(const QStringList& tags);
// Words typed by the coach, separated by commas.
QStringList tagsFromText(const QString& text);

// Every shooter with the number of his sessions, by name. Errors are left in
// `error` and give an empty list.
std::vector<ArchivedShooter> listShooters(TrainingArchive& archive, ArchiveError& error);
// The shooter of that name, or of that earlier name (before a rename or a
// merge); none when the archive has no such shooter.
std::optional<qint64> findShooter(TrainingArchive& archive, const QString& name,
                                  ArchiveError& error);
// The shooter files of that header name belong to, made when new.
std::optional<qint64> shooterForName(TrainingArchive& archive, const QString& name,
                                     ArchiveError& error);

// Sessions in date order (then by file), of one shooter or of all, within
// an optional period (inclusive).
struct SessionFilter {
    std::optional<qint64> shooterId;
    QDate from;   // invalid: open
    QDate to;     // invalid: open
    QString tag;  // empty: all
};
std::vector<ArchivedSession> listSessions(TrainingArchive& archive, const SessionFilter& filter,
                                          ArchiveError& error);
// Runs `sql` restricted to the sessions of the filter's shooter (all sessions
// when none is chosen). `sessionColumn` is the query's session id column; the
// restriction is joined by WHERE or AND as `sql` needs, and `tail` (an ORDER
// BY) follows it. The period and tag are left to the caller, who knows the
// sessions already.
bool execForShooter(TrainingArchive& archive, QSqlQuery& query, QString sql,
                    const SessionFilter& filter, const QString& sessionColumn, ArchiveError& error,
                    const QString& tail = {});
std::optional<ArchivedSession> sessionById(TrainingArchive& archive, qint64 id,
                                           ArchiveError& error);
// Every tag in use, sorted.
QStringList allTags(TrainingArchive& archive, ArchiveError& error);

// The coach's changes. Each is one transaction; false with what went wrong in
// `error` when refused or the archive could not be written.
bool setSessionTags(TrainingArchive& archive, qint64 sessionId, const QStringList& tags,
                    ArchiveError& error);
bool setSessionNote(TrainingArchive& archive, qint64 sessionId, const QString& note,
                    ArchiveError& error);
// Gives the session to the shooter of that name (made when new); the
// session keeps him when its file's header changes later.
bool setSessionShooter(TrainingArchive& archive, qint64 sessionId, const QString& name,
                       ArchiveError& error);
// What "Bearbeiten…" sets of a session.
struct SessionEdit {
    QString shooter;
    QStringList tags;
    QString note;
};
// Sets a session's tags, note and shooter at once: all of them or, when one
// fails, none. The shooter is set only when he differs from the session's.
bool editSession(TrainingArchive& archive, const ArchivedSession& session, const SessionEdit& edit,
                 ArchiveError& error);
// Renames a shooter; his former name keeps leading later files to him. A
// name another shooter has is refused (that is a merge).
bool renameShooter(TrainingArchive& archive, qint64 shooterId, const QString& name,
                   ArchiveError& error);
// Moves every session and name of one shooter to another and removes the
// first.
bool mergeShooters(TrainingArchive& archive, qint64 fromId, qint64 intoId, ArchiveError& error);
// Takes sessions out of the archive, all of them or none; their measurement
// files stay.
bool removeSessions(TrainingArchive& archive, const std::vector<qint64>& sessionIds,
                    ArchiveError& error);
// Takes a session out of the archive; its measurement file stays.
bool removeSession(TrainingArchive& archive, qint64 sessionId, ArchiveError& error);

}  // namespace ostrevik
