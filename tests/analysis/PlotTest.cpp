#include "analysis/OverlayPlot.h"
#include "analysis/ScorePage.h"
#include "analysis/ScorePlot.h"
#include "analysis/TrainingReport.h"
#include "analysis/TrendPlot.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace ostrevik;

namespace {

using Samples = std::vector<uint8_t>;

// Flat at v for 2 s before the shot and 1 s after it.
Samples flat(int v) {
    Samples s(100, static_cast<uint8_t>(v));
    s.push_back(255);
    s.insert(s.end(), 50, static_cast<uint8_t>(v));
    return s;
}

// Take-ups at 40 %, (no shot), 50 % and 60 %: the mean runs at 50 %, the band
// from 40 % to 60 %, the newest take-up at 60 %.
class PlotTest : public ::testing::Test {
protected:
    PlotTest() : image(900, 500, QImage::Format_RGB32) {
        const std::vector<Samples> samples = {flat(102), Samples(80, 90), flat(127), flat(152)};
        std::vector<TakeUpRecord> records;
        for (const Samples& s : samples) {
            records.push_back({100, s});
        }
        analysis = analyseTakeUps(records, 2, {});
    }

    PlotMapping paint(const OverlayStyle& style = {}) {
        image.fill(Qt::black);
        QPainter p(&image);
        return paintOverlay(p, QRectF(image.rect()), analysis.overlay, style);
    }

    QRgb at(const PlotMapping& m, double seconds, double percent) const {
        const QPointF px = m.toPixel(seconds, percent);
        return image.pixel(static_cast<int>(px.x()), static_cast<int>(px.y())) | 0xFF000000u;
    }

    SessionAnalysis analysis;
    QImage image;
};

bool bandColoured(QRgb c) {
    // The translucent band over white: greyish blue, neither white nor a line.
    return qBlue(c) < 250 && qBlue(c) > 200 && qRed(c) < qBlue(c);
}

}  // namespace

TEST_F(PlotTest, MeanBandAndNewestAtKnownPoints) {
    const PlotMapping m = paint();
    const double p40 = 102 * 100.0 / 254;
    const double p60 = 152 * 100.0 / 254;
    EXPECT_EQ(at(m, -1.23, 50.0), qRgb(0, 0, 0));
    EXPECT_EQ(at(m, 0.57, 50.0), qRgb(0, 0, 0));
    EXPECT_EQ(at(m, 0.0, 50.0), qRgb(0, 0, 0)) << "the mean runs on over the shot slot";
    EXPECT_TRUE(bandColoured(at(m, -1.23, 45.0)));
    EXPECT_TRUE(bandColoured(at(m, -1.23, 56.0)));
    EXPECT_EQ(at(m, -1.23, 35.0), qRgb(255, 255, 255));
    EXPECT_EQ(at(m, -1.23, p60), qRgb(255, 0, 0)) << "the newest in the curve colour";
    EXPECT_NE(at(m, -1.23, p40), qRgb(255, 0, 0)) << "older take-ups are half-transparent";
    EXPECT_EQ(at(m, -1.23, 70.0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(2, 2) | 0xFF000000u, qRgb(255, 255, 255)) << "the whole target";
}

TEST_F(PlotTest, HighlightedTakeUpInTheShotColour) {
    OverlayStyle style;
    style.highlightedListIndex = 0;
    const PlotMapping m = paint(style);
    EXPECT_EQ(at(m, -1.23, 102 * 100.0 / 254), qRgb(0, 0, 255));
    EXPECT_EQ(at(m, -1.23, 152 * 100.0 / 254), qRgb(255, 0, 0));
}

TEST_F(PlotTest, DamagedPenWidthsStayWithinTheSettingsRange) {
    OverlayStyle style;
    style.display.curveWidth = 0xFFFFFFFF;  // as read from a damaged configuration file
    style.display.thresholdWidth = 0;
    const PlotMapping m = paint(style);
    EXPECT_EQ(at(m, -1.23, 70.0), qRgb(255, 255, 255));
    EXPECT_EQ(at(m, -1.23, 152 * 100.0 / 254), qRgb(255, 0, 0));
}

TEST_F(PlotTest, ClickNearACurveFindsItsRecord) {
    const PlotMapping m = paint();
    auto near = [&](double seconds, double percent, double dy) {
        return curveNear(analysis.overlay, m, m.toPixel(seconds, percent) + QPointF(0, dy));
    };
    EXPECT_EQ(near(-1.0, 102 * 100.0 / 254, 2.0), 0);
    EXPECT_EQ(near(0.5, 127 * 100.0 / 254, -3.0), 2) << "list index, past the take-up without shot";
    EXPECT_EQ(near(-1.7, 152 * 100.0 / 254, 0.0), 3);
    EXPECT_FALSE(near(-1.0, 30.0, 0.0));
    EXPECT_FALSE(near(-1.0, 102 * 100.0 / 254, 12.0));

    // Of two identical curves the click takes the one painted on top.
    const Samples same = flat(127);
    const std::vector<TakeUpRecord> twice = {{100, same}, {100, same}};
    const SessionAnalysis b = analyseTakeUps(twice, 2, {});
    EXPECT_EQ(curveNear(b.overlay, m, m.toPixel(-1.0, 50.0)), 1);
}

// The largest difference of a colour channel between two images.
int largestDifference(const QImage& a, const QImage& b) {
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)),
                                std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return largest;
}

