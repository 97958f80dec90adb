#include "app/InfoDialog.h"
#include "app/LiveBar.h"
#include "app/ToolbarIcons.h"
#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveFileCopies.h"
#include "archive/ArchiveSessions.h"
#include "archive/ArchiveTexts.h"
#include "common/Texts.h"
#include "measurement/MeasurementFile.h"
#include "service/ui/DebugWindow.h"
#include "service/ui/GainDialog.h"
#include "settings/DisplaySettings.h"
#include "settings/ui/SettingsDialog.h"

#include "AppFixture.h"
#include "TestFiles.h"

#include <QDate>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <gtest/gtest.h>

using namespace ostrevik;
using namespace std::chrono_literals;
using qtxsim::Bytes;
using test::waitUntil;

namespace {

const QString kNotFound = QStringLiteral(
    "Hardware Ostrevik nicht gefunden!\n\nVerbindung zum PC prüfen!\nSchnittstelleneinstellung "
    "prüfen!");

using MainWindowTest = test::AppFixture;

}  // namespace

TEST_F(MainWindowTest, StartFindsTheDeviceAndSendsProbeBankAndMeasure) {
    qtxsim::Simulator& sim = addDevice(1);
    start();
    ASSERT_TRUE(sim.WaitForReceived({0x01, 0x01, 0x6D}, 2s));
    EXPECT_EQ(sim.Received(), (Bytes{0x01, 0x01, 0x6D}));
    EXPECT_TRUE(form->Session().ComPort1().Connected());
    EXPECT_EQ(form->Session().ComPort1().Port(), QStringLiteral("COM1"));
    EXPECT_TRUE(form->Actions().Lesegert1->menuAction()->isEnabled());
    EXPECT_TRUE(form->Actions().Speicher->isEnabled());
    EXPECT_TRUE(form->Actions().Intern1->menuAction()->isEnabled());
    EXPECT_TRUE(ui.messages.empty());
    // First start without a configuration file: the defaults.
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Ostrevik - Testanwender"));
    EXPECT_EQ(form->Settings().LiveSettings(), DisplaySettings::defaults());
    EXPECT_TRUE(form->LiveBarWidget().isVisible());
    EXPECT_TRUE(form->Documents().All().isEmpty());
}

TEST_F(MainWindowTest, OfTwoDevicesThePortSortingFirstIsUsed) {
    qtxsim::Simulator& com2 = addDevice(2);
    qtxsim::Simulator& com10 = addDevice(10);
    start();
    ASSERT_TRUE(com10.WaitForReceived({0x01, 0x01, 0x6D}, 2s));
    EXPECT_EQ(form->Session().ComPort1().Port(), QStringLiteral("COM10"));
    EXPECT_TRUE(com2.Received().empty());
}

TEST_F(MainWindowTest, ADeviceAnsweringTheProbeWithOneByteIsNotFound) {
    qtxsim::Simulator& sim = addDevice(1);
    sim.SetReplyFault(0x01, {qtxsim::ReplyFault::Kind::Short, 1, 0, true});
    start();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kNotFound);
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Warnung"));
    EXPECT_FALSE(form->Session().ComPort1().Connected());
    // Probing never runs the port handlers: "Connect " can be tried again.
    EXPECT_TRUE(form->Actions().Lesegert1->menuAction()->isEnabled());
    EXPECT_TRUE(form->Actions().Connect1->isEnabled());
    EXPECT_FALSE(form->Actions().Speicher->isEnabled());

    form->Actions().Connect1->trigger();  // the device answers properly now
    EXPECT_TRUE(form->Session().ComPort1().Connected());
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(MainWindowTest, NoPortsAtAllWarnsAndKeepsTheConfiguredName) {
    start();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, kNotFound);
    EXPECT_EQ(form->Session().ComPort1().Port(), QStringLiteral("COM1"));
}

