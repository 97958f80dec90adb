#include "PortTestSupport.h"
#include "QtxSimulator.h"
#include "TestFiles.h"
#include "device/ComPort.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <gtest/gtest.h>

#include <filesystem>

namespace ostrevik {
namespace {

using namespace std::chrono_literals;
using qtxsim::Bytes;
using qtxsim::Record;
using qtxsim::ReplyFault;
using qtxsim::Simulator;
using qtxsim::SimulatorOptions;
using test::guardedExchange;
using test::toQByteArray;
using test::waitUntil;

SimulatorOptions optionsWith(int reportEvery, qtxsim::Pace pace = qtxsim::Pace::Fast) {
    SimulatorOptions options;
    options.reportEvery = reportEvery;
    options.pace = pace;
    return options;
}

SimulatorOptions usbLine(qtxsim::Pace pace = qtxsim::Pace::Fast) {
    SimulatorOptions options = optionsWith(0, pace);
    options.line = qtxsim::LineModel::UsbAdapter();
    return options;
}

// The program's side of the line: a port opened on the simulator, with a
// received-bytes handler that collects what arrives.
class SimulatorTest : public ::testing::Test {
protected:
    void start(SimulatorOptions options = {}, bool open = true) {
        if (options.statePath.empty()) {
            options.statePath = statePath.toStdString();
        }
        simulator = test::startSimulator(dir, 5, options);
        SetupForQtx(port);
        port.SetPort(QStringLiteral("COM5"));
        port.SetOnRxChar([this](TCustomComPort& sender, int count) {
            QByteArray bytes(count, '\0');
            bytes.resize(sender.Read(bytes.data(), count));
            received += bytes;
        });
        port.SetOnPortLost([this](TCustomComPort&) { ++lost; });
        if (open) {
            port.Open();
        }
    }

    // Writes, and waits until the device has taken the bytes in: a guarded
    // exchange that follows at once empties the output queue, and on a
    // pseudo-terminal that reaches bytes the device has not read yet.
    void send(const QByteArray& bytes) {
        const size_t before = simulator->Received().size();
        ASSERT_EQ(port.Write(bytes.constData(), static_cast<int>(bytes.size())), bytes.size());
        ASSERT_TRUE(
            simulator->WaitForReceived(test::toBytes(bytes), std::chrono::seconds(2), before));
    }

