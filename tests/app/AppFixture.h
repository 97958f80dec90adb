#pragma once

#include "app/DocumentCommands.h"
#include "app/DocumentManager.h"
#include "app/LiveBar.h"
#include "app/MainActions.h"
#include "app/MainWindow.h"
#include "measurement/ui/DocumentWindow.h"
#include "service/ui/ServiceWindows.h"

#include "PortTestSupport.h"
#include "ScriptedModalUi.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace ostrevik::test {

// The whole program in a test: the main window with its configuration file in
// a temporary directory, simulated devices on pseudo-terminals as its only
// serial ports, and scripted answers to every modal question.
class AppFixture : public ::testing::Test {
protected:
    ~AppFixture() override {
        form.reset();  // the port closes before the simulators go
        sims.clear();
    }

    qtxsim::Simulator& addDevice(int comNumber, qtxsim::SimulatorOptions options = {}) {
        sims.push_back(startSimulator(ports, comNumber, options));
        return *sims.back();
    }

    // Creates and shows the main window and waits until it has loaded the
    // settings and searched for the device.
    void start() {
        form = std::make_unique<TForm1>(configPath);
        form->show();
        ASSERT_TRUE(waitUntil([&] { return form->Started(); }, 5000));
    }

    TMDIChild* newDocument() {
        const int before = static_cast<int>(form->Documents().All().size());
        form->Documents().DateiNeu();
        EXPECT_EQ(form->Documents().All().size(), before + 1);
        return form->Documents().Active();
    }

    // Whether the program has sent the byte since the offset (waits while
    // processing events; the simulator's own wait would block the program).
    bool waitForSent(qtxsim::Simulator& sim, uint8_t byte, size_t from = 0, int timeoutMs = 3000) {
        return waitUntil(
            [&] {
                const qtxsim::Bytes got = sim.Received();
                return got.size() > from && std::find(got.begin() + static_cast<long>(from),
                                                      got.end(), byte) != got.end();
            },
            timeoutMs);
    }

    ScopedPortDir ports;
    QTemporaryDir dir;
    QString configPath = dir.filePath(QStringLiteral("Ostrevik.cfg"));
    ScriptedModalUi ui;
    std::vector<std::unique_ptr<qtxsim::Simulator>> sims;
    std::unique_ptr<TForm1> form;
};

}  // namespace ostrevik::test
