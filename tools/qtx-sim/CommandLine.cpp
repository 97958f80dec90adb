#include "CommandLine.h"

#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace ostrevik::qtxsim {

namespace {

int toInt(const std::string& text, int low, int high, const std::string& option) {
    size_t used = 0;
    long value = 0;
    try {
        value = std::stol(text, &used, 10);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || text.empty() || value < low || value > high) {
        throw std::invalid_argument(option + " expects a number from " + std::to_string(low) +
                                    " to " + std::to_string(high) + ", not '" + text + "'");
    }
    return static_cast<int>(value);
}

double toDouble(const std::string& text, double low, double high, const std::string& option) {
    size_t used = 0;
    double value = 0;
    try {
        value = std::stod(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || text.empty() || !(value >= low && value <= high)) {
        throw std::invalid_argument(option + " expects a value from " + std::to_string(low) +
                                    " to " + std::to_string(high) + ", not '" + text + "'");
    }
    return value;
}

uint8_t toCommand(const std::string& text, const std::string& option) {
    size_t used = 0;
    unsigned long value = 256;
    try {
        value = std::stoul(text, &used, 16);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || text.empty() || value > 0xFF) {
        throw std::invalid_argument(option + " expects a command byte in hex (e.g. 62), not '" +
                                    text + "'");
    }
    return static_cast<uint8_t>(value);
}

// "A:B" -> {A, B}
std::pair<std::string, std::string> split(const std::string& text, const std::string& option) {
    const auto colon = text.find(':');
    if (colon == std::string::npos) {
        throw std::invalid_argument(option + " expects two values joined by ':', not '" + text +
                                    "'");
    }
    return {text.substr(0, colon), text.substr(colon + 1)};
}

}  // namespace

std::string UsageText() {
    return R"(Usage: qtx-sim [options]

A stand-in for the QTX trigger trainer. It creates a pseudo-terminal, answers
every command of the device protocol and streams take-ups of the trigger
(one after each Measure from the program) until it is stopped with Ctrl+C.
SIGUSR1 (kill -USR1 <pid>) hangs the line up for good and ends the simulator.
SIGUSR2 (kill -USR2 <pid>) pulls the device out: the line hangs up while the
device goes on measuring; the next SIGUSR2 plugs it back in.

Line:
  --port-dir DIR        place the link DIR/COM<n> to the pseudo-terminal; start
                        the program with OSTREVIK_PORT_DIR=DIR to see the port
  --com N               the number n of that link (1-99, default 1)
  --device PATH         use an existing serial line instead of a pseudo-terminal

Stream:
  --realtime            50 samples a second, pauses between take-ups (default)
  --fast                as fast as the line takes the bytes
  --seed N              seed of the take-ups (default 1: every run the same)
  --takeups N           stop after N take-ups (default: without end)
  --shots P             share of take-ups that end in a shot, 0-1 (default 0.85)
  --takeup-seconds S    every take-up lasts S seconds, 1-60 (default: between
                        about 1 and 4 s)
  --threshold T         the tone threshold 0-254 (default 160)
  --shooter             a shooter at a drill: the shot 3000-8000 ms after the
                        take-up's start, held 1000-4000 ms at the tone
                        threshold, every take-up with a shot, without jerk or
                        release (the options below change that and imply
                        --shooter; --shots P leaves 1 - P without a shot)
  --shot-ms LOW:HIGH    the time to the shot, drawn from LOW to HIGH ms
  --hold-ms LOW:HIGH    the hold at the tone threshold before the shot
  --jerk P              share of shots with a jerk in the last 0.2 s, 0-1
  --release P           share of shots with the finger released at once, 0-1
  --battery VOLTS       the battery voltage reported (default 2.8)
  --report-every N      battery, bank and threshold reports before every n-th
                        take-up, 0 for none (default 5)
  --script FILE         stream the bytes of FILE after the first Measure
                        instead of generated take-ups

Device:
  --bank N              the selected memory bank 1-4 (default 1)
  --fill-bank B:N       store N generated take-ups in bank B (repeatable)
  --gain N              the gain index 0-239 (default: as stored, else 99)
  --state FILE          keep gain, zero point and tone direction in FILE
                        (written on StoreToEeprom and on a tone change)
  --log FILE            trace every byte in both directions to FILE

Faults (CMD is a command byte in hex, e.g. 62 for ReadVariables):
  --short-reply CMD:N   answer CMD with only its first N bytes
  --no-reply CMD        do not answer CMD
  --late-reply CMD:MS   answer CMD MS milliseconds late
  --hangup-after-reply CMD:K
                        send K bytes of the answer to CMD, then hang up
  --fault-once          the faults above hit only the first such command
  --noise N             N bytes of line noise before every record
  --burst N             a burst of N meaningless bytes after the first Measure
  --hangup-mid-record K hang up after K samples of the first record
  --calibration-error   the zero calibration reports "Fehler"

The device's own doings:
  --restart-after S     the device restarts S seconds after the start (a battery
                        change, the line stays): it forgets Measure, pause and
                        the take-up under way, and waits for a Measure
  --restart-every S     it restarts every S seconds (the first time at
                        --restart-after, if given)
  --takeup-at-start     the device is in a take-up when the program opens it
  --takeup-on CMD       a take-up begins the moment CMD arrives (once)
  --threshold-change-after S:T[:report]
                        the threshold turns to T S seconds after the start; with
                        :report the device says so at once (repeatable)

Line timing (by default every byte reaches the program at once):
  --usb-adapter         a device behind a USB serial adapter: the same as
                        --line-rate --latency 16 --packet 62 --uart-tail 2
  --line-rate           bytes leave at 19200 baud, about 0.52 ms a byte
  --latency MS          the adapter hands bytes on MS ms after the first of a
                        burst came in (0: no adapter)
  --packet N            ... or at once when N bytes are gathered (0: no limit)
  --uart-tail N         N stream bytes still come after a pause (0x11)
  --free-running-latency
                        the adapter's latency timer ticks on its own every MS
                        ms (16 without --latency) and hands on what came in
                        since the last tick: samples arrive 16 or 32 ms apart

Unplugging (the device goes on measuring while it is out):
  --unplug-after S      pull the device out S seconds after the start
  --replug-after S      plug it back in S seconds after each unplug
                        (otherwise it stays out until SIGUSR2)
  --unplug-every S      pull it out again S seconds after each replug
  --unplug-on CMD:K     pull it out instead of sending the K-th answer to CMD
  --replug-com N        plug it back in as COM<n>, the next time as --com
                        again: an adapter that returns on another node
  --stable-link PATH    a link PATH that always points at the device's node
                        while it is plugged in, like /dev/serial/by-id/<name>

  -h, --help            show this text
)";
}