TEST_F(MainWindowTest, LiveRecordArrivesInTheActiveDocument) {
    qtxsim::Simulator& sim = addDevice(1);
    start();
    TMDIChild* doc = newDocument();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->Dateiname, QStringLiteral("UNBENANNT1.pvo"));
    // The port was open already: no probe, just one Measure for the window.
    EXPECT_TRUE(sim.WaitForReceived({0x01, 0x01, 0x6D, 0x6D}, 2s));
    const size_t before = sim.Received().size();

    sim.QueueScript({0x02, 0x50, 0x10, 0x20, 0x03});
    ASSERT_TRUE(waitUntil([&] { return doc->Liste->Anzahl() == 2; }));
    EXPECT_EQ(doc->Liste->Datensatz(0).Tonschwelle, 0x50u);
    EXPECT_EQ(doc->Liste->Datensatz(0).Werte, (std::vector<uint8_t>{0x10, 0x20}));
    EXPECT_TRUE(doc->Liste->Letzter().Werte.empty());
    EXPECT_TRUE(sim.WaitForReceived({0x6D}, 2s, before));
    EXPECT_EQ(form->LiveBarWidget().value(), 0);
    EXPECT_TRUE(doc->Geaendert);
}

TEST_F(MainWindowTest, ABurstPausesTheDeviceOnceAndResumesIt) {
    qtxsim::Simulator& sim = addDevice(1);
    start();
    const size_t before = sim.Received().size();
    // The burst arrives while the program is busy (this thread does not
    // process events meanwhile), so the input queue fills up.
    sim.InjectBurst(3000);
    ASSERT_TRUE(sim.WaitUntilSent(2s));
    ASSERT_TRUE(waitForSent(sim, 0x11, before));
    ASSERT_TRUE(waitForSent(sim, 0x13, before));
    const Bytes all = sim.Received();
    const Bytes got(all.begin() + static_cast<long>(before), all.end());
    EXPECT_EQ(std::count(got.begin(), got.end(), 0x11), 1);
    EXPECT_EQ(std::count(got.begin(), got.end(), 0x13), 1);
}

TEST_F(MainWindowTest, AFullSessionIsSavedByteForByte) {
    qtxsim::Simulator& sim = addDevice(1);
    start();
    TMDIChild* doc = newDocument();
    sim.QueueTakeUps(60);
    ASSERT_TRUE(waitUntil([&] { return doc->Liste->Anzahl() == 61; }, 30000))
        << doc->Liste->Anzahl();

    const QString path = dir.filePath(QStringLiteral("session.pvo"));
    ui.fileAnswers = {path};
    form->Documents().Speichern();
    EXPECT_FALSE(doc->Geaendert);
    EXPECT_EQ(doc->Dateiname, path);

    QByteArray expected;
    int takeUps = 0;
    for (const auto& sent : sim.SentRecords()) {
        ASSERT_EQ(sent.source, qtxsim::RecordSource::TakeUp);
        expected.append(static_cast<char>(sent.record.threshold));
        expected.append(test::toQByteArray(sent.record.samples));
        expected.append('\x03');
        ++takeUps;
    }
    EXPECT_EQ(takeUps, 60);
    EXPECT_EQ(test::readAll(path).mid(116), expected);
}

TEST_F(MainWindowTest, DocumentsOpenAtCloseAreReopenedAtTheNextStart) {
    addDevice(1);
    start();
    TMDIChild* saved = newDocument();
    const QString path = dir.filePath(QStringLiteral("a.pvo"));
    ui.fileAnswers = {path};
    form->Documents().Speichern();
    newDocument();  // untitled: its name names no file
    form->Session().Disconnect();
    form->Session().ChangePort(QStringLiteral("COM12"));
    form->close();
    form.reset();
    Q_UNUSED(saved);

    const QByteArray cfg = test::readAll(configPath);
    ASSERT_GE(cfg.size(), 104);
    EXPECT_EQ(cfg.left(4), test::bytes({0x08, 0x04, 0, 0}));
    EXPECT_EQ(cfg.mid(44, 4), test::bytes({12, 0, 0, 0}));
    EXPECT_EQ(cfg.mid(104),
              (path + QChar(0) + QStringLiteral("UNBENANNT2.pvo") + QChar(0)).toLatin1());

    start();
    ASSERT_EQ(form->Documents().All().size(), 1);
    EXPECT_EQ(form->Documents().All()[0]->Dateiname, path);
    EXPECT_FALSE(form->Documents().All()[0]->Unbenannt);
}

