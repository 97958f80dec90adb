#include "common/Texts.h"
#include "service/ui/ZeroCalibrationDialog.h"

#include "ServiceFixture.h"

#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include <thread>

using namespace ostrevik;
using namespace ostrevik::test;
using qtxsim::Bytes;

namespace {

const QString kConfirm = QStringLiteral("Bitte den Abzug während der Eichung nicht berühren !");
const QString kSuccess =
    QStringLiteral("Eichung erfolgreich beendet!\r\nWerte ins EEPROM speichern?");
const QString kFailed = QStringLiteral("Bei der Eichung ist ein Fehler aufgetreten");

class ZeroCalibrationDialogTest : public ServiceFixture {
protected:
    TFormNullabgleichDlg& dialog() { return form->Service().ZeroCalibrationDialog(); }

    // Runs a calibration to its end: the dialog closes by itself.
    void calibrate() {
        whileOpen([](QDialog& d) { EXPECT_TRUE(waitUntil([&] { return !d.isVisible(); })); });
        form->Actions().Nullabgleich1->trigger();
    }
};

}  // namespace

TEST_F(ZeroCalibrationDialogTest, SuccessOffersToStoreAndYesSendsStore) {
    TMDIChild* doc = newDocument();
    ui.messageAnswers = {MessageAnswer::Ok, MessageAnswer::Yes};
    const size_t m = mark();
    calibrate();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, kConfirm);
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Meldung"));
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(ui.messages[1].text, kSuccess);
    EXPECT_EQ(ui.messages[1].caption, QStringLiteral("Meldung"));
    EXPECT_EQ(ui.messages[1].buttons, MessageButtons::YesNo);
    EXPECT_EQ(dialog().ReceivedText(), QByteArray("Nullabgleich: OK\r\n"));
    EXPECT_TRUE(waitForExactly(m, {0x11, 0x2B, 0x13, 0x11, 0x30, 0x13, 0x73}));
    EXPECT_EQ(sim->GetVariables().eNull, sim->GetVariables().pNull);
    EXPECT_FALSE(dialog().Timer1->isActive());
    expectDecoderReceives(doc);

    // No: nothing stored.
    ui.messages.clear();
    ui.messageAnswers = {MessageAnswer::Ok, MessageAnswer::No};
    const size_t again = mark();
    calibrate();
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_TRUE(waitForExactly(again, {0x11, 0x2B, 0x13, 0x11, 0x30, 0x13}));
}

TEST_F(ZeroCalibrationDialogTest, AnErrorInTheTextOnlyTellsAndDoesNotMarkLaterCalibrations) {
    sim->SetCalibrationFails(true);
    ui.messageAnswers = {MessageAnswer::Ok};
    size_t m = mark();
    calibrate();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text, kFailed);
    EXPECT_EQ(ui.messages[1].caption, QStringLiteral("Fehler"));
    EXPECT_EQ(ui.messages[1].buttons, MessageButtons::Ok);
    EXPECT_TRUE(waitForExactly(m, {0x11, 0x2B, 0x13, 0x11, 0x30, 0x13}));

    // The next calibration succeeds and is judged by its own text.
    sim->SetCalibrationFails(false);
    ui.messages.clear();
    ui.messageAnswers = {MessageAnswer::Ok, MessageAnswer::Yes};
    m = mark();
    calibrate();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text, kSuccess);
    EXPECT_TRUE(waitForExactly(m, {0x11, 0x2B, 0x13, 0x11, 0x30, 0x13, 0x73}));
}

TEST_F(ZeroCalibrationDialogTest, TheEndByteEndsTheCalibrationWhereverItStands) {
    // The text goes on to report an error, but an end byte comes first: only
    // the text before it counts.
    sim->SetReplyFault(0x30, qtxsim::ReplyFault{qtxsim::ReplyFault::Kind::Missing, 0, 0, true});
    ui.messageAnswers = {MessageAnswer::Ok, MessageAnswer::No};
    const size_t m = mark();
    std::thread early([&] {
        if (sim->WaitForReceived({0x11, 0x30}, std::chrono::seconds(5), m)) {
            sim->InjectNow({'o', 'k', 0x30, 'F', 'e', 'h', 'l', 'e', 'r'});
        }
    });
    calibrate();
    early.join();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text, kSuccess);
}

