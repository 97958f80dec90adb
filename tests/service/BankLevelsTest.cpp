#include "service/ServiceExchange.h"

#include "device/DeviceLink.h"

#include "PortTestSupport.h"

#include <gtest/gtest.h>

#include <thread>

using namespace ostrevik;
using namespace ostrevik::test;

// The dialog test shows 0, 50 and 100 percent; these are the in-between and
// the impossible counts.
TEST(BankLevels, BarsAndTextsBetweenAndBeyondTheCapacity) {
    struct Case {
        int count;
        int bar;
        const char* text;
    };
    const Case cases[] = {
        {100, 0, "   100 Bytes =   0.30%"},  // 0.296 %: bar truncated, text rounded
        {8448, 25, "  8448 Bytes =  25.00%"},
        {33791, 99, " 33791 Bytes = 100.00%"},
        {65535, 100, " 65535 Bytes = 193.94%"},  // more than a bank holds: the bar stops at 100
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BankBarPosition(c.count), c.bar) << c.count;
        EXPECT_EQ(BankLevelText(c.count).toStdString(), c.text) << c.count;
    }
}

TEST(BankLevels, CountsAreLittleEndianAndTheTailIsIgnored) {
    QByteArray reply("\x00\x00\x00\x42\x00\x84\x64\x00", 8);
    reply.append(12, '\xEE');
    EXPECT_EQ(BankByteCounts(reply), (std::array<int, 4>{0, 16896, 33792, 100}));
    // A high byte above 127 stays positive.
    EXPECT_EQ(BankByteCounts(QByteArray("\xFF\xFF\x00\x80", 4)),
              (std::array<int, 4>{65535, 32768, 0, 0}));
}

class ServiceExchangeTest : public ::testing::Test {
protected:
    ServiceExchangeTest() {
        SetupForQtx(port);
        port.SetPort(QStringLiteral("COM1"));
    }
    ~ServiceExchangeTest() override {
        port.SetOnRxChar(nullptr);
        port.Close();
    }

    struct QuietHost : DeviceHost {
        MessageAnswer Message(const QString&, const QString&, MessageButtons) override {
            return MessageAnswer::Ok;
        }
        void SetHardwareMenuEnabled(bool) override {}
        void EnableServiceMenus() override {}
        void PortClosing() override {}
    };

    ScopedPortDir ports;
    PtyPair device{ports.path(), 1};
    TComPort port;
    QuietHost host;
    DeviceLink link{port, host};
};

TEST_F(ServiceExchangeTest, ReadsTheExpectedLengthAndDiscardsTheRestOfTheReply) {
    port.Open();
    int handled = 0;
    port.SetOnRxChar([&](TCustomComPort&, int) { ++handled; });
    // Without a live decoder, stale bytes from before the command are
    // discarded too.
    device.write(QByteArray("old"));
    ASSERT_TRUE(waitUntil([&] { return port.InputCount() == 3 || handled > 0; }));

    QByteArray seen;
    std::thread answer([&] {
        seen = device.read(500, 1);
        device.write(QByteArray("0123456789"));
    });
    const QByteArray reply = ServiceExchange(link, {0x62}, 8, std::chrono::milliseconds(100), 10);
    answer.join();
    EXPECT_EQ(seen, QByteArray("\x62"));
    EXPECT_EQ(reply, QByteArray("01234567"));
    // Bytes 8 and 9 are gone before the handler is back.
    EXPECT_EQ(port.InputCount(), 0);
    EXPECT_TRUE(port.OnRxChar());
}

TEST_F(ServiceExchangeTest, AClosedPortIsADeviceThatDoesNotAnswer) {
    bool called = false;
    port.SetOnRxChar([&](TCustomComPort&, int) { called = true; });
    EXPECT_TRUE(ServiceExchange(link, {0x62}, 10, std::chrono::milliseconds(100)).isEmpty());
    EXPECT_TRUE(port.OnRxChar());  // the handler is back
    EXPECT_FALSE(called);
    EXPECT_THROW(WriteCommand(port, {0x73}), EComPort);
}
