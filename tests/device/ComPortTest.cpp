#include "PortTestSupport.h"
#include "device/ComPort.h"
#include "device/ComPortBaud.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <ctime>
#include <thread>

namespace ostrevik {
namespace {

using namespace std::chrono_literals;
using test::PtyPair;
using test::ScopedPortDir;
using test::waitUntil;

// Lets a test look at the line settings the component gave the device.
class InspectablePort : public TComPort {
public:
    using TComPort::Handle;
};

class ComPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetupForQtx(port);
        port.SetPort(QStringLiteral("COM3"));
    }

    // Bytes from the device side until the component reports them waiting.
    void arrive(PtyPair& pty, const QByteArray& bytes) {
        const int before = port.InputCount();
        pty.write(bytes);
        ASSERT_TRUE(waitUntil([&] { return port.InputCount() >= before + bytes.size(); }));
    }

    ScopedPortDir dir;
    InspectablePort port;
};

TEST_F(ComPortTest, ReadReturnsWhatIsWaitingAtOnceAndWaitsAboutTheTimeOutOtherwise) {
    PtyPair pty(dir.path(), 3);
    port.Open();
    arrive(pty, "A");

    char buffer[2] = {};
    int got = -1;
    // Bounds leave room for a loaded machine but stay below the time-out.
    EXPECT_LT(test::millisecondsOf([&] { got = port.Read(buffer, 2); }), 80.0)
        << "a waiting byte must not wait for the second";
    EXPECT_EQ(got, 1);
    EXPECT_EQ(buffer[0], 'A');

    double waited = test::millisecondsOf([&] { got = port.Read(buffer, 2); });
    EXPECT_EQ(got, 0);
    EXPECT_GE(waited, 95.0);
    EXPECT_LT(waited, 400.0);

    // A byte that comes during the wait ends it early (a long time-out here,
    // so that a slow machine cannot make the byte miss it).
    port.SetTimeouts(TComTimeouts{kComTimeoutMax, kComTimeoutMax, 2000, 100, 1000});
    std::thread late([&] {
        QThread::msleep(30);
        pty.write("B");
    });
    waited = test::millisecondsOf([&] { got = port.Read(buffer, 2); });
    late.join();
    EXPECT_EQ(got, 1);
    EXPECT_EQ(buffer[0], 'B');
    EXPECT_LT(waited, 1500.0);
}

TEST_F(ComPortTest, OtherTimeOutsKeepTheirMeaning) {
    PtyPair pty(dir.path(), 3);
    port.SetTimeouts(TComTimeouts{});  // the component's own: return at once
    port.Open();
    char buffer[16] = {};
    int got = -1;
    EXPECT_LT(test::millisecondsOf([&] { got = port.Read(buffer, 4); }), 80.0);
    EXPECT_EQ(got, 0);

    // A total limit waits for all bytes asked for, or the limit.
    port.SetTimeouts(TComTimeouts{0, 0, 150, 100, 1000});
    arrive(pty, "abc");
    const double waited = test::millisecondsOf([&] { got = port.Read(buffer, 10); });
    EXPECT_EQ(got, 3);
    EXPECT_GE(waited, 140.0);
    arrive(pty, "0123456789");
    EXPECT_LT(test::millisecondsOf([&] { got = port.Read(buffer, 10); }), 120.0);
    EXPECT_EQ(QByteArray(buffer, got), "0123456789");
}

TEST_F(ComPortTest, WriteGivesUpAfterItsTimeOutWhenTheLineTakesNothing) {
    PtyPair pty(dir.path(), 3);  // nobody reads the master: the line fills up
    port.SetTimeouts(TComTimeouts{kComTimeoutMax, kComTimeoutMax, 100, 0, 60});
    port.Open();
    const QByteArray lots(1 << 20, 'x');
    int written = -1;
    const double took = test::millisecondsOf(
        [&] { written = port.Write(lots.constData(), static_cast<int>(lots.size())); });
    EXPECT_GT(written, 0);
    EXPECT_LT(written, lots.size());
    EXPECT_GE(took, 55.0);
    EXPECT_LT(took, 1000.0);
}

TEST_F(ComPortTest, WrittenBytesReachTheDevice) {
    PtyPair pty(dir.path(), 3);
    port.Open();
    EXPECT_EQ(port.Write("\x01\x6d", 2), 2);
    EXPECT_EQ(pty.read(500, 2), QByteArray("\x01\x6d", 2));
}

