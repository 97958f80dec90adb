#include "PostgresServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <unistd.h>

#include <cstdlib>

namespace ostrevik::test {
namespace {

constexpr int kToolTimeoutMs = 60000;

// The newest PostgreSQL on the machine, or the one OSTREVIK_PG_BIN names.
QString postgresBin() {
    const QString given = qEnvironmentVariable("OSTREVIK_PG_BIN");
    if (!given.isEmpty()) {
        return given;
    }
    QStringList versions =
        QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(versions.begin(), versions.end(),
              [](const QString& a, const QString& b) { return a.toInt() > b.toInt(); });
    for (const QString& v : versions) {
        const QString bin = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(v);
        if (QFileInfo::exists(bin + QStringLiteral("/initdb"))) {
            return bin;
        }
    }
    return {};
}

std::unique_ptr<PostgresServer>& sharedServer() {
    static std::unique_ptr<PostgresServer> server;
    return server;
}

}  // namespace

PostgresServer* PostgresServer::shared(std::string& why, bool durable) {
    static bool tried = false;
    static std::string reason;
    if (!tried) {
        tried = true;
        std::unique_ptr<PostgresServer> s(new PostgresServer);
        if (s->start(reason, durable)) {
            sharedServer() = std::move(s);
            // Stopped at the program's end, after the tests' own objects.
            std::atexit([] { sharedServer().reset(); });
        }
    }
    why = "PostgreSQL tests skipped: " + reason;
    return sharedServer().get();
}

bool PostgresServer::tool(const QString& name, const QStringList& args, QString* output) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    const QString program = bin_ + QLatin1Char('/') + name;
    if (asNobody_) {
        p.start(QStringLiteral("runuser"),
                QStringList{QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--"),
                            program} +
                    args);
    } else {
        p.start(program, args);
    }
    const bool ended = p.waitForFinished(kToolTimeoutMs);
    if (output) {
        *output = QString::fromLocal8Bit(p.readAll());
    }
    return ended && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool PostgresServer::start(std::string& why, bool durable) {
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        why = "Qt's PostgreSQL driver (libqt6sql6-psql) is not installed";
        return false;
    }
    bin_ = postgresBin();
    if (bin_.isEmpty()) {
        why = "no PostgreSQL server under /usr/lib/postgresql (package postgresql)";
        return false;
    }
    if (!folder_.isValid()) {
        why = "no temporary folder";
        return false;
    }
    asNobody_ = geteuid() == 0;
    if (asNobody_ && QProcess::execute(QStringLiteral("chown"),
                                       {QStringLiteral("nobody"), folder_.path()}) != 0) {
        why = "the temporary folder cannot be given to the user nobody";
        return false;
    }
    data_ = folder_.filePath(QStringLiteral("data"));
    // A port of the program's own: the socket's name carries it.
    port_ = 20000 + static_cast<int>(getpid() % 20000);
    QString out;
    if (!tool(QStringLiteral("initdb"),
              {QStringLiteral("-D"), data_, QStringLiteral("-U"), superuser(), QStringLiteral("-A"),
               QStringLiteral("trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
               QStringLiteral("--no-locale"), QStringLiteral("-N")},
              &out)) {
        why = "initdb failed: " + out.toStdString();
        return false;
    }
    // No TCP at all, the socket in the private folder; fsync off unless
    // asked, as nothing here must outlive the program.
    const QString options = QStringLiteral("-c listen_addresses= -k %1 -p %2 -c fsync=%3")
                                .arg(folder_.path())
                                .arg(port_)
                                .arg(durable ? QStringLiteral("on") : QStringLiteral("off"));
    if (!tool(QStringLiteral("pg_ctl"),
              {QStringLiteral("-D"), data_, QStringLiteral("-l"),
               folder_.filePath(QStringLiteral("server.log")), QStringLiteral("-o"), options,
               QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"),
               QStringLiteral("start")},
              &out)) {
        why = "the server did not start: " + out.toStdString();
        return false;
    }
    running_ = true;
    return true;
}

PostgresServer::~PostgresServer() {
    if (running_) {
        tool(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), data_, QStringLiteral("-m"),
                                        QStringLiteral("immediate"), QStringLiteral("stop")});
    }
}

bool PostgresServer::restartAbruptly() {
    return tool(QStringLiteral("pg_ctl"),
                {QStringLiteral("-D"), data_, QStringLiteral("-m"), QStringLiteral("immediate"),
                 QStringLiteral("-w"), QStringLiteral("restart")});
}

QString PostgresServer::address(const QString& database, const QString& user) const {
    return QStringLiteral("postgresql://%1@/%2?host=%3&port=%4")
        .arg(user, database, folder_.path())
        .arg(port_);
}

bool PostgresServer::run(const QString& database, const QStringList& statements, QString* error) {
    bool ok = true;
    const QString name = QStringLiteral("postgres-test-admin");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(folder_.path());
        db.setPort(port_);
        db.setDatabaseName(database);
        db.setUserName(superuser());
        ok = db.open();
        if (!ok && error) {
            *error = db.lastError().text();
        }
        for (const QString& statement : statements) {
            if (!ok) {
                break;
            }
            QSqlQuery q(db);
            ok = q.exec(statement);
            if (!ok && error) {
                *error = q.lastError().text();
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

QString PostgresServer::newDatabase() {
    const QString name = QStringLiteral("archiv%1").arg(++databases_);
    QString error;
    if (!run(QStringLiteral("postgres"), {QStringLiteral("CREATE DATABASE ") + name}, &error)) {
        qWarning("CREATE DATABASE failed: %s", qPrintable(error));
        return {};
    }
    return name;
}

QString archiveOn(ArchiveBackend backend, const QString& sqliteFile, std::string& why) {
    if (backend == ArchiveBackend::Sqlite) {
        return sqliteFile;
    }
    PostgresServer* server = PostgresServer::shared(why);
    if (!server) {
        return {};
    }
    const QString database = server->newDatabase();
    return database.isEmpty() ? QString() : server->address(database);
}

std::string backendName(ArchiveBackend backend) {
    return backend == ArchiveBackend::Sqlite ? "Sqlite" : "Postgres";
}

}  // namespace ostrevik::test