    test::ScopedPortDir dir;
    QString statePath = dir.filePath(QStringLiteral("qtx.state"));
    QByteArray received;
    int lost = 0;
    std::unique_ptr<Simulator> simulator;
    TComPort port;
};

TEST_F(SimulatorTest, ServiceCommandsGetRepliesOfTheLengthsTheProgramReads) {
    start();
    for (char bank : {4, 1, 3, 2}) {
        EXPECT_EQ(guardedExchange(port, QByteArray(1, bank), 2).size(), 2) << int{bank};
        EXPECT_EQ(simulator->Bank(), bank);
    }
    EXPECT_EQ(guardedExchange(port, "\x2b", 2).size(), 2);  // StatusRequest

    simulator->SetBankContents(2, Bytes{2, 80, 10, 20, 3});
    EXPECT_EQ(guardedExchange(port, "\x64", 1).size(), 1);  // ClearBank, bank 2
    EXPECT_TRUE(simulator->BankContents(2).empty());

    // Nothing a guarded exchange consumed reaches the handler afterwards.
    waitUntil([] { return false; }, 30);
    EXPECT_TRUE(received.isEmpty()) << test::hex(received).toStdString();
}

TEST_F(SimulatorTest, ReadVariablesAnswersTheTenVariables) {
    start();
    simulator->SetVariables({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    EXPECT_EQ(guardedExchange(port, "\x62", 10),
              QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a"));

    // The gain dialog reads only nine after 200 ms; the tenth stays waiting.
    EXPECT_EQ(guardedExchange(port, "\x62", 9, 200).size(), 9);
    EXPECT_EQ(port.InputCount(), 1);
}

TEST_F(SimulatorTest, GainZeroPointAndToneDirectionSurviveInTheStateFile) {
    start();
    simulator->SetVariables({112, 112, 99, 99, 64, 5, 1, 1, 0, 0});
    send("\x65\xef");  // SetGain 239
    QByteArray variables = guardedExchange(port, "\x62", 10);
    ASSERT_EQ(variables.size(), 10);
    EXPECT_EQ(uint8_t(variables[2]), 239);
    EXPECT_EQ(uint8_t(variables[3]), 99) << "not stored yet";

    send("\x75\x30");  // tone falls with pressure
    ASSERT_TRUE(waitUntil([&] { return received.size() == 1; }));
    send("\x73");  // StoreToEeprom
    variables = guardedExchange(port, "\x62", 10);
    EXPECT_EQ(uint8_t(variables[3]), 239);
    EXPECT_EQ(variables[7] & 1, 0);

    // The device after a power cycle.
    port.Close();
    simulator.reset();
    SimulatorOptions options;
    options.statePath = statePath.toStdString();
    Simulator again(options);
    EXPECT_EQ(again.GetVariables().gain, 239);
    EXPECT_EQ(again.GetVariables().storedGain, 239);
    EXPECT_EQ(again.GetVariables().toneFlag & 1, 0);
}

TEST_F(SimulatorTest, ToneDirectionFollowsItsArgument) {
    start();
    // The device acknowledges with one byte, which the program discards.
    send("\x75\x31");
    ASSERT_TRUE(waitUntil([&] { return received.size() == 1; }));
    EXPECT_EQ(guardedExchange(port, "\x62", 8)[7] & 1, 1);
    // Two bytes of the eight-byte read stayed and come to the handler too.
    send("\x75\x30");
    ASSERT_TRUE(waitUntil([&] { return received.size() == 4 && received.endsWith('\x06'); }));
    EXPECT_EQ(guardedExchange(port, "\x62", 8)[7] & 1, 0);
}

TEST_F(SimulatorTest, ZeroCalibrationSendsATextEndedByTheDigitZero) {
    start();
    simulator->SetVariables({0, 0, 99, 99, 64, 5, 1, 1, 0, 0});
    ASSERT_EQ(guardedExchange(port, "\x2b", 2).size(), 2);
    send("\x30");
    ASSERT_TRUE(waitUntil([&] { return received.endsWith('0'); }));
    EXPECT_FALSE(received.chopped(1).contains('0'));
    EXPECT_FALSE(received.contains("Fehler"));
    EXPECT_NE(simulator->GetVariables().pNull, 0) << "a new zero point";

    received.clear();
    simulator->SetCalibrationFails(true);
    send("\x30");
    ASSERT_TRUE(waitUntil([&] { return received.endsWith('0'); }));
    EXPECT_TRUE(received.contains("Fehler"));
}

TEST_F(SimulatorTest, BankLevelsAreLittleEndianByteCounts) {
    start();
    simulator->SetBankContents(1, Bytes(100, 7));
    simulator->SetBankContents(2, Bytes(16896, 7));
    simulator->SetBankContents(3, Bytes(40000, 7));  // more than a bank holds
    const QByteArray levels = guardedExchange(port, "\x6b", 20);
    EXPECT_EQ(test::hex(levels), "64 00 00 42 00 84 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
}

TEST_F(SimulatorTest, OneTakeUpPerMeasureWithReportsBetweenRecords) {
    start(optionsWith(1));
    simulator->SetBatteryRaw(89);
    simulator->SetThreshold(150);
    simulator->QueueTakeUps(3);
    send("\x6d");
    ASSERT_TRUE(simulator->WaitForSentRecords(1, 2s));
    ASSERT_TRUE(waitUntil([&] { return received.endsWith('\x03'); }));
    // The reports, then the record; nothing more until the next Measure.
    EXPECT_TRUE(received.startsWith(QByteArray("\x2b\x59\x04\x01\x01\x96\x02\x96", 8)))
        << test::hex(received.left(8)).toStdString();
    waitUntil([] { return false; }, 50);
    EXPECT_EQ(simulator->SentRecords().size(), 1u);
    EXPECT_EQ(qtxsim::DecodeRecords(test::toBytes(received)).size(), 1u);

    send("\x6d");
    ASSERT_TRUE(simulator->WaitForSentRecords(2, 2s));
    ASSERT_TRUE(waitUntil([&] { return received.size() == qsizetype(simulator->Sent().size()); }));

    // The log of sent records is byte for byte what came over the line, and
    // the device also kept them in its selected bank.
    std::vector<Record> logged;
    for (const auto& sent : simulator->SentRecords()) {
        logged.push_back(sent.record);
    }
    EXPECT_EQ(qtxsim::DecodeRecords(test::toBytes(received)), logged);
    Bytes bank;
    for (const Record& record : logged) {
        const Bytes encoded = qtxsim::EncodeRecord(record);
        bank.insert(bank.end(), encoded.begin(), encoded.end());
    }
    EXPECT_EQ(simulator->BankContents(1), bank);
    EXPECT_EQ(simulator->TakeUpsQueued(), 1);
}

TEST_F(SimulatorTest, GivenRecordsAreStreamedExactly) {
    start(optionsWith(0));
    simulator->QueueRecord(Record{0x50, {0x10, 0x20, 0xff, 0x02}});
    send("\x6d");
    EXPECT_TRUE(simulator->WaitUntilSent(2s));
    ASSERT_TRUE(waitUntil([&] { return received.size() == 7; }));
    EXPECT_EQ(received, QByteArray("\x02\x50\x10\x20\xff\x02\x03", 7));
}

TEST_F(SimulatorTest, PlaybackStreamsTheSelectedBank) {
    start(optionsWith(0));
    simulator->FillBank(3, 4);
    const Bytes stored = simulator->BankContents(3);
    ASSERT_FALSE(stored.empty());
    ASSERT_EQ(guardedExchange(port, "\x03", 2).size(), 2);
    ASSERT_EQ(guardedExchange(port, "\x2b", 2).size(), 2);
    send("\x70");
    ASSERT_TRUE(waitUntil([&] { return received.size() == qsizetype(stored.size()); }));
    EXPECT_EQ(received, toQByteArray(stored));
    const auto records = simulator->SentRecords();
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].source, qtxsim::RecordSource::Playback);
}

TEST_F(SimulatorTest, PauseStopsTheStreamAndResumeContinuesIt) {
    start(optionsWith(0, qtxsim::Pace::RealTime));
    simulator->QueueScript(Bytes(40, 50));
    ASSERT_TRUE(waitUntil([&] { return received.size() >= 3; }));
    send("\x11");
    ASSERT_TRUE(simulator->Paused());
    const size_t atPause = simulator->Sent().size();
    waitUntil([] { return false; }, 100);  // five sample times
    EXPECT_LE(simulator->Sent().size(), atPause + 1);
    send("\x13");
    ASSERT_TRUE(waitUntil([&] { return received.size() == 40; }, 3000));
}

TEST_F(SimulatorTest, RealTimeSendsFiftySamplesASecond) {
    start(optionsWith(5, qtxsim::Pace::RealTime));
    simulator->QueueScript(Bytes(11, 9));
    ASSERT_TRUE(waitUntil([&] { return received.size() == 1; }));
    const double took = test::millisecondsOf(
        [&] { ASSERT_TRUE(waitUntil([&] { return received.size() == 11; })); });
    EXPECT_GE(took, 180.0);
    EXPECT_LT(took, 600.0);
}

TEST_F(SimulatorTest, ShortMissingAndLateReplies) {
    start();
    simulator->SetReplyFault(0x62, ReplyFault{ReplyFault::Kind::Short, 5, 0, true});
    EXPECT_EQ(guardedExchange(port, "\x62", 10).size(), 5);
    EXPECT_EQ(guardedExchange(port, "\x62", 10).size(), 10) << "a fault for once";

    simulator->SetReplyFault(0x01, ReplyFault{ReplyFault::Kind::Missing, 0, 0, false});
    EXPECT_EQ(guardedExchange(port, "\x01", 2).size(), 0);
    EXPECT_EQ(guardedExchange(port, "\x01", 2).size(), 0) << "a lasting fault";
    simulator->ClearReplyFaults();
    EXPECT_EQ(guardedExchange(port, "\x01", 2).size(), 2);

    // Too late for the exchange; the bytes come afterwards, to the handler.
    simulator->SetReplyFault(0x2b, ReplyFault{ReplyFault::Kind::Late, 0, 400, true});
    EXPECT_EQ(guardedExchange(port, "\x2b", 2).size(), 0);
    ASSERT_TRUE(waitUntil([&] { return received.size() == 2; }));
}

TEST_F(SimulatorTest, LineNoiseBetweenRecordsHoldsNoMessageBytes) {
    start(optionsWith(0));
    simulator->SetLineNoise(300);
    simulator->QueueRecord(Record{0x50, {0x10}});
    send("\x6d");
    ASSERT_TRUE(waitUntil([&] { return received.endsWith(QByteArray("\x02\x50\x10\x03", 4)); }));
    const QByteArray noise = received.chopped(4);
    EXPECT_EQ(noise.size(), 300);
    for (char byte : {'\x01', '\x02', '\x04', '\x2b'}) {
        EXPECT_FALSE(noise.contains(byte)) << int{byte};
    }
}

TEST_F(SimulatorTest, ABurstFillsTheInputQueue) {
    start();
    port.SetOnRxChar(nullptr);  // the program is busy elsewhere
    simulator->InjectBurst(3000);
    ASSERT_TRUE(waitUntil([&] { return port.InputCount() == 3000; }));
    EXPECT_GE(port.InputCount(), port.InputBufferSize() * 8 / 10);
}

TEST_F(SimulatorTest, HangingUpAfterPartOfAReply) {
    start();
    simulator->SetReplyFault(0x62, ReplyFault{ReplyFault::Kind::HangUp, 4, 0, true});
    EXPECT_EQ(guardedExchange(port, "\x62", 10).size(), 4);
    ASSERT_TRUE(waitUntil([&] { return lost == 1; }));
    EXPECT_TRUE(simulator->HungUp());
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("COM5")))) << "unplugged";
}

TEST_F(SimulatorTest, HangingUpMidRecord) {
    start(optionsWith(0));
    simulator->QueueRecord(Record{0x50, Bytes(30, 0x40)});
    simulator->HangUpMidRecord(10);
    send("\x6d");
    ASSERT_TRUE(waitUntil([&] { return lost == 1; }));
    EXPECT_EQ(received, QByteArray("\x02\x50", 2) + QByteArray(10, 0x40));
    EXPECT_TRUE(simulator->SentRecords().empty());
}

TEST_F(SimulatorTest, HangingUpNow) {
    start();
    simulator->HangUpNow();
    ASSERT_TRUE(waitUntil([&] { return lost == 1; }));
    EXPECT_TRUE(port.PortLost());
}

TEST_F(SimulatorTest, TheLineSurvivesTheProgramClosingAndReopening) {
    start();
    // As at start-up: a probe on a port of its own, then the real opening.
    EXPECT_EQ(guardedExchange(port, "\x01", 2).size(), 2);
    port.Close();
    port.Open();
    EXPECT_EQ(guardedExchange(port, "\x01", 2).size(), 2);
    send("\x6d");
    ASSERT_TRUE(simulator->WaitForReceived({0x01, 0x01, 0x6d}, 1s));
    EXPECT_EQ(simulator->Received(), (Bytes{0x01, 0x01, 0x6d}));
}

// Behind a USB adapter the bytes come in lumps, and never sooner than the
// wire lets them: 303 bytes take some 160 ms at 19200 baud.
TEST_F(SimulatorTest, AUsbAdapterDeliversInBurstsAtTheLineRate) {
    start(usbLine());
    std::vector<std::pair<double, qsizetype>> arrivals;  // ms after the Measure, bytes by then
    QElapsedTimer clock;
    port.SetOnRxChar([&](TCustomComPort& sender, int count) {
        QByteArray bytes(count, '\0');
        bytes.resize(sender.Read(bytes.data(), count));
        received += bytes;
        arrivals.emplace_back(static_cast<double>(clock.nsecsElapsed()) / 1e6, received.size());
    });
    simulator->QueueRecord(Record{0x50, Bytes(300, 0x40)});
    clock.start();
    send("\x6d");
    ASSERT_TRUE(waitUntil([&] { return received.size() == 303; }));

    const double byteMs = static_cast<double>(qtxsim::kByteTime.count()) / 1e6;
    EXPECT_GE(arrivals.front().first, 16.0) << "the first bytes wait for the adapter's timer";
    for (const auto& [ms, count] : arrivals) {
        EXPECT_GE(ms, static_cast<double>(count) * byteMs) << count << " bytes";
    }
    // Lumps a timer period apart, not byte by byte: a late reader may merge
    // lumps, never split them into more reads than periods.
    const double span = arrivals.back().first - arrivals.front().first;
    EXPECT_LE(double(arrivals.size()), span / 10.0 + 2)
        << arrivals.size() << " reads in " << span << " ms";
}

// The exchange a program runs in the middle of a record: pause, command.
// The samples already in the device's UART still come, and the reply comes
// behind them, never ahead; after them nothing until the resume.
TEST_F(SimulatorTest, AfterAPauseTheTailStillComesAndTheReplyQueuesBehindIt) {
    start(usbLine());
    send("\x11");
    Bytes script;
    for (uint8_t b = 0x40; b < 0x50; ++b) {
        script.push_back(b);
    }
    simulator->QueueScript(script);
    waitUntil([] { return false; }, 50);
    EXPECT_TRUE(received.isEmpty()) << "paused before anything flowed";

    simulator->SetVariables({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    send("\x13\x11\x62");  // resume, pause again at once, ReadVariables
    ASSERT_TRUE(waitUntil([&] { return received.size() >= 12; }));
    EXPECT_EQ(received, QByteArray("\x40\x41\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a"));
    waitUntil([] { return false; }, 100);
    EXPECT_EQ(received.size(), 12) << "nothing more until the resume";

    send("\x13");
    ASSERT_TRUE(waitUntil([&] { return received.size() == 26; }));
    EXPECT_EQ(received.mid(12), toQByteArray(Bytes(script.begin() + 2, script.end())));
}

// Pulled out in the middle of a take-up and plugged in again: the program's
// end hangs up, the device goes on measuring into nothing, and the same
// port name then leads to it again.
TEST_F(SimulatorTest, UnpluggedMidRecordTheDeviceGoesOnAndReturnsUnderItsName) {
    start(usbLine(qtxsim::Pace::RealTime));
    simulator->QueueRecord(Record{0x50, Bytes(50, 0x40)});  // a second long
    simulator->QueueRecord(Record{0x51, Bytes(3, 0x41)});
    send("\x6d");
    ASSERT_TRUE(waitUntil([&] { return received.size() >= 5; }, 5000));
    simulator->Unplug();
    EXPECT_FALSE(simulator->Plugged());
    ASSERT_TRUE(waitUntil([&] { return lost == 1; }));
    EXPECT_TRUE(port.PortLost());
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("COM5"))));
    const QByteArray beforeCut = received;
    waitUntil([] { return false; }, 100);  // samples go into nothing meanwhile

