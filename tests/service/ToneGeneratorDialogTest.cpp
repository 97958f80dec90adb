#include "service/ui/ToneGeneratorDialog.h"

#include "ServiceFixture.h"

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest/QTest>

using namespace ostrevik;
using namespace ostrevik::test;
using qtxsim::Bytes;

namespace {

class ToneGeneratorDialogTest : public ServiceFixture {
protected:
    // A click on the item's circle, where a radio button takes it.
    static void clickItem(QRadioButton* item) {
        QTest::mouseClick(item, Qt::LeftButton, {}, QPoint(6, item->height() / 2));
    }

    TPvxTongenDlg& dialog() { return form->Service().ToneGeneratorDialog(); }

    void setToneFlag(uint8_t flag) {
        qtxsim::Variables v = sim->GetVariables();
        v.toneFlag = flag;
        // Record starts, should the unread rest of the reply ever reach the
        // decoder.
        v.extra8 = 0x02;
        v.extra9 = 0x02;
        sim->SetVariables(v);
    }

    // Opens the dialog on a device reporting flag; returns the item shown.
    int shownFor(uint8_t flag) {
        setToneFlag(flag);
        int shown = -2;
        whileOpen([&](QDialog&) {
            shown = dialog().ItemIndex();
            dialog().CancelBtn->click();
        });
        form->Actions().Tongenerator1->trigger();
        return shown;
    }
};

}  // namespace

TEST_F(ToneGeneratorDialogTest, BitZeroOfTheEighthByteIsTheDirection) {
    EXPECT_EQ(shownFor(0x00), 0);  // fallend
    EXPECT_EQ(shownFor(0x02), 0);
    EXPECT_EQ(shownFor(0x01), 1);  // steigend
    EXPECT_EQ(shownFor(0xFF), 1);
    EXPECT_EQ(dialog().Steigend->text(), QStringLiteral("steigend"));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ToneGeneratorDialogTest, OkSendsTheChosenDirectionCancelSendsNothing) {
    TMDIChild* doc = newDocument();
    setToneFlag(0x01);
    size_t m = mark();
    whileOpen([&](QDialog&) { QTest::keyClick(dialog().OKBtn, Qt::Key_Return); });
    form->Actions().Tongenerator1->trigger();
    EXPECT_TRUE(waitForExactly(m, {0x11, 0x62, 0x13, 0x11, 0x75, 0x31, 0x13}));
    EXPECT_EQ(dialog().result(), QDialog::Accepted);
    expectDecoderReceives(doc);

    m = mark();
    whileOpen([&](QDialog&) {
        clickItem(dialog().Fallend);
        dialog().OKBtn->click();
    });
    form->Actions().Tongenerator1->trigger();
    EXPECT_TRUE(waitForExactly(m, {0x11, 0x62, 0x13, 0x11, 0x75, 0x30, 0x13}));
    EXPECT_EQ(sim->GetVariables().toneFlag & 1, 0);

    m = mark();
    whileOpen([&](QDialog&) {
        clickItem(dialog().Steigend);
        QTest::keyClick(dialog().Steigend, Qt::Key_Escape);
    });
    form->Actions().Tongenerator1->trigger();
    EXPECT_TRUE(waitForExactly(m, {0x11, 0x62, 0x13}));
    EXPECT_EQ(dialog().result(), QDialog::Rejected);
    expectDecoderReceives(doc);
}

TEST_F(ToneGeneratorDialogTest, NoAnswerLeavesOnlyCancelAndHelp) {
    sim->SetReplyFault(0x62, {qtxsim::ReplyFault::Kind::Missing, 0, 0, true});
    const size_t m = mark();
    whileOpen([&](QDialog&) {
        EXPECT_EQ(dialog().ItemIndex(), -1);
        EXPECT_FALSE(dialog().OKBtn->isEnabled());
        EXPECT_FALSE(dialog().RadioGroup1->isEnabled());
        QTest::keyClick(dialog().CancelBtn, Qt::Key_F1);
        QTest::keyClick(dialog().CancelBtn, Qt::Key_Return);  // OK is disabled
        EXPECT_TRUE(dialog().isVisible());
        dialog().CancelBtn->click();
    });
    form->Actions().Tongenerator1->trigger();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Keine Verbindung zur Hardware QTX!"));
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Fehler"));
    EXPECT_EQ(ui.helpTopics, QStringList{QStringLiteral("Ovrik_EinstTongen.html")});
    EXPECT_TRUE(waitForExactly(m, {0x11, 0x62, 0x13}));
}
