#include "device/LiveStreamDecoder.h"
#include "measurement/Rasters.h"

#include "LineModel.h"
#include "ListDocument.h"
#include "QueuedStreamInput.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <deque>
#include <functional>
#include <vector>

using namespace ostrevik;

namespace {

// The input queue as the decoder sees it, and the bytes it sends.
struct QueueLink : test::QueuedStreamInput {
    std::vector<uint8_t> sent;
    int measures = 0;
    std::vector<int> banks;

    void SendByte(uint8_t b) override { sent.push_back(b); }
    void SendMeasure() override {
        ++measures;
        sent.push_back(0x6D);
    }
    void SetMemoryBank(int bank, bool send) override {
        EXPECT_FALSE(send);
        banks.push_back(bank);
    }
};

struct Host : SessionHost {
    CaptureDocument* active = nullptr;
    std::vector<QString> asked;
    std::deque<MessageAnswer> answers;
    std::function<void()> onNewDocument;
    std::vector<uint32_t> live;
    QString status;

    CaptureDocument* CaptureTarget() override { return active; }
    MessageAnswer Ask(const QString& text, const QString& caption, MessageButtons) override {
        asked.push_back(caption + QStringLiteral(": ") + text);
        if (answers.empty()) {
            return MessageAnswer::Ok;
        }
        const MessageAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    void NewCaptureTarget() override {
        if (onNewDocument) {
            onNewDocument();
        }
    }
    void observe(LiveStreamDecoder& decoder) {
        decoder.LiveValueShown = [this](uint32_t v) { live.push_back(v); };
        decoder.StatusShown = [this](const QString& text) { status = text; };
    }
};

LiveStreamDecoder::Clock::time_point g_now{};
LiveStreamDecoder::Clock::time_point fakeNow() {
    return g_now;
}

// The decoder on a clock of the test's own: the line's pauses are exact.
class DecoderTest : public ::testing::Test {
protected:
    DecoderTest() {
        at(0);
        decoder.SetClock(&fakeNow);
        decoder.OnQuestionDue = [this] { ++questionsDue; };
        host.observe(decoder);
    }
    void at(int ms) {
        g_now = LiveStreamDecoder::Clock::time_point{} + std::chrono::milliseconds(ms);
    }
    // Delivers bytes as one received-bytes event; questions are then asked
    // as the event loop asks them, after the event.
    void receive(std::initializer_list<int> bytes) {
        arrive(bytes);
        decoder.AskPendingQuestions();
    }
    void arrive(std::initializer_list<int> bytes) {
        for (int b : bytes) {
            link.queue.push_back(static_cast<uint8_t>(b));
        }
        decoder.ComPort1RxChar(static_cast<int>(link.queue.size()));
    }

