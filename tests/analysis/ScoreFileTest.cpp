#include "analysis/TakeUpScore.h"
#include "scores/ScoreFile.h"
#include "scores/ScoreMatching.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using namespace ostrevik;

namespace {

struct Shot {
    int number;
    double ring;
};

struct ShapeCase {
    const char* name;
    QByteArray text;
    std::vector<Shot> shots;
    std::array<int, kSkippedLineKinds> skipped;  // Blank, Sighter, Total, OutOfRange, Unreadable
};

}  // namespace

TEST(ScoreFileTest, AcceptedShapes) {
    const ShapeCase cases[] = {
        {"semicolon and decimal comma",
         "Nr;Ring;X;Y;Zeit\n1;9,8;-1,2;3,4;10:15:02\n2;10,4;0,5;0;10:16:10\n",
         {{1, 9.8}, {2, 10.4}},
         {}},
        {"tab, decimal point, units in the header, CRLF",
         "Schuss\tZehntel\tX [mm]\tY [mm]\r\n7\t9.8\t1.5\t-2.25\r\n8\t10.9\t0\t0\r\n",
         {{7, 9.8}, {8, 10.9}},
         {}},
        {"commas with a quoted decimal comma",
         "Shot,Score,Time\n1,\"9,8\",10:15\n2,10.1,10:16\n",
         {{1, 9.8}, {2, 10.1}},
         {}},
        // "1,9,8" would read as ring 9 if the line were not refused.
        {"commas and an unquoted decimal comma",
         "Nr,Ring\n1,9,8\n2,10.0\n",
         {{2, 10.0}},
         {0, 0, 0, 0, 1}},
        {"Teiler is no ring; the tenths column wins over the whole ring",
         "Schuss Nr.;Teiler;Ring;Zehntel\n1;245,3;9;9,6\n",
         {{1, 9.6}},
         {}},
        {"of two ring columns the one with tenths",
         "Nr;Ringe;Wertung\n1;9;9,6\n2;10;10,3\n",
         {{1, 9.6}, {2, 10.3}},
         {}},
        {"sighters, totals and blank lines",
         "Nr;Ring;Art\nP1;9,1;\nP 2;8,7;\n3;9,9;P\nProbe;10,0;\n\n1;9,8;\n2;10,2;W\nSumme;20,0;\n"
         "Gesamt: 20,0;;\n;;\n",
         {{1, 9.8}, {2, 10.2}},
         {2, 4, 2, 0, 0}},
        {"rings outside 0.0 to 10.9 are refused, the limits are not",
         "Nr;Ring\n1;11,0\n2;-0,1\n3;abc\n4;10,9\n5;0,0\nx;9,0\n6;1e1\n",
         {{4, 10.9}, {5, 0.0}},
         {0, 0, 0, 2, 3}},
        {"without shot numbers, with a byte order mark",
         "\xEF\xBB\xBFRing\n9,5\n10,1\n",
         {{1, 9.5}, {2, 10.1}},
         {}},
        {"newest first is turned round",
         "Nr;Ring\n3;9,0\n2;9,5\n1;10,0\n",
         {{1, 10.0}, {2, 9.5}, {3, 9.0}},
         {}},
    };
    for (const ShapeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ScoreFile f = readScoreText(c.text);
        ASSERT_TRUE(f.columnsKnown);
        ASSERT_EQ(f.shots.size(), c.shots.size());
        for (size_t i = 0; i < c.shots.size(); ++i) {
            EXPECT_EQ(f.shots[i].number, c.shots[i].number) << i;
            EXPECT_DOUBLE_EQ(f.shots[i].ring, c.shots[i].ring) << i;
        }
        EXPECT_EQ(f.skipped, c.skipped);
    }
}

