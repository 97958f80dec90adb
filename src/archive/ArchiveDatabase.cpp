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

std::unique_ptr<TrainingArchive> TrainingArchive::open(const QString& path, QString& error) {
    if (!QSqlDatabase::isDriverAvailable(kDriver)) {
        error = QStringLiteral(
            "Das Trainingsarchiv braucht den SQLite-Treiber von Qt (Paket libqt6sql6-sqlite).");
        return nullptr;
    }
    std::unique_ptr<TrainingArchive> a(new TrainingArchive);
    const QFileInfo info(path);
    a->path_ = info.absoluteFilePath();
    if (info.exists() && !info.isFile()) {
        error = QStringLiteral("Das Trainingsarchiv %1 ist keine Datei.").arg(a->path_);
        return nullptr;
    }
    if (!QDir().mkpath(info.absolutePath())) {
        error = QStringLiteral("Der Ordner %1 für das Trainingsarchiv kann nicht angelegt werden.")
                    .arg(info.absolutePath());
        return nullptr;
    }
    const bool writable =
        info.exists() ? info.isWritable() : QFileInfo(info.absolutePath()).isWritable();
    if (!info.exists() && !writable) {
        error = QStringLiteral(
                    "Das Trainingsarchiv %1 kann nicht angelegt werden: "
                    "der Ordner ist schreibgeschützt.")
                    .arg(a->path_);
        return nullptr;
    }
    if (!a->connect(!writable, error)) {
        return nullptr;
    }
    if (!writable) {
        a->notice_ = a->readOnlyText();
    }
    if (a->schemaVersion_ > kSchemaVersion) {
        // A newer program's archive: read what this program knows, change
        // nothing.
        if (!a->readOnly_ && !a->connect(true, error)) {
            return nullptr;
        }
        a->notice_ = QStringLiteral(
                         "Das Trainingsarchiv %1 stammt von einer neueren Version von Ostrevik "
                         "(Schema %2, dieses Programm kennt %3). Es wird nur gelesen; "
                         "Aufnehmen und Ändern sind erst mit der neueren Version möglich.")
                         .arg(a->path_)
                         .arg(a->schemaVersion_)
                         .arg(kSchemaVersion);
        return a;
    }
    if (a->readOnly_) {
        if (a->schemaVersion_ < kSchemaVersion) {
            error = QStringLiteral(
                        "Das Trainingsarchiv %1 ist schreibgeschützt und von einer älteren "
                        "Version; es kann nicht auf den neuen Stand gebracht werden.")
                        .arg(a->path_);
            return nullptr;
        }
        return a;
    }
    if (!a->migrate(error)) {
        return nullptr;
    }
    return a;
}

bool TrainingArchive::connect(bool readOnly, QString& error) {
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
        error = errorText(db_.lastError());
        return false;
    }
    QSqlError e;
    // Reading the version reads the file's first page: a file that is no
    // SQLite database fails here, before anything is written to it.
    QSqlQuery q(db_);
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next()) {
        error = errorText(q.lastError());
        return false;
    }
    schemaVersion_ = q.value(0).toInt();
    q.finish();
    if (!exec(db_, QStringLiteral("PRAGMA foreign_keys = ON"), e)) {
        error = errorText(e);
        return false;
    }
    if (!readOnly) {
        // WAL lets the window read while an import writes; NORMAL
        // synchronisation is safe with WAL and spares a flush per session.
        QSqlQuery wal(db_);
        if (!wal.exec(QStringLiteral("PRAGMA journal_mode = WAL"))) {
            error = errorText(wal.lastError());
            return false;
        }
        wal.finish();
        if (!exec(db_, QStringLiteral("PRAGMA synchronous = NORMAL"), e)) {
            error = errorText(e);
            return false;
        }
    }
    return true;
}

bool TrainingArchive::migrate(QString& error) {
    const std::vector<QStringList>& migrations = archiveMigrations();
    for (int v = schemaVersion_; v < static_cast<int>(migrations.size()); ++v) {
        const bool migrated = inTransaction(*this, error, [&] {
            QSqlError e;
            for (const QString& statement : migrations[static_cast<size_t>(v)]) {
                if (!exec(db_, statement, e)) {
                    error = errorText(e);
                    return false;
                }
            }
            // The version is part of the file's header and of the
            // transaction: a migration is in force completely or not at all.
            if (!exec(db_, QStringLiteral("PRAGMA user_version = %1").arg(v + 1), e)) {
                error = errorText(e);
                return false;
            }
            return true;
        });
        if (!migrated) {
            return false;
        }
        schemaVersion_ = v + 1;
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

QString TrainingArchive::readOnlyText() const {
    return QStringLiteral("Das Trainingsarchiv %1 ist schreibgeschützt; es wird nur gelesen.")
        .arg(path_);
}

QString TrainingArchive::errorText(const QSqlError& error) const {
    switch (primaryCode(error)) {
        case kBusy:
        case kLocked:
            return QStringLiteral(
                       "Das Trainingsarchiv %1 ist gesperrt: ein anderes Programm schreibt "
                       "gerade hinein. Bitte später noch einmal versuchen.")
                .arg(path_);
        case kCorrupt:
        case kNotADb:
            return QStringLiteral(
                       "Das Trainingsarchiv %1 ist beschädigt und kann nicht gelesen werden. Die "
                       "Messdateien sind davon nicht betroffen: ein neues Archiv entsteht, wenn "
                       "die beschädigte Datei umbenannt wird; dann die Messdateien neu aufnehmen.")
                .arg(path_);
        case kFull:
            return QStringLiteral(
                       "Das Trainingsarchiv %1 konnte nicht geschrieben werden: der Datenträger "
                       "ist voll. Das Archiv bleibt auf dem Stand vor dieser Änderung.")
                .arg(path_);
        case kReadOnly:
        case kPerm:
            return readOnlyText();
        case kCantOpen:
            return QStringLiteral("Das Trainingsarchiv %1 kann nicht geöffnet werden.").arg(path_);
        case kIoErr:
            return QStringLiteral(
                       "Das Trainingsarchiv %1 konnte nicht gelesen oder geschrieben werden "
                       "(Ein-/Ausgabefehler).")
                .arg(path_);
        default:
            break;
    }
    const QString detail = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return QStringLiteral("Fehler im Trainingsarchiv %1: %2").arg(path_, detail);
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

bool execQuery(TrainingArchive& archive, QSqlQuery& query, QString& error) {
    if (query.exec()) {
        return true;
    }
    error = archive.errorText(query.lastError());
    return false;
}

}  // namespace ostrevik
