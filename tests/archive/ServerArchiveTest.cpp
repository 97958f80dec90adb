#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveImport.h"
#include "archive/ArchiveSessions.h"
#include "archive/ArchiveTexts.h"

#include "ArchiveFiles.h"
#include "HeadlessRun.h"
#include "PostgresServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace ostrevik;
using namespace ostrevik::test;

namespace {

// The archive on the test program's own PostgreSQL server, a new database
// per test, written by the program as separate processes, as several PCs
// of a club would.
class ServerArchiveTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        server = PostgresServer::shared(why);
        if (!server) {
            GTEST_SKIP() << why;
        }
        database = server->newDatabase();
        ASSERT_FALSE(database.isEmpty());
        address = server->address(database);
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    // `count` files of `takeUps` take-ups in folder, the shooters' names in
    // turn.
    QStringList writeFiles(const QString& folder, int count, int takeUps,
                           const QStringList& names) {
        QDir(dir.path()).mkpath(folder);
        QStringList files;
        for (int i = 0; i < count; ++i) {
            files << path(QStringLiteral("%1/%2.pvo").arg(folder).arg(i, 3, 10, QLatin1Char('0')));
            writeSession(files.back(), names[i % names.size()],
                         QStringLiteral("%1.10.2026").arg(1 + i % 28, 2, 10, QLatin1Char('0')),
                         std::vector<int>(static_cast<size_t>(takeUps), 40 + i % 20));
        }
        return files;
    }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("daten")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return env;
    }

    std::unique_ptr<QProcess> start(const QStringList& args) {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(environment());
        p->setWorkingDirectory(dir.path());
        p->start(QStringLiteral(OSTREVIK_BINARY), args);
        EXPECT_TRUE(p->waitForStarted());
        return p;
    }

    Outcome run(const QStringList& args) {
        return runHeadless(QStringLiteral(OSTREVIK_BINARY), args, dir.path(),
                           [this](QProcessEnvironment& env) { env = environment(); });
    }

    std::unique_ptr<TrainingArchive> open(const QString& at) {
        ArchiveError error;
        auto a = TrainingArchive::open(at, error);
        EXPECT_TRUE(a) << ArchiveTexts::Problem(error).toStdString();
        return a;
    }

    int scalar(TrainingArchive& a, const QString& sql) {
        QSqlQuery q(a.db());
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
        return q.next() ? q.value(0).toInt() : -1;
    }

    // Every session in the archive has all of its take-ups: nothing was
    // written half.
    void expectWholeSessions() {
        auto a = open(address);
        ASSERT_TRUE(a);
        EXPECT_EQ(scalar(*a, QStringLiteral("SELECT COUNT(*) FROM sitzung s WHERE "
                                            "druckpunktnahmen <> (SELECT COUNT(*) FROM "
                                            "druckpunktnahme d WHERE d.sitzung_id = s.id)")),
                  0);
    }

    // Waits until the archive holds at least `sessions` sessions or the
    // process has ended.
    void awaitSessions(int sessions, QProcess& process) {
        auto a = open(address);
        const QDeadlineTimer deadline(60000);
        while (!deadline.hasExpired() && process.state() == QProcess::Running &&
               scalar(*a, QStringLiteral("SELECT COUNT(*) FROM sitzung")) < sessions) {
            QThread::msleep(20);
        }
    }

    QTemporaryDir dir;
    PostgresServer* server = nullptr;
    QString database;
    QString address;
};

