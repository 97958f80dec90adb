#include "measurement/Rasters.h"

#include <gtest/gtest.h>

using namespace ostrevik;

namespace {

// A document record at the given pixels per second.
Raster_t documentRecord(uint32_t pixelProSekunde = 60) {
    Raster_t r(50, 4, 60, 60);
    r.PixelProSekunde = pixelProSekunde;
    return r;
}

class RasterTest : public ::testing::Test {};

}  // namespace

TEST_F(RasterTest, ConstructionSetsGeometryAndEmptyState) {
    Raster_t r(50, 4, 60, 60);
    EXPECT_EQ(r.Raster.Breite(), 3070);
    EXPECT_EQ(r.Raster.Hoehe(), 300);
    EXPECT_EQ(r.Raster.X0, 50);
    EXPECT_EQ(r.Raster.Y0, 260);
    EXPECT_EQ(r.Raster.XVon(1), 110);
    EXPECT_EQ(r.Raster.YVon(4), 20);
    EXPECT_EQ(r.XTexte.size(), 51);
    EXPECT_EQ(r.YTexte.size(), 5);
    EXPECT_EQ(r.NummerText, QStringLiteral("0000"));
    EXPECT_TRUE(r.SchussText.isEmpty());
    EXPECT_EQ(r.PixelProSekunde, 50u);
    EXPECT_FALSE(r.HatSchuss);
    EXPECT_EQ(r.Schussbuendig, 0);
    EXPECT_TRUE(r.BildGueltig);
    EXPECT_EQ(r.Einstellungen, nullptr);

    Raster_t placeholder(0, 0, 0, 0);  // printing uses such an empty record
    EXPECT_EQ(placeholder.Kapazitaet(), 0u);
    placeholder.WertAnhaengen(10);
    EXPECT_EQ(placeholder.AnzahlWerte(), 0);
}

TEST_F(RasterTest, CapacityFollowsTheTimeScale) {
    EXPECT_EQ(documentRecord(60).Kapazitaet(), 2500u);
    EXPECT_EQ(documentRecord(120).Kapazitaet(), 1250u);
    EXPECT_EQ(documentRecord(12).Kapazitaet(), 12500u);
    EXPECT_EQ(documentRecord(600).Kapazitaet(), 250u);
}

TEST_F(RasterTest, FullRecordIgnoresSamplesIncludingALateShot) {
    Rasters_t list(50, 4, 60, 60);
    list.Anhaengen();
    Raster_t& r = list.Letzter();
    r.PixelProSekunde = 600;
    for (int i = 0; i < 300; ++i) {
        r.WertAnhaengen(10);
    }
    EXPECT_EQ(r.AnzahlWerte(), 250);
    r.WertAnhaengen(kShotMark);
    EXPECT_FALSE(r.HatSchuss);
    EXPECT_EQ(list.SchussZaehler(), 0);
    EXPECT_TRUE(r.SchussText.isEmpty());
}

TEST_F(RasterTest, ShrinkingCapacityBelowHeldSamplesStopsTheRecord) {
    Raster_t r = documentRecord(60);
    for (int i = 0; i < 1000; ++i) {
        r.WertAnhaengen(10);
    }
    r.PixelProSekunde = 600;  // capacity 250, already 1000 held
    r.WertAnhaengen(11);
    r.WertAnhaengen(kShotMark);
    EXPECT_EQ(r.AnzahlWerte(), 1000);
    EXPECT_FALSE(r.HatSchuss);
}

