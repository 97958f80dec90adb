#include "device/DeviceLink.h"

#include "PortTestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

using namespace ostrevik;
using namespace ostrevik::test;

namespace {

struct RecordingHost : DeviceHost {
    QString text;
    QString caption;
    MessageAnswer Message(const QString& t, const QString& c, MessageButtons) override {
        text = t;
        caption = c;
        return MessageAnswer::Ok;
    }
    void SetHardwareMenuEnabled(bool enabled) override { hardwareMenu = enabled; }
    void EnableServiceMenus() override { serviceMenus = true; }
    void PortClosing() override {}
    bool hardwareMenu = false;
    bool serviceMenus = false;
};

const QString kNotFound = QStringLiteral(
    "Hardware Ostrevik nicht gefunden!\n\nVerbindung zum PC prüfen!\nSchnittstelleneinstellung "
    "prüfen!");

// Runs the search in a child process without privileges (the user in none of
// the port's groups) and returns the message it showed.
QString searchWithoutPermission() {
    int out[2];
    if (::pipe(out) != 0) {
        return {};
    }
    const pid_t child = ::fork();
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
            ::_exit(100);
        }
        TComPort port;
        SetupForQtx(port);
        RecordingHost host;
        DeviceLink link(port, host);
        link.SearchDevice();
        const QByteArray text = (host.caption + QLatin1Char('|') + host.text).toUtf8();
        (void)!::write(out[1], text.constData(), static_cast<size_t>(text.size()));
        ::_exit(0);
    }
    ::close(out[1]);
    QByteArray got;
    char buffer[512];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) {
        got.append(buffer, n);
    }
    ::close(out[0]);
    ::waitpid(child, nullptr, 0);
    return QString::fromUtf8(got);
}

// A second process holds the device as this program's own open does: the
// advisory lock, and exclusive mode (which keeps out everyone but root).
class PortHolder {
public:
    PortHolder(const std::string& device, const char* name) {
        int ready[2];
        if (::pipe(ready) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::prctl(PR_SET_NAME, name);
            const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY);
            const char ok =
                fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::ioctl(fd, TIOCEXCL) == 0 ? 'y'
                                                                                             : 'n';
            (void)!::write(ready[1], &ok, 1);
            ::pause();
            ::_exit(0);
        }
        ::close(ready[1]);
        char ok = 0;
        holding_ = ::read(ready[0], &ok, 1) == 1 && ok == 'y';
        ::close(ready[0]);
    }
    ~PortHolder() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    pid_t pid() const { return pid_; }
    bool holding() const { return holding_; }

private:
    pid_t pid_ = -1;
    bool holding_ = false;
};

}  // namespace

