#include "ServiceFixture.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialog>

#include <gtest/gtest.h>

using namespace ostrevik;
using namespace ostrevik::test;
using namespace std::chrono_literals;

namespace {

const QString kLost = QStringLiteral("Die Verbindung zur Hardware QTX an COM1 ist unterbrochen!");

struct Case {
    const char* name;
    uint8_t command;  // the exchange the device hangs up in
    int bytesBefore;  // reply bytes that still arrive
    QAction* MainActions::*menu;
};

class UnplugTest : public ServiceFixture, public ::testing::WithParamInterface<Case> {};

}  // namespace

// The trainer is unplugged in the middle of a service dialog's exchange: the
// program stays responsive, the dialog ends, the user is told once that the
// connection is lost, and "Connect " connects again once the device is back.
TEST_P(UnplugTest, InTheMiddleOfAServiceExchange) {
    const Case c = GetParam();
    TMDIChild* doc = newDocument();
    sim->SetReplyFault(c.command, {qtxsim::ReplyFault::Kind::HangUp, c.bytesBefore, 0, true});
    whileOpen([&](QDialog& dialog) {
        // Whatever the dialog shows, the program goes on handling events.
        waitUntil([&] { return !form->Session().ComPort1().Connected() || !dialog.isVisible(); },
                  3000);
        waitUntil([&] { return !dialog.isVisible(); }, 300);
        if (dialog.isVisible()) {
            dialog.reject();
        }
    });
    (form->Actions().*c.menu)->trigger();
    ASSERT_TRUE(waitUntil([&] { return !form->Session().ComPort1().Connected(); }, 5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(ui.messageTexts().filter(kLost).size(), 1)
        << ui.messageTexts().join(" | ").toStdString();
    EXPECT_TRUE(form->Actions().Connect1->isEnabled());
    EXPECT_EQ(form->Documents().Active(), doc);

    // The device is back under the same name.
    sim.reset();
    sim = startSimulator(ports, 1);
    form->Actions().Connect1->trigger();
    ASSERT_TRUE(form->Session().ComPort1().Connected());
    EXPECT_EQ(ui.messageTexts().filter(kLost).size(), 1);
    expectDecoderReceives(doc);
}

INSTANTIATE_TEST_SUITE_P(
    EveryServiceDialog, UnplugTest,
    ::testing::Values(Case{"Gain", 0x62, 4, &MainActions::Verstaerkung1},
                      Case{"ToneGenerator", 0x62, 3, &MainActions::Tongenerator1},
                      Case{"Variables", 0x62, 5, &MainActions::Variableninhalte1},
                      Case{"ZeroCalibration", 0x2B, 1, &MainActions::Nullabgleich1},
                      Case{"MemoryBanks", 0x6B, 8, &MainActions::Speicher}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });
