#include "app/SingleInstance.h"
#include "app/Translations.h"
#include "device/DeviceLink.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

#include <sys/wait.h>
#include <unistd.h>

using namespace ostrevik;

namespace {

// Runs the guard in a child process; its exit code tells whether it got the
// lock (0) or not (1).
int guardInChild() {
    const pid_t pid = ::fork();
    if (pid == 0) {
        SingleInstanceGuard guard;
        ::_exit(guard.acquired() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class StartupTest : public ::testing::Test {
protected:
    StartupTest() {
        saved_ = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
    }
    ~StartupTest() override { qputenv("XDG_RUNTIME_DIR", saved_); }
    QTemporaryDir dir;

private:
    QByteArray saved_;
};

}  // namespace

TEST_F(StartupTest, OnlyOneCopyHoldsTheGuardAndItIsFreedWhenTheHolderEnds) {
    {
        SingleInstanceGuard first;
        ASSERT_TRUE(first.acquired());
        EXPECT_EQ(first.lockPath(), dir.filePath(QStringLiteral("Pelvaro2Mutex")));
        EXPECT_EQ(guardInChild(), 1);  // a second copy is refused
    }
    EXPECT_EQ(guardInChild(), 0);
}

TEST_F(StartupTest, ACopyKilledWhileHoldingTheGuardDoesNotBlockTheNextStart) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        SingleInstanceGuard guard;
        const char c = guard.acquired() ? 'y' : 'n';
        (void)::write(ready[1], &c, 1);
        ::pause();
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    EXPECT_EQ(c, 'y');
    EXPECT_EQ(guardInChild(), 1);
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_EQ(guardInChild(), 0);
    ::close(ready[0]);
    ::close(ready[1]);
}

TEST(PermissionHint, NamesTheDeviceAndTheDialoutGroup) {
    const QString hint = DeviceLink::PermissionHint(EComPort(1, EACCES), QStringLiteral("COM33"));
    EXPECT_EQ(hint, QStringLiteral("Keine Berechtigung für die Schnittstelle /dev/ttyUSB0!\n"
                                   "Der Benutzer muss Mitglied der Gruppe \"dialout\" sein:\n"
                                   "sudo adduser $USER dialout (danach neu anmelden)"));
    EXPECT_TRUE(DeviceLink::PermissionHint(EComPort(1, ENOENT), QStringLiteral("COM33")).isEmpty());
    EXPECT_TRUE(DeviceLink::PermissionHint(EComPort(3, EACCES), QStringLiteral("COM33")).isEmpty());
}

TEST(Translations, QtsOwnTextsAreGerman) {
    EXPECT_GE(InstallGermanQtTexts(*QCoreApplication::instance()), 1);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Ja"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&No"), QStringLiteral("&Nein"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
}
