// Training sessions at the real rate (a sample every 20 ms) over a line that
// behaves like a device behind a USB serial adapter (19200 baud, bytes handed
// over every 16 ms, two more samples after a pause), with the service dialogs
// opened while the shooter trains and the device unplugged and plugged back:
// capture never stalls, no take-up is lost or merged, and every pause of ours
// ends in a resume.
//
// OSTREVIK_SESSION_TAKEUPS sets the take-ups of the random session (20 by
// default; scripts/soak runs 200).

#include "AppFixture.h"

#include "evaluation/ui/VariablesWindow.h"
#include "service/BankLevels.h"
#include "service/ui/MemoryBankDialog.h"

#include "app/LiveBar.h"
#include "service/ui/GainDialog.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <cstdio>
#include <random>

using namespace ostrevik;
using test::waitUntil;

namespace {

class SessionTest : public test::AppFixture {
protected:
    void startSession(uint32_t seed, const std::function<void()>& beforeStart = {}) {
        qtxsim::SimulatorOptions options;
        options.pace = qtxsim::Pace::RealTime;
        options.seed = seed;
        options.reportEvery = 3;
        options.line = qtxsim::LineModel::UsbAdapter();
        // A byte trace of the line, when asked for: what to look at if a
        // session stalls.
        options.logPath = qEnvironmentVariable("OSTREVIK_SESSION_LOG").toStdString();
        sim = &addDevice(1, options);
        if (beforeStart) {
            beforeStart();
        }
        start();
        doc = newDocument();
        ASSERT_NE(doc, nullptr);
    }

    int finished() const { return doc->Liste->Anzahl() - 1; }

    // Waits until a take-up is under way with some samples in.
    bool takeUpUnderWay() {
        return waitUntil(
            [&] {
                return form->Session().Decoder().InsideRecord() &&
                       doc->Liste->Letzter().AnzahlWerte() >= 10;
            },
            15000);
    }

    // The service dialog opened by the action is open until `until` holds
    // (or it closes by itself), then closed.
    // The zero calibration is left to end by itself.
    void openDialog(QAction* action, const std::function<bool()>& until) {
        const bool calibration = action == form->Actions().Nullabgleich1;
        if (calibration) {
            ui.answerFor = [](const test::MessageCall& m) -> std::optional<MessageAnswer> {
                if (m.text.startsWith(QStringLiteral("Bitte den Abzug"))) {
                    return MessageAnswer::Ok;
                }
                if (m.text.startsWith(QStringLiteral("Es läuft gerade"))) {
                    return MessageAnswer::Yes;  // wait for the take-up's end
                }
                return MessageAnswer::No;  // store nothing
            };
        }
        ui.whileOpen([&](QDialog& d) {
            if (action == form->Actions().Verstaerkung1) {
                // The gain shown is the device's, whatever the stream did.
                EXPECT_EQ(form->Service().GainDialog().ComboBox1->currentIndex(),
                          sim->GetVariables().gain);
            }
            waitUntil([&] { return (!calibration && until()) || !d.isVisible(); }, 20000);
            if (d.isVisible()) {
                d.reject();
            }
        });
        ++dialogsOpened;
        action->trigger();
        ui.answerFor = nullptr;
    }

    // Only the zero calibration has something to say.
    void expectOnlyCalibrationMessages() {
        for (const test::MessageCall& m : ui.messages) {
            EXPECT_TRUE(m.text.startsWith(QStringLiteral("Bitte den Abzug")) ||
                        m.text.startsWith(QStringLiteral("Es läuft gerade")) ||
                        m.text.startsWith(QStringLiteral("Eichung erfolgreich")) ||
                        m.text.startsWith(QStringLiteral("Bei der Eichung")))
                << m.text.toStdString();
        }
    }

    std::vector<QAction*> serviceActions() const {
        return {form->Actions().Verstaerkung1, form->Actions().Variableninhalte1,
                form->Actions().Nullabgleich1, form->Actions().Tongenerator1,
                form->Actions().Speicher};
    }

    // Every take-up the device sent is in the document, in order, one record
    // each: whole, or (cut by an exchange) with the samples that reached the
    // program. Returns how many are whole.
    int expectEveryTakeUpKept() {
        const auto sent = sim->SentRecords();
        EXPECT_EQ(finished(), static_cast<int>(sent.size()));
        int whole = 0;
        for (int i = 0; i < std::min(finished(), static_cast<int>(sent.size())); ++i) {
            const qtxsim::Record& from = sent[static_cast<size_t>(i)].record;
            const Raster_t& got = doc->Liste->Datensatz(i);
            EXPECT_EQ(got.Tonschwelle, from.threshold) << "record " << i;
            auto at = from.samples.begin();
            for (uint8_t s : got.Werte) {
                at = std::find(at, from.samples.end(), s);
                if (at == from.samples.end()) {
                    ADD_FAILURE() << "record " << i << " holds samples the take-up did not have";
                    break;
                }
                ++at;
            }
            if (got.Werte == from.samples) {
                ++whole;
            } else {
                std::printf("record %d cut: %zu of %zu samples\n", i, got.Werte.size(),
                            from.samples.size());
            }
        }
        return whole;
    }

