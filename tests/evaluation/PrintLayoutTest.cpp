#include "evaluation/PrinterRasters.h"
#include "evaluation/StatisticsPrintout.h"

#include <gtest/gtest.h>

using namespace ostrevik;

namespace {

TEST(PrintPlan, PagesNeededForCompletedRecords) {
    EXPECT_EQ(DruckSeitenFuer(0, 20), 0);
    EXPECT_EQ(DruckSeitenFuer(1, 20), 1);
    EXPECT_EQ(DruckSeitenFuer(20, 20), 1);  // no empty second page
    EXPECT_EQ(DruckSeitenFuer(21, 20), 2);
    EXPECT_EQ(DruckSeitenFuer(200, 20), 10);
    EXPECT_EQ(DruckSeitenFuer(-1, 20), 0);  // a list without even a capture target
}

TEST(PrintPlan, PagesOfARecordListLeaveOutTheCaptureTarget) {
    DisplaySettings settings = DisplaySettings::defaults();
    Rasters_t list(50, 4, 60, 60);
    list.Einstellungen = &settings;
    list.Anhaengen();
    PrinterRasters_t job(list, &settings, 2, 10);
    list.Letzter().WertAnhaengen(40);  // a take-up in progress is not printed
    EXPECT_EQ(job.SeitenAnzahl(), 0);
    for (int i = 0; i < 20; ++i) {
        list.Anhaengen();
    }
    EXPECT_EQ(job.SeitenAnzahl(), 1);
    list.Anhaengen();
    EXPECT_EQ(job.SeitenAnzahl(), 2);
}

TEST(PrintPlan, RangesOutsideTheDocumentPrintNothing) {
    EXPECT_TRUE(DruckPlan(0, 20, 0, 0, 1).empty());  // empty document
    EXPECT_TRUE(DruckPlan(0, 20, 1, 1, 1).empty());
    EXPECT_TRUE(DruckPlan(45, 20, 3, 2, 1).empty());   // reversed
    EXPECT_TRUE(DruckPlan(45, 20, 2, 4, 1).empty());   // past the last page
    EXPECT_TRUE(DruckPlan(45, 20, -1, 2, 1).empty());  // before the first page
    // A zero in either end means the whole document; no copies is one.
    EXPECT_EQ(DruckPlan(45, 20, 0, 2, 1).size(), 3u);
    EXPECT_EQ(DruckPlan(45, 20, 2, 0, 0).size(), 3u);
}

class PrintLayoutTest : public ::testing::Test {
protected:
    PrintLayoutTest() {
        settings = DisplaySettings::defaults();
        list.Einstellungen = &settings;
        list.Anhaengen();
    }
    DisplaySettings settings;
    Rasters_t list{50, 4, 60, 60};
    PrinterRasters_t job{list, &settings, 2, 10};
};

TEST_F(PrintLayoutTest, MarginsAndCellsFromThePrintableArea) {
    // A4 printable area at 600 dpi.
    job.LayoutBerechnen(4760, 6779);
    EXPECT_EQ(job.RandX, 238);
    EXPECT_EQ(job.RandY, 677);
    EXPECT_EQ(job.ZellenBreite, (4760 - 476 - 140) / 2);   // 2072
    EXPECT_EQ(job.ZellenHoehe, (6779 - 1354 - 600) / 10);  // 482
    EXPECT_EQ(job.DruckRaster.Spalten, 50);
    EXPECT_EQ(job.DruckRaster.Zeilen, 4);
    EXPECT_EQ(job.DruckRaster.SpaltenBreite, 41);
    EXPECT_EQ(job.DruckRaster.ZeilenHoehe, 120);
}

TEST_F(PrintLayoutTest, SlotsFillTheLeftColumnFirst) {
    job.LayoutBerechnen(4760, 6779);
    const int breite = 2072 + 70;
    const int hoehe = 482 + 60;
    const int pitch = hoehe + 482 / 10;
    EXPECT_EQ(job.ZellenRechteck(0), QRect(238, 677, breite, hoehe));
    EXPECT_EQ(job.ZellenRechteck(1), QRect(238, 677 + pitch, breite, hoehe));
    EXPECT_EQ(job.ZellenRechteck(9), QRect(238, 677 + 9 * pitch, breite, hoehe));
    EXPECT_EQ(job.ZellenRechteck(10), QRect(238 + breite, 677, breite, hoehe));
    EXPECT_EQ(job.ZellenRechteck(19), QRect(238 + breite, 677 + 9 * pitch, breite, hoehe));
    // The two columns fill the width between the margins exactly.
    EXPECT_EQ(job.ZellenRechteck(19).left() + breite, 4760 - 238);
    // Slots that are not on the page.
    EXPECT_TRUE(job.ZellenRechteck(20).isNull());
    EXPECT_TRUE(job.ZellenRechteck(-1).isNull());
    // The drawing area reaches down to the next row.
    EXPECT_EQ(job.ZellenClip(0).bottom() + 1, job.ZellenRechteck(1).top());
}

TEST_F(PrintLayoutTest, APageTooSmallGivesEmptyCellsNotNegativeOnes) {
    job.LayoutBerechnen(100, 300);
    EXPECT_EQ(job.ZellenBreite, 0);
    EXPECT_EQ(job.ZellenHoehe, 0);
    EXPECT_EQ(job.DruckRaster.SpaltenBreite, 0);
    EXPECT_EQ(job.DruckRaster.ZeilenHoehe, 0);
}

TEST(PrintTimeLabels, EveryFourthDivisionInTheGeneralFormat) {
    const QLocale de(QLocale::German, QLocale::Germany);
    DisplaySettings s = DisplaySettings::defaults();
    auto labels = [&](uint32_t scale) {
        s.timeScale = scale;
        const QStringList t = DruckZeitTexte(DruckTeilungenProSekunde(&s), 50, de);
        EXPECT_EQ(t.size(), 51);
        EXPECT_EQ(t[0], QStringLiteral("Sekunden ->"));
        QStringList out;
        for (int i = 1; i <= 50; ++i) {
            EXPECT_EQ(t[i].isEmpty(), i % 4 != 0) << "division " << i;
            if (!t[i].isEmpty()) {
                out << t[i];
            }
        }
        return out;
    };
    EXPECT_EQ(labels(0), QStringLiteral("20 40 60 80 100 120 140 160 180 200 220 240").split(' '));
    EXPECT_EQ(labels(1), QStringLiteral("10 20 30 40 50 60 70 80 90 100 110 120").split(' '));
    EXPECT_EQ(labels(2), QStringLiteral("4 8 12 16 20 24 28 32 36 40 44 48").split(' '));
    EXPECT_EQ(labels(3), QStringLiteral("2 4 6 8 10 12 14 16 18 20 22 24").split(' '));
    EXPECT_EQ(labels(4), QStringLiteral("1 2 3 4 5 6 7 8 9 10 11 12").split(' '));
    EXPECT_EQ(labels(5), QStringLiteral("0,4 0,8 1,2 1,6 2 2,4 2,8 3,2 3,6 4 4,4 4,8").split(' '));
    // An unknown scale and missing settings read like 0.5 s per division.
    EXPECT_EQ(labels(9), labels(3));
    EXPECT_EQ(DruckTeilungenProSekunde(nullptr), 2.0);
    EXPECT_EQ(DruckZeitTexte(10.0, 50, QLocale::c())[4], QStringLiteral("0.4"));
}

// The statistics page: every text at its place, in printer pixels.
TEST(StatisticsPage, TextsAndRulesAtTheirPositions) {
    Statistik_t s;
    s.Dateiname = QStringLiteral("/home/anna/a.pvo");
    s.AnzahlGesamt = 3;
    s.AnzahlSchuss = 2;
    s.AnzahlOhneSchuss = 1;
    s.TonMin = 20;
    s.TonMax = 1240;
    s.TonSchnitt = 33;
    s.SchussMin = 50000;
    s.SchussMax = 0;
    s.SchussSchnitt = 0;
    s.TonSchussMin = 100;
    s.TonSchussMax = 200;
    s.TonSchussSchnitt = 150;
    Dateiheader_t kopf;
    KopfInitialisieren(kopf);
    kopf.setName(QStringLiteral("Anna"));
    kopf.setDatum(QStringLiteral("07.12.2026"));
    kopf.setText(QStringLiteral("Luftpistole"));
    const QLocale de(QLocale::German, QLocale::Germany);
    const QDateTime jetzt(QDate(2026, 12, 8), QTime(14, 5, 9));

    const StatistikSeite_t seite =
        StatistikSeite(s, QStringLiteral("Anna Schütz"), &kopf, jetzt, de);
    const std::vector<DruckText_t> erwartet = {
        {300, 220, QStringLiteral("Anna Schütz")},
        {300, 360, QStringLiteral("Dateiname: /home/anna/a.pvo")},
        {300, 430, QStringLiteral("Name: Anna")},
        {300, 500, QStringLiteral("Auswertung der Trainingseinheit vom 07.12.2026")},
        {300, 570, QStringLiteral("Luftpistole")},
        {300, 780, QStringLiteral("Anzahl Druckpunktnahmen gesamt: 3")},
        {300, 850, QStringLiteral("Anzahl Schuss: 2")},
        {300, 920, QStringLiteral("Anzahl Druckpunktnahmen ohne Schuss: 1")},
        {300, 1060, QStringLiteral("Zeit von Druckpunktnahme bis Tonschwelle:")},
        {700, 1130, QStringLiteral("küzeste Zeit: 0,02 s")},
        {700, 1200, QStringLiteral("längste Zeit: 1,24 s")},
        {700, 1270, QStringLiteral("Schnitt: 0,033 s")},
        {300, 1410, QStringLiteral("Zeit von Druckpunktnahme bis Schuss:")},
        {700, 1480, QStringLiteral("küzeste Zeit: 50 s")},
        {700, 1550, QStringLiteral("längste Zeit: 0 s")},
        {700, 1620, QStringLiteral("Schnitt: 0 s")},
        {300, 1760, QStringLiteral("Zeit von Tonschwelle bis Schuss:")},
        {700, 1830, QStringLiteral("küzeste Zeit: 0,1 s")},
        {700, 1900, QStringLiteral("längste Zeit: 0,2 s")},
        {700, 1970, QStringLiteral("Schnitt: 0,15 s")},
        // The time as the user's clock shows it, without a zone name.
        {300, 2180, QStringLiteral("08.12.26 - 14:05:09")},
    };
    ASSERT_EQ(seite.Texte.size(), erwartet.size());
    for (size_t i = 0; i < erwartet.size(); ++i) {
        EXPECT_EQ(seite.Texte[i].x, erwartet[i].x) << i;
        EXPECT_EQ(seite.Texte[i].y, erwartet[i].y) << i;
        EXPECT_EQ(seite.Texte[i].text.toStdString(), erwartet[i].text.toStdString()) << i;
    }
    EXPECT_EQ(seite.Linien, (std::vector<int32_t>{290, 2250}));
}

TEST(StatisticsPage, WithoutAHeaderTheLabelsStay) {
    const Statistik_t s;
    const StatistikSeite_t seite =
        StatistikSeite(s, QString(), nullptr, QDateTime::currentDateTime(), QLocale::c());
    EXPECT_EQ(seite.Texte[2].text, QStringLiteral("Name: "));
    EXPECT_EQ(seite.Texte[3].text, QStringLiteral("Auswertung der Trainingseinheit vom "));
    EXPECT_EQ(seite.Texte[4].text, QString());
}

}  // namespace
