#include "analysis/AnalysisSettings.h"
#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveImport.h"
#include "drills/DrillTexts.h"
#include "drills/DrillVerdict.h"
#include "drills/PersonalBands.h"
#include "drills/VerdictTones.h"
#include "measurement/MeasurementFile.h"

#include "../archive/ArchiveFiles.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <QtEndian>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace ostrevik;

namespace {

TakeUpMetrics withShot() {
    TakeUpMetrics m;
    m.listIndex = 4;
    m.shotIndex = 200;
    return m;
}

QStringList missedNames(const TakeUpVerdict& v) {
    QStringList names;
    for (const MissedCriterion& m : v.missed) {
        names << m.criterion.name();
    }
    return names;
}

}  // namespace

// Limits hold their edges, and what is compared is the value the table
// shows: 15,0 meets "at most 15" whatever digits lie behind it.
TEST(DrillVerdict, LimitsAreInclusiveOnTheTableValue) {
    const Drill drill = builtInDrill(BuiltInDrill::Wettkampfserie);
    TakeUpMetrics t = withShot();
    t.Schuss_ms = 3000;
    t.Anstieg_200 = 15.04;
    TakeUpVerdict v = judgeTakeUp(drill, t, {});
    EXPECT_TRUE(v.judged);
    EXPECT_TRUE(v.passed) << missedNames(v).join(',').toStdString();
    EXPECT_EQ(v.number, 5);
    t.Schuss_ms = 8000;
    EXPECT_TRUE(judgeTakeUp(drill, t, {}).passed);

    t.Schuss_ms = 8020;
    t.Anstieg_200 = 15.06;
    t.Nachlassen = true;
    t.Zucken = true;  // not a criterion of this drill
    v = judgeTakeUp(drill, t, {});
    EXPECT_FALSE(v.passed);
    EXPECT_EQ(missedNames(v), (QStringList{"Schuss_ms", "Anstieg_200", "Nachlassen"}));
    EXPECT_EQ(v.missed[0].value, 8020);
    EXPECT_EQ(v.missed[0].low, 3000);
    EXPECT_EQ(v.missed[1].value, 15.1);
    EXPECT_EQ(DrillTexts::Missed(v.missed[0]),
              QStringLiteral("Zeit bis Schuss 8,02 s – Ziel 3 bis 8 s"));
    EXPECT_EQ(DrillTexts::Missed(v.missed[1]),
              QStringLiteral("Anstieg letzte 0,2 s 15,1 %-Punkte – Ziel höchstens 15 %-Punkte"));
    EXPECT_EQ(DrillTexts::Missed(v.missed[2]), QStringLiteral("Nachlassen – Ziel ohne Nachlassen"));

    t.Schuss_ms = 2980;
    t.Anstieg_200 = -3.0;
    t.Nachlassen = false;
    EXPECT_EQ(missedNames(judgeTakeUp(drill, t, {})), QStringList{"Schuss_ms"});
}

// A metric the take-up lacks meets no criterion; a take-up without a shot
// is not judged at all.
TEST(DrillVerdict, AMissingMetricFailsAndNoShotIsNotJudged) {
    const Drill drill = builtInDrill(BuiltInDrill::Nachhalten);
    TakeUpMetrics t = withShot();
    t.Halt_160 = 95.0;  // the record ends before 500 ms after the shot
    const TakeUpVerdict v = judgeTakeUp(drill, t, {});
    EXPECT_FALSE(v.passed);
    ASSERT_EQ(missedNames(v), QStringList{"Halt_500"});
    EXPECT_FALSE(v.missed[0].value);
    EXPECT_EQ(DrillTexts::Missed(v.missed[0]),
              QStringLiteral("Halt nach 500 ms fehlt – Ziel mindestens 80 %"));

    TakeUpMetrics none;
    none.Halt_160 = 10.0;
    const TakeUpVerdict notJudged = judgeTakeUp(drill, none, {});
    EXPECT_FALSE(notJudged.judged);
    EXPECT_FALSE(notJudged.passed);
    EXPECT_TRUE(notJudged.missed.empty());
    EXPECT_EQ(DrillTexts::Verdict(notJudged), QStringLiteral("Ohne Schuss – nicht gewertet"));
}

// The band is median ± k × 1.4826 × MAD, its edges as the table rounds;
// a band criterion without its band is never met.
TEST(DrillVerdict, PersonalBandEdges) {
    std::vector<double> values;
    for (int v = 70; v <= 100; ++v) {
        values.push_back(v);  // median 85, MAD 8
    }
    const PersonalBand band = makePersonalBand(Metric::Halt_160, values, 1.5);
    EXPECT_EQ(band.count, 31);
    EXPECT_DOUBLE_EQ(band.median, 85.0);
    EXPECT_DOUBLE_EQ(band.spread, 8 * kMadToSd);
    EXPECT_EQ(band.low, 67.2);
    EXPECT_EQ(band.high, 102.8);
    EXPECT_EQ(makePersonalBand(Metric::Ton_ms, std::vector<double>{1, 2, 3, 4}, 1).median, 2.5);

    Drill drill;
    drill.criteria = {DrillCriterion::band(Metric::Halt_160, 1.5)};
    TakeUpMetrics t = withShot();
    t.Halt_160 = 67.2;
    EXPECT_TRUE(judgeTakeUp(drill, t, {band}).passed);
    t.Halt_160 = 67.14;
    const TakeUpVerdict v = judgeTakeUp(drill, t, {band});
    ASSERT_FALSE(v.passed);
    EXPECT_EQ(DrillTexts::Missed(v.missed[0]),
              QStringLiteral("Halt nach 160 ms 67,1 % – Ziel 67,2 bis 102,8 %"));
    t.Halt_160 = 85.0;
    EXPECT_FALSE(judgeTakeUp(drill, t, {}).passed);
}