TEST_F(MainWindowTest, DocumentCommandsFollowTheActiveWindow) {
    addDevice(1);
    start();
    EXPECT_FALSE(form->Actions().Speichern1->isEnabled());
    EXPECT_FALSE(form->Actions().Anzeige1->menuAction()->isEnabled());
    EXPECT_FALSE(form->Actions().ToolButton2->isEnabled());
    TMDIChild* doc = newDocument();
    for (QAction* a :
         {form->Actions().Speichern1, form->Actions().Speichernunter1, form->Actions().Drucken1,
          form->Actions().Dateiheader1, form->Actions().Statistik1, form->Actions().ToolButton2}) {
        EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
    }
    EXPECT_TRUE(form->Actions().Fenster1->menuAction()->isEnabled());

    form->Commands().Anzeige(1);
    EXPECT_TRUE(form->Actions().ToolButton2->isChecked());
    EXPECT_TRUE(form->Actions().ModeToggle());
    EXPECT_TRUE(form->Actions().Schussbuendig1->isChecked());
    EXPECT_EQ(doc->Liste->Letzter().Schussbuendig, 1);
    form->Actions().ToolButton2->trigger();  // the next click switches to normal
    EXPECT_FALSE(form->Actions().ModeToggle());
    EXPECT_TRUE(form->Actions().Normal1->isChecked());
    EXPECT_EQ(doc->Liste->Letzter().Schussbuendig, 0);

    // Unchanged, the window closes without a question.
    doc->Geaendert = false;
    form->Documents().Area().closeAllSubWindows();
    EXPECT_TRUE(waitUntil([&] { return form->Documents().All().isEmpty(); }));
    EXPECT_EQ(form->Documents().Active(), nullptr);
    EXPECT_FALSE(form->Actions().Speichern1->isEnabled());
    EXPECT_FALSE(form->Actions().ToolButton2->isEnabled());
    EXPECT_TRUE(form->Actions().Speicher->isEnabled());
    EXPECT_TRUE(form->Actions().Intern1->menuAction()->isEnabled());
    EXPECT_TRUE(ui.messages.empty());
}

// The display mode is reported once per command: by the active document
// through its host, or by the commands themselves when none is active; the
// menu and the button follow either way.
TEST_F(MainWindowTest, TheDisplayModeIsReportedOncePerCommand) {
    addDevice(1);
    start();
    QSignalSpy fromCommands(&form->Commands(), &DocumentCommands::displayModeShown);
    QSignalSpy fromDocuments(&form->Documents(), &DocumentManager::displayModeShown);
    form->Commands().Anzeige(1);
    EXPECT_EQ(fromCommands.count(), 1);
    EXPECT_EQ(fromDocuments.count(), 0);
    EXPECT_TRUE(form->Actions().Schussbuendig1->isChecked());
    EXPECT_TRUE(form->Actions().ModeToggle());

    TMDIChild* doc = newDocument();
    fromCommands.clear();
    fromDocuments.clear();
    form->Commands().Anzeige(1);
    EXPECT_EQ(fromCommands.count(), 0);
    ASSERT_GE(fromDocuments.count(), 1);
    for (const QList<QVariant>& report : fromDocuments) {
        EXPECT_EQ(report.at(0).toInt(), 1);
    }
    EXPECT_TRUE(form->Actions().Schussbuendig1->isChecked());
    EXPECT_FALSE(form->Actions().Normal1->isChecked());
    EXPECT_TRUE(form->Actions().ToolButton2->isChecked());
    form->Commands().Anzeige(0);
    EXPECT_EQ(fromCommands.count(), 0);
    EXPECT_TRUE(form->Actions().Normal1->isChecked());
    EXPECT_FALSE(form->Actions().ToolButton2->isChecked());
    EXPECT_EQ(doc->Liste->Letzter().Schussbuendig, 0);
    doc->Geaendert = false;
}

// A dialog its runner leaves open (as a dialog test harness or a crashed
// event loop would) is hidden all the same once its command is done, so
// that it lets go of what it holds.
TEST_F(MainWindowTest, ModalDialogsLeftOpenByTheirRunnerAreHidden) {
    addDevice(1);
    start();
    std::vector<QDialog*> shown;
    ui.onExecDialog = [&shown](QDialog& dialog) {
        shown.push_back(&dialog);
        dialog.show();
        return int(QDialog::Rejected);
    };
    form->Actions().ActionInfo->trigger();
    form->Einstellungen();
    form->Service().Verstaerkung();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_NE(dynamic_cast<TPvxInfoDlg*>(shown[0]), nullptr);
    EXPECT_EQ(shown[1], static_cast<QDialog*>(&form->SettingsDialog()));
    EXPECT_EQ(shown[2], static_cast<QDialog*>(&form->Service().GainDialog()));
    for (QDialog* dialog : shown) {
        EXPECT_FALSE(dialog->isVisible()) << dialog->metaObject()->className();
    }
}

