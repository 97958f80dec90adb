#include "measurement/Rasters.h"

#include <gtest/gtest.h>

using namespace ostrevik;

namespace {

class ListLabelsTest : public ::testing::Test {
protected:
    void SetUp() override {
        settings = DisplaySettings::defaults();
        list.Einstellungen = &settings;
    }

    // Appends a finished record with the given samples.
    void record(std::initializer_list<int> samples) {
        list.Letzter().SetzeTonschwelle(50);
        for (int s : samples) {
            list.Letzter().WertAnhaengen(static_cast<uint8_t>(s));
        }
        list.Anhaengen();
    }

    DisplaySettings settings;
    Rasters_t list{50, 4, 60, 60};
};

}  // namespace

TEST_F(ListLabelsTest, NumbersRecordsAndShotsPerListInOrder) {
    list.Anhaengen();
    record({10, 255, 20});
    record({10, 20});
    record({255});
    record({30, 255, 255});
    EXPECT_EQ(list.SchussZaehler(), 3);  // every record with a shot counts once
    list.Beschriften();
    ASSERT_EQ(list.Anzahl(), 5);
    const char* nummern[] = {"0001", "0002", "0003", "0004", "0005"};
    const char* schuesse[] = {"0001", "", "0002", "0003", ""};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(list.Datensatz(i).NummerText, QLatin1String(nummern[i])) << i;
        EXPECT_EQ(list.Datensatz(i).SchussText, QLatin1String(schuesse[i])) << i;
    }
    EXPECT_EQ(list.SchussZaehler(), 3);  // renumbering does not count again

    // Removing the first record renumbers the records and shots after it.
    list.Entfernen(0);
    EXPECT_EQ(list.SchussZaehler(), 2);
    list.Beschriften();
    EXPECT_EQ(list.Datensatz(0).NummerText, QStringLiteral("0001"));
    EXPECT_EQ(list.Datensatz(1).NummerText, QStringLiteral("0002"));
    EXPECT_EQ(list.Datensatz(1).SchussText, QStringLiteral("0001"));
    EXPECT_EQ(list.Datensatz(2).SchussText, QStringLiteral("0002"));
    EXPECT_EQ(list.Letzter().NummerText, QStringLiteral("0004"));
}

// Live samples relabel the capture target alone, exactly as a whole
// relabelling would; once more has changed, it is left to the whole one.
TEST_F(ListLabelsTest, TheCaptureTargetAloneIsLabelledAsTheWholeListWouldBe) {
    list.Anhaengen();
    EXPECT_FALSE(list.LetztenBeschriften());  // never labelled yet
    record({10, 255, 20});
    record({255});
    list.Beschriften();
    for (int s : {40, 255, 50}) {
        list.Letzter().WertAnhaengen(static_cast<uint8_t>(s));
    }
    EXPECT_EQ(list.Letzter().SchussText, QStringLiteral("0003"));  // the next shot of the list
    ASSERT_TRUE(list.LetztenBeschriften());
    EXPECT_EQ(list.Letzter().NummerText, QStringLiteral("0003"));
    EXPECT_EQ(list.Letzter().SchussText, QStringLiteral("0003"));
    list.Beschriften();
    EXPECT_EQ(list.Letzter().SchussText, QStringLiteral("0003"));

    settings.timeScale = 3;
    EXPECT_FALSE(list.LetztenBeschriften());
    list.Beschriften();
    record({});
    EXPECT_FALSE(list.LetztenBeschriften());
}

TEST_F(ListLabelsTest, FourDigitNumbersGrowBeyondFourDigits) {
    list.Anhaengen();
    for (int i = 0; i < 10000; ++i) {
        list.Anhaengen();
    }
    list.Beschriften();
    EXPECT_EQ(list.Datensatz(8).NummerText, QStringLiteral("0009"));
    EXPECT_EQ(list.Datensatz(998).NummerText, QStringLiteral("0999"));
    EXPECT_EQ(list.Letzter().NummerText, QStringLiteral("10001"));
}

