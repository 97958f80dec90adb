#pragma once

#include "QtxSimulator.h"

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ostrevik::qtxsim {

struct CommandLine {
    // A person watching the program gets real time unless asked otherwise.
    SimulatorOptions simulator = [] {
        SimulatorOptions options;
        options.pace = Pace::RealTime;
        return options;
    }();
    std::string portDir;
    int com = 1;
    std::string device;  // an existing line instead of a pseudo-terminal
    int takeUps = -1;    // -1: without end
    int threshold = 160;
    double batteryVolts = 2.8;
    int bank = 1;
    int gain = -1;                               // -1: as stored
    std::vector<std::pair<int, int>> fillBanks;  // bank, take-ups
    std::string scriptPath;
    int noise = 0;
    int burst = 0;
    std::map<uint8_t, ReplyFault> faults;
    int hangUpMidRecord = -1;
    bool calibrationError = false;
    // Pulling the device out and plugging it back in, in seconds; < 0: never.
    double unplugAfter = -1;  // after the start
    double replugAfter = -1;  // after each unplug; else it stays out until SIGUSR2
    double unplugEvery = -1;  // after each replug; else only the first unplug
    int replugCom = 0;        // back as COM<n> (and at the next replug as --com again); 0: same
    std::string stableLink;   // a by-id like link that follows the device
    // Restarting the device (a battery change), in seconds; < 0: never.
    double restartAfter = -1;    // after the start
    double restartEvery = -1;    // after each restart (the first too, without restartAfter)
    bool takeUpAtStart = false;  // in a take-up when the program opens the port
    std::optional<uint8_t> takeUpOnCommand;  // a take-up begins as this command arrives
    struct ThresholdChange {
        double after = 0;  // seconds after the start
        int threshold = 0;
        bool report = false;  // the device reports it at once
    };
    std::vector<ThresholdChange> thresholdChanges;
    bool help = false;
};

// Reads the arguments (without the program name). Returns an empty string,
// or a message saying what is wrong.
std::string ParseCommandLine(const std::vector<std::string>& arguments, CommandLine& result);

std::string UsageText();

}  // namespace ostrevik::qtxsim
