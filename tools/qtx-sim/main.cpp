// qtx-sim: the QTX trigger trainer simulator as a program of its own.

#include "CommandLine.h"
#include "QtxSimulator.h"

#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

using namespace ostrevik::qtxsim;

namespace {

using Clock = std::chrono::steady_clock;

std::optional<Clock::time_point> after(Clock::time_point from, double seconds) {
    if (seconds < 0) {
        return std::nullopt;
    }
    return from +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

// How long until `due`, for the wait of the main loop; max: never.
std::chrono::milliseconds until(const std::optional<Clock::time_point>& due,
                                Clock::time_point now) {
    if (!due) {
        return std::chrono::milliseconds::max();
    }
    return std::chrono::ceil<std::chrono::milliseconds>(*due - now);
}

// Pulls the device out and plugs it back in, when the options say so or on
// SIGUSR2.
class Plugging {
public:
    Plugging(const CommandLine& options, Simulator& simulator, Clock::time_point start)
        : options_(options),
          simulator_(simulator),
          number_(options.com),
          due_(after(start, options.unplugAfter)) {}

    void Toggle(Clock::time_point now) {
        if (simulator_.Plugged()) {
            simulator_.Unplug();
            std::cout << "Unplugged; the device goes on measuring." << std::endl;
            due_ = after(now, options_.replugAfter);
            out_ = true;
            return;
        }
        if (options_.replugCom > 0) {
            number_ = number_ == options_.com ? options_.replugCom : options_.com;
        }
        const std::string path = simulator_.Replug(number_);
        std::cout << "Plugged in again: " << path << " -> " << simulator_.DevicePath() << std::endl;
        due_ = after(now, options_.unplugEvery);
        out_ = false;
    }

    // Toggles when the time has come; returns how long to wait at most.
    std::chrono::milliseconds Poll(Clock::time_point now) {
        if (!out_ && !simulator_.Plugged() && !simulator_.HungUp()) {
            // Pulled out by a fault on a reply: back in as after an unplug.
            std::cout << "Unplugged on a reply; the device goes on measuring." << std::endl;
            due_ = after(now, options_.replugAfter);
            out_ = true;
        }
        if (due_ && *due_ <= now) {
            Toggle(now);
        }
        return until(due_, now);
    }

private:
    const CommandLine& options_;
    Simulator& simulator_;
    int number_;
    std::optional<Clock::time_point> due_;
    bool out_ = false;
};

// Restarts of the device and turns of its threshold knob at their times.
class Events {
public:
    Events(const CommandLine& options, Simulator& simulator, Clock::time_point start)
        : options_(options),
          simulator_(simulator),
          restart_(after(start,
                         options.restartAfter >= 0 ? options.restartAfter : options.restartEvery)) {
        for (const CommandLine::ThresholdChange& change : options.thresholdChanges) {
            thresholds_.emplace_back(*after(start, change.after), change);
        }
    }

    // Does what is due; returns how long to wait at most.
    std::chrono::milliseconds Poll(Clock::time_point now) {
        if (restart_ && *restart_ <= now) {
            simulator_.Restart();
            std::cout << "The device restarted; it waits for a Measure." << std::endl;
            restart_ = after(now, options_.restartEvery);
        }
        std::chrono::milliseconds wait = until(restart_, now);
        for (auto it = thresholds_.begin(); it != thresholds_.end();) {
            if (it->first <= now) {
                simulator_.SetThreshold(static_cast<uint8_t>(it->second.threshold),
                                        it->second.report);
                std::cout << "Threshold " << it->second.threshold
                          << (it->second.report ? ", reported." : ".") << std::endl;
                it = thresholds_.erase(it);
            } else {
                wait = std::min(wait, until(it->first, now));
                ++it;
            }
        }
        return wait;
    }

private:
    const CommandLine& options_;
    Simulator& simulator_;
    std::optional<Clock::time_point> restart_;
    std::vector<std::pair<Clock::time_point, CommandLine::ThresholdChange>> thresholds_;
};

// Bytes of a script file, or nullopt when it cannot be read.
std::optional<Bytes> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
    CommandLine options;
    const std::string error =
        ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), options);
    if (!error.empty()) {
        std::cerr << "qtx-sim: " << error << "\nTry 'qtx-sim --help'.\n";
        return 2;
    }
    if (options.help) {
        std::cout << UsageText();
        return 0;
    }
    std::optional<Bytes> script;
    if (!options.scriptPath.empty()) {
        script = readFile(options.scriptPath);
        if (!script) {
            std::cerr << "qtx-sim: cannot read " << options.scriptPath << "\n";
            return 1;
        }
    }

    // The signals are taken by sigtimedwait below, on this thread only; the
    // simulator's thread inherits the blocked mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGUSR1);
    sigaddset(&signals, SIGUSR2);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    options.simulator.keepHistory = false;  // it may run for hours
    Simulator simulator(options.simulator);
    try {
        if (options.device.empty()) {
            simulator.CreatePty();
        } else {
            simulator.OpenDevice(options.device);
        }
        if (!options.portDir.empty()) {
            simulator.LinkAs(options.portDir, options.com);
        }
        if (!options.stableLink.empty()) {
            const std::filesystem::path stable(options.stableLink);
            simulator.LinkStable(stable.has_parent_path() ? stable.parent_path().string() : ".",
                                 stable.filename().string());
        }
    } catch (const std::exception& failure) {
        std::cerr << "qtx-sim: " << failure.what() << "\n";
        return 1;
    }
    simulator.SetThreshold(static_cast<uint8_t>(options.threshold));
    simulator.SetBatteryRaw(static_cast<uint8_t>(std::lround(options.batteryVolts / 0.02)));
    simulator.SetBank(options.bank);
    if (options.gain >= 0) {
        Variables variables = simulator.GetVariables();
        variables.gain = static_cast<uint8_t>(options.gain);
        simulator.SetVariables(variables);
    }
    for (const auto& [bank, count] : options.fillBanks) {
        simulator.FillBank(bank, count);
    }
    for (const auto& [command, fault] : options.faults) {
        simulator.SetReplyFault(command, fault);
    }
    simulator.SetLineNoise(options.noise);
    simulator.SetCalibrationFails(options.calibrationError);
    if (options.hangUpMidRecord >= 0) {
        simulator.HangUpMidRecord(options.hangUpMidRecord);
    }
    const bool endless = options.takeUps < 0 && !script;
    if (!script && options.takeUps > 0) {
        simulator.QueueTakeUps(options.takeUps);
    }
    if ((endless || options.takeUpOnCommand || options.takeUpAtStart) &&
        simulator.TakeUpsQueued() == 0 && options.takeUps != 0) {
        simulator.QueueTakeUps(endless ? 2 : 1);
    }
    if (options.takeUpOnCommand) {
        simulator.StartTakeUpOnCommand(*options.takeUpOnCommand);
    }
    simulator.Start();
    if (options.takeUpAtStart) {
        simulator.StartTakeUpNow();
    }

    std::cout << "QTX simulator on " << simulator.DevicePath() << "\n";
    if (!simulator.LinkPath().empty()) {
        std::cout << "Port link: " << simulator.LinkPath() << " -> " << simulator.DevicePath()
                  << "\n";
        std::cout << "Start the program with OSTREVIK_PORT_DIR=" << options.portDir
                  << " to use it as COM" << options.com << ".\n";
    }
    if (!options.stableLink.empty()) {
        std::cout << "Stable link: " << options.stableLink << " -> " << simulator.DevicePath()
                  << "\n";
    }
    std::cout << "Ctrl+C ends the simulator; kill -USR1 " << getpid()
              << " unplugs it for good, kill -USR2 " << getpid()
              << " pulls it out and plugs it back in." << std::endl;

    const Clock::time_point start = Clock::now();
    Plugging plugging(options, simulator, start);
    Events events(options, simulator, start);
    bool measured = false;
    // Plugging back in needs a new pseudo-terminal, which may fail.
    try {
        for (;;) {
            if (endless && simulator.TakeUpsQueued() < 2) {
                simulator.QueueTakeUps(2);
            }
            if (!measured && simulator.WaitForReceived({kMeasure}, std::chrono::milliseconds(0))) {
                measured = true;
                if (options.burst > 0) {
                    simulator.InjectBurst(options.burst);
                }
                if (script) {
                    simulator.QueueScript(*script);
                }
            }
            if (simulator.HungUp()) {
                std::cout << "The line is hung up; the simulator ends." << std::endl;
                return 0;
            }
            const Clock::time_point now = Clock::now();
            const auto waitMs =
                std::clamp<int64_t>(std::min(plugging.Poll(now), events.Poll(now)).count(), 1, 100);
            timespec wait{0, static_cast<long>(waitMs) * 1'000'000};
            const int signal = sigtimedwait(&signals, nullptr, &wait);
            if (signal == SIGUSR1) {
                simulator.HangUpNow();
            } else if (signal == SIGUSR2) {
                plugging.Toggle(Clock::now());
            } else if (signal > 0) {
                std::cout << "Simulator stopped." << std::endl;
                return 0;
            }
        }
    } catch (const std::exception& failure) {
        std::cerr << "qtx-sim: " << failure.what() << "\n";
        return 1;
    }
}
