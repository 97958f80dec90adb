#include "common/AtomicFile.h"

#include "AppFixture.h"
#include "TestFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMdiArea>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace ostrevik;
using namespace std::chrono_literals;
using test::waitUntil;

namespace {

class ReliabilityTest : public test::AppFixture {
protected:
    // A document with one record, saved once to path.
    TMDIChild* savedDocument(const QString& path) {
        TMDIChild* doc = newDocument();
        doc->Dokument().SetCaptureThreshold(0x50, false);
        doc->Dokument().AppendCaptureSample(0x10);
        doc->Dokument().RecordEnded();
        ui.fileAnswers = {path};
        form->Documents().Speichern();
        EXPECT_FALSE(doc->Geaendert);
        return doc;
    }

    void expectSaveFailureReported(TMDIChild* doc, size_t messagesBefore) {
        ASSERT_EQ(ui.messages.size(), messagesBefore + 1);
        const auto& m = ui.messages.back();
        EXPECT_EQ(m.caption, QStringLiteral("Fehler"));
        EXPECT_TRUE(m.text.startsWith(QStringLiteral("Die Datei ") + doc->Dateiname +
                                      QStringLiteral(" konnte nicht gespeichert werden.\n")))
            << m.text.toStdString();
        EXPECT_GT(m.text.size(), (QStringLiteral("Die Datei ") + doc->Dateiname).size() + 40);
        EXPECT_TRUE(doc->Geaendert);
    }
};

}  // namespace

TEST_F(ReliabilityTest, ADiskThatFillsUpDuringTheSaveKeepsTheOldFile) {
    addDevice(1);
    start();
    const QString path = dir.filePath(QStringLiteral("a.pvo"));
    TMDIChild* doc = savedDocument(path);
    const QByteArray before = test::readAll(path);
    for (int i = 0; i < 2000; ++i) {
        doc->Dokument().AppendCaptureSample(0x20);
    }
    doc->Dokument().RecordEnded();
    const size_t messages = ui.messages.size();
    {
        ScopedWriteFault full(300);
        form->Documents().Speichern();
    }
    expectSaveFailureReported(doc, messages);
    EXPECT_EQ(test::readAll(path), before);
    form->Documents().Speichern();  // space again: the save goes through
    EXPECT_FALSE(doc->Geaendert);
    EXPECT_GT(test::readAll(path).size(), before.size() + 2000);
}

TEST_F(ReliabilityTest, AVanishedDirectoryIsReportedAndTheDocumentStaysChanged) {
    addDevice(1);
    start();
    QDir(dir.path()).mkdir(QStringLiteral("sub"));
    const QString path = dir.filePath(QStringLiteral("sub/a.pvo"));
    TMDIChild* doc = savedDocument(path);
    QDir(dir.filePath(QStringLiteral("sub"))).removeRecursively();
    doc->Dokument().AppendCaptureSample(0x30);
    const size_t messages = ui.messages.size();
    form->Documents().Speichern();
    expectSaveFailureReported(doc, messages);
    // Closing the changed window asks; Yes with a failing save keeps it open.
    ui.messageAnswers = {MessageAnswer::Yes};
    form->Documents().Area().closeAllSubWindows();
    QCoreApplication::processEvents();
    EXPECT_EQ(form->Documents().All().size(), 1);
}

TEST_F(ReliabilityTest, AReadOnlyDirectoryIsReported) {
    addDevice(1);
    start();
    QString path;
    QString readOnly = dir.filePath(QStringLiteral("ro"));
    if (::geteuid() == 0) {
        // The superuser may write anywhere on a normal file system; the proc
        // file system takes no new files even from him.
        path = QStringLiteral("/proc/ostrevik-test.pvo");
    } else {
        QDir(dir.path()).mkdir(QStringLiteral("ro"));
        QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        path = readOnly + QStringLiteral("/a.pvo");
    }
    TMDIChild* doc = newDocument();
    doc->Dokument().AppendCaptureSample(1);
    const size_t messages = ui.messages.size();
    ui.fileAnswers = {path};
    form->Documents().Speichern();
    expectSaveFailureReported(doc, messages);
    QFile::setPermissions(readOnly,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(ReliabilityTest, AFailedSettingsWriteAtCloseKeepsTheOldSettingsFile) {
    start();
    form->close();
    const QByteArray before = test::readAll(configPath);
    ASSERT_EQ(before.size(), 104);
    form.reset();
    start();
    form->Settings().Apply({QStringLiteral("Neu"), form->Settings().Current().liveBarVisible});
    {
        ScopedWriteFault full(10);
        form->close();
    }
    EXPECT_EQ(test::readAll(configPath), before);
}

TEST_F(ReliabilityTest, ADeviceThatHangsUpDuringTheProbeIsSkipped) {
    qtxsim::Simulator& first = addDevice(1);
    first.SetReplyFault(0x01, {qtxsim::ReplyFault::Kind::HangUp, 1, 0, true});
    addDevice(2);
    start();
    EXPECT_TRUE(form->Session().ComPort1().Connected());
    EXPECT_EQ(form->Session().ComPort1().Port(), QStringLiteral("COM2"));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ReliabilityTest, NoiseAndBrokenRecordsDoNotUnsettleTheDecoder) {
    qtxsim::Simulator& sim = addDevice(1);
    start();
    TMDIChild* doc = newDocument();
    // Noise between records, a record without its start byte (its bytes are
    // noise), a record without its end byte (the next start byte becomes one
    // of its samples), then a well-formed record.
    sim.QueueScript({0x07, 0x99, 0xFE, 0x50, 0x10, 0x20, 0x03, 0x02, 0x60, 0x11, 0x12, 0x02,
                     0x61, 0x13, 0x03, 0x88, 0x02, 0x70, 0x31, 0x32, 0xFF, 0x33, 0x03});
    ASSERT_TRUE(waitUntil([&] { return doc->Liste->Anzahl() == 3; }));
    EXPECT_EQ(doc->Liste->Datensatz(0).Werte, (std::vector<uint8_t>{0x11, 0x12, 0x02, 0x61, 0x13}));
    EXPECT_EQ(doc->Liste->Datensatz(1).Tonschwelle, 0x70u);
    EXPECT_EQ(doc->Liste->Datensatz(1).Werte, (std::vector<uint8_t>{0x31, 0x32, 0xFF, 0x33}));

    // Random noise between generated take-ups: every take-up arrives intact.
    sim.SetLineNoise(40);
    const size_t sentBefore = sim.SentRecords().size();
    sim.QueueTakeUps(20);
    ASSERT_TRUE(waitUntil([&] { return doc->Liste->Anzahl() == 23; }, 20000))
        << doc->Liste->Anzahl();
    const auto sent = sim.SentRecords();
    for (size_t i = sentBefore; i < sent.size(); ++i) {
        const Raster_t& r = doc->Liste->Datensatz(static_cast<int>(i - sentBefore) + 2);
        EXPECT_EQ(r.Tonschwelle, sent[i].record.threshold);
        EXPECT_EQ(r.Werte, sent[i].record.samples);
    }
}