TEST(OverlayCacheTest, TakeUpsAddedOneByOneDrawOnlyTheirCurves) {
    std::vector<Samples> samples;
    for (int i = 0; i < 30; ++i) {
        Samples s = flat(60 + 5 * i);
        s[static_cast<size_t>(10 + i)] = static_cast<uint8_t>(200 - 3 * i);  // apart from flat
        samples.push_back(s);
    }
    samples[7] = Samples(80, 90);  // no shot
    std::vector<TakeUpRecord> records;
    for (const Samples& s : samples) {
        records.push_back({100, s});
    }
    const std::span<const TakeUpRecord> all(records);
    auto paint = [](const ShotOverlay& o, OverlayCurveCache* cache,
                    const OverlayStyle& style = {}) {
        QImage image(900, 500, QImage::Format_RGB32);
        QPainter p(&image);
        paintOverlay(p, QRectF(image.rect()), o, style, cache);
        return image;
    };

    SessionAnalyser analyser(2, {});
    OverlayCurveCache cache;
    QImage live;
    for (size_t n = 1; n <= all.size(); ++n) {
        analyser.append(all.first(n));
        live = paint(analyser.analysis().overlay, &cache);
    }
    const ShotOverlay& o = analyser.analysis().overlay;
    EXPECT_EQ(cache.redraws(), 1);
    EXPECT_EQ(cache.curvesPainted(), static_cast<int>(o.curves.size()) - 1) << "each once";
    EXPECT_EQ(cache.framesPainted(), 1) << "grid and labels stay";

    OverlayCurveCache fresh;
    const SessionAnalysis whole = analyseTakeUps(all, 2, {});
    EXPECT_TRUE(live == paint(whole.overlay, &fresh)) << "as if opened over all of them";
    // Laid over the band as a picture, the thin curves blend in other steps
    // than painted straight onto it: a rounding, no more.
    EXPECT_LE(largestDifference(live, paint(whole.overlay, nullptr)), 2);

    // Another take-up highlighted leaves the picture out of date.
    OverlayStyle style;
    style.highlightedListIndex = 3;
    const QImage highlighted = paint(o, &cache, style);
    EXPECT_EQ(cache.redraws(), 2);
    EXPECT_LE(largestDifference(highlighted, paint(o, nullptr, style)), 2);
}