    void expectEveryPauseResumed() {
        EXPECT_TRUE(waitUntil([&] { return !form->Session().Decoder().StreamPaused; }, 3000));
        const qtxsim::Bytes received = sim->Received();
        EXPECT_EQ(std::count(received.begin(), received.end(), 0x11),
                  std::count(received.begin(), received.end(), 0x13));
        EXPECT_FALSE(sim->Paused());
    }

    qtxsim::Simulator* sim = nullptr;
    TMDIChild* doc = nullptr;
    int dialogsOpened = 0;
};

}  // namespace

// Each service dialog is opened during a take-up and closed after the take-up
// has ended on the device: the take-up arrives whole, and the next one is
// captured.
TEST_F(SessionTest, ATakeUpEndingWhileAServiceDialogIsOpenIsFollowedByTheNext) {
    startSession(31);
    const std::vector<QAction*> actions = serviceActions();
    sim->QueueTakeUps(static_cast<int>(actions.size()) + 1);
    for (QAction* action : actions) {
        ASSERT_TRUE(takeUpUnderWay()) << action->text().toStdString();
        const size_t before = sim->SentRecords().size();
        openDialog(action, [&] { return sim->SentRecords().size() > before; });
        ASSERT_TRUE(waitUntil([&] { return finished() > static_cast<int>(before); }, 10000))
            << action->text().toStdString() << ": the take-up never ended";
    }
    ASSERT_TRUE(
        waitUntil([&] { return finished() == static_cast<int>(actions.size()) + 1; }, 20000))
        << finished();
    EXPECT_EQ(expectEveryTakeUpKept(), static_cast<int>(actions.size()) + 1);
    expectEveryPauseResumed();
    expectOnlyCalibrationMessages();
}

// Three take-ups measured with the memory bank dialog open reach the
// document sample for sample, and the levels are renewed after each (the
// device stores live take-ups in its bank).
TEST_F(SessionTest, TakeUpsWithTheBankDialogOpenArriveWholeAndRenewTheLevels) {
    startSession(7);
    TPvxDatenLoggerDlg& banks = form->Service().MemoryBankDialog();
    ui.whileOpen([&](QDialog& d) {
        const size_t start = sim->Received().size();
        sim->QueueTakeUps(3);
        for (int n = 1; n <= 3; ++n) {
            ASSERT_TRUE(waitUntil([&] { return finished() == n; }, 15000));
            const QString level = BankLevelText(static_cast<int>(sim->BankContents(1).size()));
            EXPECT_TRUE(waitUntil([&] { return banks.StaticTexts[0]->text() == level; }, 1000))
                << n << ": " << banks.StaticTexts[0]->text().toStdString();
        }
        // Renewed once per take-up, shortly after its end, not per sample.
        auto renewals = [&] {
            const qtxsim::Bytes received = sim->Received();
            return std::count(received.begin() + static_cast<long>(start), received.end(), 0x6B);
        };
        EXPECT_TRUE(waitUntil([&] { return renewals() == 3; }, 1000));
        QTest::qWait(300);
        EXPECT_EQ(renewals(), 3);
        d.reject();
    });
    form->Actions().Speicher->trigger();
    EXPECT_EQ(expectEveryTakeUpKept(), 3);
    EXPECT_TRUE(ui.messages.empty());
}

