#include "measurement/CurveRenderer.h"
#include "measurement/Rasters.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <functional>
#include <limits>

using namespace ostrevik;

namespace {

const QRgb kSchwarz = qRgb(0, 0, 0);
const QRgb kWeiss = qRgb(255, 255, 255);
const QRgb kSilber = qRgb(0xC0, 0xC0, 0xC0);
const QRgb kRot = qRgb(255, 0, 0);     // default curve
const QRgb kBlau = qRgb(0, 0, 255);    // default shot
const QRgb kAqua = qRgb(0, 255, 255);  // default threshold

int yVon(int wert) {
    return static_cast<int>(260.0f - static_cast<float>(wert) * (240.0f / 254.0f));
}

// x of slot j when the curve starts at slot `erster` on x0, accumulated one
// step at a time as a whole render does.
int xAkkumuliert(float x0, int schritte, float step) {
    float x = x0;
    for (int i = 0; i < schritte; ++i) {
        x = x + step;
    }
    return static_cast<int>(x);
}

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings = DisplaySettings::defaults();
        list.Einstellungen = &settings;
        list.Anhaengen();
    }

    Raster_t& capture() { return list.Letzter(); }

    // The capture target with a threshold and samples, labelled by the list.
    Raster_t& fill(uint32_t threshold, const std::vector<int>& samples) {
        Raster_t& r = capture();
        r.SetzeTonschwelle(threshold);
        for (int s : samples) {
            r.WertAnhaengen(static_cast<uint8_t>(s));
        }
        list.Beschriften();
        return r;
    }

    static std::vector<int> flat(int count, int value) { return std::vector<int>(count, value); }

    QRgb px(const Raster_t& r, int x, int y) const { return r.Bild.pixel(x, y) | 0xFF000000u; }
    int textHeight() const { return QFontMetrics(BildSchrift(kBildSchriftHoehe)).height(); }

    DisplaySettings settings;
    Rasters_t list{50, 4, 60, 60};
};

}  // namespace

TEST_F(RenderTest, EmptyRecordShowsFrameLabelsAndThresholdOnly) {
    Raster_t& r = fill(100, {});
    r.Zeichnen();
    ASSERT_EQ(r.Bild.size(), QSize(3070, 300));
    EXPECT_EQ(r.Bild.format(), QImage::Format_RGB32);

    // Axes of width 3 through X0 = 50 and Y0 = 260.
    for (int x : {49, 50, 51}) {
        EXPECT_EQ(px(r, x, 100), kSchwarz) << x;
    }
    EXPECT_EQ(px(r, 53, 100), kWeiss);
    for (int y : {259, 260, 261}) {
        EXPECT_EQ(px(r, 1000, y), kSchwarz) << y;
    }
    EXPECT_EQ(px(r, 40, 260), kSchwarz);  // the time axis starts 10 left of the origin
    EXPECT_EQ(px(r, 3065, 260), kWeiss);  // and ends 10 before the picture's edge
    EXPECT_EQ(px(r, 50, 5), kWeiss);      // the pressure axis begins at y = 10

    // Silver grid: pressure lines every 60 pixels up from Y0, time lines
    // every 60 pixels right of X0, drawn over the axes.
    for (int j = 1; j <= 4; ++j) {
        EXPECT_EQ(px(r, 1000, 260 - 60 * j), kSilber) << j;
    }
    EXPECT_EQ(px(r, 3050, 100), kSilber);
    EXPECT_EQ(px(r, 110, 260), kSilber);

    // No curve anywhere.
    for (int x = 52; x < 3060; x += 7) {
        ASSERT_NE(px(r, x, 200 + 1), kRot);
    }

    // The threshold line at trunc(Y0 - ys * t), across to the right edge.
    const int yT = yVon(100);
    EXPECT_EQ(px(r, 3069, yT), kAqua);
    EXPECT_EQ(px(r, 2000, yT + 1), kAqua);
    EXPECT_NE(px(r, 2000, yT - 3), kAqua);

    // Its label box: black outline starting at x = 7, filled with the
    // threshold colour.
    const int h = textHeight();
    EXPECT_EQ(px(r, 7, yT), kSchwarz);
    EXPECT_EQ(px(r, 8, yT - h / 2 - 2), kAqua);
    EXPECT_EQ(px(r, 6, yT), kWeiss);

    // The record number box around "0001" at the height of the time axis.
    EXPECT_EQ(px(r, 5, 260 - h / 2 - 3), kSchwarz);
    EXPECT_EQ(px(r, 5, 260), kSchwarz);
    EXPECT_EQ(px(r, 4, 260), kWeiss);
}

