#include "app/SingleInstance.h"
#include "app/Translations.h"
#include "device/DeviceSession.h"

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

TEST(PortDiagnosis, DeniedPortsOfOneGroupShareTheirFix) {
    EXPECT_FALSE(DiagnoseOpenFailure(EComPort(1, ENOENT), QStringLiteral("COM33")));
    EXPECT_FALSE(DiagnoseOpenFailure(EComPort(3, EACCES), QStringLiteral("COM33")));
    auto denied = [](const char* port, const char* device, const char* group,
                     PortDiagnosis::Fix fix) {
        PortDiagnosis d;
        d.reason = PortDiagnosis::Reason::Denied;
        d.port = QString::fromLatin1(port);
        d.device = QString::fromLatin1(device);
        d.group = QString::fromLatin1(group);
        d.fix = fix;
        return d;
    };
    using Fix = PortDiagnosis::Fix;
    EXPECT_EQ(ExplainUnopenedPorts({denied("COM1", "/dev/ttyS0", "uucp", Fix::JoinGroup),
                                    denied("COM65", "/dev/ttyACM0", "root", Fix::CheckRights),
                                    denied("COM33", "/dev/ttyUSB0", "uucp", Fix::JoinGroup),
                                    denied("COM34", "/dev/ttyUSB1", "dialout", Fix::LogInAgain)}),
              QStringLiteral("Keine Berechtigung für COM1 (/dev/ttyS0), COM33 (/dev/ttyUSB0)!\n"
                             "Der Benutzer muss Mitglied der Gruppe \"uucp\" sein:\n"
                             "sudo usermod -aG uucp $USER (danach neu anmelden)\n\n"
                             "Keine Berechtigung für COM65 (/dev/ttyACM0)!\n"
                             "Die Rechte der Gerätedatei prüfen:\nls -l /dev/ttyACM0\n\n"
                             "Keine Berechtigung für COM34 (/dev/ttyUSB1)!\n"
                             "Der Benutzer ist schon Mitglied der Gruppe \"dialout\":\n"
                             "abmelden und neu anmelden, damit es wirkt"));
}

// A busy port names its holder and how to free it, in short lines.
TEST(PortDiagnosis, ABusyPortNamesItsHolder) {
    PortDiagnosis terminal;
    terminal.port = QStringLiteral("COM5");
    terminal.device = QStringLiteral("/dev/ttyS4");
    terminal.holderPid = 812;
    terminal.holderName = QStringLiteral("minicom");
    PortDiagnosis adapter;
    adapter.port = QStringLiteral("COM33");
    adapter.device = QStringLiteral("/dev/ttyUSB0");
    adapter.modemManager = true;
    EXPECT_EQ(ExplainUnopenedPorts({terminal, adapter}),
              QStringLiteral("COM5 (/dev/ttyS4) ist belegt!\n"
                             "Das Programm \"minicom\" (Prozess 812) beenden,\n"
                             "dann mit \"Connect \" (F5) neu verbinden.\n\n"
                             "COM33 (/dev/ttyUSB0) ist belegt!\n"
                             "Vermutlich prüft ModemManager den Adapter als Modem.\n"
                             "Abhilfe: udev-Regel, siehe README \"With a real QTX\",\n"
                             "danach den Adapter neu einstecken."));
}

TEST(Translations, QtsOwnTextsAreGerman) {
    EXPECT_GE(InstallGermanQtTexts(*QCoreApplication::instance()), 1);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Ja"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&No"), QStringLiteral("&Nein"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
}
