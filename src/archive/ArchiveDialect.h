#pragma once

#include <QSqlError>
#include <QString>
#include <QStringList>

#include <optional>

class QSqlDatabase;
class QSqlError;
class QSqlQuery;

namespace ostrevik {

// Where an archive lives: an SQLite file on this PC, or a database on a
// PostgreSQL server that a club's PCs share.
enum class ArchiveBackend { Sqlite, Postgres };

// A server's address, taken apart for the driver.
struct ServerAddress {
    QString original;  // as given: how messages name the archive
    QString user;      // empty: the system's user name (libpq's default)
    QString host;      // a host name, or the folder of the server's Unix socket
    int port = -1;     // -1: the driver's default
    QString database;  // never empty
    // Further connection parameters of the address ("sslmode=require"),
    // each checked to be one word, as the driver's connect options.
    QStringList options;
};

enum class AddressReading {
    Path,      // no address: an archive file's path
    Server,    // a PostgreSQL address
    Invalid,   // looks like an address, but is none the program can use
    Password,  // an address with a password, which belongs in ~/.pgpass
};

// Reads what --archive or the window names. Anything with "://" is an
// address, never a path: taken for one it would make a folder
// "postgresql:" and an archive file in it.
AddressReading readArchiveAddress(const QString& text, ServerAddress& address);

// Runs one statement without values to bind; false with the driver's error.
bool execStatement(QSqlDatabase& db, const QString& statement, QSqlError& error);

// What differs between the two backends, in one place: the column types and
// keys of the schema, how a transaction takes the right to write, where the
// schema's version is kept, how a new row's id comes back and how names are
// sorted without regard to case. Everything else is SQL both understand.
class ArchiveDialect {
public:
    static const ArchiveDialect& of(ArchiveBackend backend);

    ArchiveBackend backend() const { return backend_; }
    // Qt's driver name.
    QString driver() const;

    // A schema statement with its placeholders filled: {id} (the table's
    // key, numbered by the database), {int}, {real}, {blob} and {norowid}
    // (SQLite's table without row ids, nothing on the server).
    QString schema(const QString& statement) const;

    // Begins a transaction that may write. SQLite takes the file's write
    // lock at once, so that a second writer waits here rather than failing
    // half way; the server locks rows as they are written.
    QString begin() const;
    // Inside a migration's transaction: waits until no other program
    // creates or migrates this archive, so that one of them does it and the
    // others find it done. SQLite's write lock already does this.
    bool lockSchema(QSqlDatabase& db, QSqlError& error) const;
    bool readVersion(QSqlDatabase& db, int& version, QSqlError& error) const;
    bool writeVersion(QSqlDatabase& db, int version, QSqlError& error) const;

    // Appended to an INSERT whose new id is wanted.
    QString returningId() const;
    // The id of the row the INSERT made; none when it made no row (ON
    // CONFLICT DO NOTHING).
    std::optional<qint64> insertedId(QSqlQuery& query) const;

    // The channel on which a server's archive tells the other programs
    // watching it that it changed; none for a file.
    QString changeChannel() const;

    // `expression` as the lists sort names: without regard to case.
    QString caseless(const QString& expression) const;

private:
    explicit ArchiveDialect(ArchiveBackend backend) : backend_(backend) {}
    ArchiveBackend backend_;
};

}  // namespace ostrevik
