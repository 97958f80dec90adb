#include "archive/ArchiveDatabase.h"

#include "archive/ArchiveSchema.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <atomic>

namespace ostrevik {
namespace {

const QString kDriver = QStringLiteral("QSQLITE");
// A second program writing (an import beside the window) holds the file
// for moments only; waiting a little spares the user a message.
constexpr int kBusyTimeoutMs = 4000;

QString newConnectionName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("ostrevik-archiv-%1").arg(counter.fetch_add(1));
}

// SQLite's primary result codes, as Qt's driver reports them.
enum SqliteCode {
    kPerm = 3,
    kBusy = 5,
    kLocked = 6,
    kReadOnly = 8,
    kIoErr = 10,
    kCorrupt = 11,
    kFull = 13,
    kCantOpen = 14,
    kNotADb = 26,
};

int primaryCode(const QSqlError& error) {
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xFF) : -1;
}

bool exec(QSqlDatabase& db, const QString& statement, QSqlError& error) {
    QSqlQuery q(db);
    if (!q.exec(statement)) {
        error = q.lastError();
        return false;
    }
    return true;
}

}  // namespace

QString TrainingArchive::defaultPath() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.local/share");
    }
    return base + QStringLiteral("/Ostrevik/archiv.sqlite");
}

std::unique_ptr<TrainingArchive> TrainingArchive::open(const QString& path, ArchiveError& error) {
    using Kind = ArchiveError::Kind;
    if (!QSqlDatabase::isDriverAvailable(kDriver)) {
        error = {Kind::NoDriver, {}, {}, 0};
        return nullptr;
    }
    // An address is never taken for a path: it would make a folder
    // "postgresql:" and an archive file in it.
    if (path.contains(QLatin1String("://"))) {
        error = {Kind::ServerAddress, path, {}, 0};
        return nullptr;
    }
    std::unique_ptr<TrainingArchive> a(new TrainingArchive);
    const QFileInfo info(path);
    a->path_ = info.absoluteFilePath();
    if (info.exists() && !info.isFile()) {
        error = {Kind::NotAFile, a->path_, {}, 0};
        return nullptr;
    }
    if (!QDir().mkpath(info.absolutePath())) {
        error = {Kind::FolderNotMade, info.absolutePath(), {}, 0};
        return nullptr;
    }
    const bool writable =
        info.exists() ? info.isWritable() : QFileInfo(info.absolutePath()).isWritable();
    if (!info.exists() && !writable) {
        error = {Kind::FolderReadOnly, a->path_, {}, 0};
        return nullptr;
    }
    if (!a->connect(!writable, error)) {
        return nullptr;
    }
    if (!writable) {
        a->notice_ = a->readOnlyError();
    }
    if (a->schemaVersion_ > kSchemaVersion) {
        // A newer program's archive: read what this program knows, change
        // nothing.
        if (!a->readOnly_ && !a->connect(true, error)) {
            return nullptr;
        }
        a->notice_ = {Kind::Newer, a->path_, {}, a->schemaVersion_};
        return a;
    }
    if (a->readOnly_) {
        if (a->schemaVersion_ < kSchemaVersion) {
            error = {Kind::OlderReadOnly, a->path_, {}, a->schemaVersion_};
            return nullptr;
        }
        return a;
    }
    if (!a->migrate(error)) {
        return nullptr;
    }
    return a;
}

bool TrainingArchive::connect(bool readOnly, ArchiveError& error) {
    if (!connection_.isEmpty()) {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(connection_);
    }
    connection_ = newConnectionName();
    readOnly_ = readOnly;
    db_ = QSqlDatabase::addDatabase(kDriver, connection_);
    db_.setDatabaseName(path_);
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs);
    if (readOnly) {
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    }
    db_.setConnectOptions(options);
    if (!db_.open()) {
        error = this->error(db_.lastError());
        return false;
    }
    QSqlError e;
    // Reading the version reads the file's first page: a file that is no
    // SQLite database fails here, before anything is written to it.
    QSqlQuery q(db_);
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next()) {
        error = this->error(q.lastError());
        return false;
    }
    schemaVersion_ = q.value(0).toInt();
    q.finish();
    if (!exec(db_, QStringLiteral("PRAGMA foreign_keys = ON"), e)) {
        error = this->error(e);
        return false;
    }
    if (!readOnly) {
        // WAL lets the window read while an import writes; NORMAL
        // synchronisation is safe with WAL and spares a flush per session.
        QSqlQuery wal(db_);
        if (!wal.exec(QStringLiteral("PRAGMA journal_mode = WAL"))) {
            error = this->error(wal.lastError());
            return false;
        }
        wal.finish();
        if (!exec(db_, QStringLiteral("PRAGMA synchronous = NORMAL"), e)) {
            error = this->error(e);
            return false;
        }
    }
    return true;
}

