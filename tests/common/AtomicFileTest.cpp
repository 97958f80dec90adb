#include "common/AtomicFile.h"

#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <csignal>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace ostrevik;
using ostrevik::test::readAll;
using ostrevik::test::writeAll;

TEST(AtomicFile, WritesNewAndReplacesOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.bin"));
    ASSERT_TRUE(writeFileAtomically(path, QByteArray("first")).ok);
    EXPECT_EQ(readAll(path), QByteArray("first"));
    ASSERT_TRUE(writeFileAtomically(path, QByteArray("second, longer")).ok);
    EXPECT_EQ(readAll(path), QByteArray("second, longer"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);  // no temporary left behind
}

TEST(AtomicFile, FailureMidwayLeavesOldFileIntactAndReportsReason) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.bin"));
    writeAll(path, QByteArray("old content"));
    const QByteArray big(300 * 1024, 'x');
    {
        ScopedWriteFault fault(100 * 1024);
        const FileWriteResult r = writeFileAtomically(path, big);
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.reason.isEmpty());
    }
    EXPECT_EQ(readAll(path), QByteArray("old content"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
    EXPECT_TRUE(writeFileAtomically(path, big).ok);  // the fault ended with its scope
}

TEST(AtomicFile, MissingDirectoryFails) {
    QTemporaryDir dir;
    const FileWriteResult r =
        writeFileAtomically(dir.filePath(QStringLiteral("gone/a.bin")), QByteArray("x"));
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.reason.isEmpty());
}

TEST(AtomicFile, KilledWhileWritingLeavesTheOldOrTheNewFileNeverATornOne) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("doc.pvo"));
    const QByteArray a(2 * 1024 * 1024, 'a');
    const QByteArray b(3 * 1024 * 1024, 'b');
    writeAll(path, a);
    int torn = 0;
    for (int round = 0; round < 12; ++round) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            for (int i = 0;; ++i) {
                writeFileAtomically(path, i % 2 ? a : b);
            }
        }
        // Kill at a different moment of the write each round.
        ::usleep(static_cast<useconds_t>(3000 + round * 2500));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        const QByteArray now = readAll(path);
        if (now != a && now != b) {
            ++torn;
        }
    }
    EXPECT_EQ(torn, 0);
}
