#include "device/DeviceSession.h"
#include "device/PortDiagnosis.h"
#include "measurement/Rasters.h"

#include "PortTestSupport.h"
#include "RecordingHost.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

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

namespace ostrevik {
struct DeviceSessionTestAccess {
    static TCustomComPort& port(DeviceSession& session) { return session.port_; }
};
}  // namespace ostrevik

namespace {

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
        RecordingHost host;
        DeviceSession session(host);
        host.observe(session);
        session.SearchDevice();
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

TEST(DeviceSession, NoDeviceFoundBecauseOfPermissionNamesTheGroupOfTheNode) {
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
    // The wording is the diagnosis' own; here: the right port, node, group
    // and fix.
    PortDiagnosis denied;
    denied.reason = PortDiagnosis::Reason::Denied;
    denied.port = QStringLiteral("COM4");
    denied.device = QString::fromLocal8Bit(node);
    denied.group = group;
    denied.fix = PortDiagnosis::Fix::JoinGroup;
    EXPECT_EQ(searchWithoutPermission(), QStringLiteral("Warnung|") + kNotFound +
                                             QStringLiteral("\n\n") +
                                             ExplainUnopenedPorts({denied}));
}

TEST(DeviceSession, NoDeviceFoundBecauseOtherProgramsHoldThePortsNamesThem) {
    ScopedPortDir dir;
    PtyPair terminal(dir.path(), 5);
    PtyPair adapter(dir.path(), 6);
    const PortHolder terminalProgram(terminal.devicePath(), "qtx-holder");
    const PortHolder modemManager(adapter.devicePath(), "ModemManager");
    ASSERT_TRUE(terminalProgram.holding());
    ASSERT_TRUE(modemManager.holding());

    RecordingHost host;
    DeviceSession session(host);
    host.observe(session);
    EXPECT_FALSE(session.SearchDevice());
    auto busy = [](int port, const PtyPair& pty, pid_t holder, const char* name,
                   bool modemManager) {
        PortDiagnosis d;
        d.reason = PortDiagnosis::Reason::Busy;
        d.port = QStringLiteral("COM%1").arg(port);
        d.device = QString::fromStdString(pty.devicePath());
        d.holderPid = holder;
        d.holderName = QString::fromLatin1(name);
        d.modemManager = modemManager;
        return d;
    };
    const PortDiagnosis busyTerminal =
        busy(5, terminal, terminalProgram.pid(), "qtx-holder", false);
    const PortDiagnosis busyAdapter = busy(6, adapter, modemManager.pid(), "ModemManager", true);
    EXPECT_EQ(host.caption, QStringLiteral("Warnung"));
    EXPECT_EQ(host.text, kNotFound + QStringLiteral("\n\n") +
                             ExplainUnopenedPorts({busyTerminal, busyAdapter}));

    // Connecting to the last port probed explains it the same way.
    EXPECT_FALSE(session.ConnectDevice());
    EXPECT_EQ(host.caption, QStringLiteral("Ostrevik"));
    EXPECT_EQ(host.text, QStringLiteral("Keine Verbindung zur Hardware QTX an COM6 !\n\n") +
                             ExplainUnopenedPorts({busyAdapter}));
}

// The port opened but what follows the opening failed (the bank selection):
// the program is connected, says what went wrong, and the menus are on.
TEST(DeviceSession, AFailureAfterTheOpeningIsAConnection) {
    ScopedPortDir dir;
    PtyPair pty(dir.path(), 2);
    RecordingHost host;
    DeviceSession session(host);
    host.observe(session);
    TCustomComPort& port = DeviceSessionTestAccess::port(session);
    port.SetPort(QStringLiteral("COM2"));
    const PortHandler afterOpen = port.OnAfterOpen();
    port.SetOnAfterOpen([&](TCustomComPort& sender) {
        afterOpen(sender);
        throw EComPort(ComError::WriteFailed, EIO);
    });
    EXPECT_TRUE(session.ConnectDevice());
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(host.caption, QStringLiteral("Ostrevik"));
    EXPECT_TRUE(host.text.startsWith(QStringLiteral("WriteFile function failed")));
    EXPECT_TRUE(host.hardwareMenu);
    EXPECT_TRUE(host.serviceMenus);
}

// Any error of a probe, not only the port's own, fails the probe, leaves the
// port closed and the session's handlers in place.
TEST(DeviceSession, AProbeThatFailsInAnyWayLeavesThePortClosed) {
    ScopedPortDir dir;
    PtyPair pty(dir.path(), 3);
    RecordingHost host;
    DeviceSession session(host);
    host.observe(session);
    TCustomComPort& port = DeviceSessionTestAccess::port(session);
    port.SetOnBeforeOpen([](TCustomComPort&) { throw std::runtime_error("no event thread"); });
    EXPECT_FALSE(session.ProbePort(QStringLiteral("COM3")));
    EXPECT_FALSE(port.Connected());
    EXPECT_TRUE(port.OnRxChar());
    EXPECT_TRUE(port.OnAfterOpen());
    EXPECT_TRUE(port.OnBeforeClose());
}

namespace {

// Reads what the program sends until it has sent `until` (or the time is up);
// returns all of it.
QByteArray readUntilFrom(const PtyPair& device, char until, int timeoutMs = 1000) {
    QByteArray got;
    QElapsedTimer timer;
    timer.start();
    while (!got.contains(until) && timer.elapsed() < timeoutMs) {
        got += device.read(10);
    }
    return got;
}

// A session connected to a device the test plays itself, byte by byte. The
// device has been told to measure, as always once connected.
class ExchangeTest : public ::testing::Test {
protected:
    ExchangeTest() {
        session.ChangePort(QStringLiteral("COM1"));
        std::thread answer([&] {
            readUntil('\x01');
            device.write(QByteArray("\x06\x31"));
        });
        EXPECT_TRUE(session.ConnectDevice());
        answer.join();
        EXPECT_EQ(readUntil('\x6D'), QByteArray("\x6D"));
        EXPECT_EQ(host.messages, 0);
    }

