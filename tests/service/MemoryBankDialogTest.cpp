#include "service/ui/MemoryBankDialog.h"

#include "ServiceFixture.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QWhatsThis>
#include <QtTest/QTest>

using namespace ostrevik;
using namespace ostrevik::test;
using qtxsim::Bytes;

namespace {

class MemoryBankDialogTest : public ServiceFixture {
protected:
    TPvxDatenLoggerDlg& dialog() { return form->Service().MemoryBankDialog(); }

    static Bytes filler(size_t n) { return Bytes(n, 0x40); }

    QStringList texts() {
        QStringList out;
        for (QLabel* t : dialog().StaticTexts) {
            out << t->text();
        }
        return out;
    }
    std::vector<int> bars() {
        std::vector<int> out;
        for (QProgressBar* b : dialog().ProgressBars) {
            out.push_back(b->value());
        }
        return out;
    }
};

}  // namespace

TEST_F(MemoryBankDialogTest, FillLevelsShowBarsAndTexts) {
    sim->SetBankContents(1, filler(0));
    sim->SetBankContents(2, filler(16896));
    sim->SetBankContents(3, filler(33792));
    sim->SetBankContents(4, filler(100));
    const size_t m = mark();
    whileOpen([&](QDialog&) {
        EXPECT_EQ(bars(), (std::vector<int>{0, 50, 100, 0}));
        EXPECT_EQ(texts(), (QStringList{"     0 Bytes =   0.00%", " 16896 Bytes =  50.00%",
                                        " 33792 Bytes = 100.00%", "   100 Bytes =   0.30%"}));
        EXPECT_EQ(dialog().ItemIndex(), 0);  // MemoryBank 1
        EXPECT_TRUE(dialog().ButtonAuslesen->isEnabled());
        EXPECT_EQ(QApplication::focusWidget(), dialog().ButtonAuslesen);
        QTest::keyClick(dialog().ButtonAuslesen, Qt::Key_Escape);  // no cancel button
        EXPECT_TRUE(dialog().isVisible());
        QTest::keyClick(dialog().ButtonAuslesen, Qt::Key_F1);
        // The title bar's help button opens the same page instead of
        // "What's this?".
        QWhatsThis::enterWhatsThisMode();
        EXPECT_FALSE(QWhatsThis::inWhatsThisMode());
        dialog().Button1->click();
    });
    form->Actions().Speicher->trigger();
    // Item 1 was selected for MemoryBank 1: the device was told the bank.
    EXPECT_TRUE(waitForExactly(m, {0x11, 0x6B, 0x13, 0x11, 0x01, 0x13}));
    EXPECT_EQ(ui.helpTopics, QStringList(2, QStringLiteral("Ovrik_Speicherbaenke.html")));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(MemoryBankDialogTest, ReadOutAppendsTheBanksRecordsToTheActiveDocument) {
    TMDIChild* doc = newDocument();
    const qtxsim::Record first{0x60, {10, 20, 30, 255, 40}};
    const qtxsim::Record second{0x70, {50, 60}};
    Bytes stream = qtxsim::EncodeRecord(first);
    const Bytes more = qtxsim::EncodeRecord(second);
    stream.insert(stream.end(), more.begin(), more.end());
    sim->SetBankContents(1, stream);

    bool closedByReadOut = false;
    whileOpen([&](QDialog& d) {
        QTest::mouseClick(dialog().ButtonAuslesen, Qt::LeftButton);
        closedByReadOut = !d.isVisible();
    });
    form->Actions().Speicher->trigger();
    EXPECT_TRUE(closedByReadOut);
    ASSERT_TRUE(waitUntil([&] { return doc->Liste->Anzahl() == 3; }));
    EXPECT_EQ(doc->Liste->Datensatz(0).Tonschwelle, 0x60u);
    EXPECT_EQ(doc->Liste->Datensatz(0).Werte, first.samples);
    EXPECT_EQ(doc->Liste->Datensatz(1).Tonschwelle, 0x70u);
    EXPECT_EQ(doc->Liste->Datensatz(1).Werte, second.samples);
    EXPECT_TRUE(ui.messages.empty());
    // Nothing is cleared after a read-out.
    EXPECT_EQ(sim->BankContents(1), stream);
}

TEST_F(MemoryBankDialogTest, TheBankOfTheProgramIsSelectedAndAClickSelectsAnother) {
    sim->SetBankContents(2, filler(500));
    form->Session().SetMemoryBank(3, false);
    size_t m = mark();
    whileOpen([&](QDialog&) {
        EXPECT_EQ(dialog().ItemIndex(), 2);
        const size_t beforeClick = mark();
        QTest::mouseClick(dialog().Items[1], Qt::LeftButton, {},
                          QPoint(6, dialog().Items[1]->height() / 2));
        EXPECT_EQ(form->Session().MemoryBank(), 2);
        EXPECT_TRUE(waitUntil([&] {
            return receivedSince(beforeClick) == Bytes{0x11, 0x02, 0x13};
        }));
        EXPECT_EQ(sim->Bank(), 2);
        // Clearing concerns the device's current bank, then the levels are
        // read again.
        QTest::mouseClick(dialog().ButtonLoschen, Qt::LeftButton);
        EXPECT_EQ(dialog().StaticTexts[1]->text(), QStringLiteral("     0 Bytes =   0.00%"));
        dialog().Button1->click();
    });
    form->Actions().Speicher->trigger();
    EXPECT_TRUE(waitForExactly(m, {0x11, 0x6B, 0x13, 0x11, 0x03, 0x13, 0x11, 0x02, 0x13, 0x11, 0x64,
                                   0x13, 0x11, 0x6B, 0x13}));
    EXPECT_TRUE(sim->BankContents(2).empty());

    // Shown again with the same bank: the selection is unchanged, nothing
    // is sent for it.
    m = mark();
    whileOpen([&](QDialog&) { dialog().Button1->click(); });
    form->Actions().Speicher->trigger();
    EXPECT_TRUE(waitForExactly(m, {0x11, 0x6B, 0x13}));
}

TEST_F(MemoryBankDialogTest, AMeasurementWhileOpenReachesTheDocumentAndRenewsTheLevels) {
    TMDIChild* doc = newDocument();
    const size_t m = mark();
    whileOpen([&](QDialog&) {
        EXPECT_TRUE(waitUntil([&] { return receivedSince(m).size() >= 6; }));
        sim->QueueScript({0x02, 0x50, 0x10, 0x20, 0x03});
        EXPECT_TRUE(waitUntil([&] { return doc->Liste->Anzahl() == 2; }));
        // About 100 ms after the bytes stop, the levels are read anew.
        const Bytes expected{0x11, 0x6B, 0x13, 0x11, 0x01, 0x13, 0x6D, 0x11, 0x6B, 0x13};
        EXPECT_TRUE(waitUntil([&] { return receivedSince(m) == expected; }));
        dialog().Button1->click();
    });
    form->Actions().Speicher->trigger();
    EXPECT_EQ(doc->Liste->Datensatz(0).Werte, (std::vector<uint8_t>{0x10, 0x20}));
    EXPECT_TRUE(ui.messages.empty());
    expectDecoderReceives(doc);
}

TEST_F(MemoryBankDialogTest, NoAnswerDisablesTheDialogAndKeepsTheDecoder) {
    TMDIChild* doc = newDocument();
    sim->SetReplyFault(0x6B, {qtxsim::ReplyFault::Kind::Short, 19, 0, true});
    whileOpen([&](QDialog&) {
        EXPECT_FALSE(dialog().ButtonAuslesen->isEnabled());
        EXPECT_FALSE(dialog().ButtonLoschen->isEnabled());
        EXPECT_FALSE(dialog().RadioGroup1->isEnabled());
        EXPECT_EQ(texts(), QStringList({"", "", "", ""}));
        // No bank receiver: the decoder takes the bytes directly.
        sim->QueueScript({0x02, 0x51, 0x11, 0x03});
        EXPECT_TRUE(waitUntil([&] { return doc->Liste->Anzahl() == 2; }));
        dialog().Button1->click();
    });
    form->Actions().Speicher->trigger();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Keine Verbindung zur Hardware QTX"));
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Fehler"));
    expectDecoderReceives(doc);
}