std::string ParseCommandLine(const std::vector<std::string>& arguments, CommandLine& result) {
    bool faultsOnce = false;
    bool freeRunning = false;
    bool shooter = false;
    bool shotsGiven = false;
    ShooterModel model;
    try {
        for (size_t i = 0; i < arguments.size(); ++i) {
            const std::string& option = arguments[i];
            auto value = [&]() -> const std::string& {
                if (i + 1 >= arguments.size()) {
                    throw std::invalid_argument(option + " needs a value");
                }
                return arguments[++i];
            };
            if (option == "-h" || option == "--help") {
                result.help = true;
            } else if (option == "--port-dir") {
                result.portDir = value();
            } else if (option == "--com") {
                result.com = toInt(value(), 1, 99, option);
            } else if (option == "--device") {
                result.device = value();
            } else if (option == "--realtime") {
                result.simulator.pace = Pace::RealTime;
            } else if (option == "--fast") {
                result.simulator.pace = Pace::Fast;
            } else if (option == "--seed") {
                result.simulator.seed =
                    static_cast<uint32_t>(toInt(value(), 0, 2'000'000'000, option));
            } else if (option == "--takeups") {
                result.takeUps = toInt(value(), 0, 1'000'000, option);
            } else if (option == "--shots") {
                result.simulator.shotProbability = toDouble(value(), 0.0, 1.0, option);
                shotsGiven = true;
            } else if (option == "--shooter") {
                shooter = true;
            } else if (option == "--shot-ms" || option == "--hold-ms") {
                shooter = true;
                const auto [low, high] = split(value(), option);
                const int l = toInt(low, 20, 60'000, option);
                const int h = toInt(high, l, 60'000, option);
                (option == "--shot-ms" ? model.shotLowMs : model.holdLowMs) = l;
                (option == "--shot-ms" ? model.shotHighMs : model.holdHighMs) = h;
            } else if (option == "--jerk") {
                shooter = true;
                model.jerk = toDouble(value(), 0.0, 1.0, option);
            } else if (option == "--release") {
                shooter = true;
                model.release = toDouble(value(), 0.0, 1.0, option);
            } else if (option == "--takeup-seconds") {
                result.simulator.takeUpSeconds = toDouble(value(), 1.0, 60.0, option);
            } else if (option == "--threshold") {
                result.threshold = toInt(value(), 0, 254, option);
            } else if (option == "--battery") {
                result.batteryVolts = toDouble(value(), 0.0, 5.1, option);
            } else if (option == "--report-every") {
                result.simulator.reportEvery = toInt(value(), 0, 1'000'000, option);
            } else if (option == "--script") {
                result.scriptPath = value();
            } else if (option == "--bank") {
                result.bank = toInt(value(), 1, 4, option);
            } else if (option == "--fill-bank") {
                const auto [bank, count] = split(value(), option);
                result.fillBanks.emplace_back(toInt(bank, 1, 4, option),
                                              toInt(count, 0, 10'000, option));
            } else if (option == "--gain") {
                result.gain = toInt(value(), 0, kGainSteps - 1, option);
            } else if (option == "--state") {
                result.simulator.statePath = value();
            } else if (option == "--log") {
                result.simulator.logPath = value();
            } else if (option == "--short-reply") {
                const auto [command, count] = split(value(), option);
                result.faults[toCommand(command, option)] =
                    ReplyFault{ReplyFault::Kind::Short, toInt(count, 0, 100, option), 0, false};
            } else if (option == "--no-reply") {
                result.faults[toCommand(value(), option)] =
                    ReplyFault{ReplyFault::Kind::Missing, 0, 0, false};
            } else if (option == "--late-reply") {
                const auto [command, ms] = split(value(), option);
                result.faults[toCommand(command, option)] =
                    ReplyFault{ReplyFault::Kind::Late, 0, toInt(ms, 0, 60'000, option), false};
            } else if (option == "--hangup-after-reply") {
                const auto [command, count] = split(value(), option);
                result.faults[toCommand(command, option)] =
                    ReplyFault{ReplyFault::Kind::HangUp, toInt(count, 0, 100, option), 0, false};
            } else if (option == "--unplug-on") {
                const auto [command, count] = split(value(), option);
                ReplyFault fault{ReplyFault::Kind::Unplug, 0, 0, true};
                fault.skip = toInt(count, 1, 1'000'000, option) - 1;
                result.faults[toCommand(command, option)] = fault;
            } else if (option == "--fault-once") {
                faultsOnce = true;
            } else if (option == "--noise") {
                result.noise = toInt(value(), 0, 100'000, option);
            } else if (option == "--burst") {
                result.burst = toInt(value(), 1, 10'000'000, option);
            } else if (option == "--hangup-mid-record") {
                result.hangUpMidRecord = toInt(value(), 0, 100'000, option);
            } else if (option == "--calibration-error") {
                result.calibrationError = true;
            } else if (option == "--restart-after") {
                result.restartAfter = toDouble(value(), 0.0, 1e6, option);
            } else if (option == "--restart-every") {
                result.restartEvery = toDouble(value(), 0.001, 1e6, option);
            } else if (option == "--takeup-at-start") {
                result.takeUpAtStart = true;
            } else if (option == "--takeup-on") {
                result.takeUpOnCommand = toCommand(value(), option);
            } else if (option == "--threshold-change-after") {
                const auto [seconds, rest] = split(value(), option);
                CommandLine::ThresholdChange change;
                change.after = toDouble(seconds, 0.0, 1e6, option);
                std::string threshold = rest;
                if (const auto colon = rest.find(':'); colon != std::string::npos) {
                    if (rest.substr(colon + 1) != "report") {
                        throw std::invalid_argument(option + " expects S:T or S:T:report, not '" +
                                                    arguments[i] + "'");
                    }
                    threshold = rest.substr(0, colon);
                    change.report = true;
                }
                change.threshold = toInt(threshold, 0, 254, option);
                result.thresholdChanges.push_back(change);
            } else if (option == "--usb-adapter") {
                result.simulator.line = LineModel::UsbAdapter();
            } else if (option == "--line-rate") {
                result.simulator.line.bytePacing = true;
            } else if (option == "--latency") {
                result.simulator.line.latencyMs = toInt(value(), 0, 1000, option);
            } else if (option == "--packet") {
                result.simulator.line.burstBytes = toInt(value(), 0, 65'536, option);
            } else if (option == "--uart-tail") {
                result.simulator.line.uartTail = toInt(value(), 0, 1000, option);
            } else if (option == "--free-running-latency") {
                freeRunning = true;
            } else if (option == "--unplug-after") {
                result.unplugAfter = toDouble(value(), 0.0, 1e6, option);
            } else if (option == "--replug-after") {
                result.replugAfter = toDouble(value(), 0.0, 1e6, option);
            } else if (option == "--unplug-every") {
                result.unplugEvery = toDouble(value(), 0.0, 1e6, option);
            } else if (option == "--replug-com") {
                result.replugCom = toInt(value(), 1, 99, option);
            } else if (option == "--stable-link") {
                result.stableLink = value();
            } else {
                throw std::invalid_argument("unknown option '" + option + "'");
            }
        }
    } catch (const std::invalid_argument& error) {
        return error.what();
    }
    for (auto& [command, fault] : result.faults) {
        // Only the K-th answer unplugs; a device that is back answers again.
        fault.once = faultsOnce || fault.kind == ReplyFault::Kind::Unplug;
    }
    if (shooter) {
        model.noShot = shotsGiven ? 1.0 - result.simulator.shotProbability : 0.0;
        result.simulator.shooter = model;
    }
    // After the options, so that --usb-adapter may come after it.
    if (freeRunning) {
        result.simulator.line.freeRunningTimer = true;
        if (result.simulator.line.latencyMs == 0) {
            result.simulator.line.latencyMs = LineModel::UsbAdapter().latencyMs;
        }
    }
    return {};
}

}  // namespace ostrevik::qtxsim
