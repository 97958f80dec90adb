// qtx-sim: the QTX trigger trainer simulator as a program of its own.

#include "CommandLine.h"
#include "QtxSimulator.h"

#include <cmath>
#include <csignal>
#include <fstream>
#include <iostream>
#include <iterator>

using namespace ostrevik::qtxsim;

namespace {

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
    simulator.Start();

    std::cout << "QTX simulator on " << simulator.DevicePath() << "\n";
    if (!simulator.LinkPath().empty()) {
        std::cout << "Port link: " << simulator.LinkPath() << " -> " << simulator.DevicePath()
                  << "\n";
        std::cout << "Start the program with OSTREVIK_PORT_DIR=" << options.portDir
                  << " to use it as COM" << options.com << ".\n";
    }
    std::cout << "Ctrl+C ends the simulator; kill -USR1 " << getpid() << " unplugs it."
              << std::endl;

    bool measured = false;
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
        timespec wait{0, 100'000'000};
        const int signal = sigtimedwait(&signals, nullptr, &wait);
        if (signal == SIGUSR1) {
            simulator.HangUpNow();
        } else if (signal > 0) {
            std::cout << "Simulator stopped." << std::endl;
            return 0;
        }
    }
}
