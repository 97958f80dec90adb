#include "evaluation/Statistics.h"

#include <gtest/gtest.h>

#include <initializer_list>

using namespace ostrevik;

namespace {

class StatisticsTest : public ::testing::Test {
protected:
    StatisticsTest() {
        settings = DisplaySettings::defaults();
        list.Einstellungen = &settings;
        list.Anhaengen();
        KopfInitialisieren(kopf);
        kopf.setName(QStringLiteral("Anna"));
        kopf.setDatum(QStringLiteral("07.12.2026"));
        kopf.setText(QStringLiteral("Luftpistole"));
    }

    // Completes one record with the given threshold and samples.
    void record(uint32_t threshold, std::initializer_list<int> samples) {
        list.Letzter().SetzeTonschwelle(threshold);
        for (int s : samples) {
            list.Letzter().WertAnhaengen(static_cast<uint8_t>(s));
        }
        list.Anhaengen();
    }

    QStringList lines() {
        return StatistikZeilen(StatistikBerechnen(QStringLiteral("/d/a.pvo"), kopf, list), de);
    }

    DisplaySettings settings;
    Rasters_t list{50, 4, 60, 60};
    Dateiheader_t kopf;
    QLocale de{QLocale::German, QLocale::Germany};
};

}  // namespace

TEST_F(StatisticsTest, OnlyTheCaptureTargetMeansNoData) {
    list.Letzter().WertAnhaengen(10);  // a take-up in progress is no measurement
    EXPECT_EQ(lines(), QStringList{QStringLiteral("KEINE DATEN")});
}

TEST_F(StatisticsTest, OneRecordGivesAllTwentyLines) {
    // Tone at sample 2 (40 ms), shot at sample 62 (1240 ms).
    list.Letzter().SetzeTonschwelle(50);
    for (int v : {10, 30, 50, 60}) {
        list.Letzter().WertAnhaengen(static_cast<uint8_t>(v));
    }
    for (int i = 4; i < 62; ++i) {
        list.Letzter().WertAnhaengen(70);
    }
    list.Letzter().WertAnhaengen(255);
    list.Anhaengen();

    const QStringList expected = {
        QStringLiteral("Dateiname: /d/a.pvo"),
        QStringLiteral("Anna - 07.12.2026 - Luftpistole"),
        QStringLiteral("Anzahl Druckpunktnahmen gesamt: 1"),
        QStringLiteral("Anzahl Schuss: 1"),
        QStringLiteral("Anzahl Druckpunktnahmen ohne Schuss: 0"),
        QString(),
        QStringLiteral("Zeit von Druckpunktnahme bis Tonschwelle:"),
        QStringLiteral("\t\tmin: 0,04 s"),
        QStringLiteral("\t\tmax: 0,04 s"),
        QStringLiteral("\t\tSchnitt: 0,04 s"),
        QString(),
        QStringLiteral("Zeit von Druckpunktnahme bis Schuss:"),
        QStringLiteral("\t\tmin: 1,24 s"),
        QStringLiteral("\t\tmax: 1,24 s"),
        QStringLiteral("\t\tSchnitt: 1,24 s"),
        QString(),
        QStringLiteral("Zeit von Tonschwelle bis Schuss:"),
        QStringLiteral("\t\tmin: 1,2 s"),
        QStringLiteral("\t\tmax: 1,2 s"),
        QStringLiteral("\t\tSchnitt: 1,2 s"),
    };
    EXPECT_EQ(lines(), expected);
}

TEST_F(StatisticsTest, SpanWithoutContributionsReadsFiftyZeroZero) {
    record(50, {10, 20, 30});  // no tone match, no shot
    const QStringList l = lines();
    ASSERT_EQ(l.size(), 20);
    EXPECT_EQ(l[7], QStringLiteral("\t\tmin: 50 s"));
    EXPECT_EQ(l[8], QStringLiteral("\t\tmax: 0 s"));
    EXPECT_EQ(l[9], QStringLiteral("\t\tSchnitt: 0 s"));
    EXPECT_EQ(l[17], QStringLiteral("\t\tmin: 50 s"));
    EXPECT_EQ(l[4], QStringLiteral("Anzahl Druckpunktnahmen ohne Schuss: 1"));
}

TEST_F(StatisticsTest, ThresholdMustBeMatchedExactly) {
    record(50, {10, 49, 51, 255});  // steps over 50
    const Statistik_t s = StatistikBerechnen(QString(), kopf, list);
    EXPECT_EQ(s.AnzahlGesamt, 1);
    EXPECT_EQ(s.AnzahlSchuss, 1);
    EXPECT_EQ(s.TonMin, 50000);  // no tone time
    EXPECT_EQ(s.SchussMin, 60);
    EXPECT_EQ(s.SchussSchnitt, 60u);
    // A shot without a tone time has no tone-to-shot span.
    EXPECT_EQ(s.TonSchussMin, 50000);
    EXPECT_EQ(s.TonSchussMax, 0);
    EXPECT_EQ(s.TonSchussSchnitt, 0u);
}

TEST_F(StatisticsTest, ToneToShotMeanDividesByItsOwnValues) {
    record(50, {50, 0, 255});   // tone 0 ms, shot 40 ms: span 40
    record(50, {10, 255, 50});  // shot before the tone: no span
    record(50, {10, 255});      // no tone at all: no span
    const Statistik_t s = StatistikBerechnen(QString(), kopf, list);
    EXPECT_EQ(s.AnzahlSchuss, 3);
    EXPECT_EQ(s.SchussSchnitt, (40u + 20u + 20u) / 3u);
    EXPECT_EQ(s.TonSchussMin, 40);
    EXPECT_EQ(s.TonSchussMax, 40);
    EXPECT_EQ(s.TonSchussSchnitt, 40u);  // not 40 / 3
    EXPECT_EQ(s.TonMin, 0);
    EXPECT_EQ(s.TonMax, 40);  // second record's tone at sample 2
}

TEST_F(StatisticsTest, MeansAreTruncatedToWholeMilliseconds) {
    record(99, {1, 255});     // shot 20 ms
    record(99, {1, 2, 255});  // shot 40 ms
    record(99, {1, 2, 255});  // shot 40 ms
    const Statistik_t s = StatistikBerechnen(QString(), kopf, list);
    EXPECT_EQ(s.SchussSchnitt, 33u);
    EXPECT_EQ(lines()[14], QStringLiteral("\t\tSchnitt: 0,033 s"));
}

TEST_F(StatisticsTest, EveryShotMarkCountsAndTheFirstGivesTheTime) {
    record(50, {50, 255, 255, 1});
    record(50, {1});
    const Statistik_t s = StatistikBerechnen(QString(), kopf, list);
    EXPECT_EQ(s.AnzahlGesamt, 2);
    EXPECT_EQ(s.AnzahlSchuss, 2);
    EXPECT_EQ(s.AnzahlOhneSchuss, 0);
    EXPECT_EQ(s.SchussMin, 20);
}

TEST(SekundenText, GeneralFormatInTheGivenLocale) {
    const QLocale de(QLocale::German, QLocale::Germany);
    EXPECT_EQ(SekundenText(1240, de), QStringLiteral("1,24"));
    EXPECT_EQ(SekundenText(0, de), QStringLiteral("0"));
    EXPECT_EQ(SekundenText(250000, de), QStringLiteral("250"));
    EXPECT_EQ(SekundenText(1240, QLocale::c()), QStringLiteral("1.24"));
}
