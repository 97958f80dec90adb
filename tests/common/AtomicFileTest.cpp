#include "common/AtomicFile.h"

#include "SmallDisk.h"
#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace ostrevik;
using ostrevik::test::readAll;
using ostrevik::test::SmallDisk;
using ostrevik::test::writeAll;

namespace {

QStringList filesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

}  // namespace

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

// Room for the file, but not for a second copy of it: the write of the new
// copy runs out of space. Below and above the 16 kB a buffered writer keeps
// before it writes at all.
TEST(AtomicFileOnAFullDisk, AShortWriteIsReportedAndTheOldFileStays) {
    for (const qsizetype size : {6196, 20000}) {
        SCOPED_TRACE(size);
        SmallDisk disk("64k");
        SKIP_WITHOUT(disk);
        const QString path = disk.path(QStringLiteral("doc.pvo"));
        const QByteArray old(size, 'o');
        ASSERT_TRUE(writeFileAtomically(path, old).ok);
        disk.fill(4096);

        const FileWriteResult r = writeFileAtomically(path, QByteArray(size + 150, 'n'));
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.path, path);
        EXPECT_EQ(r.reason, qt_error_string(ENOSPC));
        EXPECT_EQ(readAll(path), old);
        EXPECT_EQ(filesIn(disk.path({})), QStringList({"doc.pvo", "filler"}));

        QFile::remove(disk.path(QStringLiteral("filler")));
        EXPECT_TRUE(writeFileAtomically(path, QByteArray(size + 150, 'n')).ok);
        EXPECT_EQ(readAll(path), QByteArray(size + 150, 'n'));
    }
}

TEST(AtomicFileOnAFullDisk, APairIsWrittenWholeOrNotAtAll) {
    SmallDisk disk;
    SKIP_WITHOUT(disk);
    const QString a = disk.path(QStringLiteral("x-takeups.csv"));
    const QString b = disk.path(QStringLiteral("x-samples.csv"));
    const FileContent pair[] = {{a, QByteArray(300, 't')}, {b, QByteArray(6000, 's')}};
    // The first fits, the second does not.
    ASSERT_TRUE(writeFileAtomically(a, "alt A").ok);
    ASSERT_TRUE(writeFileAtomically(b, "alt B").ok);
    disk.fill(4096);
    FileWriteResult r = writeFilesAtomically(pair);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.path, b);
    EXPECT_EQ(readAll(a), QByteArray("alt A"));
    EXPECT_EQ(readAll(b), QByteArray("alt B"));
    EXPECT_EQ(filesIn(disk.path({})), QStringList({"filler", "x-samples.csv", "x-takeups.csv"}));

    // Without an earlier pair, nothing at all.
    QFile::remove(a);
    QFile::remove(b);
    disk.fill(4096);
    r = writeFilesAtomically(pair);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(filesIn(disk.path({})), QStringList({"filler"}));
}

TEST(AtomicFile, APairWhoseSecondNameCannotBeTakenPutsTheFirstBack) {
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("x-takeups.csv"));
    const QString b = dir.filePath(QStringLiteral("x-samples.csv"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("x-samples.csv")));  // in the way
    const FileContent pair[] = {{a, "neu A"}, {b, "neu B"}};

    writeAll(a, "alt A");
    FileWriteResult r = writeFilesAtomically(pair);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.path, b);
    EXPECT_FALSE(r.reason.isEmpty());
    EXPECT_EQ(readAll(a), QByteArray("alt A"));
    EXPECT_EQ(filesIn(dir.path()), QStringList({"x-samples.csv", "x-takeups.csv"}));

    QFile::remove(a);
    EXPECT_FALSE(writeFilesAtomically(pair).ok);
    EXPECT_EQ(filesIn(dir.path()), QStringList({"x-samples.csv"}));
}

TEST(AtomicFile, KeepsPermissionsAndReplacesTheTargetOfALink) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("daten/echt.pvo"));
    const QString link = dir.filePath(QStringLiteral("verweis.pvo"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("daten")));
    writeAll(target, "alt");
    const auto mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(target, mode));
    ASSERT_TRUE(QFile::link(target, link));

    ASSERT_TRUE(writeFileAtomically(link, "neu").ok);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readAll(target), QByteArray("neu"));
    const QFileDevice::Permissions ownerGroupOther(0x7077);  // without the "user" copies
    EXPECT_EQ(QFile::permissions(target) & ownerGroupOther, mode);
    EXPECT_EQ(filesIn(dir.filePath(QStringLiteral("daten"))), QStringList({"echt.pvo"}));
}