TEST_F(ZeroCalibrationDialogTest, StreamBytesBeforeTheStartAreNotTakenForItsText) {
    // A record that ends while the user reads the confirmation belongs to the
    // document; its bytes (0x30 among them) neither end nor mark the
    // calibration.
    TMDIChild* doc = newDocument();
    ui.messageAnswers = {MessageAnswer::Ok, MessageAnswer::No};
    ui.duringMessage = [&](const test::MessageCall& call) {
        if (call.text == kConfirm) {
            sim->InjectNow({0x02, 0x50, 0x30, 0x46, 0x03});
            ASSERT_TRUE(sim->WaitUntilSent(std::chrono::seconds(2)));
            QTest::qWait(30);
        }
    };
    calibrate();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].text, kSuccess);
    EXPECT_EQ(dialog().ReceivedText(), QByteArray("Nullabgleich: OK\r\n"));
    ASSERT_EQ(doc->Liste->Anzahl(), 2);
    EXPECT_EQ(doc->Liste->Datensatz(0).Werte, (std::vector<uint8_t>{0x30, 0x46}));
}

TEST_F(ZeroCalibrationDialogTest, CancelledConfirmationSendsNothingMoreAndWaitsForAbbrechen) {
    TMDIChild* doc = newDocument();
    ui.messageAnswers = {MessageAnswer::Cancel};
    const size_t m = mark();
    whileOpen([&](QDialog& d) {
        EXPECT_FALSE(dialog().Timer1->isActive());
        QTest::qWait(150);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(dialog().ProgressBar1->value(), 0);
        QTest::keyClick(dialog().Button1, Qt::Key_Escape);
        EXPECT_FALSE(d.isVisible());
    });
    form->Actions().Nullabgleich1->trigger();
    EXPECT_EQ(ui.messages.size(), 1u);  // no evaluation after an abort
    EXPECT_TRUE(waitForExactly(m, {0x11, 0x2B, 0x13}));
    expectDecoderReceives(doc);
}

TEST_F(ZeroCalibrationDialogTest, NoAnswerToTheStatusRequestClosesAtTheFirstTick) {
    sim->SetReplyFault(0x2B, {qtxsim::ReplyFault::Kind::Short, 1, 0, true});
    const size_t m = mark();
    calibrate();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              QStringLiteral("Konnte den Nullabgleich nicht einleiten.\n\r"
                             "Möglicherweise ist das Gerät nicht angeschlossen !"));
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Fehler"));
    EXPECT_TRUE(waitForExactly(m, {0x11, 0x2B, 0x13}));
    EXPECT_TRUE(dialog().Aborted());
}

TEST_F(ZeroCalibrationDialogTest, TheBarRunsToAndFroWhileTheDeviceWorks) {
    // A device that never ends its calibration.
    sim->SetReplyFault(0x30, {qtxsim::ReplyFault::Kind::Missing, 0, 0, true});
    ui.messageAnswers = {MessageAnswer::Ok};
    whileOpen([&](QDialog& d) {
        // Driven tick by tick: up from 0, one unit per tick, back from 100.
        dialog().Timer1->stop();
        EXPECT_EQ(dialog().ProgressBar1->value(), 0);
        dialog().Timer1Timer();  // rests at 0 for one tick
        EXPECT_EQ(dialog().ProgressBar1->value(), 0);
        for (int i = 0; i < 100; ++i) {
            dialog().Timer1Timer();
        }
        EXPECT_EQ(dialog().ProgressBar1->value(), 100);
        dialog().Timer1Timer();  // turns at the top
        EXPECT_EQ(dialog().ProgressBar1->value(), 99);
        EXPECT_TRUE(d.isVisible());
        dialog().Button1->click();
    });
    form->Actions().Nullabgleich1->trigger();
    EXPECT_EQ(ui.messages.size(), 1u);
}

