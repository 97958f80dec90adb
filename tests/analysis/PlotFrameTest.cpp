#include "analysis/PlotFrame.h"

#include <QStringList>

#include <gtest/gtest.h>

using namespace ostrevik;

namespace {

QStringList labels(const AxisTicks& t) {
    QStringList out;
    for (double v : t.values) {
        out << tickLabel(v, t.decimals);
    }
    return out;
}

}  // namespace

TEST(PlotFrameTest, TimeLabelsWithTheDecimalComma) {
    EXPECT_EQ(labels(niceTicks(-1.8, 1.0, 6, 0.1)),
              QStringList({"-1,5", "-1,0", "-0,5", "0,0", "0,5", "1,0"}));
    EXPECT_EQ(labels(niceTicks(-8.0, 1.0, 12, 0.1)),
              QStringList({"-8", "-7", "-6", "-5", "-4", "-3", "-2", "-1", "0", "1"}));
    EXPECT_EQ(tickLabel(25, 0, QStringLiteral("%")), QStringLiteral("25%"));
}

TEST(PlotFrameTest, MappingBothWays) {
    const PlotMapping m(QRectF(100, 50, 900, 400), -8.0, 1.0, 0.0, 100.0);
    EXPECT_EQ(m.toPixel(-8.0, 0.0), QPointF(100, 450));
    EXPECT_EQ(m.toPixel(1.0, 100.0), QPointF(1000, 50));
    EXPECT_DOUBLE_EQ(m.xPixel(0.0), 900.0);
    EXPECT_DOUBLE_EQ(m.xAt(m.xPixel(-1.5)), -1.5);
    EXPECT_DOUBLE_EQ(m.yAt(m.yPixel(37.5)), 37.5);
    // An empty range must not divide by zero.
    const PlotMapping flat(QRectF(0, 0, 10, 10), 3.0, 3.0, 5.0, 5.0);
    EXPECT_TRUE(std::isfinite(flat.xPixel(3.0)) && std::isfinite(flat.yPixel(5.0)));
}