TEST_F(RenderTest, ThresholdLabelTextAndExtremes) {
    EXPECT_EQ(TonschwellenText(0), QStringLiteral("Tonschwelle: 1%"));
    EXPECT_EQ(TonschwellenText(127), QStringLiteral("Tonschwelle: 50%"));
    EXPECT_EQ(TonschwellenText(254), QStringLiteral("Tonschwelle: 100%"));
    EXPECT_EQ(TonschwellenText(255), QStringLiteral("Tonschwelle: 101%"));

    // 0 lies on the time axis, 255 just above the top grid line.
    Raster_t& r = fill(0, {});
    r.Zeichnen();
    EXPECT_EQ(px(r, 2000, 260), kAqua);
    EXPECT_EQ(px(r, 3069, 260), kAqua);
    r.SetzeTonschwelle(255);
    r.Zeichnen();
    EXPECT_EQ(px(r, 2000, 19), kAqua);
    EXPECT_EQ(px(r, 2000, 260), kSchwarz);

    // Hidden marker: no line, no box.
    settings.thresholdMarkerVisible = 0;
    r.Zeichnen();
    EXPECT_NE(px(r, 2000, 19), kAqua);
    EXPECT_NE(px(r, 8, 19), kAqua);
}

TEST_F(RenderTest, CurveFollowsTheSamplesInTheCurveColourAndWidth) {
    std::vector<int> samples = flat(100, 200);
    samples.insert(samples.end(), 100, 50);
    Raster_t& r = fill(0, samples);
    r.Zeichnen();
    const float step = 1.2f;
    // First run at y(200), second at y(50), from x = 50 in steps of 1.2.
    EXPECT_EQ(px(r, 52, yVon(200)), kRot);
    EXPECT_EQ(px(r, 150, yVon(200)), kRot);
    EXPECT_EQ(px(r, 150, yVon(200) - 1), kRot);  // width 3
    EXPECT_EQ(px(r, 150, yVon(200) + 1), kRot);
    EXPECT_EQ(px(r, 150, yVon(200) - 3), kWeiss);
    EXPECT_EQ(px(r, 200, yVon(50)), kRot);
    const int xLetzter = xAkkumuliert(50.0f, 199, step);
    EXPECT_EQ(px(r, xLetzter, yVon(50)), kRot);
    EXPECT_EQ(px(r, xLetzter + 3, yVon(50)), kWeiss);
    // The step from 200 down to 50 is one line between neighbouring slots.
    const int xSprung = xAkkumuliert(50.0f, 99, step);
    EXPECT_EQ(px(r, xSprung, (yVon(200) + yVon(50)) / 2) & 0xFFFFFF, kRot & 0xFFFFFF);

    settings.curveColor = 0x0000FF00;  // green
    settings.curveWidth = 1;
    r.Zeichnen();
    EXPECT_EQ(px(r, 150, yVon(200)), qRgb(0, 255, 0));
    EXPECT_EQ(px(r, 150, yVon(200) - 1), kWeiss);
}