// Bands from the archive: the shooter's latest take-ups with a shot,
// newest session first, never those of the file judged; too few refuse.
TEST(DrillVerdict, PersonalBandsFromTheArchive) {
    QTemporaryDir dir;
    const auto session = [&dir](const QString& name, const QString& date, int from, int count) {
        Dateiheader_t kopf;
        KopfInitialisieren(kopf);
        kopf.setName(QStringLiteral("Anna"));
        kopf.setDatum(date);
        QByteArray data;
        for (int i = 0; i < count; ++i) {
            data += test::takeUpBytes(from + i);
        }
        data += QByteArray(1, 100) + QByteArray(20, 120) + QByteArray(1, kRecordEnd);  // no shot
        EXPECT_TRUE(KopfUndDatenSchreiben(kopf, dir.filePath(name), data).ok);
        return dir.filePath(name);
    };
    // 2000 .. 2380 ms in the older session, 3000 .. 3280 ms in the newer.
    const QString older = session(QStringLiteral("a.pvo"), QStringLiteral("01.09.2026"), 100, 20);
    const QString newer = session(QStringLiteral("b.pvo"), QStringLiteral("08.09.2026"), 150, 15);
    ArchiveError error;
    auto archive = TrainingArchive::open(dir.filePath(QStringLiteral("archiv.sqlite")), error);
    ASSERT_TRUE(archive);
    ASSERT_TRUE(importPaths(*archive, {older, newer}, AnalysisSettings{}).ok());

    Drill drill;
    drill.criteria = {DrillCriterion::band(Metric::Schuss_ms, 1.0)};
    BandsResult r = personalBands(*archive, drill, {}, QStringLiteral(" Anna "));
    ASSERT_TRUE(r.refusal.ok()) << DrillTexts::BandProblem(r.refusal).toStdString();
    ASSERT_EQ(r.bands.size(), 1u);
    EXPECT_EQ(r.bands[0].count, 30);
    EXPECT_DOUBLE_EQ(r.bands[0].median, (2380 + 3000) / 2.0);

    // Judging the newer file leaves its own take-ups out: 20 remain.
    r = personalBands(*archive, drill, newer, QStringLiteral("Anna"));
    EXPECT_EQ(r.refusal.kind, BandRefusal::Kind::TooFew);
    EXPECT_EQ(r.refusal.found, 20);
    EXPECT_EQ(r.refusal.needed, 30);
    EXPECT_TRUE(r.bands.empty());
    EXPECT_EQ(DrillTexts::BandProblem(r.refusal),
              QStringLiteral("Für den persönlichen Bereich von „Zeit bis Schuss“ braucht die "
                             "Übung 30 archivierte Druckpunktnahmen mit Schuss von Anna; das "
                             "Trainingsarchiv hat 20."));

    drill.criteria[0].last = 36;
    EXPECT_EQ(personalBands(*archive, drill, {}, QStringLiteral("Anna")).refusal.found, 35);
    EXPECT_EQ(personalBands(*archive, drill, {}, QStringLiteral("Bert")).refusal.found, 0);
    // No archive at all is no archived take-up, and none is made.
    const QString none = dir.filePath(QStringLiteral("keins.sqlite"));
    EXPECT_EQ(personalBands(none, drill, {}, QStringLiteral("Anna")).refusal.kind,
              BandRefusal::Kind::TooFew);
    EXPECT_FALSE(QFileInfo::exists(none));
}

// The two tones: a pass two short notes, a miss one longer and lower; both
// within range and silent at their ends, so that they do not click.
TEST(VerdictTones, TwoDistinctShortTones) {
    const auto samples = [](VerdictTone tone) {
        const QByteArray pcm = verdictTonePcm(tone);
        std::vector<int> s;
        for (qsizetype i = 0; i + 1 < pcm.size(); i += 2) {
            s.push_back(qFromLittleEndian<qint16>(pcm.constData() + i));
        }
        return s;
    };
    const std::vector<int> passed = samples(VerdictTone::Passed);
    const std::vector<int> failed = samples(VerdictTone::Failed);
    const auto ms = [](const std::vector<int>& s) { return 1000 * s.size() / kToneSampleRate; };
    EXPECT_NEAR(static_cast<double>(ms(passed)), 250, 5);
    EXPECT_NEAR(static_cast<double>(ms(failed)), 350, 5);
    for (const std::vector<int>* s : {&passed, &failed}) {
        EXPECT_LT(std::abs(s->front()), 200);
        EXPECT_LT(std::abs(s->back()), 200);
        EXPECT_LT(*std::max_element(s->begin(), s->end()), 32767);
        EXPECT_GT(*std::max_element(s->begin(), s->end()), 8000) << "loud enough";
    }
    // The pass has a pause between its notes; the miss sounds throughout.
    const auto silentRun = [](const std::vector<int>& s) {
        size_t longest = 0;
        size_t run = 0;
        for (int v : s) {
            run = v == 0 ? run + 1 : 0;
            longest = std::max(longest, run);
        }
        return longest;
    };
    EXPECT_GT(silentRun(passed), static_cast<size_t>(kToneSampleRate / 50));
    EXPECT_LT(silentRun(failed), static_cast<size_t>(kToneSampleRate / 200));
}