TEST(ScoreFileTest, PositionTimeEncodingAndPreamble) {
    const ScoreFile a = readScoreText("Nr;Ring;X;Y;Zeit\n1;9,8;-1,2;3,4;10:15:02\n");
    EXPECT_EQ(a.separator, QLatin1Char(';'));
    EXPECT_TRUE(a.decimalComma);
    EXPECT_EQ(a.columns, (ScoreColumns{0, 1, 2, 3, 4}));
    ASSERT_EQ(a.shots.size(), 1u);
    EXPECT_DOUBLE_EQ(*a.shots[0].x, -1.2);
    EXPECT_DOUBLE_EQ(*a.shots[0].y, 3.4);
    EXPECT_EQ(a.shots[0].time, QStringLiteral("10:15:02"));
    EXPECT_EQ(a.shots[0].clock, QTime(10, 15, 2));
    EXPECT_EQ(a.shots[0].line, 2);

    // Club software on Windows: Windows-1252, the club above the header.
    const QByteArray cp1252 =
        "Sch\xFCtzenverein Pr\xFC"
        "feld\r\nDatum: 12.03.2024\r\n\r\nSchuss-Nr.;Ringe;Zeit\r\n1;9,8;12.03.2024 10:15:02,5\r\n";
    const ScoreFile b = readScoreText(cp1252);
    EXPECT_EQ(b.encoding, QStringLiteral("Windows-1252"));
    EXPECT_EQ(b.headerLine, 3);
    EXPECT_EQ(b.preview[0], QStringList{QStringLiteral("Schützenverein Prüfeld")});
    ASSERT_EQ(b.shots.size(), 1u);
    EXPECT_EQ(b.shots[0].clock, QTime(10, 15, 2, 500));

    // Excel's "Unicode text": UTF-16 with tabs.
    const QString text = QStringLiteral("Nr\tRing\n1\t9,8\n");
    QByteArray utf16("\xFF\xFE", 2);
    utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    const ScoreFile c = readScoreText(utf16);
    EXPECT_EQ(c.encoding, QStringLiteral("UTF-16"));
    ASSERT_EQ(c.shots.size(), 1u);
    EXPECT_DOUBLE_EQ(c.shots[0].ring, 9.8);
}

TEST(ScoreFileTest, AHeaderOfOtherNamesIsMappedByHand) {
    const QByteArray text = "Lfd;Treffer;Pos\n1;9,8;a\n2;10,1;b\n";
    const ScoreFile unknown = readScoreText(text);
    EXPECT_FALSE(unknown.columnsKnown);
    EXPECT_TRUE(unknown.shots.empty());
    EXPECT_EQ(unknown.separator, QLatin1Char(';'));
    ASSERT_EQ(unknown.preview.size(), 3u);
    EXPECT_EQ(unknown.preview[1], (QStringList{"1", "9,8", "a"}));

    ScoreFileOptions options;
    options.columns = ScoreColumns{.number = 0, .ring = 1};
    const ScoreFile mapped = readScoreText(text, options);
    ASSERT_EQ(mapped.shots.size(), 2u);
    EXPECT_DOUBLE_EQ(mapped.shots[1].ring, 10.1);
    EXPECT_EQ(mapped.skippedTotal(), 0);

    // A file without a header line.
    options.headerLine = -1;
    EXPECT_EQ(readScoreText("1;9,8\n2;10,1\n", options).shots.size(), 2u);
}

TEST(ScoreFileTest, SkippedLinesInWordsAndFileErrors) {
    const ScoreFile f = readScoreText("Nr;Ring\nP1;9\nP2;9\n\n1;12\nSumme;9\n");
    EXPECT_EQ(skippedLinesText(f),
              QStringLiteral("Übersprungen: 2 Probeschüsse, 1 Summenzeile, "
                             "1 Leerzeile, 1 Ring außerhalb von 0,0 bis 10,9"));
    EXPECT_TRUE(skippedLinesText(readScoreText("Nr;Ring\n1;9\n")).isEmpty());

    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("fehlt.csv"));
    EXPECT_EQ(readScoreFile(missing).error,
              QStringLiteral("Die Datei %1 wurde nicht gefunden.").arg(missing));
    const QString path = dir.filePath(QStringLiteral("ringe.csv"));
    test::writeAll(path, "Nr;Ring\n1;9,8\n");
    const ScoreFile read = readScoreFile(path);
    EXPECT_TRUE(read.ok());
    EXPECT_EQ(read.shots.size(), 1u);
}