TEST_F(RasterTest, ShotsCountPerListAndTheFirstShotIsFound) {
    Rasters_t list(50, 4, 60, 60);
    list.Anhaengen();
    Raster_t& a = list.Letzter();
    a.WertAnhaengen(100);
    a.WertAnhaengen(kShotMark);
    EXPECT_TRUE(a.HatSchuss);
    EXPECT_EQ(a.SchussText, QStringLiteral("0001"));
    // A second shot keeps the record's number: the list counts records, so
    // the next record's shot is still the list's second.
    a.WertAnhaengen(kShotMark);
    EXPECT_EQ(list.SchussZaehler(), 1);
    EXPECT_EQ(a.SchussText, QStringLiteral("0001"));
    EXPECT_EQ(a.SchussIndex(), 1);
    list.Anhaengen();
    const uint8_t werte[] = {10, kShotMark, 20, kShotMark};
    list.Letzter().WerteAnhaengen(werte, 4);  // as a file is read
    EXPECT_EQ(list.Letzter().SchussText, QStringLiteral("0002"));
    EXPECT_EQ(list.SchussZaehler(), 2);
    list.Entfernen(0);
    EXPECT_EQ(list.SchussZaehler(), 1);  // removing a numbered record counts down

    // A record of no list is the first shot of its own, and counts nowhere.
    Raster_t b = documentRecord();
    b.WertAnhaengen(kShotMark);
    EXPECT_EQ(b.SchussText, QStringLiteral("0001"));
    EXPECT_EQ(list.SchussZaehler(), 1);
}

TEST_F(RasterTest, CopiesBelongToNoListAndAssignmentKeepsTheCount) {
    Rasters_t list(50, 4, 60, 60);
    list.Anhaengen();
    Raster_t& a = list.Letzter();
    a.SetzeTonschwelle(80);
    a.WertAnhaengen(1);
    a.WertAnhaengen(kShotMark);
    a.XTexte[1] = QStringLiteral("1.00");
    ASSERT_EQ(list.SchussZaehler(), 1);
    {
        Raster_t b(a);
        EXPECT_EQ(b.Werte, a.Werte);
        EXPECT_EQ(b.Tonschwelle, 80u);
        b.Werte[0] = 7;
        b.XTexte[1] = QStringLiteral("x");
        EXPECT_EQ(a.Werte[0], 1);
        EXPECT_EQ(a.XTexte[1], QStringLiteral("1.00"));
        b.WertAnhaengen(kShotMark);
        EXPECT_EQ(list.SchussZaehler(), 1);
    }
    // The copy's end leaves the list's count as it was.
    EXPECT_EQ(list.SchussZaehler(), 1);

    // A record of the list that is assigned to counts what it holds now.
    list.Anhaengen();
    Raster_t& c = list.Letzter();
    c = a;
    EXPECT_EQ(c.Werte, a.Werte);
    EXPECT_EQ(list.SchussZaehler(), 2);
    c = documentRecord();
    EXPECT_TRUE(c.Werte.empty());
    EXPECT_EQ(list.SchussZaehler(), 1);
    list.Entfernen(0);
    EXPECT_EQ(list.SchussZaehler(), 0);
}

TEST(Rasters, ListKeepsOrderAndHandsOutSettings) {
    DisplaySettings settings = DisplaySettings::defaults();
    Rasters_t list(50, 4, 60, 60);
    list.Einstellungen = &settings;
    EXPECT_EQ(list.Anzahl(), 0);
    list.Anhaengen();
    list.Anhaengen();
    list.Anhaengen();
    ASSERT_EQ(list.Anzahl(), 3);
    EXPECT_EQ(list.Letzter().Einstellungen, &settings);
    list.Datensatz(0).SetzeTonschwelle(10);
    list.Datensatz(1).SetzeTonschwelle(11);
    Raster_t* second = &list.Datensatz(1);
    list.Entfernen(0);
    ASSERT_EQ(list.Anzahl(), 2);
    EXPECT_EQ(&list.Datensatz(0), second);  // records never move
    EXPECT_EQ(list.Datensatz(0).Tonschwelle, 11u);
    EXPECT_EQ(&list.Letzter(), &list.Datensatz(1));
    list.Entfernen(5);  // out of range: nothing
    EXPECT_EQ(list.Anzahl(), 2);
}
