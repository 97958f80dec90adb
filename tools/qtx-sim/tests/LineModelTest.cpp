#include "LineModel.h"

#include <gtest/gtest.h>

#include <set>

namespace ostrevik::qtxsim {
namespace {

using namespace std::chrono_literals;
using Time = SerialLine::Clock::time_point;

const Time t0 = Time{} + 1h;

std::vector<uint8_t> take(SerialLine& line, Time now) {
    std::deque<LineByte> arrived;
    line.TakeArrived(now, arrived);
    std::vector<uint8_t> values;
    for (const LineByte& b : arrived) {
        values.push_back(b.value);
    }
    return values;
}

TEST(SerialLine, BytesLeaveOneAfterTheOtherAtTheBaudRate) {
    LineModel model;
    model.bytePacing = true;
    SerialLine line(model);
    for (uint8_t b : {1, 2, 3}) {
        line.Push(LineByte{b}, t0);
    }
    EXPECT_EQ(line.FreeAt(), t0 + 3 * kByteTime);
    EXPECT_TRUE(take(line, t0 + kByteTime - 1ns).empty());
    EXPECT_EQ(take(line, t0 + 2 * kByteTime), (std::vector<uint8_t>{1, 2}));
    EXPECT_EQ(line.NextArrival(), t0 + 3 * kByteTime);
    EXPECT_EQ(take(line, t0 + 3 * kByteTime), (std::vector<uint8_t>{3}));

    // An idle wire takes a byte at once.
    line.Push(LineByte{4}, t0 + 10ms);
    EXPECT_EQ(line.NextArrival(), t0 + 10ms + kByteTime);
}

TEST(SerialLine, TheAdapterHoldsABurstForItsLatencyOrUntilAPacketIsFull) {
    LineModel model = LineModel::UsbAdapter();
    SerialLine line(model);
    // 100 bytes at the line's rate: only 31 are in when 16 ms have passed
    // since the first, so the latency, not a full packet, ends the burst.
    for (int i = 0; i < 100; ++i) {
        line.Push(LineByte{static_cast<uint8_t>(i)}, t0);
    }
    const Time first = t0 + kByteTime;
    EXPECT_EQ(line.NextArrival(), first + 16ms);
    EXPECT_TRUE(take(line, first + 16ms - 1ns).empty());
    const auto burst1 = take(line, first + 16ms);
    const size_t inBy16ms = static_cast<size_t>((16ms + kByteTime) / kByteTime);
    ASSERT_EQ(burst1.size(), inBy16ms);
    // The next burst's timer runs from its own first byte.
    const Time second = t0 + static_cast<int>(inBy16ms + 1) * kByteTime;
    EXPECT_EQ(line.NextArrival(), second + 16ms);

    // Bytes that come in faster than the latency fill a packet: it leaves
    // at once when the 62nd is in.
    SerialLine fast(LineModel{false, 16, 62, 0});
    for (int i = 0; i < 70; ++i) {
        fast.Push(LineByte{static_cast<uint8_t>(i)}, t0);
    }
    EXPECT_EQ(take(fast, t0).size(), 62u);
    EXPECT_EQ(fast.NextArrival(), t0 + 16ms);
}

TEST(SerialLine, NothingOvertakesWhatWasHandedBefore) {
    SerialLine line(LineModel::UsbAdapter());
    line.Push(LineByte{0x40}, t0 + 5ms);
    line.Push(LineByte{0x06}, t0);  // a reply made "earlier" still queues behind
    EXPECT_EQ(take(line, t0 + 1s), (std::vector<uint8_t>{0x40, 0x06}));

    line.Push(LineByte{7, 3, true}, t0 + 2s);
    ASSERT_NE(line.Last(), nullptr);
    EXPECT_TRUE(line.Last()->endsRecord);
    const auto lost = line.Clear();
    ASSERT_EQ(lost.size(), 1u);
    EXPECT_EQ(lost.front().recordId, 3);
    EXPECT_TRUE(line.Empty());
    EXPECT_FALSE(line.NextArrival());
}

// Samples 20 ms apart through an adapter whose timer ticks every 16 ms on
// its own: they arrive on the ticks, 16 or 32 ms apart, never 20 or 40 or
// more; a timer started by the first byte passes the 20 ms on instead.
TEST(SerialLine, AFreeRunningLatencyTimerHandsBytesOnAtItsTicks) {
    std::vector<std::pair<uint8_t, Time>> handed{{0x02, t0 + 3ms}, {0x50, t0 + 3ms}};
    for (int i = 1; i <= 50; ++i) {
        handed.emplace_back(0x40, t0 + 3ms + i * 20ms);
    }
    const auto freeRunning = ArrivalTimes(LineModel::UsbAdapterFreeRunning(), handed);
    ASSERT_EQ(freeRunning.size(), handed.size());
    EXPECT_EQ(freeRunning[0], t0 + 16ms);
    EXPECT_EQ(freeRunning[1], t0 + 16ms) << "the record's start in one burst";
    std::set<Time::duration> gaps;
    for (size_t i = 2; i < freeRunning.size(); ++i) {
        EXPECT_GE(freeRunning[i], handed[i].second + kByteTime);
        EXPECT_EQ((freeRunning[i] - t0) % 16ms, 0ms);
        gaps.insert(freeRunning[i] - freeRunning[i - 1]);
    }
    EXPECT_EQ(gaps, (std::set<Time::duration>{16ms, 32ms}));

    const auto fromFirstByte = ArrivalTimes(LineModel::UsbAdapter(), handed);
    for (size_t i = 3; i < fromFirstByte.size(); ++i) {
        EXPECT_EQ(fromFirstByte[i] - fromFirstByte[i - 1], 20ms);
    }
}

}  // namespace
}  // namespace ostrevik::qtxsim