TEST_F(MainWindowTest, NewDocumentsAreNumberedByOpenWindowsAndDated) {
    addDevice(1);
    start();
    const QDate vorher = QDate::currentDate();
    TMDIChild* first = newDocument();
    newDocument();
    const auto tag = [](const QDate& d) {
        return QLocale::system().toString(d, QLocale::ShortFormat).left(10);
    };
    EXPECT_TRUE(first->Kopf.datum() == tag(vorher) ||
                first->Kopf.datum() == tag(QDate::currentDate()));
    first->Geaendert = false;
    form->Documents().Area().setActiveSubWindow(form->Documents().Area().subWindowList().first());
    form->Documents().Area().closeActiveSubWindow();
    ASSERT_TRUE(waitUntil([&] { return form->Documents().All().size() == 1; }));
    TMDIChild* third = newDocument();
    EXPECT_EQ(third->Dateiname, QStringLiteral("UNBENANNT2.pvo"));
    EXPECT_EQ(form->Documents().All()[0]->Dateiname, QStringLiteral("UNBENANNT2.pvo"));
    // The window menu lists each document by its file name.
    EXPECT_EQ(third->FensterEintrag->text(), QStringLiteral("UNBENANNT2.pvo"));
}

// A session opened from the archive's copy of a file on another PC keeps a
// change only under a name of its own: the copy is never written.
TEST_F(MainWindowTest, ACopyFromTheArchiveIsSavedOnlyUnderANewName) {
    addDevice(1);
    start();
    const QString copy = fileCopyFolder() + QStringLiteral("/0123456789abcdef/einheit.pvo");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(copy).path()));
    Dateiheader_t kopf;
    KopfInitialisieren(kopf);
    ASSERT_TRUE(KopfUndDatenSchreiben(kopf, copy, QByteArray("\x64\x78\x78\x03", 4)).ok);
    const QByteArray before = test::readAll(copy);
    form->Documents().Laden(copy);
    TMDIChild* doc = form->Documents().Active();
    ASSERT_TRUE(doc);
    ASSERT_EQ(doc->Liste->Anzahl(), 2) << "the copy was read";
    doc->Geaendert = true;
    const QString path = dir.filePath(QStringLiteral("einheit.pvo"));
    ui.fileAnswers = {path};
    form->Documents().Speichern();
    ASSERT_EQ(ui.saveRequests.size(), 1u);
    EXPECT_FALSE(isSessionFileCopy(ui.saveRequests[0].initialPath));
    EXPECT_EQ(doc->Dateiname, path);
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(test::readAll(copy), before);
}

TEST_F(MainWindowTest, SavingAsksForANameOnceAndCancelKeepsTheDocumentChanged) {
    addDevice(1);
    start();
    TMDIChild* doc = newDocument();
    doc->Geaendert = true;
    ui.fileAnswers = {QString()};  // cancelled
    form->Documents().Speichern();
    EXPECT_TRUE(doc->Geaendert);
    EXPECT_TRUE(doc->Unbenannt);

    const QString path = dir.filePath(QStringLiteral("x.pvo"));
    ui.fileAnswers = {path};
    form->Documents().Speichern();
    EXPECT_FALSE(doc->Geaendert);
    ASSERT_EQ(ui.saveRequests.size(), 2u);
    EXPECT_EQ(ui.saveRequests[1].filter, QStringLiteral("Pelvaro-Datei (*.pvo)"));
    doc->Geaendert = true;
    form->Documents().Speichern();  // no dialog this time
    EXPECT_EQ(ui.saveRequests.size(), 2u);
    EXPECT_FALSE(doc->Geaendert);
    EXPECT_TRUE(QFileInfo::exists(path));

    // The saved session is in the season archive, once.
    ArchiveError error;
    const auto archive = TrainingArchive::open(TrainingArchive::defaultPath(), error);
    ASSERT_TRUE(archive) << ArchiveTexts::Problem(error).toStdString();
    const auto sessions = listSessions(*archive, {}, error);
    EXPECT_EQ(std::count_if(sessions.begin(), sessions.end(),
                            [&](const ArchivedSession& s) {
                                return s.path == QFileInfo(path).canonicalFilePath();
                            }),
              1);
    EXPECT_TRUE(ui.messages.empty());
}