TEST(DeviceLink, NoDeviceFoundBecauseOfPermissionNamesTheGroupOfTheNode) {
    ScopedPortDir dir;
    PtyPair pty(dir.path(), 4);
    const QByteArray node = QByteArray::fromStdString(pty.devicePath());
    // Another group than Debian's "dialout", to see that the name comes from
    // the node; only root may give the node away.
    if (const group* uucp = ::getgrnam("uucp"); uucp != nullptr && ::geteuid() == 0) {
        ASSERT_EQ(::chown(node.constData(), 0, uucp->gr_gid), 0);
    }
    // The group may use the node, its owner may not.
    ASSERT_EQ(::chmod(node.constData(), 0060), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    struct stat info {};
    ASSERT_EQ(::stat(node.constData(), &info), 0);
    const QString group = QString::fromLocal8Bit(::getgrgid(info.st_gid)->gr_name);
    if (::geteuid() == 0) {
        EXPECT_EQ(group, QStringLiteral("uucp"));
    }
    EXPECT_EQ(searchWithoutPermission(),
              QStringLiteral("Warnung|") + kNotFound +
                  QStringLiteral("\n\nKeine Berechtigung für COM4 (%1)!\n"
                                 "Der Benutzer muss Mitglied der Gruppe \"%2\" sein:\n"
                                 "sudo usermod -aG %2 $USER (danach neu anmelden)")
                      .arg(QString::fromLocal8Bit(node), group));
}

TEST(DeviceLink, NoDeviceFoundBecauseOtherProgramsHoldThePortsNamesThem) {
    ScopedPortDir dir;
    PtyPair terminal(dir.path(), 5);
    PtyPair adapter(dir.path(), 6);
    const PortHolder terminalProgram(terminal.devicePath(), "qtx-holder");
    const PortHolder modemManager(adapter.devicePath(), "ModemManager");
    ASSERT_TRUE(terminalProgram.holding());
    ASSERT_TRUE(modemManager.holding());

    TComPort port;
    SetupForQtx(port);
    RecordingHost host;
    DeviceLink link(port, host);
    EXPECT_FALSE(link.SearchDevice());
    const QString busyTerminal = QStringLiteral(
                                     "COM5 (%1) ist belegt!\n"
                                     "Das Programm \"qtx-holder\" (Prozess %2) beenden,\n"
                                     "dann mit \"Connect \" (F5) neu verbinden.")
                                     .arg(QString::fromStdString(terminal.devicePath()))
                                     .arg(terminalProgram.pid());
    const QString busyAdapter = QStringLiteral(
                                    "COM6 (%1) ist belegt!\n"
                                    "ModemManager (Prozess %2) prüft den Adapter als Modem.\n"
                                    "Abhilfe: udev-Regel, siehe README \"With a real QTX\",\n"
                                    "danach den Adapter neu einstecken.")
                                    .arg(QString::fromStdString(adapter.devicePath()))
                                    .arg(modemManager.pid());
    EXPECT_EQ(host.caption, QStringLiteral("Warnung"));
    EXPECT_EQ(host.text, kNotFound + QStringLiteral("\n\n") + busyTerminal +
                             QStringLiteral("\n\n") + busyAdapter);

    // Connecting to the last port probed explains it the same way.
    EXPECT_FALSE(link.ConnectDevice());
    EXPECT_EQ(host.caption, QStringLiteral("Ostrevik"));
    EXPECT_EQ(host.text,
              QStringLiteral("Keine Verbindung zur Hardware QTX an COM6 !\n\n") + busyAdapter);
}

// The port opened but what follows the opening failed (the bank selection):
// the program is connected, says what went wrong, and the menus are on.
TEST(DeviceLink, AFailureAfterTheOpeningIsAConnection) {
    ScopedPortDir dir;
    PtyPair pty(dir.path(), 2);
    TComPort port;
    SetupForQtx(port);
    port.SetPort(QStringLiteral("COM2"));
    RecordingHost host;
    DeviceLink link(port, host);
    link.AttachMainHandlers();
    const PortHandler afterOpen = port.OnAfterOpen();
    port.SetOnAfterOpen([&](TCustomComPort& sender) {
        afterOpen(sender);
        throw EComPort(ComError::WriteFailed, EIO);
    });
    EXPECT_TRUE(link.ConnectDevice());
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(host.caption, QStringLiteral("Ostrevik"));
    EXPECT_TRUE(host.text.startsWith(QStringLiteral("WriteFile function failed")));
    EXPECT_TRUE(host.hardwareMenu);
    EXPECT_TRUE(host.serviceMenus);
    port.SetOnRxChar(nullptr);
    port.Close();
}

// Any error of a probe, not only the port's own, fails the probe and puts
// every handler back.
TEST(DeviceLink, AProbeThatFailsInAnyWayPutsTheHandlersBack) {
    ScopedPortDir dir;
    PtyPair pty(dir.path(), 3);
    TComPort port;
    SetupForQtx(port);
    RecordingHost host;
    DeviceLink link(port, host);
    link.SetDecoderHandler([](TCustomComPort&, int) {});
    link.AttachMainHandlers();
    port.SetOnBeforeOpen([](TCustomComPort&) { throw std::runtime_error("no event thread"); });
    EXPECT_FALSE(link.ProbePort(QStringLiteral("COM3")));
    EXPECT_FALSE(port.Connected());
    EXPECT_TRUE(port.OnRxChar());
    EXPECT_TRUE(port.OnAfterOpen());
    EXPECT_TRUE(port.OnBeforeClose());
}