// A take-up under way when the calibration would start: the user is told why
// it cannot start yet and may wait for its end; its bytes (a sample 0x30
// among them) belong to the document and never end the calibration.
TEST_F(ZeroCalibrationDialogTest, ATakeUpUnderWayIsWaitedForOrTheCalibrationNotStarted) {
    const QString kInFlight = Texts::CalibrationWaitsForTakeUp();
    TMDIChild* doc = newDocument();
    ui.messageAnswers = {MessageAnswer::Ok, MessageAnswer::Yes, MessageAnswer::No};
    ui.duringMessage = [&](const test::MessageCall& call) {
        if (call.text == kConfirm) {
            sim->InjectNow({0x02, 0x50, 0x30, 0x46});
            ASSERT_TRUE(waitUntil([&] { return doc->Liste->Letzter().AnzahlWerte() == 2; }));
        } else if (call.text == kInFlight) {
            sim->InjectNow({0x47, 0x03});
        }
    };
    const size_t m = mark();
    calibrate();
    ASSERT_EQ(ui.messages.size(), 3u) << ui.messageTexts().join(" | ").toStdString();
    EXPECT_EQ(ui.messages[1].text, kInFlight);
    EXPECT_EQ(ui.messages[1].caption, QStringLiteral("Meldung"));
    EXPECT_EQ(ui.messages[1].buttons, MessageButtons::YesNo);
    EXPECT_EQ(ui.messages[2].text, kSuccess);
    EXPECT_EQ(dialog().ReceivedText(), QByteArray("Nullabgleich: OK\r\n"));
    ASSERT_EQ(doc->Liste->Anzahl(), 2);
    EXPECT_EQ(doc->Liste->Datensatz(0).Werte, (std::vector<uint8_t>{0x30, 0x46, 0x47}));
    // Paused for the calibration, the take-up seen and the pause lifted for
    // it, then paused again for the calibration itself.
    EXPECT_TRUE(waitForExactly(m, {0x11, 0x2B, 0x13, 0x11, 0x13, 0x6D, 0x11, 0x30, 0x13}));

    // Not waiting: nothing is started, the dialog waits for "&Abbrechen".
    ui.messages.clear();
    ui.messageAnswers = {MessageAnswer::Ok, MessageAnswer::No};
    ui.duringMessage = [&](const test::MessageCall& call) {
        if (call.text == kConfirm) {
            sim->InjectNow({0x02, 0x50, 0x30});
            ASSERT_TRUE(waitUntil([&] { return doc->Liste->Letzter().AnzahlWerte() == 1; }));
        }
    };
    const size_t again = mark();
    whileOpen([&](QDialog& d) {
        QTest::qWait(50);
        EXPECT_TRUE(d.isVisible());
        EXPECT_FALSE(dialog().Timer1->isActive());
        dialog().Button1->click();
    });
    form->Actions().Nullabgleich1->trigger();
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_TRUE(waitForExactly(again, {0x11, 0x2B, 0x13, 0x11, 0x13}));
}

// The port is opened while the trainer is in a take-up: its rest is skipped,
// and a zero calibration asked for meanwhile waits for the rest's end (it
// would fail with the trigger pressed, and its text must not be skipped
// with the rest), then runs to its end.
TEST_F(ZeroCalibrationDialogTest, ACalibrationDuringTheRestOfAnUnseenTakeUpWaitsForItsEnd) {
    newDocument();
    qtxsim::SimulatorOptions options;
    options.pace = qtxsim::Pace::RealTime;
    options.line = qtxsim::LineModel::UsbAdapter();
    options.reportEvery = 0;
    const auto other = startSimulator(ports, 2, options);
    qtxsim::Record record{0x50, std::vector<uint8_t>(100, 0x40)};
    other->QueueRecord(record);
    ASSERT_TRUE(other->StartTakeUpNow());
    QTest::qWait(200);
    form->Session().ChangePort(QStringLiteral("COM2"));
    ASSERT_TRUE(form->Session().Decoder().Skipping());
    ui.messageAnswers = {MessageAnswer::Ok, MessageAnswer::Yes, MessageAnswer::No};
    whileOpen([](QDialog& d) {
        EXPECT_TRUE(waitUntil([&] { return !d.isVisible(); }, 8000));
        if (d.isVisible()) {
            d.reject();
        }
    });
    form->Actions().Nullabgleich1->trigger();
    ASSERT_EQ(ui.messages.size(), 3u) << ui.messageTexts().join(" | ").toStdString();
    EXPECT_EQ(ui.messages[1].text, Texts::CalibrationWaitsForTakeUp());
    EXPECT_EQ(ui.messages[2].text, kSuccess);
    EXPECT_EQ(dialog().ReceivedText(), QByteArray("Nullabgleich: OK\r\n"));
    form->Session().Disconnect();
}
