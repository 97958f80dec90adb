#include "settings/ui/SettingsDialog.h"

#include "app/DocumentManager.h"
#include "app/LiveBar.h"
#include "app/MainWindow.h"
#include "device/ui/ComComboBox.h"
#include "measurement/ui/DocumentWindow.h"

#include "PortTestSupport.h"
#include "ScriptedModalUi.h"
#include "TestFiles.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <gtest/gtest.h>

using namespace ostrevik;
using namespace std::chrono_literals;
using test::waitUntil;

namespace {

// Types text into a widget key by key, umlauts included (QTest's own typing
// knows only ASCII).
void typeText(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

class SettingsDialogTest : public ::testing::Test {
protected:
    ~SettingsDialogTest() override {
        form.reset();
        sim.reset();
    }

    void start() {
        form = std::make_unique<TForm1>(dir.filePath(QStringLiteral("Ostrevik.cfg")));
        form->show();
        ASSERT_TRUE(waitUntil([&] { return form->Started(); }, 5000));
        ui.messages.clear();  // no device: the search's warning
    }

    TForm3& dialog() { return form->SettingsDialog(); }

    // Runs the settings command with the dialog shown, modal and active,
    // handed to body; the dialog's result is what it closed with.
    void settings(std::function<void(TForm3&)> body) {
        ui.onExecDialog = [this, body](QDialog& d) {
            EXPECT_EQ(&d, &dialog());
            d.setResult(0);
            d.setModal(true);
            d.show();
            d.activateWindow();
            waitUntil([&] { return d.isActiveWindow(); }, 2000);
            body(dialog());
            return d.result();
        };
        form->Einstellungen();
    }

    static void ok(TForm3& d) { QTest::mouseClick(d.Button1, Qt::LeftButton); }

    TMDIChild* document(const QString& name) {
        TMDIChild* doc = form->Documents().OpenDocumentWindow(dir.filePath(name));
        // One finished record besides the capture record.
        doc->Dokument().RecordStarted();
        doc->Dokument().SetCaptureThreshold(120, false);
        for (uint8_t v : {10, 60, 120, 200, 255, 100}) {
            doc->Dokument().AppendCaptureSample(v);
        }
        doc->Dokument().RecordEnded();
        doc->Dokument().BatchDone();
        return doc;
    }

    test::ScopedPortDir ports;
    QTemporaryDir dir;
    test::ScriptedModalUi ui;
    std::unique_ptr<qtxsim::Simulator> sim;
    std::unique_ptr<TForm1> form;
};

}  // namespace

TEST_F(SettingsDialogTest, ListsHelpAndTheHiddenPortBox) {
    start();
    settings([](TForm3& d) {
        EXPECT_FALSE(d.GroupBoxComNr->isVisible());
        for (QComboBox* widths : {d.ComboBox1, d.ComboBox2, d.ComboBox3}) {
            ASSERT_EQ(widths->count(), 10);
            EXPECT_EQ(widths->itemText(9), QStringLiteral("10"));
            EXPECT_EQ(widths->maxVisibleItems(), 10);
        }
        QStringList scales;
        for (int i = 0; i < d.ComboBoxSkalierung->count(); ++i) {
            scales << d.ComboBoxSkalierung->itemText(i);
        }
        EXPECT_EQ(scales, QStringList({"5,0", "2,5", "1,0", "0,5", "0,25", "0,1"}));
        // Help by key and button; the key does not reach the focused list.
        QTest::keyClick(d.ComboBoxSkalierung, Qt::Key_F1);
        QTest::mouseClick(d.Hilfe1, Qt::LeftButton);
        EXPECT_TRUE(d.isVisible());
        QTest::keyClick(d.ComboBoxSkalierung, Qt::Key_Escape);
    });
    EXPECT_EQ(ui.helpTopics, QStringList({"Ovrik_Einstellungen.html", "Ovrik_Einstellungen.html"}));
}

TEST_F(SettingsDialogTest, ShowsTheLiveSettingsAndOkStoresEveryControl) {
    start();
    form->Settings().LiveSettings().curveColor = 0x00123456;
    form->Settings().LiveSettings().curveWidth = 3;
    form->Settings().LiveSettings().shotColor = 0x00ABCDEF;
    form->Settings().LiveSettings().shotWidth = 10;
    form->Settings().LiveSettings().thresholdColor = 0x00010203;
    form->Settings().LiveSettings().thresholdWidth = 1;
    form->Settings().LiveSettings().timeScale = 4;
    form->Settings().LiveSettings().secondsBeforeShot = 7;
    form->Settings().LiveSettings().shotMarkerForm = 1;
    form->Settings().LiveSettings().thresholdMarkerVisible = 0;
    ui.colorAnswers = {QColor(0x11, 0x22, 0x33), std::nullopt, QColor(0x44, 0x55, 0x66)};
    settings([&](TForm3& d) {
        EXPECT_EQ(d.Shape1->color(), colorFromRef(0x00123456));
        EXPECT_EQ(d.ComboBox1->currentText(), QStringLiteral("3"));
        EXPECT_EQ(d.Shape2->color(), colorFromRef(0x00ABCDEF));
        EXPECT_EQ(d.ComboBox2->currentText(), QStringLiteral("10"));
        EXPECT_EQ(d.Shape3->color(), colorFromRef(0x00010203));
        EXPECT_EQ(d.ComboBox3->currentText(), QStringLiteral("1"));
        EXPECT_EQ(d.ComboBoxSkalierung->currentText(), QStringLiteral("0,25"));
        EXPECT_EQ(d.EditSec_vS->text(), QStringLiteral("7"));
        EXPECT_TRUE(d.Kreuz->isChecked());
        EXPECT_FALSE(d.CheckBox1->isChecked());
        EXPECT_EQ(QApplication::focusWidget(), d.ComboBoxSkalierung);

        // Colours: chosen, cancelled (kept), chosen; a right click asks nothing.
        QTest::mouseClick(d.Shape1, Qt::RightButton);
        EXPECT_EQ(ui.colorAnswers.size(), 3u);
        QTest::mouseClick(d.Shape1, Qt::LeftButton);
        QTest::mouseClick(d.Shape2, Qt::LeftButton);
        QTest::mouseClick(d.Shape3, Qt::LeftButton);
        EXPECT_TRUE(ui.colorAnswers.empty());
        // Nothing is stored before OK.
        EXPECT_EQ(form->Settings().LiveSettings().curveColor, 0x00123456u);

        d.ComboBox1->setCurrentIndex(0);
        d.ComboBox2->setCurrentIndex(4);
        d.ComboBox3->setCurrentIndex(9);
        d.ComboBoxSkalierung->setCurrentIndex(1);
        d.EditSec_vS->clear();
        QTest::keyClicks(d.EditSec_vS, QStringLiteral("99"));
        QTest::mouseClick(d.Kreis, Qt::LeftButton, {}, QPoint(6, d.Kreis->height() / 2));
        d.CheckBox1->setChecked(true);
        ok(d);
    });
    const DisplaySettings& s = form->Settings().LiveSettings();
    EXPECT_EQ(s.curveColor, 0x00332211u);  // red in the lowest byte
    EXPECT_EQ(s.curveWidth, 1u);
    EXPECT_EQ(s.shotColor, 0x00ABCDEFu);
    EXPECT_EQ(s.shotWidth, 5u);
    EXPECT_EQ(s.thresholdColor, 0x00665544u);
    EXPECT_EQ(s.thresholdWidth, 10u);
    EXPECT_EQ(s.timeScale, 1u);
    EXPECT_EQ(s.secondsBeforeShot, 99);
    EXPECT_EQ(s.shotMarkerForm, 0u);
    EXPECT_EQ(s.thresholdMarkerVisible, 1);
    // The closing settings file gets them too.
    form->close();
    TConfigFile saved;
    ASSERT_TRUE(loadSettings(saved, dir.filePath(QStringLiteral("Ostrevik.cfg"))));
    EXPECT_EQ(saved.file.display, s);
}

TEST_F(SettingsDialogTest, CancelChangesNoSettingAndNoDrawing) {
    start();
    TMDIChild* doc = document(QStringLiteral("a.pvo"));
    const DisplaySettings before = form->Settings().LiveSettings();
    const QString title = form->windowTitle();
    const QStringList labels = doc->Liste->Datensatz(0).XTexte;
    const QImage picture = doc->Liste->Datensatz(0).AktuellesBild().copy();
    ui.colorAnswers = {QColor(Qt::green)};
    settings([](TForm3& d) {
        QTest::mouseClick(d.Shape1, Qt::LeftButton);
        EXPECT_EQ(d.Shape1->color(), QColor(Qt::green));
        d.ComboBoxSkalierung->setCurrentIndex(0);
        d.Edit1->setText(QStringLiteral("Jemand"));
        d.CheckBox2->setChecked(false);
        QTest::mouseClick(d.Button2, Qt::LeftButton);
    });
    EXPECT_EQ(form->Settings().LiveSettings(), before);
    EXPECT_EQ(form->windowTitle(), title);
    EXPECT_TRUE(form->LiveBarWidget().isVisible());
    EXPECT_EQ(doc->Liste->Datensatz(0).XTexte, labels);
    EXPECT_EQ(doc->Liste->Datensatz(0).AktuellesBild(), picture);
    EXPECT_TRUE(ui.messages.empty());  // not even an attempt to connect
}

TEST_F(SettingsDialogTest, TheSecondsFieldTakesTwoDigitsAndCountsEmptyAsOne) {
    start();
    auto storedFor = [&](const std::function<void(QLineEdit*)>& edit) {
        settings([&](TForm3& d) {
            d.EditSec_vS->clear();
            edit(d.EditSec_vS);
            ok(d);
        });
        return form->Settings().LiveSettings().secondsBeforeShot;
    };
    EXPECT_EQ(storedFor([](QLineEdit*) {}), 1);
    EXPECT_EQ(storedFor([](QLineEdit* e) { QTest::keyClicks(e, QStringLiteral("00")); }), 1);
    EXPECT_EQ(storedFor([](QLineEdit* e) {
                  QTest::keyClicks(e, QStringLiteral("a1-b.2 c3"));
                  EXPECT_EQ(e->text(), QStringLiteral("12"));
              }),
              12);
    EXPECT_EQ(storedFor([](QLineEdit* e) {
                  QTest::keyClicks(e, QStringLiteral("45"));
                  QTest::keyClick(e, Qt::Key_Backspace);
              }),
              4);
    // Pasting letters gets no further than typing them.
    EXPECT_EQ(storedFor([](QLineEdit* e) {
                  e->insert(QStringLiteral("x9"));
                  QTest::keyClicks(e, QStringLiteral("8"));
              }),
              8);
    EXPECT_EQ(TForm3::SekundenVorSchuss(QString()), 1);
    EXPECT_EQ(TForm3::SekundenVorSchuss(QStringLiteral("0")), 1);
    EXPECT_EQ(TForm3::SekundenVorSchuss(QStringLiteral("99")), 99);
}

TEST_F(SettingsDialogTest, AWidthOutsideTheListShowsNoSelectionAndIsStoredAsZero) {
    start();
    form->Settings().LiveSettings().curveWidth = 12;
    form->Settings().LiveSettings().timeScale = 2;
    settings([](TForm3& d) {
        EXPECT_EQ(d.ComboBox1->currentIndex(), -1);
        ok(d);
    });
    EXPECT_EQ(form->Settings().LiveSettings().curveWidth, 0u);
    EXPECT_EQ(form->Settings().LiveSettings().timeScale, 2u);
}

TEST_F(SettingsDialogTest, ANewTimeScaleRelabelsAndRedrawsEveryOpenDocument) {
    start();
    TMDIChild* a = document(QStringLiteral("a.pvo"));
    TMDIChild* b = document(QStringLiteral("b.pvo"));
    ASSERT_EQ(form->Settings().LiveSettings().timeScale, 2u);
    const QStringList labelsAt1s = a->Liste->Datensatz(0).XTexte;
    const uint32_t pixelsAt1s = a->Liste->Datensatz(0).PixelProSekunde;
    const QImage pictureB = b->Liste->Datensatz(0).AktuellesBild().copy();
    settings([](TForm3& d) {
        d.ComboBoxSkalierung->setCurrentIndex(0);  // 5 s per division
        ok(d);
    });
    for (TMDIChild* doc : {a, b}) {
        const Raster_t& r = doc->Liste->Datensatz(0);
        EXPECT_NE(r.XTexte, labelsAt1s);
        EXPECT_LT(r.PixelProSekunde, pixelsAt1s);
    }
    EXPECT_NE(b->Liste->Datensatz(0).AktuellesBild(), pictureB);
    EXPECT_EQ(a->Liste->Datensatz(0).XTexte, b->Liste->Datensatz(0).XTexte);
}

TEST_F(SettingsDialogTest, UserNameOfAtMost49CharactersAndLiveBarAfterOk) {
    start();
    const QString name49 = QStringLiteral("Großkaliber-Übungsgruppe Nord, Schießstand Süd 12");
    ASSERT_EQ(name49.size(), 49);
    settings([&](TForm3& d) {
        EXPECT_EQ(d.Edit1->text(), form->Settings().UserName());
        EXPECT_TRUE(d.CheckBox2->isChecked());
        d.Edit1->clear();
        typeText(d.Edit1, name49 + QStringLiteral("XYZ"));
        EXPECT_EQ(d.Edit1->text(), name49);
        d.CheckBox2->setChecked(false);
        ok(d);
    });
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Ostrevik - ") + name49);
    EXPECT_EQ(form->Settings().UserName(), name49);
    EXPECT_FALSE(form->LiveBarWidget().isVisible());
    EXPECT_EQ(form->Settings().Current().liveBarVisible, 0);
    // Without a device, the connection attempt after OK tells so; the
    // settings above were applied nevertheless.
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Keine Verbindung zur Hardware QTX an COM1 !"));
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Ostrevik"));

    // The next showing starts from the stored values.
    settings([](TForm3& d) {
        EXPECT_FALSE(d.CheckBox2->isChecked());
        d.CheckBox2->setChecked(true);
        ok(d);
    });
    EXPECT_TRUE(form->LiveBarWidget().isVisible());
}

TEST_F(SettingsDialogTest, OkLeavesAConnectedPortAlone) {
    sim = test::startSimulator(ports, 1);
    start();
    ASSERT_TRUE(form->Session().ComPort1().Connected());
    ASSERT_TRUE(sim->WaitForReceived({0x01, 0x01, 0x6D}, 2s));
    const size_t before = sim->Received().size();
    settings([](TForm3& d) {
        EXPECT_EQ(d.ComComboBox1->ComSelected(), QStringLiteral("COM1"));
        ok(d);
    });
    EXPECT_TRUE(form->Session().ComPort1().Connected());
    EXPECT_EQ(form->Session().ComPort1().Port(), QStringLiteral("COM1"));
    QTest::qWait(50);
    EXPECT_EQ(sim->Received().size(), before);  // not reopened, no bank selection
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SettingsDialogTest, APortThatCannotBeOpenedIsReportedAndTheSettingsStillApply) {
    sim = test::startSimulator(ports, 1);
    // COM2 is present but no serial line.
    test::writeAll(ports.filePath(QStringLiteral("COM2")), QByteArray("not a port"));
    start();
    ASSERT_TRUE(form->Session().ComPort1().Connected());
    settings([](TForm3& d) {
        const int com2 = d.ComComboBox1->findText(QStringLiteral("COM2"));
        ASSERT_GE(com2, 0);
        d.ComComboBox1->setCurrentIndex(com2);
        emit d.ComComboBox1->activated(com2);
        d.EditSec_vS->setText(QStringLiteral("5"));
        ok(d);
    });
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Fehler beim Öffnen der Com-Schnittstelle"));
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Fehler"));
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(ui.messages[1].text, QStringLiteral("Keine Verbindung zur Hardware QTX an COM2 !"));
    EXPECT_EQ(form->Settings().LiveSettings().secondsBeforeShot, 5);
    EXPECT_FALSE(form->Session().ComPort1().Connected());
}

// Another port chosen in the dialog: the line is opened there through the
// device session, the device told to measure, and nothing of the old line
// is left to look for.
TEST_F(SettingsDialogTest, AnotherPortIsOpenedWithTheDeviceToldToMeasure) {
    sim = test::startSimulator(ports, 1);
    const auto second = test::startSimulator(ports, 2);
    start();
    ASSERT_TRUE(form->Session().ComPort1().Connected());
    settings([](TForm3& d) {
        const int com2 = d.ComComboBox1->findText(QStringLiteral("COM2"));
        ASSERT_GE(com2, 0);
        d.ComComboBox1->setCurrentIndex(com2);
        emit d.ComComboBox1->activated(com2);
        ok(d);
    });
    EXPECT_EQ(form->Session().ComPort1().Port(), QStringLiteral("COM2"));
    EXPECT_TRUE(second->WaitForReceived({0x01, 0x6D}, 2s));
    EXPECT_TRUE(ui.messages.empty());
    form->Session().Disconnect();
}