TEST(TrendPlotTest, SeriesMeanAndValuesAtKnownPoints) {
    Trend t;
    t.metric = Metric::Schuss_ms;
    t.seriesLength = 5;
    for (int i = 0; i < 10; ++i) {
        t.values.push_back(i < 5 ? 1000.0 : 2000.0);
    }
    for (int k = 0; k < 2; ++k) {
        SeriesSummary s;
        s.number = k + 1;
        s.firstRow = 5 * k;
        s.rowCount = 5;
        s.values.count = 5;
        s.values.mean = k == 0 ? 1000.0 : 2000.0;
        t.series.push_back(s);
    }
    t.values[2] = 1300.0;
    QImage image(700, 400, QImage::Format_RGB32);
    QPainter p(&image);
    const PlotMapping m = paintTrend(p, QRectF(image.rect()), t, DisplaySettings::defaults());
    p.end();
    auto at = [&](double x, double y) {
        const QPointF px = m.toPixel(x, y);
        return image.pixel(static_cast<int>(px.x()), static_cast<int>(px.y())) | 0xFF000000u;
    };
    EXPECT_LE(m.yMin(), 1000.0);
    EXPECT_GE(m.yMax(), 2000.0);
    EXPECT_EQ(at(3.0, 1300.0), qRgb(255, 0, 0));
    EXPECT_EQ(at(2.5, 1000.0), qRgb(0, 0, 0));
    EXPECT_EQ(at(8.5, 2000.0), qRgb(0, 0, 0));
    EXPECT_EQ(at(8.5, 1500.0), qRgb(255, 255, 255));
}

namespace {

ScoredTakeUp scored(int listIndex, int schussMs, double ring, bool zucken) {
    ScoredTakeUp t;
    t.metrics.listIndex = listIndex;
    t.metrics.shotIndex = schussMs / 20;
    t.metrics.Schuss_ms = schussMs;
    t.metrics.Zucken = zucken;
    t.ring = ring;
    return t;
}

}  // namespace

// The ring against a metric: each point where its values are, the tag's mark
// around it, and a click finds the point's take-up.
TEST(ScorePlotTest, PointsAtTheirValuesWithTheirMarks) {
    const std::vector<ScoredTakeUp> takeUps = {
        scored(0, 800, 10.2, false), scored(1, 1000, 9.0, true), scored(2, 1200, 9.8, false)};
    QImage image(700, 450, QImage::Format_RGB32);
    QPainter p(&image);
    const PlotMapping m =
        paintScoreScatter(p, QRectF(image.rect()), takeUps, Metric::Schuss_ms, size_t{2});
    p.end();
    auto at = [&](double x, double ring, double dx = 0.0) {
        const QPointF px = m.toPixel(x, ring) + QPointF(dx, 0.0);
        return QColor(image.pixel(px.toPoint()));
    };
    EXPECT_EQ(at(800, 10.2), QColor(0x1F, 0x5F, 0xB0));
    EXPECT_EQ(at(1200, 9.8), QColor(Qt::black)) << "the highlighted one";
    // Zucken rings its point at 1.9 times the point's radius (2.8 pixels):
    // right of the point, the reddest pixel is the ring's.
    QColor ring = Qt::white;
    for (double d = 4.0; d <= 7.0; d += 1.0) {
        const QColor c = at(1000, 9.0, d * m.unit());
        ring = c.red() - c.green() > ring.red() - ring.green() ? c : ring;
    }
    EXPECT_GT(ring.red() - ring.green(), 80);
    EXPECT_LE(m.yMax(), kHighestRing) << "no ring above 10.9 on the axis";

    EXPECT_EQ(scoredTakeUpNear(takeUps, Metric::Schuss_ms, m, m.toPixel(1000, 9.0) + QPointF(3, 2)),
              size_t{1});
    EXPECT_FALSE(scoredTakeUpNear(takeUps, Metric::Schuss_ms, m, m.toPixel(1100, 10.5)));
}