    EXPECT_EQ(simulator->Replug(), dir.filePath(QStringLiteral("COM5")).toStdString());
    received.clear();
    port.Close();
    port.Open();
    ASSERT_TRUE(waitUntil([&] { return received.endsWith('\x03'); }, 3000));
    const QByteArray rest = received;
    EXPECT_EQ(rest, QByteArray(rest.size() - 1, 0x40) + '\x03') << "the rest of the take-up";

    received.clear();
    EXPECT_EQ(guardedExchange(port, "\x2b", 2).size(), 2) << "the device answers";
    send("\x6d");
    ASSERT_TRUE(waitUntil([&] { return received.endsWith('\x03'); }, 5000));
    EXPECT_EQ(received, QByteArray("\x02\x51\x41\x41\x41\x03", 6));

    // The test can tell the cut take-up from the whole ones.
    const auto cut = simulator->CutRecords();
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_EQ(cut[0].record.threshold, 0x50);
    EXPECT_EQ(cut[0].bytesBeforeCut, size_t(beforeCut.size()));
    // The port's opening discards what came before it; that counts as arrived.
    EXPECT_GE(cut[0].bytesAfterCut, size_t(rest.size()));
    EXPECT_LT(cut[0].bytesBeforeCut + cut[0].bytesAfterCut, 53u) << "samples were lost";
    const auto whole = simulator->SentRecords();
    ASSERT_EQ(whole.size(), 1u);
    EXPECT_EQ(whole[0].record.threshold, 0x51);
    EXPECT_EQ(whole[0].line, 1);
    EXPECT_TRUE(simulator->WaitForReceived({0x6d, 0x2b, 0x6d}, 1s)) << "one log over both lines";
}

// An adapter that returns on another node: the port link moves, and the
// stable name follows it.
TEST_F(SimulatorTest, ReplugOnAnotherNumberMovesTheStableLink) {
    namespace fs = std::filesystem;
    start();
    const std::string byId = dir.filePath(QStringLiteral("by-id")).toStdString();
    const std::string stable = simulator->LinkStable(byId, "usb-QTX_Trainer-if00-port0");
    const std::string com5 = dir.filePath(QStringLiteral("COM5")).toStdString();
    EXPECT_EQ(fs::canonical(stable), fs::canonical(com5));

    simulator->Unplug();
    ASSERT_TRUE(waitUntil([&] { return lost == 1; }));
    EXPECT_FALSE(fs::exists(stable));

    const std::string com7 = simulator->Replug(7);
    EXPECT_EQ(com7, dir.filePath(QStringLiteral("COM7")).toStdString());
    EXPECT_FALSE(fs::exists(com5));
    EXPECT_EQ(fs::canonical(stable), fs::canonical(com7));
    EXPECT_EQ(fs::canonical(stable).string(), simulator->DevicePath());

    port.Close();
    port.SetPort(QStringLiteral("COM7"));
    port.Open();
    EXPECT_EQ(guardedExchange(port, "\x01", 2).size(), 2);
}