TEST_F(ListLabelsTest, ScaleAndTimeLabelsForEveryTimeScale) {
    list.Anhaengen();
    struct Fall {
        uint32_t timeScale;
        uint32_t pixelProSekunde;
        const char* erstes;
        const char* letztes;
    };
    // The last entry is a damaged index, which falls back to 0.5 s.
    const Fall faelle[] = {{0, 12, "5.00", "250.00"}, {1, 24, "2.50", "125.00"},
                           {2, 60, "1.00", "50.00"},  {3, 120, "0.50", "25.00"},
                           {4, 240, "0.25", "12.50"}, {5, 600, "0.10", "5.00"},
                           {77, 120, "0.50", "25.00"}};
    for (const Fall& f : faelle) {
        settings.timeScale = f.timeScale;
        list.Beschriften();
        const Raster_t& r = list.Letzter();
        EXPECT_EQ(r.PixelProSekunde, f.pixelProSekunde) << f.timeScale;
        ASSERT_EQ(r.XTexte.size(), 51);
        EXPECT_EQ(r.XTexte[0], QStringLiteral("Sekunden ->"));
        EXPECT_EQ(r.XTexte[1], QLatin1String(f.erstes)) << f.timeScale;
        EXPECT_EQ(r.XTexte[50], QLatin1String(f.letztes)) << f.timeScale;
    }
    const Raster_t& r = list.Letzter();
    EXPECT_EQ(r.YTexte, QStringList({QString(), "25%", "50%", "75%", "100%"}));
}

TEST_F(ListLabelsTest, ShotAlignedLabelsCountTowardsTheShot) {
    list.Anhaengen();
    list.Anhaengen();
    list.Datensatz(0).Schussbuendig = 1;  // no shot: still the shot-aligned labels

    settings.timeScale = 2;  // 1 s per division, 8 s before the shot
    list.Beschriften();
    EXPECT_EQ(list.Datensatz(0).XTexte[1], QStringLiteral("-7.00"));
    EXPECT_EQ(list.Datensatz(0).XTexte[8], QStringLiteral("0.00"));
    EXPECT_EQ(list.Datensatz(1).XTexte[1], QStringLiteral("1.00"));

    // 5 s per division: e0 = trunc(1 - 1.6) = 0, so the first label is 0.00.
    settings.timeScale = 0;
    list.Beschriften();
    EXPECT_EQ(list.Datensatz(0).XTexte[1], QStringLiteral("0.00"));
    EXPECT_EQ(list.Datensatz(0).XTexte[2], QStringLiteral("5.00"));

    // 0.25 s per division: e0 = 1 - 32.
    settings.timeScale = 4;
    list.Beschriften();
    EXPECT_EQ(list.Datensatz(0).XTexte[1], QStringLiteral("-7.75"));
    EXPECT_EQ(list.Datensatz(0).XTexte[32], QStringLiteral("0.00"));

    // Records showing the same labels share one list.
    list.Datensatz(1).Schussbuendig = 1;
    list.Beschriften();
    EXPECT_EQ(list.Datensatz(0).XTexte.constData(), list.Datensatz(1).XTexte.constData());
}

TEST(RasterPoints, PointOfSampleAndStartIndex) {
    DisplaySettings settings = DisplaySettings::defaults();
    Raster_t r(50, 4, 60, 60);
    r.Einstellungen = &settings;
    r.PixelProSekunde = 60;  // 1.2 pixels per sample
    int x = 0;
    int y = 0;
    r.PunktVon(0, x, y);
    EXPECT_EQ(QPoint(x, y), QPoint(-1, -1));

    r.WertAnhaengen(kShotMark);  // a shot in the first slot
    r.WertAnhaengen(254);
    r.WertAnhaengen(127);
    r.WertAnhaengen(kShotMark);
    // There is no sample before the first slot: its point is on the
    // zero-pressure line instead of read from before the record.
    EXPECT_EQ(r.PunktVon(0), QPoint(50, 260));
    EXPECT_EQ(r.PunktVon(1), QPoint(51, 20));  // 254 reaches the top grid line
    const int y127 = static_cast<int>(260.0f - 127.0f * (240.0f / 254.0f));
    EXPECT_EQ(r.PunktVon(2), QPoint(52, y127));
    EXPECT_EQ(r.PunktVon(3), QPoint(53, y127));  // a shot slot takes the sample before it
    EXPECT_EQ(r.PunktVon(4), QPoint(-1, -1));

    EXPECT_EQ(r.StartIndex(), 0);
    r.Schussbuendig = 1;
    EXPECT_EQ(r.StartIndex(), 0 - 8 * 50);  // shot earlier than the lead time
    r.Werte.assign(1000, 100);
    r.Werte[700] = kShotMark;
    EXPECT_EQ(r.StartIndex(), 300);
    settings.secondsBeforeShot = 3;
    EXPECT_EQ(r.StartIndex(), 550);
    r.Schussbuendig = 0;
    EXPECT_EQ(r.StartIndex(), 0);
}
