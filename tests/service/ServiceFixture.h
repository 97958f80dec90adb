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

#include <QDialog>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace ostrevik::test {

// The program's main window, started against the simulated trainer on COM1,
// with its start-up exchange done and no message shown.
class ServiceFixture : public ::testing::Test {
protected:
    void SetUp() override;
    ~ServiceFixture() override;

    // Bytes the device received since the mark.
    qtxsim::Bytes receivedSince(size_t mark) const;
    size_t mark() const { return sim->Received().size(); }
    // Waits (processing events) until the device has received exactly these
    // bytes since the mark.
    ::testing::AssertionResult waitForExactly(size_t mark, const qtxsim::Bytes& bytes,
                                              int timeoutMs = 3000) const;

    // "Datei neu": a new document window, made the active one.
    TMDIChild* newDocument();

    // The next modal dialog is shown and handed to body while "open"; the
    // dialog's result is what it closed with.
    void whileOpen(std::function<void(QDialog&)> body);

    // A record streamed by the device lands complete and unaltered in the
    // document: the live decoder has its handler back, and no stale reply
    // byte is waiting in front of the record.
    void expectDecoderReceives(TMDIChild* doc);

    ScopedPortDir ports;
    QTemporaryDir dir;
    ScriptedModalUi ui;
    std::unique_ptr<qtxsim::Simulator> sim;
    std::unique_ptr<TForm1> form;
};

}  // namespace ostrevik::test