// A battery change: the line stays, the device forgets what the program
// told it and waits for a Measure as after power-up.
TEST_F(SimulatorTest, ARestartedDeviceForgetsMeasurePauseAndArgumentAndWaitsForMeasure) {
    start(optionsWith(0));
    simulator->SetVariables({112, 120, 50, 99, 64, 5, 1, 1, 0, 0});
    simulator->QueueRecord(Record{0x50, {0x10, 0x20}});
    send("\x11\x6d\x65");  // paused, armed, SetGain without its argument
    waitUntil([] { return false; }, 50);
    ASSERT_TRUE(received.isEmpty()) << "paused";

    simulator->Restart();
    waitUntil([] { return false; }, 100);
    EXPECT_TRUE(received.isEmpty()) << "no Measure since the restart";
    EXPECT_FALSE(simulator->Paused());
    EXPECT_EQ(simulator->TakeUpsQueued(), 1) << "the take-up had not begun";
    EXPECT_EQ(simulator->GetVariables().gain, 99);
    EXPECT_EQ(simulator->GetVariables().pNull, 120);
    EXPECT_EQ(guardedExchange(port, "\x2b", 2).size(), 2) << "a command, not the gain";
    EXPECT_EQ(simulator->GetVariables().gain, 99);

    send("\x6d");
    ASSERT_TRUE(waitUntil([&] { return received.size() == 5; }));
    EXPECT_EQ(received, QByteArray("\x02\x50\x10\x20\x03", 5));
    EXPECT_TRUE(simulator->CutRecords().empty());
}

