#include "CommandLine.h"

#include <gtest/gtest.h>

namespace ostrevik::qtxsim {
namespace {

std::string parse(std::vector<std::string> arguments, CommandLine& result) {
    return ParseCommandLine(arguments, result);
}

TEST(CommandLine, Defaults) {
    CommandLine options;
    EXPECT_EQ(parse({}, options), "");
    EXPECT_EQ(options.simulator.pace, Pace::RealTime);
    EXPECT_EQ(options.com, 1);
    EXPECT_EQ(options.takeUps, -1) << "without end";
    EXPECT_TRUE(options.faults.empty());
}

TEST(CommandLine, EveryOptionIsRead) {
    CommandLine options;
    ASSERT_EQ(parse({"--port-dir",
                     "/tmp/p",
                     "--com",
                     "12",
                     "--fast",
                     "--seed",
                     "9",
                     "--takeups",
                     "3",
                     "--threshold",
                     "150",
                     "--battery",
                     "1.78",
                     "--bank",
                     "2",
                     "--fill-bank",
                     "3:10",
                     "--gain",
                     "239",
                     "--state",
                     "s",
                     "--log",
                     "l",
                     "--short-reply",
                     "62:5",
                     "--no-reply",
                     "1",
                     "--late-reply",
                     "2b:300",
                     "--hangup-after-reply",
                     "6B:4",
                     "--fault-once",
                     "--noise",
                     "7",
                     "--burst",
                     "2000",
                     "--hangup-mid-record",
                     "12",
                     "--calibration-error",
                     "--shots",
                     "0.5",
                     "--takeup-seconds",
                     "2",
                     "--report-every",
                     "0"},
                    options),
              "");
    EXPECT_EQ(options.com, 12);
    EXPECT_EQ(options.simulator.pace, Pace::Fast);
    EXPECT_DOUBLE_EQ(options.batteryVolts, 1.78);
    EXPECT_EQ(options.fillBanks, (std::vector<std::pair<int, int>>{{3, 10}}));
    EXPECT_DOUBLE_EQ(options.simulator.shotProbability, 0.5);
    EXPECT_DOUBLE_EQ(options.simulator.takeUpSeconds, 2.0);
    EXPECT_EQ(options.simulator.reportEvery, 0);

    ASSERT_EQ(options.faults.size(), 4u);
    EXPECT_EQ(options.faults.at(0x62).kind, ReplyFault::Kind::Short);
    EXPECT_EQ(options.faults.at(0x62).bytes, 5);
    EXPECT_EQ(options.faults.at(0x01).kind, ReplyFault::Kind::Missing);
    EXPECT_EQ(options.faults.at(0x2B).delayMs, 300);
    EXPECT_EQ(options.faults.at(0x6B).kind, ReplyFault::Kind::HangUp);
    for (const auto& [command, fault] : options.faults) {
        EXPECT_TRUE(fault.once) << int{command};
    }
}

TEST(CommandLine, LineTimingAndUnplugging) {
    CommandLine options;
    EXPECT_FALSE(options.simulator.line.Active()) << "bytes arrive at once by default";
    EXPECT_LT(options.unplugAfter, 0);
    ASSERT_EQ(
        parse({"--usb-adapter", "--latency", "8", "--unplug-after", "2.5", "--replug-after", "1",
               "--unplug-every", "30", "--replug-com", "7", "--stable-link", "/tmp/by-id/usb-QTX"},
              options),
        "");
    LineModel usb = LineModel::UsbAdapter();
    usb.latencyMs = 8;  // a later option wins over the preset
    EXPECT_EQ(options.simulator.line, usb);
    EXPECT_DOUBLE_EQ(options.unplugAfter, 2.5);
    EXPECT_DOUBLE_EQ(options.replugAfter, 1.0);
    EXPECT_DOUBLE_EQ(options.unplugEvery, 30.0);
    EXPECT_EQ(options.replugCom, 7);
    EXPECT_EQ(options.stableLink, "/tmp/by-id/usb-QTX");

    CommandLine parts;
    ASSERT_EQ(parse({"--line-rate", "--packet", "32", "--uart-tail", "3"}, parts), "");
    EXPECT_EQ(parts.simulator.line, (LineModel{true, 0, 32, 3}));
}

TEST(CommandLine, TheDevicesOwnDoings) {
    CommandLine options;
    ASSERT_EQ(parse({"--restart-after", "2", "--restart-every", "7.5", "--takeup-at-start",
                     "--takeup-on", "11", "--threshold-change-after", "1.5:150:report",
                     "--threshold-change-after", "3:170", "--unplug-on", "01:2", "--no-reply", "62",
                     "--free-running-latency", "--usb-adapter"},
                    options),
              "");
    EXPECT_DOUBLE_EQ(options.restartAfter, 2.0);
    EXPECT_DOUBLE_EQ(options.restartEvery, 7.5);
    EXPECT_TRUE(options.takeUpAtStart);
    EXPECT_EQ(options.takeUpOnCommand, uint8_t{0x11});
    ASSERT_EQ(options.thresholdChanges.size(), 2u);
    EXPECT_DOUBLE_EQ(options.thresholdChanges[0].after, 1.5);
    EXPECT_EQ(options.thresholdChanges[0].threshold, 150);
    EXPECT_TRUE(options.thresholdChanges[0].report);
    EXPECT_FALSE(options.thresholdChanges[1].report);
    // The second answer unplugs, once; the other faults stay lasting.
    const ReplyFault& unplug = options.faults.at(0x01);
    EXPECT_EQ(unplug.kind, ReplyFault::Kind::Unplug);
    EXPECT_EQ(unplug.skip, 1);
    EXPECT_TRUE(unplug.once);
    EXPECT_FALSE(options.faults.at(0x62).once);
    EXPECT_EQ(options.simulator.line, LineModel::UsbAdapterFreeRunning()) << "in either order";

    CommandLine alone;
    ASSERT_EQ(parse({"--free-running-latency"}, alone), "");
    EXPECT_TRUE(alone.simulator.line.freeRunningTimer);
    EXPECT_EQ(alone.simulator.line.latencyMs, 16) << "a timer that ticks";
}

TEST(CommandLine, WrongValuesAreNamed) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--com", "0"}, "--com expects a number from 1 to 99, not '0'"},
        {{"--com", "3x"}, "--com expects a number from 1 to 99, not '3x'"},
        {{"--bank", "5"}, "--bank expects a number from 1 to 4, not '5'"},
        {{"--gain", "240"}, "--gain expects a number from 0 to 239, not '240'"},
        {{"--short-reply", "62"}, "--short-reply expects two values joined by ':', not '62'"},
        {{"--no-reply", "zz"}, "--no-reply expects a command byte in hex (e.g. 62), not 'zz'"},
        {{"--seed"}, "--seed needs a value"},
        {{"--replug-com", "0"}, "--replug-com expects a number from 1 to 99, not '0'"},
        {{"--unplug-on", "01:0"}, "--unplug-on expects a number from 1 to 1000000, not '0'"},
        {{"--threshold-change-after", "1:255"},
         "--threshold-change-after expects a number from 0 to 254, not '255'"},
        {{"--threshold-change-after", "1:150:loud"},
         "--threshold-change-after expects S:T or S:T:report, not '1:150:loud'"},
        {{"--colour"}, "unknown option '--colour'"},
    };
    for (const auto& [arguments, message] : cases) {
        CommandLine options;
        EXPECT_EQ(parse(arguments, options), message);
    }
}

}  // namespace
}  // namespace ostrevik::qtxsim