bool TrainingArchive::migrate(ArchiveError& error) {
    const std::vector<QStringList>& migrations = archiveMigrations();
    const int target = static_cast<int>(migrations.size());
    while (schemaVersion_ < target) {
        int reached = schemaVersion_;
        const bool migrated = inTransaction(*this, error, [&] {
            // Several programs may open a new archive at once (imports
            // started together): the first to hold the write lock makes
            // the tables, the others find them made when they get it, so
            // the version is read again under the lock.
            QSqlQuery q(db_);
            if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next()) {
                error = this->error(q.lastError());
                return false;
            }
            reached = q.value(0).toInt();
            q.finish();
            if (reached >= target) {
                return true;
            }
            QSqlError e;
            for (const QString& statement : migrations[static_cast<size_t>(reached)]) {
                if (!exec(db_, statement, e)) {
                    error = this->error(e);
                    return false;
                }
            }
            // The version is part of the file's header and of the
            // transaction: a migration is in force completely or not at all.
            if (!exec(db_, QStringLiteral("PRAGMA user_version = %1").arg(reached + 1), e)) {
                error = this->error(e);
                return false;
            }
            ++reached;
            return true;
        });
        if (!migrated) {
            return false;
        }
        schemaVersion_ = reached;
    }
    return true;
}

TrainingArchive::~TrainingArchive() {
    db_.close();
    db_ = QSqlDatabase();
    if (!connection_.isEmpty()) {
        QSqlDatabase::removeDatabase(connection_);
    }
}

ArchiveError TrainingArchive::error(const QSqlError& error) const {
    using Kind = ArchiveError::Kind;
    switch (primaryCode(error)) {
        case kBusy:
        case kLocked:
            return {Kind::Locked, path_, {}, 0};
        case kCorrupt:
        case kNotADb:
            return {Kind::Damaged, path_, {}, 0};
        case kFull:
            return {Kind::DiskFull, path_, {}, 0};
        case kReadOnly:
        case kPerm:
            return readOnlyError();
        case kCantOpen:
            return {Kind::CannotOpen, path_, {}, 0};
        case kIoErr:
            return {Kind::InputOutput, path_, {}, 0};
        default:
            break;
    }
    const QString detail = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return {Kind::Database, path_, detail, 0};
}

ArchiveTransaction::ArchiveTransaction(QSqlDatabase& db) : db_(db) {
    // IMMEDIATE takes the write lock at once, so that a second writer waits
    // in the busy timeout here instead of failing half way through.
    QSqlQuery q(db_);
    begun_ = q.exec(QStringLiteral("BEGIN IMMEDIATE"));
    if (!begun_) {
        error_ = q.lastError();
    }
}

ArchiveTransaction::~ArchiveTransaction() {
    if (begun_ && !done_) {
        QSqlQuery q(db_);
        q.exec(QStringLiteral("ROLLBACK"));
    }
}

bool ArchiveTransaction::commit() {
    if (!begun_ || done_) {
        return false;
    }
    QSqlQuery q(db_);
    done_ = q.exec(QStringLiteral("COMMIT"));
    if (!done_) {
        error_ = q.lastError();
    }
    return done_;
}

bool execQuery(TrainingArchive& archive, QSqlQuery& query, ArchiveError& error) {
    if (query.exec()) {
        return true;
    }
    error = archive.error(query.lastError());
    return false;
}

}  // namespace ostrevik