// A take-up cut by a restart: what was in the adapter still arrives, the
// rest never comes, and the record is told apart from the whole ones.
TEST_F(SimulatorTest, ARestartAbandonsTheTakeUpUnderWay) {
    start(usbLine(qtxsim::Pace::RealTime));
    simulator->QueueRecord(Record{0x50, Bytes(100, 0x40)});  // two seconds
    ASSERT_TRUE(simulator->StartTakeUpNow());
    ASSERT_TRUE(waitUntil([&] { return received.size() >= 6; }));
    simulator->Restart();
    ASSERT_TRUE(waitUntil([&] { return simulator->CutRecords().size() == 1; }));
    waitUntil([] { return false; }, 150);

    const auto cut = simulator->CutRecords();
    EXPECT_EQ(cut[0].record.threshold, 0x50);
    EXPECT_EQ(cut[0].bytesBeforeCut, size_t(received.size()));
    EXPECT_LT(received.size(), 20);
    EXPECT_FALSE(received.contains('\x03'));
    EXPECT_TRUE(simulator->SentRecords().empty());
    EXPECT_TRUE(simulator->BankContents(1).empty()) << "an abandoned take-up is not stored";
}

// The device begins a take-up just as a command arrives: the record's start
// comes before the reply, and with the pause its first samples are already
// in the UART.
TEST_F(SimulatorTest, ATakeUpThatBeginsOnACommand) {
    start(usbLine(qtxsim::Pace::RealTime));
    simulator->QueueRecord(Record{0x50, Bytes(5, 0x40)});
    simulator->QueueRecord(Record{0x51, Bytes(5, 0x41)});
    simulator->StartTakeUpOnCommand(0x2b);
    send("\x2b");
    ASSERT_TRUE(waitUntil([&] { return received.endsWith('\x03'); }));
    EXPECT_EQ(received, QByteArray("\x02\x50\x06\x31\x40\x40\x40\x40\x40\x03", 10));
    received.clear();
    send("\x2b");
    waitUntil([] { return false; }, 100);
    EXPECT_EQ(received, QByteArray("\x06\x31")) << "once";

    received.clear();
    simulator->StartTakeUpOnCommand(0x11);
    send("\x11");
    waitUntil([] { return false; }, 100);
    EXPECT_EQ(received, QByteArray("\x02\x51\x41\x41", 4)) << "the UART's tail";
    send("\x13");
    ASSERT_TRUE(waitUntil([&] { return received.endsWith('\x03'); }));
    EXPECT_EQ(received, QByteArray("\x02\x51\x41\x41\x41\x41\x41\x03", 8));
}

