#include "analysis/CsvExport.h"
#include "analysis/HeaderDate.h"
#include "analysis/SessionComparison.h"
#include "analysis/TrainingSession.h"
#include "common/Texts.h"

#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ostrevik;
using test::readAll;

namespace {

using Samples = std::vector<uint8_t>;

struct Take {
    uint8_t threshold;
    Samples samples;
};

// A measurement file of the given take-ups.
void writePvo(const QString& path, const std::vector<Take>& takes, const QString& datum = {}) {
    Dateiheader_t kopf;
    KopfInitialisieren(kopf);
    kopf.setName(QStringLiteral("Anna"));
    kopf.setDatum(datum);
    QByteArray data;
    for (const Take& t : takes) {
        data.append(static_cast<char>(t.threshold));
        data.append(reinterpret_cast<const char*>(t.samples.data()),
                    static_cast<qsizetype>(t.samples.size()));
        data.append(static_cast<char>(kRecordEnd));
    }
    ASSERT_TRUE(KopfUndDatenSchreiben(kopf, path, data).ok);
}

TrainingSession load(const QString& path) {
    TrainingSession s;
    QString error;
    EXPECT_TRUE(loadTrainingSession(path, s, error)) << error.toStdString();
    return s;
}

Samples concat(std::initializer_list<Samples> parts) {
    Samples all;
    for (const Samples& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

// Four take-ups with figures worked out by hand: a short one with a shot, one
// without, one whose shot follows its first sample, and one that jerks 0.2 s
// before the shot and lets go after it.
const std::vector<Take> kTakes = {
    {100, {50, 100, 127, 255, 127}},
    {200, {10, 20}},
    {254, {254, 255}},
    {100, concat({Samples(11, 20), {120, 255}, Samples(8, 60)})},
};

}  // namespace

TEST(CsvExportTest, BothFilesReadBackExactly) {
    QTemporaryDir dir;
    writePvo(dir.filePath(QStringLiteral("s.pvo")), kTakes);
    const TrainingSession s = load(dir.filePath(QStringLiteral("s.pvo")));
    const SessionAnalysis a = analyseDocument(*s.Liste, 8, {});
    const QString prefix = dir.filePath(QStringLiteral("training"));
    ASSERT_TRUE(writeCsvExport(prefix, a, *s.Liste).ok);

    EXPECT_EQ(readAll(prefix + QStringLiteral("-takeups.csv")),
              QByteArray("Nr;Schuss;Tonschwelle;Dauer_ms;Ton_ms;Schuss_ms;TonSchuss_ms;"
                         "Druck_Schuss;Spitzendruck;Anstieg_200;Halt_160;Halt_500;Abweichung;"
                         "Zucken;Nachlassen;Unruhig\n"
                         "1;1;100;100;20;60;40;50,0;50,0;;;;13,3;0;0;0\n"
                         "2;0;200;40;;;;;7,9;;;;;0;0;0\n"
                         "3;1;254;40;0;20;20;100,0;100,0;;;;34,3;0;0;0\n"
                         "4;1;100;420;220;240;20;47,2;47,2;39,4;50,0;;7,2;1;1;0\n"));
    QByteArray d;
    for (int i = 0; i <= 20; ++i) {
        const char* tail = i < 11    ? "20;7,9;0"
                           : i == 11 ? "120;47,2;0"
                           : i == 12 ? "255;;1"
                                     : "60;23,6;0";
        d += QByteArray("4;") + QByteArray::number(i) + ";0," +
             QByteArray::number(i * 20).rightJustified(3, '0') + ";" + tail + "\n";
    }
    EXPECT_EQ(readAll(prefix + QStringLiteral("-samples.csv")),
              QByteArray("Nr;Index;Zeit_s;Wert;Druck;Schuss\n"
                         "1;0;0,000;50;19,7;0\n"
                         "1;1;0,020;100;39,4;0\n"
                         "1;2;0,040;127;50,0;0\n"
                         "1;3;0,060;255;;1\n"
                         "1;4;0,080;127;50,0;0\n"
                         "2;0;0,000;10;3,9;0\n"
                         "2;1;0,020;20;7,9;0\n"
                         "3;0;0,000;254;100,0;0\n"
                         "3;1;0,020;255;;1\n") +
                  d);
}

TEST(CsvExportTest, NamesFromTheDialogAndAFailedWrite) {
    EXPECT_EQ(csvPrefixFor(QStringLiteral("/a/training.csv")), QStringLiteral("/a/training"));
    EXPECT_EQ(csvPrefixFor(QStringLiteral("/a/training-takeups.csv")),
              QStringLiteral("/a/training"));
    EXPECT_EQ(csvPrefixFor(QStringLiteral("/a/training-SAMPLES.CSV")),
              QStringLiteral("/a/training"));
    EXPECT_EQ(csvPrefixFor(QStringLiteral("/a/training")), QStringLiteral("/a/training"));

    QTemporaryDir dir;
    Rasters_t list(50, 4, 60, 60);
    list.Anhaengen();
    const CsvExportResult r =
        writeCsvExport(dir.filePath(QStringLiteral("fehlt/x")), analyseDocument(list, 8, {}), list);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.failedPath, dir.filePath(QStringLiteral("fehlt/x-takeups.csv")));
    EXPECT_FALSE(r.reason.isEmpty());
}

TEST(TrainingSessionTest, AFileKeepsEverySampleAndAWrongFileIsTold) {
    QTemporaryDir dir;
    // 60 s at the pressure point and the shot: longer than a record's
    // picture holds at the default time scale (50 s).
    const QString longPath = dir.filePath(QStringLiteral("lang.pvo"));
    writePvo(longPath, {{100, concat({Samples(3000, 120), {255, 120}})}});
    const TrainingSession s = load(longPath);
    ASSERT_EQ(s.fertigeDatensaetze(), 1);
    EXPECT_EQ(s.Liste->Datensatz(0).SchussIndex(), 3000);

    TrainingSession t;
    QString error;
    EXPECT_FALSE(loadTrainingSession(dir.filePath(QStringLiteral("nichts.pvo")), t, error));
    EXPECT_EQ(error, Texts::FileNotFound(dir.filePath(QStringLiteral("nichts.pvo"))));
    const QString wrong = dir.filePath(QStringLiteral("falsch.pvo"));
    test::writeAll(wrong, test::bytes({2, 0, 0, 0, 100, 3}));
    EXPECT_FALSE(loadTrainingSession(wrong, t, error));
    EXPECT_EQ(error,
              wrong + QStringLiteral(": Fehler beim laden der Datei. Möglicherweise falscher "
                                     "Dateityp"));
}

TEST(HeaderDateTest, GermanShortFormsOnly) {
    const QDate today(2026, 12, 8);
    struct Case {
        const char* text;
        QDate expected;  // invalid: unreadable
    } cases[] = {
        {"07.12.26", QDate(2026, 12, 7)},
        {"7.3.2024", QDate(2024, 3, 7)},
        {" 01.02.99 ", QDate(1999, 2, 1)},
        {"12.03.27", QDate(2027, 3, 12)},
        {"12.03.28", QDate(1928, 3, 12)},
        {"31.02.24", QDate()},
        {"2024-03-07", QDate()},
        {"07.12.", QDate()},
        {"", QDate()},
        {"Montag", QDate()},
    };
    for (const Case& c : cases) {
        const std::optional<QDate> d = parseHeaderDate(QString::fromUtf8(c.text), today);
        EXPECT_EQ(d.value_or(QDate()), c.expected) << c.text;
    }
}

TEST(SessionComparisonTest, TwoSessionsInDateOrderWithKnownMeans) {
    // Shots at 1.0, 1.2 and 1.4 s in the later session, at 0.6 s three
    // times in the earlier one, which is given second.
    auto shotAt = [](int index) { return Take{100, concat({Samples(index, 120), {255}})}; };
    QTemporaryDir dir;
    writePvo(dir.filePath(QStringLiteral("spaeter.pvo")), {shotAt(50), shotAt(60), shotAt(70)},
             QStringLiteral("14.01.25"));
    writePvo(dir.filePath(QStringLiteral("frueher.pvo")), {shotAt(30), shotAt(30), shotAt(30)},
             QStringLiteral("07.01.2025"));
    std::vector<TrainingSession> sessions;
    sessions.push_back(load(dir.filePath(QStringLiteral("spaeter.pvo"))));
    sessions.push_back(load(dir.filePath(QStringLiteral("frueher.pvo"))));
    // Without a readable date the file's time decides: this one is oldest.
    sessions.push_back(load(dir.filePath(QStringLiteral("frueher.pvo"))));
    sessions.back().Kopf.setDatum(QStringLiteral("Woche 1"));
    sessions.back().Dateizeit = QDateTime(QDate(2024, 12, 31), QTime(18, 0));

    const SessionComparison c = compareSessions(sessions, 8, {});
    ASSERT_EQ(c.sessions.size(), 3u);
    EXPECT_EQ(c.sessions[0].datum, QStringLiteral("31.12.2024"));
    EXPECT_EQ(c.sessions[1].datum, QStringLiteral("07.01.2025"));
    EXPECT_EQ(c.sessions[2].datum, QStringLiteral("14.01.25"));
    EXPECT_EQ(c.sessions[2].number, 3);

    const KeyFigure& later = c.sessions[2].figure(KeyMetric::Schuss_ms);
    EXPECT_EQ(later.count, 3);
    EXPECT_DOUBLE_EQ(*later.mean, 1200.0);
    // t(0.975, 2) x 200 / sqrt(3)
    EXPECT_NEAR(*later.high - *later.mean, 4.3026527 * 200.0 / std::sqrt(3.0), 1e-3);
    EXPECT_NEAR(*later.mean - *later.low, *later.high - *later.mean, 1e-9);
    const KeyFigure& earlier = c.sessions[1].figure(KeyMetric::Schuss_ms);
    EXPECT_DOUBLE_EQ(*earlier.mean, 600.0);
    EXPECT_DOUBLE_EQ(*earlier.low, 600.0);  // no spread, no width

    // None tagged: the share is 0 %, its interval still reaches up.
    const KeyFigure& share = c.sessions[1].figure(KeyMetric::Markiert);
    EXPECT_EQ(share.count, 3);
    EXPECT_DOUBLE_EQ(*share.mean, 0.0);
    EXPECT_DOUBLE_EQ(*share.low, 0.0);
    EXPECT_NEAR(*share.high, 56.15, 0.01);
    // Wilson's interval for 3 of 3 mirrors it.
    const KeyFigure all = shareFigure(3, 3);
    EXPECT_NEAR(*all.low, 100.0 - 56.15, 0.01);
    EXPECT_DOUBLE_EQ(*all.high, 100.0);
    EXPECT_FALSE(shareFigure(0, 0).mean);

    ASSERT_TRUE(c.sessions[2].meanAt(-1));
    EXPECT_NEAR(c.sessions[2].meanAt(-1)->mean, 120 * 100.0 / 254, 1e-9);
}