// A session with every service dialog opened and closed at random moments:
// every take-up that met no exchange is whole, every one an exchange cut is
// a record of its own, none is merged or lost, and capture runs to the end.
TEST_F(SessionTest, ARandomSessionWithEveryServiceDialogKeepsEveryTakeUp) {
    const int takeUps = qEnvironmentVariableIsSet("OSTREVIK_SESSION_TAKEUPS")
                            ? qEnvironmentVariableIntValue("OSTREVIK_SESSION_TAKEUPS")
                            : 20;
    startSession(2026);
    sim->QueueTakeUps(takeUps);
    std::mt19937 random(4711);
    const std::vector<QAction*> actions = serviceActions();
    QElapsedTimer timer;
    timer.start();
    while (finished() < takeUps && timer.elapsed() < takeUps * 15000LL) {
        QTest::qWait(std::uniform_int_distribution<int>(200, 2500)(random));
        QAction* action = actions[random() % actions.size()];
        const int openMs = std::uniform_int_distribution<int>(100, 1500)(random);
        QElapsedTimer open;
        open.start();
        openDialog(action, [&] { return open.elapsed() >= openMs; });
    }
    ASSERT_TRUE(waitUntil([&] { return finished() == takeUps; }, 15000))
        << finished() << " of " << takeUps << " finished; device " << sim->TakeUpsQueued()
        << " queued, paused " << sim->Paused() << "; decoder state "
        << int{form->Session().Decoder().StreamState} << ", paused "
        << form->Session().Decoder().StreamPaused;
    const int whole = expectEveryTakeUpKept();
    expectEveryPauseResumed();
    expectOnlyCalibrationMessages();
    std::printf("session: %d take-ups in %lld s, %d whole, %d dialogs opened\n", takeUps,
                static_cast<long long>(timer.elapsed() / 1000), whole, dialogsOpened);
}

// The trainer is unplugged in the middle of a take-up and plugged back two
// seconds later, on another node as USB adapters often come back: the cut
// take-up stays a record of its own, the program finds the adapter again by
// its stable name and goes on capturing by itself, and nothing is merged.
TEST_F(SessionTest, UnpluggedMidTakeUpAndPluggedBackCaptureGoesOnByItself) {
    QTemporaryDir byId;
    qputenv("OSTREVIK_SERIAL_BY_ID", QFile::encodeName(byId.path()));
    struct Restore {
        ~Restore() { qunsetenv("OSTREVIK_SERIAL_BY_ID"); }
    } restore;
    startSession(
        99, [&] { sim->LinkStable(byId.path().toStdString(), "usb-FTDI_FT232R_QTX-if00-port0"); });
    sim->QueueTakeUps(4);
    ASSERT_TRUE(takeUpUnderWay());
    sim->Unplug();
    ASSERT_TRUE(waitUntil([&] { return !form->Session().ComPort1().Connected(); }, 3000));
    ASSERT_TRUE(waitUntil([&] { return ui.messages.size() == 1u; }, 1000));
    EXPECT_EQ(form->LiveBarWidget().value(), 0);
    QTest::qWait(2000);

    sim->Replug(2);
    QElapsedTimer back;
    back.start();
    ASSERT_TRUE(waitUntil([&] { return form->Session().ComPort1().Connected(); }, 3000));
    std::printf("connected again %lld ms after the replug\n",
                static_cast<long long>(back.elapsed()));
    EXPECT_EQ(form->Session().ComPort1().Port(), QStringLiteral("COM2"));
    EXPECT_EQ(form->StatusText(),
              QStringLiteral("Verbindung zur Hardware QTX an COM2 wiederhergestellt"));
    ASSERT_TRUE(waitUntil([&] { return finished() == 2; }, 15000)) << finished();

    // Out for a moment only: the device is still in its take-up when it is
    // back, and the rest of it must not become a record or messages.
    ASSERT_TRUE(takeUpUnderWay());
    sim->Unplug();
    ASSERT_TRUE(waitUntil([&] { return !form->Session().ComPort1().Connected(); }, 3000));
    sim->Replug();
    ASSERT_TRUE(waitUntil([&] { return form->Session().ComPort1().Connected(); }, 3000));
    ASSERT_TRUE(waitUntil([&] { return finished() == 4; }, 20000)) << finished();

    const auto cut = sim->CutRecords();
    const auto whole = sim->SentRecords();
    ASSERT_EQ(cut.size(), 2u);
    ASSERT_EQ(whole.size(), 2u);
    // Each cut take-up: the samples that arrived before the unplug, alone;
    // each take-up after a return whole.
    for (int i = 0; i < 2; ++i) {
        const std::vector<uint8_t>& sent = cut[static_cast<size_t>(i)].record.samples;
        const std::vector<uint8_t>& kept = doc->Liste->Datensatz(2 * i).Werte;
        ASSERT_GE(kept.size(), 10u) << i;
        EXPECT_TRUE(std::equal(kept.begin(), kept.end(), sent.begin())) << i;
        EXPECT_EQ(kept.size() + 2, static_cast<size_t>(cut[static_cast<size_t>(i)].bytesBeforeCut));
        EXPECT_EQ(doc->Liste->Datensatz(2 * i + 1).Werte,
                  whole[static_cast<size_t>(i)].record.samples)
            << i;
    }
    std::printf("second cut: %zu bytes before, %zu after the replug\n",
                static_cast<size_t>(cut[1].bytesBeforeCut),
                static_cast<size_t>(cut[1].bytesAfterCut));
    EXPECT_EQ(ui.messages.size(), 2u);
    expectEveryPauseResumed();
}
