#include "common/AtomicFile.h"

#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

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