TEST_F(RenderTest, ShotSymbolSitsOnTheSampleBeforeTheShot) {
    std::vector<int> samples = flat(50, 100);
    samples.push_back(255);
    samples.insert(samples.end(), 50, 100);
    Raster_t& r = fill(0, samples);
    r.Zeichnen();
    // Slot 50's x, accumulated, minus one step: the point of sample 49.
    float x = 50.0f;
    for (int j = 1; j <= 50; ++j) {
        x = x + 1.2f;
    }
    const int sx = static_cast<int>(x - 1.2f);
    const int sy = yVon(100);
    // Circle of radius 8 in the shot colour; the curve runs on through it.
    EXPECT_EQ(px(r, sx, sy + 8), kBlau);
    EXPECT_EQ(px(r, sx, sy - 8), kBlau);
    EXPECT_EQ(px(r, sx, sy + 5), kWeiss);
    EXPECT_EQ(px(r, sx + 1, sy), kRot);

    // Shot number in the margin one line above the record number, framed in
    // the shot colour.
    const int h = textHeight();
    EXPECT_EQ(r.SchussText, QStringLiteral("0001"));
    EXPECT_EQ(px(r, 5, 260 - h / 2 - 3 - (h + 10)), kBlau);
    EXPECT_EQ(px(r, 5, 260 - (h + 10)), kBlau);
    EXPECT_EQ(px(r, 5, 260), kSchwarz);  // the record number box stays black

    // Cross form.
    settings.shotMarkerForm = 1;
    r.Zeichnen();
    EXPECT_EQ(px(r, sx, sy + 5), kBlau);
    EXPECT_EQ(px(r, sx, sy + 8), kBlau);
    EXPECT_EQ(px(r, sx + 5, sy + 5), kWeiss);
}

TEST_F(RenderTest, ShotAlignedDisplayMovesTheShotToTheLeadTime) {
    const float step = 1.2f;
    const int cy = yVon(100);
    // The shot symbol's centre: one step left of the shot slot, whose x is
    // accumulated from the first drawn slot.
    auto centre = [&](float x0, int steps) {
        float x = x0;
        for (int i = 0; i < steps; ++i) {
            x = x + step;
        }
        return static_cast<int>(x - step);
    };
    auto ringAt = [&](const Raster_t& r, int cx) {
        return px(r, cx, cy + 8) == kBlau && px(r, cx, cy - 8) == kBlau &&
               px(r, cx, cy + 5) == kWeiss;
    };

    std::vector<int> samples = flat(600, 100);  // shot after 12 s
    samples.push_back(255);
    samples.insert(samples.end(), 100, 100);
    Raster_t& r = fill(0, samples);
    r.Zeichnen();
    const int normal = centre(50.0f, 600);
    EXPECT_TRUE(ringAt(r, normal));

    r.Schussbuendig = 1;
    list.Beschriften();
    EXPECT_EQ(r.StartIndex(), 200);
    r.Zeichnen();
    // 8 s before the shot at 60 pixels per second: the shot about 480 pixels
    // right of the origin; samples before StartIndex are not drawn.
    const int aligned = centre(50.0f, 400);
    EXPECT_TRUE(ringAt(r, aligned));
    EXPECT_FALSE(ringAt(r, normal));
    EXPECT_EQ(px(r, 52, cy), kRot);  // sample 200 starts at the origin
    EXPECT_EQ(px(r, aligned + 120 + 2, cy), kRot);
    EXPECT_EQ(px(r, aligned + 200, cy), kWeiss);  // the curve ends 100 samples after the shot

    // A shot earlier than the lead time: the curve begins right of the
    // origin so that the shot still falls on its place.
    Rasters_t other(50, 4, 60, 60);
    other.Einstellungen = &settings;
    other.Anhaengen();
    Raster_t& early = other.Letzter();
    for (int i = 0; i < 100; ++i) {
        early.WertAnhaengen(100);
    }
    early.WertAnhaengen(255);
    for (int i = 0; i < 100; ++i) {
        early.WertAnhaengen(100);
    }
    early.Schussbuendig = 1;
    other.Beschriften();
    EXPECT_EQ(early.StartIndex(), -300);
    early.Zeichnen();
    const float x0 = 50.0f + 300.0f * step;
    EXPECT_EQ(px(early, 200, cy), kWeiss);
    EXPECT_EQ(px(early, static_cast<int>(x0) + 2, cy), kRot);
    EXPECT_TRUE(ringAt(early, centre(x0, 100)));
}