    QueueLink link;
    Host host;
    test::ListDocument doc;
    LiveStreamDecoder decoder{link, host};
    int questionsDue = 0;
};

}  // namespace

TEST_F(DecoderTest, RecordIntoActiveDocument) {
    host.active = &doc;
    receive({0x02, 0x50, 0x10, 0x20, 0x03});
    ASSERT_EQ(doc.list.Anzahl(), 2);
    EXPECT_EQ(doc.list.Datensatz(0).Tonschwelle, 0x50u);
    EXPECT_EQ(doc.list.Datensatz(0).Werte, (std::vector<uint8_t>{0x10, 0x20}));
    EXPECT_TRUE(doc.list.Letzter().Werte.empty());
    EXPECT_EQ(doc.starts, 1);
    EXPECT_EQ(link.sent, (std::vector<uint8_t>{0x6D}));
    EXPECT_EQ(host.live, (std::vector<uint32_t>{0x10, 0x20, 0}));
    EXPECT_EQ(decoder.StreamState, LiveStreamDecoder::Idle);
    EXPECT_EQ(decoder.ToneThreshold, 0x50u);
    EXPECT_EQ(doc.batches, 1);
    EXPECT_TRUE(doc.changed);
}

TEST_F(DecoderTest, FramingBytesInsideARecordAreData) {
    host.active = &doc;
    // 3 right after the start is the threshold; 2 inside the record a sample.
    receive({0x02, 0x03, 0x02, 0x01, 0x2B, 0x03});
    ASSERT_EQ(doc.list.Anzahl(), 2);
    EXPECT_EQ(doc.list.Datensatz(0).Tonschwelle, 3u);
    EXPECT_EQ(doc.list.Datensatz(0).Werte, (std::vector<uint8_t>{0x02, 0x01, 0x2B}));
}

TEST_F(DecoderTest, RecordSplitOverManyEventsContinues) {
    host.active = &doc;
    receive({0x02});
    receive({0x40});
    receive({0x11, 0x12});
    EXPECT_EQ(decoder.StreamState, LiveStreamDecoder::Sampling);
    receive({0x13, 0x03});
    EXPECT_EQ(doc.list.Datensatz(0).Werte, (std::vector<uint8_t>{0x11, 0x12, 0x13}));
    EXPECT_EQ(doc.batches, 4);
}

TEST_F(DecoderTest, NoWindowYesOpensOneAndTheRecordGoesThere) {
    host.answers = {MessageAnswer::Yes};
    host.onNewDocument = [&] {
        host.active = &doc;
        link.SendMeasure();  // creating a window tells the device to measure
    };
    arrive({0x02, 0x44, 0x05, 0x03});
    // Never asked from inside the handling of bytes: the record waits.
    EXPECT_TRUE(host.asked.empty());
    EXPECT_EQ(questionsDue, 1);
    EXPECT_EQ(decoder.StreamState, LiveStreamDecoder::ExpectThreshold);
    EXPECT_EQ(link.sent, (std::vector<uint8_t>{0x11}));
    decoder.AskPendingQuestions();
    ASSERT_EQ(host.asked.size(), 1u);
    EXPECT_EQ(host.asked[0],
              QStringLiteral("Meldung Ostrevik: Kein Fenster geöffnet!\n\rNeues öffnen?"));
    EXPECT_EQ(doc.list.Datensatz(0).Tonschwelle, 0x44u);
    EXPECT_EQ(doc.list.Datensatz(0).Werte, (std::vector<uint8_t>{0x05}));
    // Paused before asking, resumed once the queue was empty.
    EXPECT_EQ(link.sent, (std::vector<uint8_t>{0x11, 0x6D, 0x6D, 0x13}));
}

TEST_F(DecoderTest, NoWindowNoIsNotAskedAgainAndSamplesOnlyMoveTheBar) {
    host.answers = {MessageAnswer::No};
    receive({0x02, 0x44, 0x05, 0x06, 0x03});
    receive({0x02, 0x44, 0x07, 0x03});
    EXPECT_EQ(host.asked.size(), 1u);
    EXPECT_FALSE(decoder.AskForWindow);
    EXPECT_EQ(link.measures, 2);
    EXPECT_EQ(host.live, (std::vector<uint32_t>{5, 6, 0, 7, 0}));
    EXPECT_EQ(decoder.StreamState, LiveStreamDecoder::Idle);
}

TEST_F(DecoderTest, BatteryWarnsOnceAndReArmsAboveTheLimit) {
    const QString sep = QLocale::system().decimalPoint();
    receive({0x2B, 89});
    EXPECT_EQ(host.asked.size(), 1u);
    EXPECT_EQ(host.asked[0], QStringLiteral("Meldung Ostrevik: Batterie-Spannung zu niedrig"));
    EXPECT_EQ(host.status, QStringLiteral("Batteriespannung: 1") + sep + QStringLiteral("78 V"));
    receive({0x2B, 80});
    receive({0x2B, 90});  // exactly 1.8 V: neither warns nor re-arms
    EXPECT_EQ(host.asked.size(), 1u);
    EXPECT_EQ(host.status, QStringLiteral("Batteriespannung: 1") + sep + QStringLiteral("8 V"));
    receive({0x2B, 89});
    EXPECT_EQ(host.asked.size(), 1u);
    receive({0x2B, 91});
    EXPECT_FALSE(decoder.BatteryWarned);
    receive({0x2B, 89});
    EXPECT_EQ(host.asked.size(), 2u);
}

TEST_F(DecoderTest, BankAndThresholdReportsBetweenRecords) {
    host.active = &doc;
    receive({0x04, 3, 0x01, 0x77, 0x99});  // 0x99: ignored
    EXPECT_EQ(link.banks, (std::vector<int>{3}));
    EXPECT_EQ(decoder.ToneThreshold, 0x77u);
    EXPECT_EQ(doc.list.Letzter().Tonschwelle, 0x77u);
    EXPECT_EQ(doc.repaints, 1);
    EXPECT_EQ(decoder.StreamState, LiveStreamDecoder::Idle);
}

TEST_F(DecoderTest, ASecondByteThatHasNotArrivedIsAwaitedNotInvented) {
    host.active = &doc;
    receive({0x01});  // the threshold value is still on the line
    EXPECT_EQ(decoder.ToneThreshold, 0u);
    EXPECT_EQ(doc.repaints, 0);
    receive({0x42, 0x02});
    EXPECT_EQ(decoder.ToneThreshold, 0x42u);
    EXPECT_EQ(decoder.StreamState, LiveStreamDecoder::ExpectThreshold);
}

TEST_F(DecoderTest, EventCountingMoreBytesThanArriveStopsWithoutActing) {
    host.active = &doc;
    link.queue = {0x02, 0x30};
    decoder.ComPort1RxChar(5);
    EXPECT_EQ(decoder.StreamState, LiveStreamDecoder::Sampling);
    EXPECT_TRUE(doc.list.Letzter().Werte.empty());
    EXPECT_TRUE(host.live.empty());
}

TEST_F(DecoderTest, FullQueuePausesOnceAndResumesWhenEmpty) {
    host.active = &doc;
    link.extraWaiting = 900;  // the driver holds far more than this event
    receive({0x02, 0x50, 0x10, 0x11});
    EXPECT_EQ(link.sent, (std::vector<uint8_t>{0x11}));
    EXPECT_TRUE(decoder.StreamPaused);
    link.extraWaiting = 0;
    receive({0x12});
    EXPECT_EQ(link.sent, (std::vector<uint8_t>{0x11, 0x13}));
    EXPECT_FALSE(decoder.StreamPaused);
    link.extraWaiting = 818;  // 819 waiting: below 80 % of 1024, no pause
    receive({0x13});
    link.extraWaiting = 0;
    EXPECT_EQ(link.sent, (std::vector<uint8_t>{0x11, 0x13}));
}

// The take-up cut by the closing of the port is a record of its own; what
// comes when the line is back may be its rest, which is skipped up to its
// end, and the next take-up starts clean.
TEST_F(DecoderTest, ClosingThePortKeepsTheCutRecordAsItsOwnAndSkipsItsRest) {
    host.active = &doc;
    receive({0x02, 0x50, 0x10, 0x01});
    decoder.PortClosed();
    EXPECT_EQ(decoder.StreamState, LiveStreamDecoder::Idle);
    ASSERT_EQ(doc.list.Anzahl(), 2);
    EXPECT_EQ(doc.list.Datensatz(0).Werte, (std::vector<uint8_t>{0x10, 0x01}));
    EXPECT_TRUE(link.sent.empty());  // nobody to ask on a closed line
    EXPECT_EQ(host.live.back(), 0u);

    // The rest of the cut take-up, with a sample 2 and a sample 1 in it,
    // then the next take-up.
    receive({0x02, 0x04, 0x01, 0x2B, 0x20, 0x03});
    EXPECT_EQ(doc.list.Anzahl(), 2);
    EXPECT_EQ(link.sent, (std::vector<uint8_t>{0x6D}));
    EXPECT_EQ(decoder.ToneThreshold, 0x50u);
    EXPECT_TRUE(host.status.isEmpty());
    receive({0x02, 0x50, 0x30, 0x03});
    ASSERT_EQ(doc.list.Anzahl(), 3);
    EXPECT_EQ(doc.list.Datensatz(1).Werte, (std::vector<uint8_t>{0x30}));
}

// A record whose start was lost (read as an answer, say) is no record; its
// end asks for the next, so capture goes on, and the next comes through whole.
TEST_F(DecoderTest, ARecordWhoseStartWasLostEndsByAskingForTheNext) {
    host.active = &doc;
    receive({0x02, 0x50, 0x10, 0x03});
    link.sent.clear();
    receive({0x40, 0x41, 0x42, 0x03});
    EXPECT_EQ(link.sent, (std::vector<uint8_t>{0x6D}));
    EXPECT_EQ(doc.list.Anzahl(), 2);
    receive({0x02, 0x50, 0x11, 0x03});
    ASSERT_EQ(doc.list.Anzahl(), 3);
    EXPECT_EQ(doc.list.Datensatz(1).Werte, (std::vector<uint8_t>{0x11}));
}

// Where a take-up may be streaming whose start was not seen (the port has
// just opened), its rest is skipped up to its end, never read as messages or
// as a record of its own. It streams without a gap; a pause of the line ends
// the skip, and then a start begins a record whatever its threshold.
TEST_F(DecoderTest, TheRestOfAnUnseenTakeUpIsSkippedToItsEndOrToAPauseOfTheLine) {
    host.active = &doc;
    receive({0x01, 0x60});  // the device's threshold as last reported
    decoder.SkipUnseenRest();
    at(10);
    receive({0x02, 0x50, 0x04, 0x02});  // samples of the rest: a "start", a "bank"
    at(46);                             // an adapter's longest gap inside a take-up
    receive({0x2B, 0x40});
    EXPECT_EQ(doc.list.Anzahl(), 1);
    EXPECT_TRUE(link.banks.empty());
    EXPECT_TRUE(host.status.isEmpty());
    at(60);
    receive({0x03});  // its end: the device waits to be asked again
    EXPECT_EQ(link.sent, (std::vector<uint8_t>{0x6D}));
    EXPECT_FALSE(decoder.Skipping());

    // The line was quiet long enough: what comes is between records, and a
    // take-up of another trainer (another threshold) is captured whole.
    decoder.SkipUnseenRest();
    at(100);
    receive({0x20});  // a last sample of the rest
    at(140);
    receive({0x04, 0x02, 0x02, 0x77, 0x11, 0x03});
    ASSERT_EQ(doc.list.Anzahl(), 2);
    EXPECT_EQ(doc.list.Datensatz(0).Tonschwelle, 0x77u);
    EXPECT_EQ(doc.list.Datensatz(0).Werte, (std::vector<uint8_t>{0x11}));
    EXPECT_EQ(link.banks, (std::vector<int>{2}));

    // Paused by the program, the device is silent for its own reason: that
    // is no pause of the line, and the rest after the resume is still skipped.
    decoder.SkipUnseenRest();
    decoder.Pause(PauseReason::Exchange);
    at(500);
    receive({0x02, 0x33});
    decoder.Release(PauseReason::Exchange);
    at(520);
    receive({0x34, 0x03});
    EXPECT_EQ(doc.list.Anzahl(), 2);
}

// Over an adapter whose latency timer runs freely, the samples of a take-up,
// sent every 20 ms, reach the program 16 or 32 ms apart: no pause of the
// line, so its rest is skipped whole, also what its samples spell (a start
// with the threshold, a report). Worked out from the line's model, not
// measured, so that a few milliseconds of margin are tested exactly.
TEST_F(DecoderTest, TheRestOverAnAdapterWhoseTimerRunsFreelyIsSkippedWhole) {
    using namespace std::chrono_literals;
    host.active = &doc;
    const auto start = LiveStreamDecoder::Clock::time_point{} + 1000ms;
    std::vector<std::pair<uint8_t, LiveStreamDecoder::Clock::time_point>> handed;
    for (int i = 0; i < 120; ++i) {
        const uint8_t sample = i == 60 ? 0x02 : i == 61 ? 0x50 : i == 90 ? 0x2B : 0x40;
        handed.emplace_back(sample, start + i * 20ms);
    }
    handed.emplace_back(0x03, start + 120 * 20ms);
    const auto arrivals = qtxsim::ArrivalTimes(qtxsim::LineModel::UsbAdapterFreeRunning(), handed);
    ASSERT_EQ(arrivals.size(), handed.size());
    g_now = start;
    decoder.SkipUnseenRest();
    for (size_t i = 0; i < handed.size(); ++i) {
        g_now = arrivals[i];
        link.queue.push_back(handed[i].first);
        link.arrived.push_back(arrivals[i]);
        decoder.ComPort1RxChar(1);
        decoder.Watch(g_now);
    }
    EXPECT_EQ(doc.list.Anzahl(), 1);
    EXPECT_TRUE(host.status.isEmpty());
    EXPECT_EQ(link.sent, (std::vector<uint8_t>{0x6D}));  // its end asked for the next
}

// Where a byte stands decides what it is; the first rule that holds wins.
TEST_F(DecoderTest, ClassifyFollowsTheTableInItsOrder) {
    using Role = LiveStreamDecoder::Role;
    host.active = &doc;
    EXPECT_EQ(decoder.Classify(0x02, g_now), Role::RecordStart);
    EXPECT_EQ(decoder.Classify(0x01, g_now), Role::Report);
    EXPECT_EQ(decoder.Classify(0x03, g_now), Role::StrayEnd);
    EXPECT_EQ(decoder.Classify(0x55, g_now), Role::Ignored);
    decoder.SetIdleReceiver([](uint8_t) {});
    EXPECT_EQ(decoder.Classify(0x02, g_now), Role::Claimed);
    decoder.SetIdleReceiver({});
    receive({0x02});
    EXPECT_EQ(decoder.Classify(0x03, g_now), Role::Threshold);
    receive({0x50});
    EXPECT_EQ(decoder.Classify(0x03, g_now), Role::RecordEnd);
    EXPECT_EQ(decoder.Classify(0x02, g_now), Role::Sample);
    receive({0x03, 0x2B});
    EXPECT_EQ(decoder.Classify(0x02, g_now), Role::ReportValue);
    decoder.SkipUnseenRest();
    EXPECT_EQ(decoder.Classify(0x02, g_now), Role::Unseen);
    EXPECT_EQ(decoder.Classify(0x03, g_now), Role::EndOfUnseen);
    EXPECT_EQ(decoder.Classify(0x02, g_now + Line::kQuiet), Role::RecordStart);
    decoder.OweAnswer(2, g_now + std::chrono::seconds(1), false);
    EXPECT_EQ(decoder.Classify(0x03, g_now), Role::LateAnswer);
    EXPECT_EQ(decoder.Classify(0x03, g_now + std::chrono::seconds(2)), Role::StrayEnd);
}

namespace {

class WatchTest : public DecoderTest {
protected:
    void watch(int ms) {
        at(ms);
        decoder.Watch(g_now);
    }
};

}  // namespace

// A record whose end never comes (thrown away, or the device unplugged and
// plugged in again) ends after a second of silence as a record of its own,
// and the device is asked for the next one; bytes still waiting or a pause
// of ours are no silence.
TEST_F(WatchTest, ASilentRecordEndsAsARecordOfItsOwnAndTheNextIsAskedFor) {
    host.active = &doc;
    at(0);
    receive({0x02, 0x50, 0x10, 0x20});
    watch(999);
    link.extraWaiting = 1;
    watch(1500);
    link.extraWaiting = 0;
    EXPECT_EQ(doc.list.Anzahl(), 1);
    EXPECT_TRUE(link.sent.empty());

    watch(1600);
    ASSERT_EQ(doc.list.Anzahl(), 2);
    EXPECT_EQ(doc.list.Datensatz(0).Werte, (std::vector<uint8_t>{0x10, 0x20}));
    EXPECT_EQ(link.sent, (std::vector<uint8_t>{0x6D}));
    EXPECT_EQ(decoder.StreamState, LiveStreamDecoder::Idle);

    // After a second of silence what comes is read afresh: the next take-up.
    at(2400);
    receive({0x02, 0x30, 0x31, 0x03});
    ASSERT_EQ(doc.list.Anzahl(), 3);
    EXPECT_EQ(doc.list.Datensatz(1).Werte, (std::vector<uint8_t>{0x31}));
    EXPECT_EQ(link.sent, (std::vector<uint8_t>{0x6D, 0x6D}));
    // An end byte between records is the end of a record whose start was
    // lost: the device waits to be asked again.
    receive({0x03});
    EXPECT_EQ(link.sent.size(), 3u);
}

TEST_F(WatchTest, APauseOfOursEndsInAResumeInTimeAndAfterAReconnection) {
    host.active = &doc;
    at(0);
    link.extraWaiting = 900;
    receive({0x02, 0x50, 0x10});
    ASSERT_EQ(link.sent, (std::vector<uint8_t>{0x11}));
    watch(1999);
    EXPECT_TRUE(decoder.StreamPaused);
    watch(2000);
    EXPECT_FALSE(decoder.StreamPaused);
    EXPECT_EQ(link.sent, (std::vector<uint8_t>{0x11, 0x13}));
    // Still paused when the port closes: the next connection resumes, once.
    receive({0x11});
    ASSERT_TRUE(decoder.StreamPaused);
    decoder.PortClosed();
    EXPECT_FALSE(decoder.StreamPaused);
    EXPECT_TRUE(decoder.ResumeOwed());
    decoder.ResumeSent();
    EXPECT_FALSE(decoder.ResumeOwed());
}

// Each reason of a pause is lifted by whoever set it: the exchange's by the
// exchange, not by the queue running empty, nor by the silence or the pause
// limit; bytes still waiting keep the pause until a call has taken them.
TEST_F(WatchTest, APauseIsLiftedWhenItsLastReasonEnds) {
    host.active = &doc;
    receive({0x02, 0x50});
    at(0);
    decoder.Pause(PauseReason::Exchange);
    receive({0x10, 0x20});
    watch(5000);  // neither the silence nor the pause limit acts on it
    EXPECT_EQ(link.sent, (std::vector<uint8_t>{0x11}));
    EXPECT_EQ(decoder.StreamState, LiveStreamDecoder::Sampling);
    link.extraWaiting = 3;
    decoder.Release(PauseReason::Exchange);
    EXPECT_TRUE(decoder.StreamPaused);
    link.extraWaiting = 0;
    receive({0x30});
    EXPECT_EQ(link.sent, (std::vector<uint8_t>{0x11, 0x13}));
    EXPECT_EQ(doc.list.Letzter().Werte, (std::vector<uint8_t>{0x10, 0x20, 0x30}));

    // A pause typed into the trace is the user's: the record is not cut by
    // the device's silence, and only the typed resume lifts it.
    at(6000);
    decoder.Pause(PauseReason::Key);
    watch(60000);
    EXPECT_TRUE(decoder.StreamPaused);
    EXPECT_EQ(decoder.StreamState, LiveStreamDecoder::Sampling);
    decoder.ResumeNow();
    EXPECT_FALSE(decoder.StreamPaused);
    EXPECT_EQ(link.sent, (std::vector<uint8_t>{0x11, 0x13, 0x11, 0x13}));
    EXPECT_EQ(decoder.StreamState, LiveStreamDecoder::Sampling);
}

// An answer that came after its exchange's wait is the answer's, never the
// stream's, inside a record (the device held paused until it is in) and
// between records (where its bytes would be a start and a battery report).
TEST_F(WatchTest, ALateAnswerIsNeverARecordsByteNorAMessage) {
    host.active = &doc;
    receive({0x02, 0x50, 0x10});
    decoder.Pause(PauseReason::Exchange);
    decoder.OweAnswer(10, g_now + std::chrono::seconds(1), true);
    decoder.Release(PauseReason::Exchange);
    EXPECT_TRUE(decoder.StreamPaused);
    at(400);
    receive({0x70, 0x70, 0x03, 0x63, 0x40, 0x05, 0x01, 0x01, 0x02, 0x2B});
    watch(420);
    EXPECT_TRUE(decoder.StreamPaused);  // until the line is quiet after it
    watch(440);
    EXPECT_FALSE(decoder.StreamPaused);
    receive({0x11, 0x03});
    ASSERT_EQ(doc.list.Anzahl(), 2);
    EXPECT_EQ(doc.list.Datensatz(0).Werte, (std::vector<uint8_t>{0x10, 0x11}));

    // Between records, with the device not paused; one that never comes is
    // given up at the limit.
    decoder.OweAnswer(4, g_now + std::chrono::seconds(1), false);
    at(900);
    receive({0x02, 0x2B, 0x10, 0x01});
    watch(950);
    EXPECT_FALSE(decoder.AnswerOwed());
    EXPECT_EQ(doc.list.Anzahl(), 2);
    EXPECT_TRUE(host.asked.empty());
    decoder.OweAnswer(2, g_now + std::chrono::seconds(1), false);
    watch(1949);
    EXPECT_TRUE(decoder.AnswerOwed());
    watch(1951);
    EXPECT_FALSE(decoder.AnswerOwed());
}

// A trainer that restarted (a battery change) has forgotten that the program
// is ready: after a long silence between records it is told again. Inside a
// take-up, while paused or before the program ever asked, nothing is sent.
TEST_F(WatchTest, ALongSilentDeviceIsToldAgainThatTheProgramIsReady) {
    host.active = &doc;
    watch(10000);
    EXPECT_TRUE(link.sent.empty());  // never told to measure: not ours to start
    link.SendMeasure();
    decoder.NoteMeasure();
    watch(13999);
    EXPECT_EQ(link.measures, 1);
    watch(14000);
    EXPECT_EQ(link.measures, 2);
    // Answers to commands and reports are no sign that the device knows it:
    // only its take-ups are.
    at(17900);
    receive({0x01, 0x50});
    decoder.InputTaken(g_now);
    watch(17999);
    EXPECT_EQ(link.measures, 2);
    watch(18000);
    EXPECT_EQ(link.measures, 3);
    at(18100);
    receive({0x02, 0x50});
    for (int ms = 18100; ms <= 26100; ms += 250) {
        at(ms);
        receive({0x20});  // a long take-up, one sample in every watch
        watch(ms + 1);
    }
    EXPECT_EQ(link.measures, 3);
    decoder.Pause(PauseReason::Key);
    watch(40000);
    EXPECT_EQ(link.measures, 3);
}

TEST_F(DecoderTest, AfterADiscardAHalfMessageDoesNotEatTheNextByte) {
    host.active = &doc;
    receive({0x2B});  // the voltage byte was taken as part of a reply
    decoder.InputTaken(std::nullopt);
    receive({0x02, 0x50, 0x10, 0x03});
    ASSERT_EQ(doc.list.Anzahl(), 2);
    EXPECT_EQ(doc.list.Datensatz(0).Werte, (std::vector<uint8_t>{0x10}));
    EXPECT_TRUE(host.status.isEmpty());
}