    QByteArray readUntil(char until, int timeoutMs = 1000) {
        return readUntilFrom(device, until, timeoutMs);
    }
    // The stream bytes, delivered as the port's events deliver them.
    void stream(const QByteArray& bytes) {
        const uint64_t before = session.ComPort1().ArrivalCount();
        device.write(bytes);
        ASSERT_TRUE(waitUntil([&] {
            return session.ComPort1().ArrivalCount() > before &&
                   session.ComPort1().InputCount() == 0;
        }));
    }
    // Waits without processing events until the bytes wait at the port.
    void waiting(int count) {
        QElapsedTimer timer;
        timer.start();
        while (session.ComPort1().InputCount() < count && timer.elapsed() < 1000) {
            QThread::msleep(1);
        }
        ASSERT_EQ(session.ComPort1().InputCount(), count);
    }
    std::vector<uint8_t> samples(int record) const { return host.doc.list.Datensatz(record).Werte; }

    ScopedPortDir ports;
    PtyPair device{ports.path(), 1};
    RecordingHost host;
    DeviceSession session{host};
    const bool observed = host.observe(session);
};

}  // namespace

TEST_F(ExchangeTest, ReadsTheExpectedLengthAndTakesTheRestOfTheReplyOffTheLine) {
    QByteArray seen;
    std::thread answer([&] {
        seen = readUntil('\x62');
        device.write(QByteArray("0123456789"));
    });
    const QByteArray reply = session.Exchange(Exchanges::ReadVariables(8));
    answer.join();
    // A device told to measure is paused for the exchange.
    EXPECT_EQ(seen, QByteArray("\x11\x62"));
    EXPECT_EQ(reply, QByteArray("01234567"));
    // Bytes 8 and 9 are gone before the stream goes on.
    EXPECT_EQ(session.ComPort1().InputCount(), 0);
}

TEST_F(ExchangeTest, AClosedPortIsADeviceThatDoesNotAnswer) {
    session.Disconnect();
    EXPECT_TRUE(session.Exchange(Exchanges::ReadVariables(10)).isEmpty());
    EXPECT_THROW(session.Send({Command::StoreToEeprom}), EComPort);
}

// A record's end waiting on the line when an exchange starts makes the
// decoder ask for the next record; that Measure reaches the device before
// the command, it is never thrown away with the output queue. The line is
// slower than the program: what it wrote before still fills the line's
// buffers (bytes typed into the trace that the device has not read), so the
// Measure and the pause are still on their way when the command is written.
TEST_F(ExchangeTest, AMeasureWrittenAtTheStartOfAnExchangeIsNeverThrownAway) {
    stream(QByteArray("\x02\x50\x10", 3));
    for (int i = 0; i < 4200; ++i) {
        session.SendKey(0x20);
    }
    device.write(QByteArray("\x11\x03", 2));
    waiting(2);
    // The device is too busy to answer; what reached it is read afterwards.
    session.Exchange(Exchanges::StatusRequest(Echo::Silent));
    QByteArray seen;
    for (QByteArray got; !(got = device.read(50)).isEmpty();) {
        seen += got;
    }
    EXPECT_TRUE(seen.endsWith(QByteArray("\x20\x11\x6D\x2B")))
        << seen.right(8).toHex().toStdString();
    ASSERT_EQ(host.doc.list.Anzahl(), 2);
    EXPECT_EQ(samples(0), (std::vector<uint8_t>{0x10, 0x11}));
}

// The tone direction's answer is not read: all of it is the answer, also a
// bank report and a start byte in it; the next take-up comes through whole.
TEST_F(ExchangeTest, AnUnreadAnswerNeverBecomesARecordOrAMessage) {
    stream(QByteArray("\x02\x50\x10\x03", 4));
    std::thread answer([&] {
        readUntil('\x31');
        device.write(QByteArray("\x06\x04\x02\x07", 4));
    });
    session.Exchange(Exchanges::SetToneDirection(true));
    answer.join();
    stream(QByteArray("\x05\x02\x50\x21\x22\x03", 6));
    ASSERT_EQ(host.doc.list.Anzahl(), 3);
    EXPECT_EQ(samples(1), (std::vector<uint8_t>{0x21, 0x22}));
    EXPECT_EQ(session.MemoryBank(), 1);
}

// A record the device began just before the command, still on its way in a
// USB adapter, is noticed before the command goes out: the device is paused,
// answers, and the record and the reply stay apart.
TEST_F(ExchangeTest, ARecordOnItsWayIsPausedBeforeTheCommand) {
    std::atomic<bool> paused{false};
    QByteArray seen;
    std::thread device_([&] {
        QThread::msleep(12);  // the adapter hands the start over late
        device.write(QByteArray("\x02\x50\x10", 3));
        for (uint8_t sample = 0x11; sample < 0x30;) {
            const QByteArray got = device.read(20);
            seen += got;
            if (got.contains('\x11')) {
                paused = true;
            }
            if (got.contains('\x13')) {
                paused = false;
            }
            if (got.contains('\x62')) {
                device.write(QByteArray("ABCDEFGHIJ"));
            }
            if (!paused) {
                device.write(QByteArray(1, static_cast<char>(sample++)));
            }
        }
        device.write(QByteArray("\x03"));
    });
    const QByteArray reply = session.Exchange(Exchanges::ReadVariables(10));
    const bool ended = waitUntil([&] { return host.doc.list.Anzahl() == 2; }, 3000);
    device_.join();
    ASSERT_TRUE(ended);
    EXPECT_EQ(reply, QByteArray("ABCDEFGHIJ"));
    std::vector<uint8_t> expected{0x10};
    for (uint8_t b = 0x11; b < 0x30; ++b) {
        expected.push_back(b);
    }
    EXPECT_EQ(samples(0), expected);
    EXPECT_EQ(seen.left(2), QByteArray("\x11\x62"));
}

// A take-up the device begins just as the pause reaches it: its reports and
// start are still in its UART and come before the command; what follows
// them waits in the paused device. The reports are read, the answer is the
// answer and the take-up arrives whole.
TEST_F(ExchangeTest, ATakeUpBegunAsThePauseCameIsKeptWhole) {
    stream(QByteArray("\x02\x50\x10\x03", 4));
    QByteArray seen;
    std::thread device_([&] {
        seen = readUntil('\x11');
        device.write(QByteArray("\x2B\x8C\x04\x01\x01\x50\x02\x50", 8));
        seen += readUntil('\x2B');
        device.write(QByteArray("\x06\x31"));
        seen += readUntil('\x13');
        device.write(QByteArray("\x21\x22\x03", 3));
    });
    EXPECT_EQ(session.Exchange(Exchanges::StatusRequest(Echo::Silent)), QByteArray("\x06\x31"));
    device_.join();
    ASSERT_TRUE(waitUntil([&] { return host.doc.list.Anzahl() == 3; }));
    EXPECT_EQ(seen, QByteArray("\x6D\x11\x2B\x13"));
    EXPECT_EQ(samples(1), (std::vector<uint8_t>{0x21, 0x22}));
    EXPECT_EQ(host.doc.list.Datensatz(1).Tonschwelle, 0x50u);
}

// A lone report still in the UART when the pause came is the stream's: the
// answer after it is read whole, not shifted by a byte.
TEST_F(ExchangeTest, ALoneReportBeforeTheAnswerDoesNotShiftIt) {
    std::thread device_([&] {
        readUntil('\x11');
        device.write(QByteArray("\x01\x50", 2));
        readUntil('\x62');
        device.write(QByteArray("\x70\x70\x63\x63\x40\x05\x01\x01\x00\x00", 10));
    });
    const QByteArray reply = session.Exchange(Exchanges::ReadVariables(9));
    device_.join();
    EXPECT_EQ(reply, QByteArray("\x70\x70\x63\x63\x40\x05\x01\x01\x00", 9));
    EXPECT_EQ(session.Decoder().ToneThreshold, 0x50u);
}

// A device slow to react to the pause: the samples still in its UART come
// after the program has found the line quiet, right before the answer. They
// are the record's, and the answer stays the answer.
TEST_F(ExchangeTest, SamplesArrivingBeforeALateAnswerStayTheRecords) {
    stream(QByteArray("\x02\x50\x10", 3));
    std::thread slow([&] {
        readUntil('\x62');
        device.write(
            QByteArray("\x33\x03"
                       "ABCDEFGHIJ",
                       12));
    });
    const QByteArray reply = session.Exchange(Exchanges::ReadVariables(10));
    slow.join();
    EXPECT_EQ(reply, QByteArray("ABCDEFGHIJ"));
    ASSERT_EQ(host.doc.list.Anzahl(), 2);
    EXPECT_EQ(samples(0), (std::vector<uint8_t>{0x10, 0x33}));
}

// A device that ignores the pause, on a host slower than the line (every
// sample takes longer to draw than the device takes to send the next): the
// queue never runs empty, and the window is held no longer than the time
// limits, not until the device stops.
TEST_F(ExchangeTest, AChatteringLineDoesNotHoldTheWindow) {
    stream(QByteArray("\x02\x50\x10", 3));
    host.onLiveValue = [](uint32_t) { QThread::usleep(2000); };
    std::atomic<bool> stop{false};
    std::thread chatter([&] {
        QElapsedTimer timer;
        timer.start();
        while (!stop && timer.elapsed() < 4000) {
            device.write(QByteArray("\x20"));
            QThread::usleep(1000);
        }
    });
    QElapsedTimer timer;
    timer.start();
    session.Exchange(Exchanges::StatusRequest(Echo::Silent));
    const qint64 ms = timer.elapsed();
    stop = true;
    chatter.join();
    host.onLiveValue = nullptr;
    EXPECT_LT(ms, 1500);
}

// An error in the middle of an exchange leaves no pause behind: the device
// is resumed and the decoder is free again.
TEST_F(ExchangeTest, AnErrorInsideAnExchangeLiftsItsPause) {
    stream(QByteArray("\x02\x50\x10", 3));
    host.onLiveValue = [](uint32_t value) {
        if (value == 0x99) {
            throw std::runtime_error("drawing failed");
        }
    };
    device.write(QByteArray("\x99"));
    waiting(1);
    EXPECT_THROW(session.Exchange(Exchanges::StatusRequest(Echo::Silent)), std::runtime_error);
    EXPECT_FALSE(session.Decoder().Paused(PauseReason::Exchange));
    EXPECT_FALSE(session.Decoder().StreamPaused);
    EXPECT_EQ(readUntil('\x13'), QByteArray("\x11\x13"));
}

// A device paused by us is resumed before the program lets go of the line;
// one whose line was lost hears the resume first when it is back, before the
// probe, and the session finds it again by itself.
TEST_F(ExchangeTest, APausedDeviceIsResumedBeforeTheProgramLetsGoOfTheLine) {
    session.SendKey(Command::StreamPause);
    session.Shutdown();
    EXPECT_EQ(readUntil('\x13'), QByteArray("\x11\x13"));
}

TEST_F(ExchangeTest, ALostLineIsFoundAgainAndThePausedDeviceResumedFirst) {
    stream(QByteArray("\x02\x50\x10\x11", 4));
    session.SendKey(Command::StreamPause);
    readUntil('\x11');
    QSignalSpy lost(&session, &DeviceSession::ConnectionLost);
    QSignalSpy restored(&session, &DeviceSession::ConnectionRestored);
    device.hangUp();
    ASSERT_TRUE(waitUntil([&] { return lost.count() == 1; }, 3000));
    // The cut take-up is a record of its own.
    ASSERT_EQ(host.doc.list.Anzahl(), 2);
    EXPECT_EQ(samples(0), (std::vector<uint8_t>{0x10, 0x11}));

    PtyPair back(ports.path(), 1);
    QByteArray seen;
    std::thread answer([&] {
        seen = readUntilFrom(back, '\x01', 4000);
        back.write(QByteArray("\x06\x31"));
        seen += readUntilFrom(back, '\x01');
        back.write(QByteArray("\x06\x31"));
        seen += readUntilFrom(back, '\x6D');
    });
    const bool back_ = waitUntil([&] { return restored.count() == 1; }, 4000);
    answer.join();
    ASSERT_TRUE(back_);
    // Resumed before the probe; the bank selection of the new connection
    // pauses the device, which had been told to measure.
    EXPECT_EQ(seen, QByteArray("\x13\x01\x11\x01\x13\x6D"));
    EXPECT_EQ(restored.at(0).at(0).toString(), QStringLiteral("COM1"));
    EXPECT_TRUE(session.Connected());
    EXPECT_EQ(host.messages, 0);
}

// A claim whose taking-in of the stream fails half-way leaves no pause
// behind: the device is resumed and the next claim is granted.
TEST_F(ExchangeTest, AClaimThatFailsWhileTakingInLeavesNoPause) {
    stream(QByteArray("\x02\x50\x10", 3));
    host.onLiveValue = [](uint32_t value) {
        if (value == 0x99) {
            throw std::runtime_error("drawing failed");
        }
    };
    std::thread device_([&] {
        readUntil('\x11');
        device.write(QByteArray("\x99"));  // still in the UART when paused
    });
    EXPECT_THROW(LineClaim claim(session, [](uint8_t) {}), std::runtime_error);
    device_.join();
    EXPECT_FALSE(session.Decoder().Paused(PauseReason::Claim));
    EXPECT_FALSE(session.Decoder().StreamPaused);
    EXPECT_EQ(readUntil('\x13'), QByteArray("\x13"));
    host.onLiveValue = nullptr;
    const LineClaim next(session, [](uint8_t) {});
    EXPECT_TRUE(next.Granted());
}

// Keys typed into the trace follow the rules the dialogs follow. A command
// with an argument waits for it and both go out together: a Measure the
// program sends meanwhile never becomes the gain. A zero calibration typed
// during a take-up starts after its end, typed twice it is one claim, and
// its text is neither a sample nor a message; afterwards the stream is read
// as before.
TEST_F(ExchangeTest, KeysTypedIntoTheTraceFollowTheDialogsRules) {
    session.SendKey(Command::SetGain);
    session.SendMeasure();
    session.SendKey(0x20);
    EXPECT_EQ(readUntil('\x20'), QByteArray("\x6D\x65\x20"));

    stream(QByteArray("\x02\x50\x10", 3));
    session.SendKey(Command::StartZeroCalibration);
    session.SendKey(Command::StartZeroCalibration);
    EXPECT_TRUE(device.read(50).isEmpty());  // the take-up is under way
    stream(QByteArray("\x11\x03", 2));
    EXPECT_EQ(readUntil('\x30'), QByteArray("\x6D\x11\x30"));
    session.SendKey(Command::StartZeroCalibration);  // typed again: same claim
    EXPECT_EQ(readUntil('\x30'), QByteArray("\x30"));
    stream(QByteArray("Nullabgleich: OK\r\n+\x04\x02\x30"));
    ASSERT_TRUE(waitUntil([&] { return !session.Decoder().Claimed(); }));
    EXPECT_EQ(readUntil('\x13'), QByteArray("\x13"));
    stream(QByteArray("\x2B\x8C", 2));
    ASSERT_EQ(host.doc.list.Anzahl(), 2);
    EXPECT_EQ(samples(0), (std::vector<uint8_t>{0x10, 0x11}));
    EXPECT_EQ(session.MemoryBank(), 1);
    EXPECT_EQ(host.statusTexts, 1);  // the battery, read as before
}
