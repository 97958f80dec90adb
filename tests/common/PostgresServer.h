#pragma once

#include "archive/ArchiveDialect.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <string>

namespace ostrevik::test {

// A PostgreSQL server of the test program's own: a cluster made with initdb
// in a temporary folder that listens only on a Unix socket in that folder,
// run as the unprivileged user "nobody" when the tests run as root (the
// server refuses root), and stopped when the program ends. Nothing depends
// on a server set up by hand.
class PostgresServer {
public:
    // The program's server, started on first use; null with the reason in
    // `why` when none can start here (no PostgreSQL, no driver). `durable`
    // (for benchmarks, at the first call) keeps fsync on, as a real server
    // has it; the tests spare it.
    static PostgresServer* shared(std::string& why, bool durable = false);
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // The superuser, who owns every database made here.
    static QString superuser() { return QStringLiteral("ostrevik"); }
    // A new empty database with a name of its own.
    QString newDatabase();
    // The address of a database for --archive, as `user`.
    QString address(const QString& database, const QString& user = superuser()) const;
    // Runs statements as the superuser in a database; false with the
    // server's words in `error`.
    bool run(const QString& database, const QStringList& statements, QString* error = nullptr);
    // Stops the server at once, as a crash or a power cut would, and
    // starts it again.
    bool restartAbruptly();
    QString socketFolder() const { return folder_.path(); }
    int port() const { return port_; }

private:
    PostgresServer() = default;
    bool start(std::string& why, bool durable);
    bool tool(const QString& name, const QStringList& args, QString* output = nullptr);

    QTemporaryDir folder_;
    QString bin_;
    QString data_;
    int port_ = 0;
    bool asNobody_ = false;
    bool running_ = false;
    int databases_ = 0;
};

// Where a test's archive lives on either backend: the SQLite file given, or
// a new database on the program's server. Empty with the reason in `why`
// when the server cannot start.
QString archiveOn(ArchiveBackend backend, const QString& sqliteFile, std::string& why);

// "Sqlite" and "Postgres", for the names of parameterised tests.
std::string backendName(ArchiveBackend backend);

}  // namespace ostrevik::test