// The page's metric is the one that goes surely with the ring, not a strong
// r of a handful of shots whose interval reaches 0.
TEST(ScorePlotTest, TheKeyMetricIsTheSurestOne) {
    ScoreTable table = scoreTable({});
    auto set = [&](Metric m, int n, double r, double low, double high) {
        Correlation& c = table.metrics[static_cast<size_t>(m)].correlation;
        c.n = n;
        c.r = r;
        c.low = low;
        c.high = high;
    };
    EXPECT_EQ(keyScoreMetric(table), Metric::Schuss_ms) << "none has an r";
    set(Metric::Halt_500, 4, 0.95, -0.10, 0.99);
    set(Metric::Anstieg_200, 30, -0.55, -0.76, -0.24);
    set(Metric::Halt_160, 30, 0.40, 0.05, 0.66);
    EXPECT_EQ(keyScoreMetric(table), Metric::Anstieg_200);
}

// A paragraph of a report page wraps at the width given, is painted in its
// colour from y down, and the y it returns is below its last line: the next
// paragraph starts there without overlapping it.
TEST(ReportParagraphTest, WrapsWithinTheWidthAndReturnsTheYBelow) {
    QImage image(400, 400, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    const QRectF r(20, 10, 200, 50);  // lower than the text: the height does not clip
    const QFont font = reportFont(9);
    const double line = QFontMetricsF(font, p.device()).height();
    const double oneLine = paintParagraph(p, r, 30.0, font, Qt::red, QStringLiteral("Ringe"));
    const QString words = QStringLiteral(
        "Je Trainingseinheit das Mittel der Druckpunktnahmen als Zeichen und das Intervall "
        "dieses Mittels als Balken über die ganze Saison");
    const double below = paintParagraph(p, r, oneLine, font, Qt::red, words);
    p.end();
    EXPECT_NEAR(oneLine, 30.0 + line, 1.0);
    EXPECT_GE(below - oneLine, 3 * line - 1.0) << "several lines at a width of 200";
    int reddest = -1;
    int lowest = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c(image.pixel(x, y));
            if (c != QColor(Qt::white)) {
                // A glyph's smoothed edge may touch the pixel beside the width.
                EXPECT_GE(x, 19);
                EXPECT_LE(x, 220);
                EXPECT_GE(y, 30);
                lowest = y;
                if (c.red() == 255 && c.green() == 0 && c.blue() == 0) {
                    reddest = y;
                }
            }
        }
    }
    EXPECT_GT(reddest, 0) << "painted in its colour";
    EXPECT_GT(lowest, static_cast<int>(r.bottom())) << "not clipped to r's height";
    EXPECT_LT(lowest, static_cast<int>(below) + 1);
}

// A report table's header is never cut: the comparison's "Druckpunkt-"
// once stood in a column narrower than the word.
TEST(ReportTableTest, AColumnNarrowerThanItsHeaderTakesRoomFromTheOthers) {
    // Weights give 10, 60, 10, 20; the third header needs 18.
    const std::vector<double> widths = tableColumnWidths({10, 60, 10, 20}, {5, 20, 18, 10}, 100);
    ASSERT_EQ(widths.size(), 4u);
    EXPECT_DOUBLE_EQ(widths[2], 18);
    for (size_t i = 0; i < widths.size(); ++i) {
        EXPECT_GE(widths[i], std::vector<double>({5, 20, 18, 10})[i]) << i;
    }
    EXPECT_NEAR(widths[0] + widths[1] + widths[2] + widths[3], 100, 1e-9);
    EXPECT_GT(widths[1] - 20, 4 * (widths[0] - 5));  // the wide column gives most

    // Headers wider than the page together: the weights stand.
    EXPECT_EQ(tableColumnWidths({50, 50}, {60, 60}, 100), (std::vector<double>{50, 50}));
}
