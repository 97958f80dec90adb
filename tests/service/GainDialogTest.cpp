#include "service/ui/GainDialog.h"

#include "ServiceFixture.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QtTest/QTest>

using namespace ostrevik;
using namespace ostrevik::test;
using qtxsim::Bytes;

namespace {

const QString kGainUnreadable = QStringLiteral(
    "Aktuelle Verstärkung kann nicht ausgelesen werden!\n\r"
    "möglicherweise ist das Gerät nicht angeschlossen!");

class GainDialogTest : public ServiceFixture {
protected:
    TFormVerstarkungDlg& dialog() { return form->Service().GainDialog(); }

    void setGain(uint8_t gain) {
        qtxsim::Variables v = sim->GetVariables();
        v.gain = gain;
        v.extra9 = 0x02;  // a record start, should the tenth byte ever reach the decoder
        sim->SetVariables(v);
    }
};

}  // namespace

TEST_F(GainDialogTest, ShowsTheDeviceGainPlusOneAndSendsEveryChoice) {
    TMDIChild* doc = newDocument();
    setGain(239);
    QString shown;
    const size_t m = mark();
    whileOpen([&](QDialog&) {
        shown = dialog().ComboBox1->currentText();
        EXPECT_TRUE(dialog().ComboBox1->isEnabled());
        EXPECT_EQ(QApplication::focusWidget(), dialog().ComboBox1);
        // Choices by the keyboard send each one pair; up to the first entry.
        QTest::keyClick(dialog().ComboBox1, Qt::Key_Home);
        QTest::keyClick(dialog().ComboBox1, Qt::Key_Down);
        QTest::keyClick(dialog().ComboBox1, Qt::Key_End);
        dialog().Button1->click();
    });
    form->Actions().Verstaerkung1->trigger();
    EXPECT_EQ(shown, QStringLiteral("240"));
    EXPECT_TRUE(waitForExactly(m, {0x11, 0x62, 0x13, 0x65, 0x00, 0x65, 0x01, 0x65, 0xEF}));
    EXPECT_EQ(sim->GetVariables().gain, 239);
    EXPECT_TRUE(ui.messages.empty());
    expectDecoderReceives(doc);
}

TEST_F(GainDialogTest, GainByteZeroShowsOneAndF7StoresAndCloses) {
    setGain(0);
    QString shown;
    bool visibleAfterF7 = true;
    const size_t m = mark();
    whileOpen([&](QDialog& d) {
        shown = dialog().ComboBox1->currentText();
        QTest::keyClick(dialog().ComboBox1, Qt::Key_F7);
        visibleAfterF7 = d.isVisible();
    });
    form->Actions().Verstaerkung1->trigger();
    EXPECT_EQ(shown, QStringLiteral("1"));
    EXPECT_FALSE(visibleAfterF7);
    EXPECT_TRUE(waitForExactly(m, {0x11, 0x62, 0x13, 0x73}));
    EXPECT_TRUE(form->Session().ComPort1().OnRxChar());
}

TEST_F(GainDialogTest, F7InTheMainWindowOpensTheDialog) {
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    bool opened = false;
    whileOpen([&](QDialog& d) { opened = &d == &dialog(); });
    QTest::keyClick(form.get(), Qt::Key_F7);
    EXPECT_TRUE(opened);
}

TEST_F(GainDialogTest, NoAnswerShowsTheMessageOnceAndSendsNothing) {
    sim->SetReplyFault(0x62, {qtxsim::ReplyFault::Kind::Short, 8, 0, true});
    const size_t m = mark();
    whileOpen([&](QDialog&) {
        EXPECT_FALSE(dialog().ComboBox1->isEnabled());
        EXPECT_FALSE(dialog().Button3->isEnabled());
        EXPECT_EQ(dialog().ComboBox1->currentIndex(), -1);
        EXPECT_EQ(QApplication::focusWidget(), dialog().Button1);
        QTest::keyClick(dialog().Button1, Qt::Key_F7);  // nothing to store
        QTest::keyClick(dialog().Button1, Qt::Key_F1);
        QTest::keyClick(dialog().Button1, Qt::Key_Escape);
    });
    form->Actions().Verstaerkung1->trigger();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kGainUnreadable);
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Fehler"));
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(ui.helpTopics, QStringList{QStringLiteral("Ovrik_Verstaerkung.html")});
    EXPECT_TRUE(waitForExactly(m, {0x11, 0x62, 0x13}));
    EXPECT_FALSE(dialog().isVisible());
}

TEST_F(GainDialogTest, WithThePortClosedTheDialogSaysSoInsteadOfFailing) {
    form->Session().Disconnect();
    whileOpen([&](QDialog&) { EXPECT_FALSE(dialog().ComboBox1->isEnabled()); });
    form->Service().Verstaerkung();  // the menu is disabled with the port closed
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kGainUnreadable);
}