// A damaged configuration file's seconds before the shot: the extremes of
// the field draw (off the picture) without overflowing any arithmetic.
TEST_F(RenderTest, ExtremeSecondsBeforeTheShotDrawWithoutOverflow) {
    std::vector<int> samples = flat(50, 100);
    samples.push_back(255);
    Raster_t& r = fill(0, samples);
    r.Schussbuendig = 1;
    for (int32_t seconds :
         {std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()}) {
        settings.secondsBeforeShot = seconds;
        list.Beschriften();
        EXPECT_EQ(r.StartIndex(), 50 - secondsBeforeShotInUse(settings) * 50);
        r.Zeichnen();
        EXPECT_FALSE(r.Bild.isNull());
        EXPECT_EQ(r.XTexte.size(), 51);
    }
}

TEST_F(RenderTest, EveryTimeScaleStretchesTheCurve) {
    const uint32_t pixelProSekunde[] = {12, 24, 60, 120, 240, 600, 120};
    const uint32_t scales[] = {0, 1, 2, 3, 4, 5, 9};
    for (int k = 0; k < 7; ++k) {
        settings.timeScale = scales[k];
        Rasters_t l(50, 4, 60, 60);
        l.Einstellungen = &settings;
        l.Anhaengen();
        Raster_t& r = l.Letzter();
        for (int i = 0; i < 200; ++i) {
            r.WertAnhaengen(200);
        }
        l.Beschriften();
        ASSERT_EQ(r.PixelProSekunde, pixelProSekunde[k]);
        r.Zeichnen();
        const float step = PixelJeSchritt(r.PixelProSekunde);
        const int xEnde = xAkkumuliert(50.0f, 199, step);
        if (xEnde < 3070) {
            EXPECT_EQ(px(r, xEnde - 1, yVon(200)), kRot) << scales[k];
            EXPECT_NE(px(r, xEnde + 3, yVon(200)), kRot) << scales[k];
        } else {
            EXPECT_EQ(px(r, 3069, yVon(200)), kRot) << scales[k];
        }
    }
}

TEST_F(RenderTest, FirstSampleShotStartsFromTheZeroLine) {
    // The point before the first slot does not exist: the curve starts from
    // the shot slot's own zero-pressure point, not from above the picture's
    // top grid line.
    Raster_t& r = fill(0, {255, 200, 200});
    r.Zeichnen();
    bool steil = false;
    for (int y = yVon(200) + 3; y < 255; ++y) {
        steil = steil || px(r, 50, y) == kRot || px(r, 51, y) == kRot;
    }
    EXPECT_TRUE(steil);
    for (int y = 15; y < yVon(200) - 3; ++y) {
        ASSERT_NE(px(r, 50, y), kRot) << y;
        ASSERT_NE(px(r, 51, y), kRot) << y;
    }
}