// The trainer is unplugged in the middle of a take-up and plugged back: the
// user is told once, the cut take-up stays a record of its own, and capture
// goes on by itself, without a keypress, with nothing merged.
TEST_F(MainWindowTest, UnpluggedMidTakeUpTellsOnceKeepsTheCutTakeUpAndComesBackByItself) {
    qtxsim::Simulator& sim = addDevice(1);
    start();
    TMDIChild* doc = newDocument();
    sim.HangUpMidRecord(5);
    sim.QueueTakeUps(1);
    ASSERT_TRUE(waitUntil([&] { return !form->Session().ComPort1().Connected(); }, 5000));
    ASSERT_TRUE(waitUntil([&] { return ui.messages.size() == 1u; }, 1000));
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Fehler"));
    EXPECT_TRUE(ui.messages[0].text.startsWith(
        QStringLiteral("Die Verbindung zur Hardware QTX an COM1 ist unterbrochen!")));
    ASSERT_EQ(doc->Liste->Anzahl(), 2);
    EXPECT_EQ(doc->Liste->Datensatz(0).AnzahlWerte(), 5);
    EXPECT_EQ(doc->Liste->Letzter().AnzahlWerte(), 0);
    EXPECT_EQ(form->LiveBarWidget().value(), 0);
    EXPECT_TRUE(form->Actions().Connect1->isEnabled());

    // The device is back under the same name, and the shooter goes on.
    sims.clear();
    qtxsim::Simulator& again = addDevice(1);
    again.QueueTakeUps(1);
    ASSERT_TRUE(waitUntil([&] { return form->Session().ComPort1().Connected(); }, 3000));
    EXPECT_EQ(form->StatusText(), Texts::ConnectionRestored(QStringLiteral("COM1")));
    ASSERT_TRUE(waitUntil([&] { return doc->Liste->Anzahl() == 3; }, 5000));
    ASSERT_EQ(again.SentRecords().size(), 1u);
    EXPECT_EQ(doc->Liste->Datensatz(1).Werte, again.SentRecords()[0].record.samples);
    EXPECT_EQ(ui.messages.size(), 1u);
}

TEST_F(MainWindowTest, HelpOpensTheIntroduction) {
    start();
    form->Actions().ActionHilfe->trigger();
    EXPECT_EQ(ui.helpTopics, QStringList{QStringLiteral("Ovrik_Einleitung.html")});
}

TEST(MainWindowRules, PortNumberAndNames) {
    EXPECT_EQ(PortNumberForConfig(QStringLiteral("COM3")), 3u);
    EXPECT_EQ(PortNumberForConfig(QStringLiteral("COM12")), 12u);
    EXPECT_EQ(PortNumberForConfig(QStringLiteral("COM123")), 12u);
    EXPECT_EQ(PortNumberForConfig(QStringLiteral("COM")), 1u);
    EXPECT_EQ(PortNumberForConfig(QStringLiteral("COMx")), 1u);
    EXPECT_EQ(UntitledName(0), QStringLiteral("UNBENANNT1.pvo"));
    EXPECT_EQ(Texts::MainCaption(QStringLiteral("A")), QStringLiteral("Ostrevik - A"));
}

TEST(MainWindowRules, TheApplicationIconIsDrawnToScaleAtEverySize) {
    for (int size : {16, 32, 128}) {
        const QImage img = applicationImage(size);
        ASSERT_EQ(img.size(), QSize(size, size));
        const auto at = [&](double x, double y) {
            return img.pixelColor(int(x * size / 128), int(y * size / 128));
        };
        EXPECT_EQ(at(1, 1).alpha(), 0) << size;          // rounded corner stays clear
        EXPECT_GT(at(64, 30).lightness(), 200) << size;  // white face
        const QColor curve = at(46, 74);                 // red, if blended at 16 px
        EXPECT_GT(curve.red(), 150) << size;
        EXPECT_GT(curve.red() - curve.blue(), 40) << size;
    }
    EXPECT_FALSE(applicationIcon().isNull());
}