// A coach's role that may only read sees the sessions and changes nothing,
// and says why in German; a name with quotes and SQL in it is a name.
TEST_F(ServerArchiveTest, AReadOnlyRoleViewsButChangesNothing) {
    const QString name = QStringLiteral("O'B\"; DROP TABLE x; --");
    ASSERT_TRUE(server->run(database, {QStringLiteral("CREATE TABLE x (y INTEGER)")}));
    writeFiles(QStringLiteral("saison"), 2, 3, {name});
    Outcome r = run({QStringLiteral("--archive"), address, QStringLiteral("--archive-import"),
                     QStringLiteral("saison")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    {
        auto a = open(address);
        ArchiveError error;
        const auto shooters = listShooters(*a, error);
        ASSERT_EQ(shooters.size(), 1u);
        EXPECT_EQ(shooters[0].name, name);
        EXPECT_EQ(scalar(*a, QStringLiteral("SELECT COUNT(*) FROM x")), 0);
    }

    // Roles are the server's, not the database's: one of this test's own.
    const QString role = QStringLiteral("trainer_") + database;
    ASSERT_TRUE(server->run(
        database, {QStringLiteral("CREATE ROLE %1 LOGIN").arg(role),
                   QStringLiteral("GRANT SELECT ON ALL TABLES IN SCHEMA public TO %1").arg(role)}));
    const QString coach = server->address(database, role);
    auto a = open(coach);
    ASSERT_TRUE(a);
    EXPECT_TRUE(a->readOnly());
    const ArchiveError noRights{ArchiveError::Kind::NoWriteRights, coach, {}, 0};
    EXPECT_EQ(a->notice(), noRights);
    ArchiveError error;
    const auto sessions = listSessions(*a, {}, error);
    ASSERT_EQ(sessions.size(), 2u);
    writeFiles(QStringLiteral("neu"), 1, 3, {QStringLiteral("Anna")});
    const ImportSummary s = importPaths(*a, {path(QStringLiteral("neu"))}, {});
    EXPECT_EQ(s.added, 0);
    EXPECT_EQ(s.archiveError, noRights);
    EXPECT_FALSE(setSessionNote(*a, sessions[0].id, QStringLiteral("x"), error));
    EXPECT_EQ(error, noRights);

    r = run({QStringLiteral("--archive"), coach, QStringLiteral("--archive-import"),
             QStringLiteral("neu")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(ArchiveTexts::Problem(noRights))) << r.err.toStdString();
    r = run({QStringLiteral("--archive"), coach, QStringLiteral("--archive-list")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count(QLatin1Char('\n')), 3);
    EXPECT_EQ(scalar(*a, QStringLiteral("SELECT COUNT(*) FROM sitzung")), 2);
}

// Four PCs import the same files at once, each in another order, with
// shooters new to the archive: every session once, every shooter once.
TEST_F(ServerArchiveTest, ImportsFromSeveralProcessesAtOnceLoseAndDoubleNothing) {
    const QStringList files = writeFiles(QStringLiteral("saison"), 40, 20,
                                         {QStringLiteral("Anna"), QStringLiteral("Ben"),
                                          QStringLiteral("Cem"), QStringLiteral("Dora")});
    std::vector<std::unique_ptr<QProcess>> imports;
    for (int k = 0; k < 4; ++k) {
        const QStringList order = files.mid(k * 10) + files.mid(0, k * 10);
        imports.push_back(start(
            QStringList{QStringLiteral("--archive"), address, QStringLiteral("--archive-import")} +
            order));
    }
    int added = 0;
    for (auto& p : imports) {
        ASSERT_TRUE(p->waitForFinished(120000));
        // Nothing on standard error: no failure, and none of the server's
        // notices either.
        EXPECT_EQ(p->exitCode(), 0);
        EXPECT_EQ(p->readAllStandardError(), QByteArray());
        added +=
            QString::fromUtf8(p->readAllStandardOutput()).section(QLatin1Char(' '), 0, 0).toInt();
    }
    EXPECT_EQ(added, 40);
    auto a = open(address);
    EXPECT_EQ(scalar(*a, QStringLiteral("SELECT COUNT(*) FROM sitzung")), 40);
    EXPECT_EQ(scalar(*a, QStringLiteral("SELECT COUNT(*) FROM schuetze")), 4);
    EXPECT_EQ(scalar(*a, QStringLiteral("SELECT COUNT(*) FROM schuetze_name")), 4);
    expectWholeSessions();
}

// An import killed half way loses nothing of another running beside it,
// leaves no session half written, and a second run completes it.
TEST_F(ServerArchiveTest, AKilledImportLosesNothingElse) {
    writeFiles(QStringLiteral("anna"), 60, 200, {QStringLiteral("Anna")});
    writeFiles(QStringLiteral("ben"), 30, 200, {QStringLiteral("Ben")});
    auto killed = start({QStringLiteral("--archive"), address, QStringLiteral("--archive-import"),
                         QStringLiteral("anna")});
    auto other = start({QStringLiteral("--archive"), address, QStringLiteral("--archive-import"),
                        QStringLiteral("ben")});
    awaitSessions(5, *killed);
    killed->kill();
    killed->waitForFinished();
    ASSERT_TRUE(other->waitForFinished(120000));
    EXPECT_EQ(other->exitCode(), 0) << other->readAllStandardError().toStdString();
    expectWholeSessions();
    const Outcome r = run({QStringLiteral("--archive"), address, QStringLiteral("--archive-list"),
                           QStringLiteral("Ben")});
    EXPECT_EQ(r.out.count(QLatin1Char('\n')), 31);
    EXPECT_EQ(run({QStringLiteral("--archive"), address, QStringLiteral("--archive-import"),
                   QStringLiteral("anna")})
                  .exitCode,
              0);
    auto a = open(address);
    EXPECT_EQ(scalar(*a, QStringLiteral("SELECT COUNT(*) FROM sitzung")), 90);
}

// The server restarts while a file is being written: that session is rolled
// back, the import says which files remain, and running it again takes in
// exactly those.
TEST_F(ServerArchiveTest, AServerRestartMidImportSaysWhatRemains) {
    const QStringList files =
        writeFiles(QStringLiteral("saison"), 80, 200, {QStringLiteral("Anna")});
    auto import = start({QStringLiteral("--archive"), address, QStringLiteral("--archive-import"),
                         QStringLiteral("saison")});
    awaitSessions(5, *import);
    ASSERT_EQ(import->state(), QProcess::Running) << "the import ended before the restart";
    ASSERT_TRUE(server->restartAbruptly());
    ASSERT_TRUE(import->waitForFinished(60000));
    EXPECT_EQ(import->exitCode(), 1);
    const QString err = QString::fromUtf8(import->readAllStandardError());
    EXPECT_TRUE(
        err.contains(ArchiveTexts::Problem({ArchiveError::Kind::ConnectionLost, address, {}, 0})))
        << err.toStdString();
    QStringList remaining;
    for (const QString& line : QString::fromUtf8(import->readAllStandardOutput()).split('\n')) {
        if (line.startsWith(QStringLiteral("nicht aufgenommen: "))) {
            remaining << line.section(QStringLiteral(": "), 1);
        }
    }
    ASSERT_FALSE(remaining.isEmpty());
    EXPECT_EQ(remaining, QStringList(files.mid(files.size() - remaining.size())));

    expectWholeSessions();
    {
        auto a = open(address);
        EXPECT_EQ(scalar(*a, QStringLiteral("SELECT COUNT(*) FROM sitzung")),
                  files.size() - remaining.size());
    }
    const Outcome again = run({QStringLiteral("--archive"), address,
                               QStringLiteral("--archive-import"), QStringLiteral("saison")});
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_TRUE(again.out.startsWith(QStringLiteral("%1 aufgenommen").arg(remaining.size())))
        << again.out.toStdString();
}

}  // namespace