namespace {

std::vector<ShotTakeUp> takeUps(std::initializer_list<int> numbers) {
    std::vector<ShotTakeUp> t;
    for (int n : numbers) {
        t.push_back({n, std::nullopt});
    }
    return t;
}

std::vector<ScoreShot> shots(int count) {
    std::vector<ScoreShot> s;
    for (int i = 0; i < count; ++i) {
        ScoreShot shot;
        shot.number = i + 1;
        shot.ring = 9.0 + 0.1 * i;
        s.push_back(shot);
    }
    return s;
}

// (take-up index, shot index) of every pair.
std::vector<std::pair<int, int>> pairs(const ScoreMatch& m) {
    std::vector<std::pair<int, int>> p;
    for (const ScorePair& pair : m.pairs) {
        p.emplace_back(pair.takeUpIndex, pair.shotIndex);
    }
    return p;
}

using Pairs = std::vector<std::pair<int, int>>;

}  // namespace

TEST(ScoreMatchingTest, EqualCountsPairInOrder) {
    // Take-up 3 ended without a shot.
    const auto t = takeUps({1, 2, 4, 5});
    const ScoreMatch m = matchScores(t, shots(4));
    EXPECT_TRUE(m.countsAgree());
    EXPECT_EQ(pairs(m), (Pairs{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
    const SessionScores s = m.scores();
    ASSERT_EQ(s.size(), 4u);
    EXPECT_DOUBLE_EQ(s.at(4).ring, 9.2);
    EXPECT_EQ(s.count(3), 0u);
}

TEST(ScoreMatchingTest, UnequalCountsOffsetsAndShotsLeftOut) {
    const auto t = takeUps({1, 2, 3, 4, 5});

    // One shot more than take-ups: the last goes unmatched.
    const ScoreMatch more = matchScores(t, shots(6));
    EXPECT_FALSE(more.countsAgree());
    EXPECT_EQ(more.pairs.size(), 5u);
    EXPECT_EQ(more.unmatchedShots, std::vector<int>{5});
    EXPECT_FALSE(more.rows.back().takeUpIndex);
    EXPECT_EQ(
        countMismatchText(more.takeUpCount, more.shotCount),
        QStringLiteral("Die Messung hat 5 Druckpunktnahmen mit Schuss, die Datei 6 Schüsse."));

    // The first shot was fired before the trainer recorded.
    ScoreMatchOptions skipShot;
    skipShot.offset = 1;
    const ScoreMatch shifted = matchScores(t, shots(6), skipShot);
    EXPECT_EQ(pairs(shifted), (Pairs{{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}}));
    EXPECT_EQ(shifted.unmatchedShots, std::vector<int>{0});
    EXPECT_EQ(shifted.rows.size(), 6u);

    // Two take-ups before the target's first shot.
    ScoreMatchOptions skipTakeUps;
    skipTakeUps.offset = -2;
    const ScoreMatch back = matchScores(t, shots(5), skipTakeUps);
    EXPECT_EQ(pairs(back), (Pairs{{2, 0}, {3, 1}, {4, 2}}));
    EXPECT_EQ(back.unmatchedTakeUps, (std::vector<int>{0, 1}));
    EXPECT_EQ(back.unmatchedShots, (std::vector<int>{3, 4}));
    EXPECT_EQ(back.rows.size(), 7u);

    // The user leaves out the third shot: the rest pairs up exactly.
    ScoreMatchOptions leaveOut;
    leaveOut.leftOut = {2};
    const ScoreMatch left = matchScores(t, shots(6), leaveOut);
    EXPECT_TRUE(left.countsAgree());
    EXPECT_EQ(pairs(left), (Pairs{{0, 0}, {1, 1}, {2, 3}, {3, 4}, {4, 5}}));
    EXPECT_EQ(left.leftOutShots, std::vector<int>{2});
    EXPECT_TRUE(left.rows[2].leftOut);
    EXPECT_FALSE(left.rows[2].takeUpIndex);

    // Offsets beyond either end leave everything unmatched.
    ScoreMatchOptions far;
    far.offset = -9;
    EXPECT_TRUE(matchScores(t, shots(5), far).pairs.empty());
    far.offset = 9;
    EXPECT_TRUE(matchScores(t, shots(5), far).pairs.empty());
}

TEST(ScoreMatchingTest, TakeUpsWithAShotFromTheAnalysis) {
    const std::vector<uint8_t> shotAt2 = {50, 60, 255, 40};
    const std::vector<uint8_t> noShot = {10, 20};
    const std::vector<uint8_t> shotAt0 = {255, 80};
    const TakeUpRecord records[] = {{100, shotAt2}, {100, noShot}, {100, shotAt0}};
    const SessionAnalysis a = analyseTakeUps(records, 8, {});

    const std::vector<ShotTakeUp> plain = takeUpsWithShot(a);
    ASSERT_EQ(plain.size(), 2u);
    EXPECT_EQ(plain[0].number, 1);
    EXPECT_EQ(plain[1].number, 3);
    EXPECT_FALSE(plain[0].shotSeconds);

    const double starts[] = {10.0, 20.0, 30.0};
    const std::vector<ShotTakeUp> timed = takeUpsWithShot(a, starts);
    EXPECT_DOUBLE_EQ(*timed[0].shotSeconds, 10.04);
    EXPECT_DOUBLE_EQ(*timed[1].shotSeconds, 30.0);
}

// Rings follow the records they were given for, by fingerprint; a record
// that occurs twice keeps its rings in order.
TEST(ScoreMatchingTest, RingsFollowTheirRecords) {
    const std::vector<uint8_t> a = {50, 60, 255}, b = {51, 60, 255}, c = {52, 60, 255};
    const uint64_t fa = recordFingerprint(100, a), fb = recordFingerprint(100, b),
                   fc = recordFingerprint(100, c), fa2 = recordFingerprint(101, a);
    EXPECT_NE(fa, fa2) << "the threshold is part of a record";
    auto score = [](int n, double ring, uint64_t record) {
        TakeUpScore s;
        s.takeUp = n;
        s.ring = ring;
        s.record = record;
        return s;
    };
    const SessionScores kept = {{1, score(1, 9.1, fa)},
                                {2, score(2, 9.2, fb)},
                                {3, score(3, 9.3, fc)},
                                {4, score(4, 9.4, fa)}};
    auto rings = [](const SessionScores& s) {
        std::map<int, double> out;
        for (const auto& [n, sc] : s) {
            out[n] = sc.ring;
        }
        return out;
    };
    const std::vector<uint64_t> same = {fa, fb, fc, fa};
    EXPECT_EQ(followRecords(kept, same), kept);
    // The second record removed: the later ones move up, the twin keeps its
    // own ring.
    const std::vector<uint64_t> removed = {fa, fc, fa};
    EXPECT_EQ(rings(followRecords(kept, removed)),
              (std::map<int, double>{{1, 9.1}, {2, 9.3}, {3, 9.4}}));
    // Nothing left of the records: no ring.
    EXPECT_TRUE(followRecords(kept, std::vector<uint64_t>{fa2}).empty());
    // A ring of unknown record stays at its number and learns it.
    const SessionScores unknown = {{2, score(2, 8.0, 0)}};
    const SessionScores learnt = followRecords(unknown, removed);
    ASSERT_EQ(learnt.size(), 1u);
    EXPECT_EQ(learnt.at(2).record, fc);
}