TEST_F(MainWindowTest, TheLiveBarTurnsButtonFaceAboveTheToneThreshold) {
    qtxsim::Simulator& sim = addDevice(1);
    start();
    sim.InjectNow({0x01, 100});  // the device reports its tone threshold
    ASSERT_TRUE(test::waitUntil([&] { return form->Session().Decoder().ToneThreshold == 100; }));
    emit form->Session().LiveValue(100);
    EXPECT_EQ(form->LiveBarWidget().foregroundColor(), QColor(0, 255, 0));
    EXPECT_EQ(form->LiveBarWidget().value(), 100);
    EXPECT_EQ(form->LiveBarWidget().percentText(), QStringLiteral("39%"));
    emit form->Session().LiveValue(101);
    EXPECT_EQ(form->LiveBarWidget().foregroundColor(), form->palette().color(QPalette::Button));
    emit form->Session().LiveValue(255);  // the shot mark: the bar stops at its top
    EXPECT_EQ(form->LiveBarWidget().value(), 254);
    EXPECT_EQ(form->LiveBarWidget().percentText(), QStringLiteral("100%"));
}

TEST_F(MainWindowTest, PrintingFromTheMenuWritesThePdfChosenInThePrintDialog) {
    qtxsim::Simulator& sim = addDevice(1);
    start();
    TMDIChild* doc = newDocument();
    sim.QueueTakeUps(3);
    ASSERT_TRUE(waitUntil([&] { return doc->Liste->Anzahl() == 4; }, 10000));
    const QString pdf = dir.filePath(QStringLiteral("druck.pdf"));
    int asked = 0;
    ui.onPrintDialog = [&](QPrinter& printer, int minPage, int maxPage) {
        ++asked;
        EXPECT_EQ(minPage, 1);
        EXPECT_EQ(maxPage, 1);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    };
    form->Actions().Drucken1->trigger();
    EXPECT_EQ(asked, 1);
    const QByteArray bytes = test::readAll(pdf);
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_TRUE(ui.messages.empty());
}

// A key typed into the trace with no device connected shows the port's error
// and the program goes on.
TEST_F(MainWindowTest, AKeyInTheTraceWithoutADeviceIsShownNotFatal) {
    start();
    ui.messages.clear();
    form->Service().DebugWindow().show();
    QTest::keyClick(form->Service().DebugWindow().Memo1, Qt::Key_A);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, QStringLiteral("Ostrevik"));
    EXPECT_TRUE(ui.messages[0].text.startsWith(QStringLiteral("WriteFile function failed")))
        << ui.messages[0].text.toStdString();
    EXPECT_TRUE(form->isVisible());
}

// Keys typed into the trace go through the session, which knows what they
// mean: a pause (Ctrl+Q) in the middle of a take-up lasts until the resume
// (Ctrl+S) is typed and does not cut the take-up, and a command with an
// answer has its answer traced, not read as the stream.
TEST_F(MainWindowTest, KeysInTheTraceAreKnownToTheStream) {
    qtxsim::SimulatorOptions options;
    options.pace = qtxsim::Pace::RealTime;
    options.reportEvery = 0;
    qtxsim::Simulator& sim = addDevice(1, options);
    start();
    TMDIChild* doc = newDocument();
    form->Service().DebugWindow().show();
    sim.QueueTakeUps(2);
    ASSERT_TRUE(waitUntil([&] { return doc->Liste->Letzter().AnzahlWerte() >= 10; }, 5000));
    const size_t before = sim.Received().size();
    form->Service().DebugWindow().Memo1KeyPress(0x11);
    ASSERT_TRUE(form->Session().Decoder().StreamPaused);
    QTest::qWait(2500);  // longer than any pause the program lifts by itself
    EXPECT_TRUE(form->Session().Decoder().StreamPaused);
    EXPECT_EQ(doc->Liste->Anzahl(), 1);
    form->Service().DebugWindow().Memo1KeyPress(0x13);
    ASSERT_TRUE(waitUntil([&] { return doc->Liste->Anzahl() == 3; }, 15000));
    const auto sent = sim.SentRecords();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(doc->Liste->Datensatz(0).Werte, sent[0].record.samples);
    EXPECT_EQ(doc->Liste->Datensatz(1).Werte, sent[1].record.samples);
    const Bytes after = sim.Received();
    EXPECT_EQ(Bytes(after.begin() + static_cast<long>(before),
                    after.begin() + static_cast<long>(before) + 2),
              (Bytes{0x11, 0x13}));

    // "b" reads the variables: its ten bytes are traced, none is a record.
    const QString trace = form->Service().DebugWindow().TraceText();
    form->Service().DebugWindow().Memo1KeyPress('b');
    ASSERT_TRUE(waitUntil(
        [&] { return form->Service().DebugWindow().TraceText().size() >= trace.size() + 10; }));
    EXPECT_EQ(doc->Liste->Anzahl(), 3);
    EXPECT_TRUE(ui.messages.empty());
}

