#include "QtxProtocol.h"
#include "TakeUpGenerator.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace ostrevik::qtxsim {
namespace {

TEST(TakeUpGenerator, TakeUpsLookLikeTriggerPulls) {
    TakeUpGenerator generator(42);
    int shots = 0;
    for (int i = 0; i < 300; ++i) {
        const uint8_t threshold = static_cast<uint8_t>(100 + (i % 120));
        const Record record = generator.Next(threshold);
        const Bytes& s = record.samples;
        SCOPED_TRACE(i);
        ASSERT_EQ(record.threshold, threshold);
        ASSERT_GE(s.size(), 30u);
        ASSERT_LE(s.size(), 250u) << "a few seconds, far below a record's capacity";
        EXPECT_EQ(std::count(s.begin(), s.end(), kRecordEnd), 0) << "3 would end the record";
        EXPECT_LT(s.front(), threshold / 2) << "starts on the way to the pressure point";
        // Held below the tone threshold at the pressure point.
        EXPECT_LT(*std::max_element(s.begin(), s.begin() + 20), threshold);

        const auto shot = std::find(s.begin(), s.end(), kShot);
        const long shotCount = std::count(s.begin(), s.end(), kShot);
        ASSERT_LE(shotCount, 1);
        if (shotCount == 1) {
            ++shots;
            ASSERT_NE(shot, s.begin());
            EXPECT_GT(*(shot - 1), threshold) << "the shot breaks above the tone threshold";
            EXPECT_GE(s.end() - shot, 10) << "a follow-through";
        } else {
            EXPECT_LT(s.back(), 40) << "released without a shot";
        }
    }
    EXPECT_GT(shots, 225);
    EXPECT_LT(shots, 285);
}

TEST(TakeUpGenerator, NoiseNeverStartsARecordOrAReport) {
    TakeUpGenerator generator(1);
    for (int i = 0; i < 5000; ++i) {
        const uint8_t b = generator.NoiseByte();
        ASSERT_NE(b, kRecordStart);
        ASSERT_NE(b, kBatteryReport);
        ASSERT_NE(b, kBankReport);
        ASSERT_NE(b, kThresholdReport);
    }
}

TEST(TakeUpGenerator, ShotProbabilityZeroGivesNoShots) {
    TakeUpGenerator generator(5);
    generator.SetShotProbability(0.0);
    for (int i = 0; i < 50; ++i) {
        const Bytes s = generator.Next(150).samples;
        EXPECT_EQ(std::count(s.begin(), s.end(), kShot), 0);
    }
}

// Take-ups of a set length: as long as asked, shaped as the others (a shot
// above the threshold, or a release), also where the hold has to grow.
TEST(TakeUpGenerator, ASetLengthFitsEveryTakeUp) {
    for (const int length : {100, 150, 300}) {
        TakeUpGenerator generator(7);
        generator.SetLength(length);
        for (int i = 0; i < 40; ++i) {
            const Bytes s = generator.Next(150).samples;
            SCOPED_TRACE(testing::Message() << length << ", " << i);
            ASSERT_EQ(s.size(), static_cast<size_t>(length));
            EXPECT_EQ(std::count(s.begin(), s.end(), kRecordEnd), 0);
            const auto shot = std::find(s.begin(), s.end(), kShot);
            if (shot != s.end()) {
                EXPECT_GT(*(shot - 1), 150);
            } else {
                EXPECT_LT(s.back(), 40);
            }
        }
    }
    // Too short for the rise and the squeeze: the shortest hold, no less.
    TakeUpGenerator generator(7);
    generator.SetLength(10);
    EXPECT_GT(generator.Next(150).samples.size(), 30u);
}

TEST(RecordStream, EncodeAndDecode) {
    const Record a{0x50, {0x10, 0x02, 0xff}};
    const Record b{0x03, {}};  // a threshold of 3 is a threshold, not an end
    EXPECT_EQ(EncodeRecord(a), (Bytes{0x02, 0x50, 0x10, 0x02, 0xff, 0x03}));

    Bytes stream = {0x2b, 0x5a, 0x77};  // a report and noise before
    for (const Record& r : {a, b}) {
        const Bytes encoded = EncodeRecord(r);
        stream.insert(stream.end(), encoded.begin(), encoded.end());
    }
    stream.insert(stream.end(), {0x02, 0x40, 0x11});  // unfinished
    EXPECT_EQ(DecodeRecords(stream), (std::vector<Record>{a, b}));
}

}  // namespace
}  // namespace ostrevik::qtxsim
