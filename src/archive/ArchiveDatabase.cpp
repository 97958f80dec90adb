#include "archive/ArchiveDatabase.h"

#include "archive/ArchiveSchema.h"
#include "archive/ArchiveSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <atomic>

namespace ostrevik {
namespace {

const QString kDriver = QStringLiteral("QSQLITE");
// A second program writing (an import beside the window) holds the file
// for moments only; waiting a little spares the user a message.
constexpr int kBusyTimeoutMs = 4000;
constexpr int kConnectTimeoutS = 10;

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

}  // namespace

QString TrainingArchive::defaultPath() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.local/share");
    }
    return base + QStringLiteral("/Ostrevik/archiv.sqlite");
}

QString TrainingArchive::pathOrDefault(const QString& path) {
    if (!path.isEmpty()) {
        return path;
    }
    const QString chosen = loadArchiveSettings().archive;
    return chosen.isEmpty() ? defaultPath() : chosen;
}

bool TrainingArchive::exists(const QString& path) {
    ServerAddress address;
    return readArchiveAddress(path, address) != AddressReading::Path || QFileInfo(path).isFile();
}

std::unique_ptr<TrainingArchive> TrainingArchive::open(const QString& path, ArchiveError& error,
                                                       const QString& password) {
    using Kind = ArchiveError::Kind;
    std::unique_ptr<TrainingArchive> a(new TrainingArchive);
    ServerAddress address;
    switch (readArchiveAddress(path, address)) {
        case AddressReading::Path:
            if (!a->openFile(path, error)) {
                return nullptr;
            }
            break;
        case AddressReading::Server:
            if (!a->openServer(address, password, error)) {
                return nullptr;
            }
            break;
        case AddressReading::Invalid:
            error = {Kind::ServerAddress, path, {}, 0};
            return nullptr;
        case AddressReading::Password:
            error = {Kind::PasswordInAddress, path, {}, 0};
            return nullptr;
    }
    if (!a->bringUpToDate(error)) {
        return nullptr;
    }
    return a;
}

bool TrainingArchive::openFile(const QString& path, ArchiveError& error) {
    using Kind = ArchiveError::Kind;
    if (!QSqlDatabase::isDriverAvailable(kDriver)) {
        error = {Kind::NoDriver, {}, {}, 0};
        return false;
    }
    const QFileInfo info(path);
    path_ = info.absoluteFilePath();
    if (info.exists() && !info.isFile()) {
        error = {Kind::NotAFile, path_, {}, 0};
        return false;
    }
    if (!QDir().mkpath(info.absolutePath())) {
        error = {Kind::FolderNotMade, info.absolutePath(), {}, 0};
        return false;
    }
    const bool writable =
        info.exists() ? info.isWritable() : QFileInfo(info.absolutePath()).isWritable();
    if (!info.exists() && !writable) {
        error = {Kind::FolderReadOnly, path_, {}, 0};
        return false;
    }
    if (!connect(!writable, error)) {
        return false;
    }
    if (!writable) {
        notice_ = readOnlyError();
    }
    return true;
}

bool TrainingArchive::openServer(const ServerAddress& address, const QString& password,
                                 ArchiveError& error) {
    using Kind = ArchiveError::Kind;
    dialect_ = &ArchiveDialect::of(ArchiveBackend::Postgres);
    path_ = address.original;
    if (!QSqlDatabase::isDriverAvailable(dialect_->driver())) {
        error = {Kind::NoServerDriver, {}, {}, 0};
        return false;
    }
    connection_ = newConnectionName();
    db_ = QSqlDatabase::addDatabase(dialect_->driver(), connection_);
    db_.setHostName(address.host);
    db_.setPort(address.port);
    db_.setDatabaseName(address.database);
    db_.setUserName(address.user);
    db_.setPassword(password);
    QStringList options = address.options;
    if (!std::ranges::any_of(options, [](const QString& o) {
            return o.startsWith(QLatin1String("connect_timeout="));
        })) {
        // A server that does not answer is said within seconds, not after
        // the system's TCP timeout.
        options << QStringLiteral("connect_timeout=%1").arg(kConnectTimeoutS);
    }
    db_.setConnectOptions(options.join(QLatin1Char(';')));
    if (!db_.open()) {
        const QSqlError e = db_.lastError();
        error = {Kind::ServerUnreachable, path_,
                 (e.databaseText().isEmpty() ? e.text() : e.databaseText()).trimmed(), 0};
        return false;
    }
    QSqlError e;
    // The server's notices ("… already exists, skipping") would land on
    // the command line's standard error.
    if (!execStatement(db_, QStringLiteral("SET client_min_messages = warning"), e) ||
        !dialect_->readVersion(db_, schemaVersion_, e)) {
        error = this->error(e);
        return false;
    }
    // What this user may do is the server's to say: a coach's role that may
    // only read sees everything and changes nothing.
    QSqlQuery q(db_);
    const QString rights =
        schemaVersion_ == 0
            ? QStringLiteral("SELECT has_schema_privilege(current_schema(), 'CREATE')")
            : QStringLiteral("SELECT has_table_privilege('sitzung', 'INSERT')");
    if (!q.exec(rights) || !q.next()) {
        error = this->error(q.lastError());
        return false;
    }
    if (!q.value(0).toBool()) {
        if (schemaVersion_ == 0) {
            error = readOnlyError();
            return false;
        }
        readOnly_ = true;
        notice_ = readOnlyError();
    }
    return true;
}