// The open dialog starts with the file it held last; a new document's save
// dialog in the folder used last. The wait cursor of a load is down while the
// load's message is shown.
TEST_F(MainWindowTest, FileDialogsRememberAndAMessageNeverShowsTheWaitCursor) {
    start();
    ui.messages.clear();
    const QString falsch = dir.filePath(QStringLiteral("falsch.pvo"));
    test::writeAll(falsch, test::bytes({2, 0, 0, 0}));
    bool waitCursor = true;
    ui.duringMessage = [&](const test::MessageCall&) {
        waitCursor = QGuiApplication::overrideCursor() != nullptr;
    };
    ui.fileAnswers = {falsch, QString()};
    form->Documents().Oeffnen();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_FALSE(waitCursor);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    form->Documents().Oeffnen();
    ASSERT_EQ(ui.openRequests.size(), 2u);
    EXPECT_EQ(ui.openRequests[1].initialPath, falsch);

    TMDIChild* neu = form->Documents().OpenDocumentWindow(QStringLiteral("UNBENANNT2.pvo"));
    ui.fileAnswers = {QString()};
    EXPECT_FALSE(form->Documents().SaveDocument(neu));
    ASSERT_EQ(ui.saveRequests.size(), 1u);
    EXPECT_EQ(ui.saveRequests[0].initialPath, dir.filePath(QStringLiteral("UNBENANNT2.pvo")));
}

// A record that arrives while the program's close question is open is not
// thrown away unasked: the question comes again.
TEST_F(MainWindowTest, ARecordArrivingDuringTheCloseQuestionIsAskedForAgain) {
    qtxsim::Simulator& sim = addDevice(1);
    start();
    TMDIChild* doc = newDocument();
    doc->Geaendert = true;
    int asked = 0;
    ui.duringMessage = [&](const test::MessageCall& call) {
        if (call.buttons == MessageButtons::YesNoCancel && ++asked == 1) {
            sim.QueueRecord(qtxsim::Record{0x50, {10, 20, 30}});
            ASSERT_TRUE(waitUntil([&] { return doc->Liste->Anzahl() == 2; }));
        }
    };
    ui.messageAnswers = {MessageAnswer::No, MessageAnswer::Cancel};
    EXPECT_FALSE(form->close());
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(doc->Liste->Datensatz(0).Werte, (std::vector<uint8_t>{10, 20, 30}));
}

// A take-up begins with no document window open. The question is asked from
// the event loop, not from inside the handling of its bytes, and the take-up
// waits for the answer: what happens meanwhile (its samples arrive, a
// dialog exchanges a command) leaves its threshold and samples as they are.
TEST_F(MainWindowTest, ATakeUpWithoutAWindowWaitsWholeForTheAnswer) {
    qtxsim::SimulatorOptions options;
    options.reportEvery = 0;
    qtxsim::Simulator& sim = addDevice(1, options);
    start();
    int exchanges = 0;
    ui.messageAnswers = {MessageAnswer::Yes};
    ui.duringMessage = [&](const test::MessageCall& call) {
        if (call.text.startsWith(QStringLiteral("Kein Fenster"))) {
            QTest::qWait(200);
            const ExchangeRequest status = Exchanges::StatusRequest(Echo::Silent);
            exchanges += status.Answered(form->Session().TryExchange(status)) ? 1 : 0;
        }
    };
    qtxsim::Record record{0x66, {}};
    for (uint8_t s = 0x40; s < 0x60; ++s) {
        record.samples.push_back(s);
    }
    sim.QueueRecord(record);
    ASSERT_TRUE(waitUntil([&] {
        const TMDIChild* doc = form->Documents().Active();
        return doc != nullptr && doc->Liste->Anzahl() == 2;
    }));
    const TMDIChild* doc = form->Documents().Active();
    EXPECT_EQ(doc->Liste->Datensatz(0).Tonschwelle, 0x66u);
    EXPECT_EQ(doc->Liste->Datensatz(0).Werte, record.samples);
    EXPECT_EQ(exchanges, 1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Kein Fenster geöffnet!\n\rNeues öffnen?"));
}