TEST_F(RenderTest, PaintAtOffsetMatchesThePicture) {
    std::vector<int> samples = flat(300, 120);
    samples.push_back(255);
    samples.insert(samples.end(), 80, 30);
    Raster_t& r = fill(90, samples);
    r.Zeichnen();
    QImage page(3200, 400, QImage::Format_RGB32);
    page.fill(Qt::gray);
    QPainter p(&page);
    r.Malen(p, QPoint(70, 45));
    p.end();
    EXPECT_EQ(page.copy(70, 45, 3070, 300), r.Bild);
    EXPECT_EQ(page.pixel(69, 44), QColor(Qt::gray).rgb());

    // A record longer than its time axis (captured at a coarser scale) stays
    // inside the picture's area on the page too.
    r.PixelProSekunde = 600;
    r.Zeichnen();
    page.fill(Qt::gray);
    QPainter p2(&page);
    r.Malen(p2, QPoint(70, 45));
    p2.end();
    EXPECT_EQ(page.copy(70, 45, 3070, 300), r.Bild);
    for (int x = 70 + 3070; x < page.width(); ++x) {
        ASSERT_EQ(page.pixel(x, 45 + yVon(120)), QColor(Qt::gray).rgb()) << x;
    }

    // Copying into a cell takes the picture's top-left part of the cell's
    // size, unscaled.
    QImage cell(400, 200, QImage::Format_RGB32);
    cell.fill(Qt::gray);
    QPainter c(&cell);
    r.InZelleKopieren(QRect(10, 20, 300, 150), c);
    c.end();
    EXPECT_EQ(cell.copy(10, 20, 300, 150), r.Bild.copy(0, 0, 300, 150));
    EXPECT_EQ(cell.pixel(311, 100), QColor(Qt::gray).rgb());

    r.BildGueltig = false;
    cell.fill(Qt::gray);
    QPainter c2(&cell);
    r.InZelleKopieren(QRect(10, 20, 300, 150), c2);
    c2.end();
    EXPECT_EQ(cell.pixel(60, 100), QColor(Qt::gray).rgb());
}

// The list knows which of its records hold a picture; a copy's picture is
// none of its business, and a record assigned a picture holds one.
TEST_F(RenderTest, TheListKnowsWhichRecordsHoldAPicture) {
    Raster_t& a = fill(90, {10, 20});
    a.AktuellesBild();
    Raster_t(a).Zeichnen();
    EXPECT_EQ(list.BilderGehalten(), 1);
    list.Anhaengen();
    list.Letzter() = a;
    EXPECT_EQ(list.BilderGehalten(), 2);
    list.Entfernen(0);  // a leaves with its picture
    EXPECT_EQ(list.BilderGehalten(), 1);
}

// Pictures that came about lazily (drawn on as samples arrive, refreshed
// only when shown) must be exactly what a fresh whole render gives.
struct LazyCase {
    const char* name;
    uint32_t timeScale;
    int32_t mode;
    uint32_t threshold;
    std::function<std::vector<int>()> samples;
    std::function<void(DisplaySettings&)> tweak;
};

void PrintTo(const LazyCase& c, std::ostream* os) {
    *os << c.name;
}

class LazyPictureTest : public ::testing::TestWithParam<LazyCase> {};

TEST_P(LazyPictureTest, LazyPictureEqualsFreshRender) {
    const LazyCase& c = GetParam();
    DisplaySettings settings = DisplaySettings::defaults();
    settings.timeScale = c.timeScale;
    if (c.tweak) {
        c.tweak(settings);
    }
    Rasters_t list(50, 4, 60, 60);
    list.Einstellungen = &settings;
    list.Anhaengen();
    list.Anhaengen();  // a record before the capture target shifts the numbers
    list.Datensatz(0).WertAnhaengen(255);
    for (int i = 0; i < list.Anzahl(); ++i) {
        list.Datensatz(i).Schussbuendig = c.mode;
    }
    list.Beschriften();
    Raster_t& r = list.Letzter();
    r.SetzeTonschwelle(c.threshold);
    r.AktuellesBild();  // shown on screen before the first sample

    auto expectFresh = [&](const char* when, int n) {
        Raster_t fresh(r);
        fresh.BildFreigeben();
        fresh.Zeichnen();
        const QImage& lazy = r.AktuellesBild();
        ASSERT_EQ(lazy, fresh.Bild) << c.name << " " << when << " after " << n << " samples";
    };

    const std::vector<int> samples = c.samples();
    int n = 0;
    for (int s : samples) {
        r.WertAnhaengen(static_cast<uint8_t>(s));
        ++n;
        if (n % 157 == 0 || s == 255) {
            // A batch ends: the list relabels and the row is painted.
            list.Beschriften();
            expectFresh("batch", n);
        }
    }
    list.Beschriften();
    expectFresh("end", n);

    // A finished record: the next capture target, the settings changing,
    // the display mode switching, the picture released and shown again.
    list.Anhaengen();
    list.Beschriften();
    expectFresh("appended", n);
    settings.curveWidth = 5;
    expectFresh("settings", n);
    r.Schussbuendig = c.mode == 0 ? 1 : 0;
    list.Beschriften();
    expectFresh("mode", n);
    r.BildFreigeben();
    expectFresh("released", n);
}

