#pragma once

#include "archive/ArchiveError.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

#include <memory>

class QSqlQuery;

namespace ostrevik {

// How the archive writes a session's day: sortable as text.
inline const QString kArchiveDateFormat = QStringLiteral("yyyy-MM-dd");

// The season archive: an SQLite file (WAL journal, foreign keys on) that
// keeps, per training session, where its measurement file lies and what it
// holds, and per take-up the metrics and fault tags of the analysis. The
// measurement files stay the source of the samples and are only ever read.
class TrainingArchive {
public:
    // The schema this program writes; a file with a higher version comes from
    // a newer program and is opened read-only.
    static constexpr int kSchemaVersion = 3;

    // $XDG_DATA_HOME/Ostrevik/archiv.sqlite (~/.local/share/Ostrevik/).
    static QString defaultPath();
    // `path`, or the default archive where none is given.
    static QString pathOrDefault(const QString& path) {
        return path.isEmpty() ? defaultPath() : path;
    }

    // Opens the archive at path, creating it (and its folder) when missing
    // and bringing an older schema up to date. Null with what went wrong in
    // `error` when it cannot be opened or is damaged. An archive that is
    // newer than the program, or that the user may not write, opens
    // read-only with the reason in notice().
    static std::unique_ptr<TrainingArchive> open(const QString& path, ArchiveError& error);

    ~TrainingArchive();
    TrainingArchive(const TrainingArchive&) = delete;
    TrainingArchive& operator=(const TrainingArchive&) = delete;

    const QString& path() const { return path_; }
    bool readOnly() const { return readOnly_; }
    // Why the archive is only read (kind None when it may be changed).
    const ArchiveError& notice() const { return notice_; }
    int schemaVersion() const { return schemaVersion_; }
    QSqlDatabase& db() { return db_; }

    // What a failed statement on this archive means: locked, damaged, disk
    // full, read-only, or the driver's own words.
    ArchiveError error(const QSqlError& error) const;
    // The file is write-protected.
    ArchiveError readOnlyError() const { return {ArchiveError::Kind::ReadOnly, path_, {}, 0}; }
    // Why nothing can be changed: the notice given at opening, or that the
    // file is write-protected.
    ArchiveError whyReadOnly() const { return notice_.ok() ? readOnlyError() : notice_; }

private:
    TrainingArchive() = default;
    bool connect(bool readOnly, ArchiveError& error);
    bool migrate(ArchiveError& error);

    QString path_;
    QString connection_;
    QSqlDatabase db_;
    bool readOnly_ = false;
    ArchiveError notice_;
    int schemaVersion_ = 0;
};

// A transaction that is rolled back unless committed: a failure half way
// through a file's import leaves the archive as it was before it.
class ArchiveTransaction {
public:
    explicit ArchiveTransaction(QSqlDatabase& db);
    ~ArchiveTransaction();
    ArchiveTransaction(const ArchiveTransaction&) = delete;
    ArchiveTransaction& operator=(const ArchiveTransaction&) = delete;

    bool begun() const { return begun_; }
    bool commit();
    // Why BEGIN or COMMIT failed.
    const QSqlError& error() const { return error_; }

private:
    QSqlDatabase& db_;
    QSqlError error_;
    bool begun_ = false;
    bool done_ = false;
};

// A change of several statements: all of them or none. body returns false
// (with `error` set) to give up; a read-only archive changes nothing.
template <class Body>
bool inTransaction(TrainingArchive& archive, ArchiveError& error, Body body) {
    if (archive.readOnly()) {
        error = archive.whyReadOnly();
        return false;
    }
    ArchiveTransaction t(archive.db());
    if (!t.begun()) {
        error = archive.error(t.error());
        return false;
    }
    if (!body()) {
        return false;
    }
    if (!t.commit()) {
        error = archive.error(t.error());
        return false;
    }
    return true;
}

// Runs a prepared query; on failure `error` says what went wrong.
bool execQuery(TrainingArchive& archive, QSqlQuery& query, ArchiveError& error);

}  // namespace ostrevik
