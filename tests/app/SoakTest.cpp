#include "AppFixture.h"

#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <cstdio>

#include <unistd.h>

using namespace ostrevik;
using test::waitUntil;

namespace {

long residentKilobytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    return -1;
}

using SoakTest = test::AppFixture;

}  // namespace

// Two thousand take-ups at full speed, with battery, bank and threshold
// reports between them, into one document: every record arrives intact and in
// order, the program pauses the device when its queue fills, and memory stays
// flat once the first few hundred records are in.
TEST_F(SoakTest, TwoThousandTakeUpsArriveIntactWithFlatMemory) {
    constexpr int kTakeUps = 2000;
    qtxsim::SimulatorOptions options;
    options.seed = 2026;
    options.reportEvery = 3;
    qtxsim::Simulator& sim = addDevice(1, options);
    start();
    TMDIChild* doc = newDocument();
    QElapsedTimer timer;
    timer.start();
    sim.QueueTakeUps(kTakeUps);

    ASSERT_TRUE(waitUntil([&] { return doc->Liste->Anzahl() > 300; }, 120000));
    const long earlyKb = residentKilobytes();
    ASSERT_TRUE(waitUntil([&] { return doc->Liste->Anzahl() == kTakeUps + 1; }, 600000))
        << doc->Liste->Anzahl();
    const qint64 ms = timer.elapsed();
    const long lateKb = residentKilobytes();

    const auto sent = sim.SentRecords();
    ASSERT_EQ(sent.size(), static_cast<size_t>(kTakeUps));
    long samples = 0;
    for (int i = 0; i < kTakeUps; ++i) {
        const Raster_t& r = doc->Liste->Datensatz(i);
        ASSERT_EQ(r.Tonschwelle, sent[static_cast<size_t>(i)].record.threshold) << i;
        ASSERT_EQ(r.Werte, sent[static_cast<size_t>(i)].record.samples) << i;
        samples += static_cast<long>(r.Werte.size());
    }
    // Every pause was followed by a resume: the device never stays stopped.
    const qtxsim::Bytes received = sim.Received();
    const auto pauses = std::count(received.begin(), received.end(), 0x11);
    const auto resumes = std::count(received.begin(), received.end(), 0x13);
    EXPECT_EQ(pauses, resumes);
    EXPECT_FALSE(sim.Paused());
    std::printf(
        "soak: %d take-ups, %ld samples in %lld ms; resident %ld KB at 300 records, %ld "
        "KB at the end; %ld pauses\n",
        kTakeUps, samples, static_cast<long long>(ms), earlyKb, lateKb, static_cast<long>(pauses));
    // The records themselves take a few bytes per sample; pictures are kept
    // only for rows near the screen.
    EXPECT_LT(lateKb - earlyKb, 40 * 1024);
    EXPECT_TRUE(ui.messages.empty());
}

// A full memory bank played back at full speed while the program is busy now
// and then: the queue fills, the program pauses the device and resumes it, and
// no byte of the bank is lost.
TEST_F(SoakTest, ABankPlayedBackWhileTheProgramIsBusyPausesAndLosesNothing) {
    qtxsim::Simulator& sim = addDevice(1);
    sim.FillBank(1, 400);  // as many as fit
    const auto stored = qtxsim::DecodeRecords(sim.BankContents(1));
    ASSERT_GT(stored.size(), 100u);
    start();
    TMDIChild* doc = newDocument();
    const size_t before = sim.Received().size();
    form->Session().ReadOutBank();
    const int want = static_cast<int>(stored.size()) + 1;
    // Busy spells without event processing, as a long repaint would cause.
    for (int spell = 0; spell < 40 && doc->Liste->Anzahl() < want; ++spell) {
        ::usleep(60 * 1000);
        waitUntil([&] { return doc->Liste->Anzahl() >= want; }, 40);
    }
    ASSERT_TRUE(waitUntil([&] { return doc->Liste->Anzahl() >= want; }, 60000))
        << doc->Liste->Anzahl();
    EXPECT_EQ(doc->Liste->Anzahl(), want);
    for (size_t i = 0; i < stored.size(); ++i) {
        const Raster_t& r = doc->Liste->Datensatz(static_cast<int>(i));
        ASSERT_EQ(r.Tonschwelle, stored[i].threshold) << i;
        ASSERT_EQ(r.Werte, stored[i].samples) << i;
    }
    const qtxsim::Bytes all = sim.Received();
    const qtxsim::Bytes after(all.begin() + static_cast<long>(before), all.end());
    const auto pauses = std::count(after.begin(), after.end(), 0x11);
    const auto resumes = std::count(after.begin(), after.end(), 0x13);
    std::printf("playback: %zu records, %zu bytes, %ld pauses\n", stored.size(),
                sim.BankContents(1).size(), static_cast<long>(pauses));
    EXPECT_GE(pauses, 1);
    EXPECT_EQ(pauses, resumes);
    EXPECT_FALSE(sim.Paused());
}
