#pragma once

#include "archive/ArchiveDialect.h"
#include "archive/ArchiveError.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>

#include <memory>

class QSqlDriver;
class QSqlQuery;

namespace ostrevik {

// How the archive writes a session's day: sortable as text.
inline const QString kArchiveDateFormat = QStringLiteral("yyyy-MM-dd");

// The season archive: an SQLite file (WAL journal, foreign keys on) or a
// database on a PostgreSQL server that several PCs share. It keeps, per
// training session, where its measurement file lies and what it holds, and
// per take-up the metrics and fault tags of the analysis. The measurement
// files are only ever read.
class TrainingArchive {
public:
    // The schema this program writes; a file with a higher version comes from
    // a newer program and is opened read-only.
    static constexpr int kSchemaVersion = 4;

    // $XDG_DATA_HOME/Ostrevik/archiv.sqlite (~/.local/share/Ostrevik/).
    static QString defaultPath();
    // `path`, or where none is given the archive chosen with "Archiv
    // wählen…" (Archiv.ini), else the default file.
    static QString pathOrDefault(const QString& path);
    // Whether there is an archive to read: a file must be there (it is not
    // made just to be looked into); a server's archive is asked when opened.
    static bool exists(const QString& path);

    // Opens the archive at path (a file, or a server's postgresql://
    // address), creating it (and its folder, or its tables) when missing and
    // bringing an older schema up to date. Null with what went wrong in
    // `error` when it cannot be opened or is damaged. An archive that is
    // newer than the program, or that the user may not write, opens
    // read-only with the reason in notice(). The server's password comes
    // from libpq (~/.pgpass, PGPASSFILE); the program never keeps one.
    // `password`, when given, is handed to the server's driver for this
    // connection only.
    static std::unique_ptr<TrainingArchive> open(const QString& path, ArchiveError& error,
                                                 const QString& password = {});

    ~TrainingArchive();
    TrainingArchive(const TrainingArchive&) = delete;
    TrainingArchive& operator=(const TrainingArchive&) = delete;

    // The file's absolute path, or the server's address as given.
    const QString& path() const { return path_; }
    const ArchiveDialect& dialect() const { return *dialect_; }
    bool onServer() const { return dialect_->backend() == ArchiveBackend::Postgres; }
    bool readOnly() const { return readOnly_; }
    // Why the archive is only read (kind None when it may be changed).
    const ArchiveError& notice() const { return notice_; }
    int schemaVersion() const { return schemaVersion_; }
    QSqlDatabase& db() { return db_; }

    // Inside a transaction that changes the archive: tells the programs
    // watching a server's archive, when the transaction commits, that it
    // changed. Nothing for a file.
    bool announceChange(ArchiveError& error);
    // Subscribes to what other programs change in a server's archive: the
    // driver then emits QSqlDriver::notification (with the source Other for
    // them). Null for a file, or when the driver cannot.
    QSqlDriver* watchChanges();

    // Whether the server still answers (a restart or a network gone ends
    // the connection); a file always does.
    bool reachable();

    // What a failed statement on this archive means: locked, damaged, disk
    // full, read-only, the connection lost, or the driver's own words.
    ArchiveError error(const QSqlError& error);
    // The file is write-protected, or the server's user may only read.
    ArchiveError readOnlyError() const {
        return {onServer() ? ArchiveError::Kind::NoWriteRights : ArchiveError::Kind::ReadOnly,
                path_,
                {},
                0};
    }
    // Why nothing can be changed: the notice given at opening, or that the
    // file is write-protected.
    ArchiveError whyReadOnly() const { return notice_.ok() ? readOnlyError() : notice_; }

private:
    TrainingArchive() = default;
    bool openFile(const QString& path, ArchiveError& error);
    bool openServer(const ServerAddress& address, const QString& password, ArchiveError& error);
    // After connecting: read-only for a newer schema, migrated otherwise.
    bool bringUpToDate(ArchiveError& error);
    bool connect(bool readOnly, ArchiveError& error);
    bool migrate(ArchiveError& error);
    ArchiveError sqliteError(const QSqlError& error) const;
    ArchiveError serverError(const QSqlError& error);

    QString path_;
    const ArchiveDialect* dialect_ = &ArchiveDialect::of(ArchiveBackend::Sqlite);
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
    ArchiveTransaction(QSqlDatabase& db, const ArchiveDialect& dialect);
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
    ArchiveTransaction t(archive.db(), archive.dialect());
    if (!t.begun()) {
        error = archive.error(t.error());
        return false;
    }
    if (!body() || !archive.announceChange(error)) {
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
