#include "PortTestSupport.h"
#include "device/ComPort.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>

namespace ostrevik {
namespace {

using test::waitUntil;

// The qtx-sim program as a user starts it for a demonstration.
TEST(SimulatorProgram, OffersAPortThatDeliversTakeUps) {
    test::ScopedPortDir dir;
    QProcess simulator;
    simulator.setProgram(QStringLiteral(QTX_SIM_PATH));
    simulator.setArguments({"--port-dir", dir.path(), "--com", "12", "--fast", "--takeups", "2",
                            "--seed", "3", "--log", dir.filePath(QStringLiteral("trace.log"))});
    simulator.start();
    ASSERT_TRUE(simulator.waitForStarted(5000));
    QByteArray output;
    ASSERT_TRUE(waitUntil(
        [&] {
            output += simulator.readAllStandardOutput();
            return output.contains("unplugs it");
        },
        5000))
        << output.toStdString();
    EXPECT_TRUE(output.contains("Port link: " + QFile::encodeName(dir.filePath("COM12"))));

    TComPort port;
    SetupForQtx(port);
    port.SetPort(QStringLiteral("COM12"));
    QByteArray received;
    port.SetOnRxChar([&](TCustomComPort& sender, int count) {
        QByteArray bytes(count, '\0');
        bytes.resize(sender.Read(bytes.data(), count));
        received += bytes;
        if (bytes.endsWith('\x03')) {
            sender.Write("\x6d", 1);  // ready for the next record
        }
    });
    port.Open();
    port.Write("\x6d", 1);
    ASSERT_TRUE(
        waitUntil([&] { return received.count('\x03') >= 2 && received.endsWith('\x03'); }));
    EXPECT_EQ(received.at(0), '\x2b') << "a battery report before the first record";
    port.Close();

    // SIGUSR1 unplugs the device: the program ends and its link goes.
    ::kill(static_cast<pid_t>(simulator.processId()), SIGUSR1);
    ASSERT_TRUE(simulator.waitForFinished(5000));
    EXPECT_EQ(simulator.exitCode(), 0);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("COM12"))));
    QFile log(dir.filePath(QStringLiteral("trace.log")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("PC  6D"));
}

// SIGUSR2 pulls the device out; it returns by itself, on another number,
// and its stable link follows it.
TEST(SimulatorProgram, UnplugsAndReturnsOnAnotherNumber) {
    namespace fs = std::filesystem;
    test::ScopedPortDir dir;
    const QString stable = dir.filePath(QStringLiteral("by-id/usb-QTX"));
    QProcess simulator;
    simulator.setProgram(QStringLiteral(QTX_SIM_PATH));
    simulator.setArguments({"--port-dir", dir.path(), "--com", "12", "--fast", "--usb-adapter",
                            "--replug-after", "0.2", "--replug-com", "13", "--stable-link",
                            stable});
    simulator.start();
    QByteArray output;
    auto said = [&](const char* text) {
        return waitUntil(
            [&] {
                output += simulator.readAllStandardOutput();
                return output.contains(text);
            },
            5000);
    };
    ASSERT_TRUE(said("plugs it back in")) << output.toStdString();
    const fs::path com12 = dir.filePath(QStringLiteral("COM12")).toStdString();
    const fs::path com13 = dir.filePath(QStringLiteral("COM13")).toStdString();
    EXPECT_EQ(fs::canonical(stable.toStdString()), fs::canonical(com12));

    ::kill(static_cast<pid_t>(simulator.processId()), SIGUSR2);
    ASSERT_TRUE(said("Plugged in again")) << output.toStdString();
    EXPECT_TRUE(output.contains("Unplugged"));
    EXPECT_FALSE(fs::exists(com12));
    EXPECT_EQ(fs::canonical(stable.toStdString()), fs::canonical(com13));

    TComPort port;
    SetupForQtx(port);
    port.SetPort(QStringLiteral("COM13"));
    port.Open();
    EXPECT_EQ(test::guardedExchange(port, "\x01", 2).size(), 2) << "the device answers there";
    port.Close();

    simulator.terminate();
    ASSERT_TRUE(simulator.waitForFinished(5000));
    EXPECT_EQ(simulator.exitCode(), 0);
}

// The plug drops on the second probe and the device comes back by itself.
TEST(SimulatorProgram, UnplugsOnAReplyAndReturns) {
    test::ScopedPortDir dir;
    QProcess simulator;
    simulator.setProgram(QStringLiteral(QTX_SIM_PATH));
    simulator.setArguments({"--port-dir", dir.path(), "--com", "12", "--fast", "--unplug-on",
                            "01:2", "--replug-after", "0.2"});
    simulator.start();
    QByteArray output;
    auto said = [&](const char* text) {
        return waitUntil(
            [&] {
                output += simulator.readAllStandardOutput();
                return output.contains(text);
            },
            5000);
    };
    ASSERT_TRUE(said("plugs it back in")) << output.toStdString();

    TComPort port;
    SetupForQtx(port);
    port.SetPort(QStringLiteral("COM12"));
    bool lost = false;
    port.SetOnPortLost([&](TCustomComPort&) { lost = true; });
    port.Open();
    EXPECT_EQ(test::guardedExchange(port, "\x01", 2).size(), 2);
    port.Write("\x01", 1);
    ASSERT_TRUE(waitUntil([&] { return lost; }));
    ASSERT_TRUE(said("Plugged in again")) << output.toStdString();
    EXPECT_TRUE(output.contains("Unplugged on a reply"));
    port.Close();
    port.Open();
    EXPECT_EQ(test::guardedExchange(port, "\x01", 2).size(), 2) << "once";
    port.Close();

    simulator.terminate();
    ASSERT_TRUE(simulator.waitForFinished(5000));
    EXPECT_EQ(simulator.exitCode(), 0);
}

TEST(SimulatorProgram, RejectsWrongOptions) {
    QProcess simulator;
    simulator.start(QStringLiteral(QTX_SIM_PATH), {"--com", "100"});
    ASSERT_TRUE(simulator.waitForFinished(5000));
    EXPECT_EQ(simulator.exitCode(), 2);
    EXPECT_TRUE(simulator.readAllStandardError().contains("--com expects a number from 1 to 99"));
}

}  // namespace
}  // namespace ostrevik