namespace {

std::vector<int> rampe(int n, int offset = 0) {
    std::vector<int> v;
    for (int i = 0; i < n; ++i) {
        v.push_back((i * 7 + offset) % 250 + 4);  // 3 never is a sample
    }
    return v;
}

std::vector<int> mitSchuss(int vorher, int nachher) {
    std::vector<int> v = rampe(vorher);
    v.push_back(255);
    const std::vector<int> rest = rampe(nachher, 13);
    v.insert(v.end(), rest.begin(), rest.end());
    return v;
}

const LazyCase kLazyCases[] = {
    {"no_shot", 2, 0, 127, [] { return rampe(700); }, nullptr},
    {"shot", 2, 0, 127, [] { return mitSchuss(400, 300); }, nullptr},
    {"shot_aligned", 2, 1, 60, [] { return mitSchuss(600, 200); }, nullptr},
    {"shot_aligned_early", 2, 1, 60, [] { return mitSchuss(100, 300); }, nullptr},
    {"shot_aligned_no_shot", 2, 1, 60, [] { return rampe(500); }, nullptr},
    {"scale_5s", 0, 0, 10, [] { return mitSchuss(2000, 900); }, nullptr},
    {"scale_2_5s", 1, 1, 10, [] { return mitSchuss(800, 900); }, nullptr},
    {"scale_0_5s", 3, 0, 200, [] { return mitSchuss(300, 400); }, nullptr},
    {"scale_0_25s", 4, 1, 200, [] { return mitSchuss(300, 100); }, nullptr},
    {"scale_0_1s", 5, 0, 250, [] { return mitSchuss(100, 100); }, nullptr},
    {"scale_fallback", 42, 1, 250, [] { return mitSchuss(100, 100); }, nullptr},
    {"threshold_0", 2, 0, 0, [] { return mitSchuss(50, 50); }, nullptr},
    {"threshold_255", 2, 0, 255, [] { return mitSchuss(50, 50); }, nullptr},
    {"at_capacity", 2, 0, 100, [] { return rampe(2600); }, nullptr},
    {"at_capacity_shot_lost", 5, 0, 100,
     [] {
         std::vector<int> v = rampe(260);
         v.push_back(255);
         return v;
     },
     nullptr},
    {"first_sample_shot", 2, 0, 100, [] { return mitSchuss(0, 30); }, nullptr},
    {"two_shots", 2, 1, 100,
     [] {
         std::vector<int> v = mitSchuss(500, 20);
         v.push_back(255);
         v.push_back(255);
         v.push_back(40);
         return v;
     },
     nullptr},
    {"cross_no_marker", 2, 0, 100, [] { return mitSchuss(40, 40); },
     [](DisplaySettings& s) {
         s.shotMarkerForm = 1;
         s.thresholdMarkerVisible = 0;
     }},
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(Cases, LazyPictureTest, ::testing::ValuesIn(kLazyCases),
                         [](const ::testing::TestParamInfo<LazyCase>& info) {
                             return std::string(info.param.name);
                         });
