#include "device/DeviceLink.h"

#include "PortTestSupport.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
    void SetHardwareMenuEnabled(bool) override {}
    void EnableServiceMenus() override {}
    void PortClosing() override {}
};

// Runs the search in a child process without privileges (the user not in the
// "dialout" group) and returns the message it showed.
QString searchWithoutPermission() {
    int out[2];
    if (::pipe(out) != 0) {
        return {};
    }
    const pid_t child = ::fork();
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
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

}  // namespace

TEST(DeviceLink, NoDeviceFoundBecauseOfPermissionSaysHowToFixIt) {
    ScopedPortDir dir;
    PtyPair pty(dir.path(), 4);
    ASSERT_EQ(::chmod(pty.devicePath().c_str(), 0), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    const QString shown = searchWithoutPermission();
    EXPECT_EQ(shown,
              QStringLiteral("Warnung|Hardware Ostrevik nicht gefunden!\n\nVerbindung zum PC "
                             "prüfen!\nSchnittstelleneinstellung prüfen!\n\n"
                             "Keine Berechtigung für COM4!\n"
                             "Der Benutzer muss Mitglied der Gruppe \"dialout\" sein:\n"
                             "sudo adduser $USER dialout (danach neu anmelden)"));
}