// The trainer is in a take-up when the program opens the port: what came
// before is gone, the rest arrives. A stream far larger than the line's
// buffers, which fill while nobody reads, does not stall the device.
TEST_F(SimulatorTest, ATakeUpUnderWayWhenThePortOpens) {
    start(optionsWith(0, qtxsim::Pace::RealTime), false);
    simulator->QueueRecord(Record{0x50, Bytes(40, 0x40)});
    ASSERT_TRUE(simulator->StartTakeUpNow());
    waitUntil([] { return false; }, 200);
    port.Open();
    ASSERT_TRUE(waitUntil([&] { return received.endsWith('\x03'); }));
    EXPECT_EQ(received, QByteArray(received.size() - 1, 0x40) + '\x03');
    EXPECT_LT(received.size(), 35);
    EXPECT_GT(received.size(), 5);

    port.Close();
    simulator.reset();
    received.clear();
    start(optionsWith(0), false);
    simulator->QueueRecord(Record{0x51, Bytes(100'000, 0x41)});
    ASSERT_TRUE(simulator->StartTakeUpNow());
    waitUntil([] { return false; }, 100);
    port.Open();
    ASSERT_TRUE(waitUntil([&] { return received.endsWith('\x03'); }, 10000));
    EXPECT_EQ(received, QByteArray(received.size() - 1, 0x41) + '\x03');
    received.clear();
    EXPECT_EQ(guardedExchange(port, "\x2b", 2).size(), 2);
}

// A turn of the threshold knob is reported between records, never inside
// one, in the order of the turns.
TEST_F(SimulatorTest, AThresholdReportWaitsForTheEndOfTheRecord) {
    start(optionsWith(0, qtxsim::Pace::RealTime));
    simulator->QueueRecord(Record{0x50, Bytes(10, 0x40)});
    ASSERT_TRUE(simulator->StartTakeUpNow());
    ASSERT_TRUE(waitUntil([&] { return received.size() >= 3; }));
    simulator->SetThreshold(0x60, true);
    simulator->SetThreshold(0x61, true);
    ASSERT_TRUE(waitUntil([&] { return received.size() == 17; }));
    EXPECT_EQ(received, QByteArray("\x02\x50", 2) + QByteArray(10, 0x40) +
                            QByteArray("\x03\x01\x60\x01\x61", 5));

    received.clear();
    simulator->SetThreshold(0x70, true);
    ASSERT_TRUE(waitUntil([&] { return received.size() == 2; }, 500)) << "at once between records";
    EXPECT_EQ(received, QByteArray("\x01\x70"));
}

// A device that answers late answers behind the samples it sent meanwhile,
// as the one line carries them.
TEST_F(SimulatorTest, ALateReplyComesBehindTheSamplesSentMeanwhile) {
    start(usbLine(qtxsim::Pace::RealTime));
    simulator->QueueScript(Bytes(30, 0x40));
    ASSERT_TRUE(waitUntil([&] { return received.size() >= 2; }));
    send("\x11");
    waitUntil([] { return false; }, 60);
    const qsizetype atPause = received.size();
    simulator->SetReplyFault(0x2b, ReplyFault{ReplyFault::Kind::Late, 0, 150, true});
    send("\x2b\x13");
    ASSERT_TRUE(waitUntil([&] { return received.size() == 32; }));
    const qsizetype reply = received.indexOf(QByteArray("\x06\x31"));
    ASSERT_GE(reply, 0);
    EXPECT_EQ(received.count('\x40'), 30);
    // 150 ms at 20 ms a sample, give or take a timer tick
    EXPECT_GE(reply - atPause, 3);
    EXPECT_LE(reply - atPause, 10);
}

// The program's probe is answered; the plug drops during the exchange after
// it, and the device returns when plugged in again.
TEST_F(SimulatorTest, AnUnplugOnTheSecondReplyLeavesTheFirstAnswered) {
    start();
    ReplyFault unplug{ReplyFault::Kind::Unplug, 1};
    unplug.skip = 1;
    simulator->SetReplyFault(0x01, unplug);
    EXPECT_EQ(guardedExchange(port, "\x01", 2).size(), 2);
    EXPECT_EQ(guardedExchange(port, "\x01", 2), QByteArray("\x06"));
    ASSERT_TRUE(waitUntil([&] { return lost == 1; }));
    EXPECT_FALSE(simulator->Plugged());
    EXPECT_FALSE(simulator->HungUp()) << "the device goes on";
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("COM5"))));

    simulator->Replug();
    port.Close();
    port.Open();
    EXPECT_EQ(guardedExchange(port, "\x01", 2).size(), 2);
}

TEST(SimulatorSeed, TheSameSeedGivesTheSameTakeUps) {
    auto takeUps = [](uint32_t seed) {
        SimulatorOptions options;
        options.seed = seed;
        Simulator simulator(options);
        simulator.FillBank(1, 5);
        return simulator.BankContents(1);
    };
    EXPECT_EQ(takeUps(7), takeUps(7));
    EXPECT_NE(takeUps(7), takeUps(8));
}

}  // namespace
}  // namespace ostrevik
