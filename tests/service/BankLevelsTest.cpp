#include "service/BankLevels.h"

#include <gtest/gtest.h>

using namespace ostrevik;

// The dialog test shows 0, 50 and 100 percent; these are the in-between and
// the impossible counts.
TEST(BankLevels, BarsAndTextsBetweenAndBeyondTheCapacity) {
    struct Case {
        int count;
        int bar;
        const char* text;
    };
    const Case cases[] = {
        {100, 0, "   100 Bytes =   0.30%"},  // 0.296 %: bar truncated, text rounded
        {8448, 25, "  8448 Bytes =  25.00%"},
        {33791, 99, " 33791 Bytes = 100.00%"},
        {65535, 100, " 65535 Bytes = 193.94%"},  // more than a bank holds: the bar stops at 100
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BankBarPosition(c.count), c.bar) << c.count;
        EXPECT_EQ(BankLevelText(c.count).toStdString(), c.text) << c.count;
    }
}

TEST(BankLevels, CountsAreLittleEndianAndTheTailIsIgnored) {
    QByteArray reply("\x00\x00\x00\x42\x00\x84\x64\x00", 8);
    reply.append(12, '\xEE');
    EXPECT_EQ(BankByteCounts(reply), (std::array<int, 4>{0, 16896, 33792, 100}));
    // A high byte above 127 stays positive.
    EXPECT_EQ(BankByteCounts(QByteArray("\xFF\xFF\x00\x80", 4)),
              (std::array<int, 4>{65535, 32768, 0, 0}));
}