TEST_F(ComPortTest, OpenSetsTheLineUpAndCloseGivesItBack) {
    PtyPair pty(dir.path(), 3);
    // The line as another program might have left it: cooked, 9600 baud.
    {
        const int fd = ::open(pty.devicePath().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        termios t{};
        ASSERT_EQ(::tcgetattr(fd, &t), 0);
        t.c_lflag |= ICANON | ECHO;
        ::cfsetospeed(&t, B9600);
        ::cfsetispeed(&t, B9600);
        ASSERT_EQ(::tcsetattr(fd, TCSANOW, &t), 0);
        // Keeping this descriptor open lets the test see the settings after
        // the component has closed.
        port.Open();
        termios now{};
        ASSERT_EQ(::tcgetattr(port.Handle(), &now), 0);
        EXPECT_EQ(::cfgetospeed(&now), speed_t{B19200});
        EXPECT_EQ(now.c_cflag & CSIZE, tcflag_t{CS8});
        EXPECT_EQ(now.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
        EXPECT_EQ(now.c_iflag & (IXON | IXOFF | ICRNL | INPCK), 0u);
        EXPECT_EQ(now.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(now.c_oflag & OPOST, 0u);

        // A line setting changed while open applies at once, also a rate
        // without a classic constant.
        port.SetBaudRate(14400);
        EXPECT_EQ(CurrentBaudRate(port.Handle()), 14400);
        port.SetStopBits(TStopBits::sbTwoStopBits);
        ASSERT_EQ(::tcgetattr(port.Handle(), &now), 0);
        EXPECT_NE(now.c_cflag & CSTOPB, 0u);

        port.Close();
        ASSERT_EQ(::tcgetattr(fd, &now), 0);
        EXPECT_NE(now.c_lflag & ICANON, 0u);
        EXPECT_EQ(::cfgetospeed(&now), speed_t{B9600});
        ::close(fd);
    }
}

TEST_F(ComPortTest, AMissingPortRaisesCodeOneAndLeavesTheComponentClosed) {
    std::vector<std::string> calls;
    port.SetOnBeforeOpen([&](TCustomComPort&) { calls.push_back("before open"); });
    port.SetOnAfterOpen([&](TCustomComPort&) { calls.push_back("after open"); });
    port.SetPort(QStringLiteral("COM7"));
    try {
        port.Open();
        FAIL() << "open of a missing port succeeded";
    } catch (const EComPort& error) {
        EXPECT_EQ(error.Code(), 1);
        EXPECT_EQ(error.WinCode(), ENOENT);
        EXPECT_STREQ(error.what(), "Unable to open com port (win error code: 2)");
    }
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(calls, std::vector<std::string>{"before open"});
    // Nothing half-open is left: every operation says the port is closed.
    char byte = 0;
    EXPECT_THROW(port.Read(&byte, 1), EComPort);
    EXPECT_NO_THROW(port.Close());
}

// The user not in the "dialout" group: the port exists but may not be opened.
// The attempt runs in a child process without privileges, so the test means
// the same for root and for anyone else.
TEST_F(ComPortTest, APortThatMayNotBeOpenedRaisesCodeOneWithThePermissionError) {
    PtyPair pty(dir.path(), 3);
    ASSERT_EQ(::chmod(pty.devicePath().c_str(), 0), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
            ::_exit(100);
        }
        TComPort other;
        other.SetPort(QStringLiteral("COM3"));
        try {
            other.Open();
        } catch (const EComPort& error) {
            ::_exit(error.Code() == 1 && !other.Connected() ? error.WinCode() : 101);
        }
        ::_exit(102);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), EACCES);
}

TEST_F(ComPortTest, AFileThatIsNoTerminalIsNoPort) {
    QFile file(dir.filePath(QStringLiteral("COM3")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    try {
        port.Open();
        FAIL() << "a plain file opened as a port";
    } catch (const EComPort& error) {
        EXPECT_EQ(error.Code(), 1);
        EXPECT_EQ(error.WinCode(), ENOTTY);
    }
    EXPECT_FALSE(port.Connected());
}

TEST_F(ComPortTest, OperationsOnAClosedPortRaiseTheirCodes) {
    char byte = 0;
    auto codeOf = [](const std::function<void()>& call) {
        try {
            call();
        } catch (const EComPort& error) {
            return error.Code();
        }
        return 0;
    };
    EXPECT_EQ(codeOf([&] { port.Read(&byte, 1); }), 3);
    EXPECT_EQ(codeOf([&] { port.Write(&byte, 1); }), 2);
    EXPECT_EQ(codeOf([&] { port.InputCount(); }), 10);
    EXPECT_EQ(codeOf([&] { port.ClearBuffer(true, true); }), 5);
}

TEST_F(ComPortTest, ThePortIsExclusive) {
    PtyPair pty(dir.path(), 3);
    port.Open();
    TComPort second;
    second.SetPort(QStringLiteral("COM3"));
    try {
        second.Open();
        FAIL() << "a second component opened the same port";
    } catch (const EComPort& error) {
        EXPECT_EQ(error.Code(), 1);
        EXPECT_EQ(error.WinCode(), EBUSY);
    }
    EXPECT_FALSE(second.Connected());

    port.Close();
    EXPECT_NO_THROW(second.Open());
    EXPECT_TRUE(second.Connected());
}

TEST_F(ComPortTest, HandlersRunInOrderAroundOpenAndClose) {
    PtyPair pty(dir.path(), 3);
    std::vector<std::string> calls;
    auto record = [&](const char* what) {
        return [&calls, what](TCustomComPort& sender) {
            calls.push_back(std::string(what) + (sender.Connected() ? " open" : " closed"));
        };
    };
    port.SetOnBeforeOpen(record("before open"));
    port.SetOnAfterOpen(record("after open"));
    port.SetOnBeforeClose(record("before close"));
    port.SetOnAfterClose(record("after close"));
    port.SetConnected(true);
    port.SetConnected(true);
    port.SetConnected(false);
    port.SetConnected(false);
    EXPECT_EQ(calls, (std::vector<std::string>{"before open closed", "after open open",
                                               "before close open", "after close closed"}));
}

TEST_F(ComPortTest, RenamingReopensOnlyForADifferentName) {
    PtyPair first(dir.path(), 3);
    PtyPair second(dir.path(), 4);
    int opens = 0;
    int closes = 0;
    port.SetOnAfterOpen([&](TCustomComPort&) { ++opens; });
    port.SetOnBeforeClose([&](TCustomComPort&) { ++closes; });
    port.Open();
    port.SetPort(QStringLiteral("COM3"));
    EXPECT_EQ(opens, 1);
    EXPECT_EQ(closes, 0);

    port.SetPort(QStringLiteral("COM4"));
    EXPECT_EQ(opens, 2);
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(port.Connected());
    port.Write("x", 1);
    EXPECT_EQ(second.read(500, 1), "x");
    EXPECT_EQ(first.read(20), "");
}

TEST_F(ComPortTest, ReceivedBytesReachTheHandlerOnThisThreadOncePerArrival) {
    PtyPair pty(dir.path(), 3);
    std::vector<int> counts;
    bool onOwnThread = true;
    port.SetOnRxChar([&](TCustomComPort&, int count) {
        onOwnThread = onOwnThread && QThread::currentThread() == qApp->thread();
        counts.push_back(count);
    });
    port.Open();
    pty.write("abc");
    ASSERT_TRUE(waitUntil([&] { return !counts.empty(); }));
    EXPECT_EQ(counts.front(), 3);
    EXPECT_TRUE(onOwnThread);

    // The handler left the bytes unread: without new bytes, no new event
    // (and no busy loop between the threads).
    waitUntil([] { return false; }, 50);
    EXPECT_EQ(counts.size(), 1u);

    // New bytes come with the old ones.
    pty.write("de");
    ASSERT_TRUE(waitUntil([&] { return counts.size() == 2; }));
    EXPECT_EQ(counts.back(), 5);
}

TEST_F(ComPortTest, ASwappedHandlerTakesTheNextEvent) {
    PtyPair pty(dir.path(), 3);
    QByteArray seenByA;
    QByteArray seenByB;
    auto reader = [](QByteArray& into) {
        return [&into](TCustomComPort& sender, int count) {
            QByteArray bytes(count, '\0');
            bytes.resize(sender.Read(bytes.data(), count));
            into += bytes;
        };
    };
    port.SetOnRxChar(reader(seenByA));
    port.Open();
    pty.write("1");
    ASSERT_TRUE(waitUntil([&] { return seenByA == "1"; }));

    const RxCharHandler saved = port.OnRxChar();
    port.SetOnRxChar(reader(seenByB));
    pty.write("2");
    ASSERT_TRUE(waitUntil([&] { return seenByB == "2"; }));

    port.SetOnRxChar(nullptr);
    arrive(pty, "3");
    waitUntil([] { return false; }, 30);

    port.SetOnRxChar(saved);
    pty.write("4");
    ASSERT_TRUE(waitUntil([&] { return seenByA == "134"; }));
    EXPECT_EQ(seenByB, "2");
}

TEST_F(ComPortTest, AReplyReadDuringAGuardedExchangeNeverReachesTheHandler) {
    PtyPair pty(dir.path(), 3);
    int calls = 0;
    port.SetOnRxChar([&](TCustomComPort&, int) { ++calls; });
    port.Open();
    // The device answers while the program sleeps without processing events.
    std::thread device([&] {
        const QByteArray command = pty.read(1000, 1);
        if (command == "\x62") {
            pty.write(QByteArray("0123456789"));
        }
    });
    const QByteArray reply = test::guardedExchange(port, "\x62", 10);
    device.join();
    EXPECT_EQ(reply, "0123456789");
    // The event for the reply is handed over now and finds nothing waiting.
    waitUntil([] { return false; }, 50);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(port.InputCount(), 0);
}

TEST_F(ComPortTest, AHandlerWithANestedEventLoopIsNotEnteredAgain) {
    PtyPair pty(dir.path(), 3);
    int depth = 0;
    int deepest = 0;
    std::vector<QByteArray> batches;
    port.SetOnRxChar([&](TCustomComPort& sender, int count) {
        ++depth;
        deepest = std::max(deepest, depth);
        QByteArray bytes(count, '\0');
        bytes.resize(sender.Read(bytes.data(), count));
        batches.push_back(bytes);
        if (batches.size() == 1) {
            // As a modal message box would: more bytes come while it is open.
            pty.write("later");
            QEventLoop loop;
            QTimer::singleShot(60, &loop, &QEventLoop::quit);
            loop.exec();
        }
        --depth;
    });
    port.Open();
    pty.write("first");
    ASSERT_TRUE(waitUntil([&] { return batches.size() >= 2; }));
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(batches[0], "first");
    EXPECT_EQ(batches[1], "later");
}

TEST_F(ComPortTest, CloseDuringABurstHandlesThePendingEventAndReturns) {
    auto simulator = test::startSimulator(dir, 3);
    int calls = 0;
    int callsInsideClose = 0;
    bool closing = false;
    port.SetOnBeforeClose([&](TCustomComPort&) { closing = true; });
    port.SetOnRxChar([&](TCustomComPort& sender, int count) {
        ++calls;
        callsInsideClose += closing ? 1 : 0;
        char buffer[256];
        for (int left = count; left > 0;) {
            const int got = sender.Read(buffer, std::min(left, 256));
            if (got == 0) {
                break;
            }
            left -= got;
        }
    });
    port.Open();
    // A stream far longer than the line holds, so bytes keep coming.
    simulator->QueueScript(qtxsim::Bytes(300000, 0x55));
    ASSERT_TRUE(waitUntil([&] { return calls >= 3; }));

    // Without processing events, wait until the event thread has handed the
    // next event over; then close while that event is still unhandled.
    QDeadlineTimer deadline(3000);
    while (!port.EventPending() && !deadline.hasExpired()) {
        QThread::usleep(200);
    }
    ASSERT_TRUE(port.EventPending());
    const int before = calls;
    const double took = test::millisecondsOf([&] { port.Close(); });
    EXPECT_LT(took, 500.0);
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(calls, before + 1) << "the event handed over at close is still handled";
    EXPECT_EQ(callsInsideClose, 1);
    waitUntil([] { return false; }, 30);
    EXPECT_EQ(calls, before + 1) << "nothing after close";
}

TEST_F(ComPortTest, DestroyingAnOpenPortRunsTheCloseHandlersButDeliversNoMoreBytes) {
    PtyPair pty(dir.path(), 3);
    int received = 0;
    int closed = 0;
    {
        TComPort local;
        SetupForQtx(local);
        local.SetPort(QStringLiteral("COM3"));
        local.SetOnRxChar([&](TCustomComPort&, int) { ++received; });
        local.SetOnBeforeClose([&](TCustomComPort&) { ++closed; });
        local.Open();
        pty.write("x");
        QDeadlineTimer deadline(3000);
        while (!local.EventPending() && !deadline.hasExpired()) {
            QThread::usleep(200);
        }
        ASSERT_TRUE(local.EventPending());
    }
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(received, 0);
    waitUntil([] { return false; }, 20);  // the posted hand-over finds nobody
    EXPECT_EQ(received, 0);
}

TEST_F(ComPortTest, CloseFromInsideTheHandlerDoesNotDeadlock) {
    PtyPair pty(dir.path(), 3);
    int calls = 0;
    port.SetOnRxChar([&](TCustomComPort& sender, int) {
        ++calls;
        sender.Close();
    });
    port.Open();
    pty.write("x");
    ASSERT_TRUE(waitUntil([&] { return !port.Connected(); }));
    EXPECT_EQ(calls, 1);
    // And it opens again as usual.
    port.SetOnRxChar(nullptr);
    EXPECT_NO_THROW(port.Open());
}

TEST_F(ComPortTest, AHungUpDeviceIsReportedOnceAndTheThreadGoesQuiet) {
    PtyPair pty(dir.path(), 3);
    int lost = 0;
    bool lostOnOwnThread = false;
    port.SetOnPortLost([&](TCustomComPort& sender) {
        ++lost;
        lostOnOwnThread = QThread::currentThread() == qApp->thread() && sender.Connected();
    });
    port.Open();
    pty.hangUp();
    ASSERT_TRUE(waitUntil([&] { return lost > 0; }));
    EXPECT_TRUE(lostOnOwnThread);
    EXPECT_TRUE(port.PortLost());
    EXPECT_TRUE(port.Connected()) << "formally open until the program closes it";

    // The event thread must not spin on the dead descriptor: this thread
    // sleeps, so nearly all CPU time used meanwhile would be the spin.
    const std::clock_t cpuBefore = std::clock();
    QThread::msleep(100);
    const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
    EXPECT_LT(cpuMs, 20.0);
    EXPECT_EQ(lost, 1);

    char byte = 0;
    try {
        port.Read(&byte, 1);
        FAIL() << "read on a gone device succeeded";
    } catch (const EComPort& error) {
        EXPECT_EQ(error.Code(), 3);
        EXPECT_EQ(error.WinCode(), EIO);
    }
    EXPECT_THROW(port.Write("m", 1), EComPort);
    EXPECT_NO_THROW(port.ClearBuffer(true, true));
    EXPECT_NO_THROW(port.Close());
    EXPECT_FALSE(port.Connected());
}

TEST_F(ComPortTest, AnExceptionFromAHandlerIsShownAndEventsGoOn) {
    PtyPair pty(dir.path(), 3);
    std::vector<std::string> shown;
    SetComHandlerErrorDisplay([&](const std::exception& error) { shown.push_back(error.what()); });
    int calls = 0;
    port.SetOnRxChar([&](TCustomComPort& sender, int count) {
        ++calls;
        char buffer[16];
        sender.Read(buffer, std::min(count, 16));
        if (calls == 1) {
            throw EComPort(ComError::ReadFailed, EIO);
        }
    });
    port.Open();
    pty.write("a");
    ASSERT_TRUE(waitUntil([&] { return calls == 1; }));
    pty.write("b");
    ASSERT_TRUE(waitUntil([&] { return calls == 2; }));
    SetComHandlerErrorDisplay(nullptr);
    EXPECT_EQ(shown, std::vector<std::string>{"ReadFile function failed (win error code: 5)"});
}

TEST_F(ComPortTest, ClearBufferDiscardsWhatIsWaiting) {
    PtyPair pty(dir.path(), 3);
    port.Open();
    arrive(pty, "stale");
    port.ClearBuffer(true, false);
    EXPECT_EQ(port.InputCount(), 0);
    char buffer[8];
    EXPECT_EQ(port.Read(buffer, 8), 0);
}

TEST_F(ComPortTest, BytesThatCameBeforeTheOpenAreNotReported) {
    PtyPair pty(dir.path(), 3);
    {
        // Another program had the line open and left bytes unread.
        const int fd = ::open(pty.devicePath().c_str(), O_RDWR | O_NOCTTY);
        termios t{};
        ::tcgetattr(fd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
        pty.write("old");
        waitUntil([] { return false; }, 20);
        port.Open();
        ::close(fd);
    }
    EXPECT_EQ(port.InputCount(), 0);
}

}  // namespace
}  // namespace ostrevik
