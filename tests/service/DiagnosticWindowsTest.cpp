#include "service/ui/DebugWindow.h"
#include "app/InfoDialog.h"
#include "service/ui/VariablesWindow.h"

#include "ServiceFixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest/QTest>

using namespace ostrevik;
using namespace ostrevik::test;
using qtxsim::Bytes;

namespace {

class DiagnosticWindowsTest : public ServiceFixture {
protected:
    TDebugForm& debug() { return *(&form->Service().DebugWindow()); }

    // Lets the decoder take every byte the device has sent.
    void drain() {
        ASSERT_TRUE(sim->WaitUntilSent(std::chrono::seconds(2)));
        ASSERT_TRUE(waitUntil([&] { return form->Session().ComPort1().InputCount() == 0; }));
        QTest::qWait(20);
    }

    QString variablesShownFor(const qtxsim::Variables& v) {
        sim->SetVariables(v);
        QString text;
        whileOpen([&](QDialog&) {
            text = form->Service().VariablesWindow().Memo1->toPlainText();
            QTest::keyClick(form->Service().VariablesWindow().Button1, Qt::Key_Escape);
        });
        form->Service().Variableninhalte();
        return text;
    }
};

}  // namespace

TEST_F(DiagnosticWindowsTest, TheVariablesAreListedUnsignedInFourLines) {
    TMDIChild* doc = newDocument();
    const size_t m = mark();
    const QString text = variablesShownFor({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    EXPECT_EQ(text, QStringLiteral("p_null\t= 1\te_null\t= 2\n"
                                   "p_verst\t= 3\te_verst\t= 4\n"
                                   "ez0\t= 5\tabda\t= 6\n"
                                   "ändmark\t= 7\tFlag Tongenerator\t= 8"));
    EXPECT_TRUE(waitForExactly(m, {0x11, 0x62, 0x13}));
    expectDecoderReceives(doc);

    const QString high = variablesShownFor({128, 255, 239, 0, 200, 129, 130, 0xFF, 0, 0});
    EXPECT_EQ(high.split(QLatin1Char('\n')).first(),
              QStringLiteral("p_null\t= 128\te_null\t= 255"));
    EXPECT_TRUE(high.contains(QStringLiteral("Flag Tongenerator\t= 255")));
}

TEST_F(DiagnosticWindowsTest, NoVariablesShowOneLineAlsoWithThePortClosed) {
    sim->SetReplyFault(0x62, {qtxsim::ReplyFault::Kind::Short, 9, 0, true});
    EXPECT_EQ(variablesShownFor({}), QStringLiteral("Konnte Variablen nicht auslesen!"));
    form->Session().Disconnect();
    EXPECT_EQ(variablesShownFor({}), QStringLiteral("Konnte Variablen nicht auslesen!"));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(DiagnosticWindowsTest, TheTraceShowsBytesOfBothDirectionsWhileShown) {
    newDocument();
    debug().show();
    EXPECT_TRUE(form->Session().TraceOn);
    // A line feed adds nothing, a carriage return starts a new line.
    sim->InjectNow({0x41, 0x0D, 0x0A, 0x42});
    drain();
    EXPECT_EQ(debug().TraceText(), QStringLiteral("A\nB"));

    // A typed key goes to the device and is not echoed; the device's answer
    // is traced.
    const size_t m = mark();
    QTest::keyClicks(debug().Memo1, QStringLiteral("+"));
    EXPECT_EQ(debug().TraceText(), QStringLiteral("A\nB"));
    EXPECT_TRUE(form->Session().TraceOn);
    EXPECT_TRUE(waitForExactly(m, {0x11, 0x2B, 0x13}));
    drain();
    // The status reply (acknowledge, bank digit) between the pause and the
    // resume of the device around it, control bytes shown visibly.
    const QString reply = QStringLiteral("<11><06>1<13>");
    EXPECT_EQ(debug().TraceText(), QStringLiteral("A\nB") + reply);

    // Bytes moved by the program's own commands appear in order.
    form->Session().SendMeasure();
    sim->InjectNow({0x01, 0x7F, 0x81, 0xE4});
    drain();
    EXPECT_EQ(debug().TraceText(),
              QStringLiteral("A\nB") + reply + QStringLiteral("m<01><7F><81>ä"));
}

TEST_F(DiagnosticWindowsTest, NothingIsTracedWhileTheWindowIsHidden) {
    newDocument();
    debug().show();
    debug().hide();
    EXPECT_FALSE(form->Session().TraceOn);
    sim->InjectNow({0x41, 0x42});
    drain();
    debug().show();
    EXPECT_EQ(debug().TraceText(), QString());
    sim->InjectNow({0x43});
    drain();
    EXPECT_EQ(debug().TraceText(), QStringLiteral("C"));
    debug().hide();
}

TEST_F(DiagnosticWindowsTest, TheDebugWindowSitsBottomRightAndStaysOnTop) {
    debug().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&debug()));
    EXPECT_EQ(debug().windowTitle(), QStringLiteral("Debugfenster"));
    EXPECT_TRUE(debug().windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    const QRect screen = debug().screen()->availableGeometry();
    EXPECT_EQ(debug().frameGeometry().bottomRight(), screen.bottomRight());
    debug().hide();
}

TEST(DebugWindow, AKeyWithoutASenderIsDroppedAndTheTraceFlagRestored) {
    bool traceOn = true;
    TDebugForm form(traceOn);
    EXPECT_FALSE(traceOn);  // off until shown
    traceOn = true;
    std::vector<uint8_t> sent;
    bool traceDuringSend = true;
    QTest::keyClicks(form.Memo1, QStringLiteral("m"));  // no sender yet
    form.SendKey = [&](uint8_t b) {
        sent.push_back(b);
        traceDuringSend = traceOn;
    };
    QTest::keyClicks(form.Memo1, QStringLiteral("m"));
    QKeyEvent umlaut(QEvent::KeyPress, Qt::Key_Adiaeresis, Qt::NoModifier, QStringLiteral("ä"));
    QApplication::sendEvent(form.Memo1, &umlaut);
    QKeyEvent euro(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x20AC)));
    QApplication::sendEvent(form.Memo1, &euro);
    QKeyEvent notInTheCharset(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                              QString(QChar(0x0416)));
    QApplication::sendEvent(form.Memo1, &notInTheCharset);
    QTest::keyClick(form.Memo1, Qt::Key_Return);
    QTest::keyClick(form.Memo1, Qt::Key_PageDown);  // no character: scrolls only
    EXPECT_EQ(sent, (std::vector<uint8_t>{0x6D, 0xE4, 0x80, 0x0D}));
    EXPECT_FALSE(traceDuringSend);
    EXPECT_TRUE(traceOn);
    EXPECT_EQ(form.TraceText(), QString());
}