bool TrainingArchive::bringUpToDate(ArchiveError& error) {
    using Kind = ArchiveError::Kind;
    if (schemaVersion_ > kSchemaVersion) {
        // A newer program's archive: read what this program knows, change
        // nothing.
        if (!readOnly_ && !onServer() && !connect(true, error)) {
            return false;
        }
        readOnly_ = true;
        notice_ = {Kind::Newer, path_, {}, schemaVersion_};
        return true;
    }
    if (readOnly_) {
        if (schemaVersion_ < kSchemaVersion) {
            error = {Kind::OlderReadOnly, path_, {}, schemaVersion_};
            return false;
        }
        return true;
    }
    return migrate(error);
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
    if (!execStatement(db_, QStringLiteral("PRAGMA foreign_keys = ON"), e)) {
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
        if (!execStatement(db_, QStringLiteral("PRAGMA synchronous = NORMAL"), e)) {
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
            QSqlError e;
            if (!dialect_->lockSchema(db_, e) || !dialect_->readVersion(db_, reached, e)) {
                error = this->error(e);
                return false;
            }
            if (reached >= target) {
                return true;
            }
            for (const QString& statement : migrations[static_cast<size_t>(reached)]) {
                if (!execStatement(db_, dialect_->schema(statement), e)) {
                    error = this->error(e);
                    return false;
                }
            }
            if (const auto step = archiveMigrationSteps().find(reached + 1);
                step != archiveMigrationSteps().end() && !step->second(*this, error)) {
                return false;
            }
            // The version is part of the transaction: a migration is in
            // force completely or not at all.
            if (!dialect_->writeVersion(db_, reached + 1, e)) {
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

bool TrainingArchive::reachable() {
    if (!onServer()) {
        return true;
    }
    QSqlQuery q(db_);
    return q.exec(QStringLiteral("SELECT 1"));
}

bool TrainingArchive::announceChange(ArchiveError& error) {
    const QString channel = dialect_->changeChannel();
    QSqlError e;
    if (channel.isEmpty() || execStatement(db_, QStringLiteral("NOTIFY ") + channel, e)) {
        return true;
    }
    error = this->error(e);
    return false;
}

QSqlDriver* TrainingArchive::watchChanges() {
    const QString channel = dialect_->changeChannel();
    QSqlDriver* driver = db_.driver();
    if (channel.isEmpty() || !driver || !driver->hasFeature(QSqlDriver::EventNotifications) ||
        !driver->subscribeToNotification(channel)) {
        return nullptr;
    }
    return driver;
}

ArchiveError TrainingArchive::error(const QSqlError& error) {
    return onServer() ? serverError(error) : sqliteError(error);
}

ArchiveError TrainingArchive::serverError(const QSqlError& error) {
    using Kind = ArchiveError::Kind;
    const QString state = error.nativeErrorCode();
    if (state == QLatin1String("42501")) {
        return readOnlyError();
    }
    // Another PC's transaction came first (the same file or shooter at the
    // same moment, or a deadlock): like a locked file, worth a second try.
    if (state == QLatin1String("40001") || state == QLatin1String("40P01") ||
        state == QLatin1String("23505") || state == QLatin1String("55P03")) {
        return {Kind::Locked, path_, {}, 0};
    }
    if (state == QLatin1String("53100")) {
        return {Kind::DiskFull, path_, {}, 0};
    }
    if (state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57P"))) {
        return {Kind::ConnectionLost, path_, {}, 0};
    }
    const QString detail =
        (error.databaseText().isEmpty() ? error.text() : error.databaseText()).trimmed();
    if (state.isEmpty()) {
        // libpq says a broken connection in words without a code; a server
        // that still answers means the failure was something else.
        QSqlQuery probe(db_);
        if (!probe.exec(QStringLiteral("SELECT 1"))) {
            return {Kind::ConnectionLost, path_, {}, 0};
        }
    }
    return {Kind::Database, path_, detail, 0};
}

ArchiveError TrainingArchive::sqliteError(const QSqlError& error) const {
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

ArchiveTransaction::ArchiveTransaction(QSqlDatabase& db, const ArchiveDialect& dialect) : db_(db) {
    QSqlQuery q(db_);
    begun_ = q.exec(dialect.begin());
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