TEST(DebugWindow, BytesWithoutAVisibleCharacterAreShownInHex) {
    const std::pair<uint8_t, const char*> cases[] = {
        {0x00, "<00>"}, {0x09, "<09>"}, {0x1F, "<1F>"}, {0x20, " "},    {0x41, "A"},
        {0x7F, "<7F>"}, {0x80, "€"},    {0x81, "<81>"}, {0x9D, "<9D>"}, {0xA0, "<A0>"},
        {0xAD, "<AD>"}, {0xE4, "ä"},    {0xFF, "ÿ"},    {0x3C, "<"},
    };
    for (auto [byte, shown] : cases) {
        EXPECT_EQ(TraceCharacter(byte).toStdString(), shown) << int(byte);
    }
}

TEST(DebugWindow, ALongTraceWithoutCarriageReturnsStaysFast) {
    bool traceOn = false;
    TDebugForm form(traceOn);
    // A full memory bank read out with the trace on, without a single 13:
    // each byte must cost the same however long the trace already is.
    const double ms = millisecondsOf([&] {
        for (int i = 0; i < 34000; ++i) {
            form.TraceByte(static_cast<uint8_t>(0x40 + i % 20));
        }
    });
    EXPECT_LT(ms, 5000.0);
    const QStringList lines = form.TraceText().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 266);  // 34000 characters in lines of 128
    EXPECT_EQ(lines[0].size(), TDebugForm::kTraceLineWidth);
    EXPECT_EQ(lines[265].size(), 34000 - 265 * TDebugForm::kTraceLineWidth);

    // A carriage return after a full line starts one new line, not two.
    form.TraceByte(13);
    form.TraceByte('x');
    EXPECT_TRUE(form.TraceText().endsWith(QStringLiteral("\nx")));
    EXPECT_EQ(form.TraceText().split(QLatin1Char('\n')).size(), 267);
}

TEST(InfoDialog, EightLinesWithNameAndVersion) {
    TPvxInfoDlg dialog;
    dialog.show();
    const QStringList lines = dialog.Label1->text().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 9);  // each of the eight lines ends with a line feed
    EXPECT_EQ(lines[0], QStringLiteral("Programmname : Ostrevik.exe"));
    EXPECT_EQ(lines[1], QStringLiteral("Version: 4.0709"));
    EXPECT_TRUE(lines[8].isEmpty());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Info Ostrevik"));
    EXPECT_EQ(dialog.Image1->pixmap().size(), QSize(267, 72));
    dialog.OKBtn->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(DebugWindow, ThePortLinesComeFirstAndTheBytesOnALineOfTheirOwn) {
    bool traceOn = true;
    TDebugForm form(traceOn);
    form.TraceLines({QStringLiteral("COM1 = /dev/ttyS0"), QStringLiteral("COM33 = /dev/ttyUSB0")});
    form.TraceByte(0x41);
    form.TraceByte(0x0D);
    form.TraceByte(0x42);
    EXPECT_EQ(form.TraceText(), QStringLiteral("COM1 = /dev/ttyS0\nCOM33 = /dev/ttyUSB0\nA\nB"));
}
