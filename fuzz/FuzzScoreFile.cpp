// Any byte sequence as a target's shot list: reading it, with the columns
// found or given, and joining its shots to take-ups must neither crash nor
// let a ring outside 0.0 to 10.9 through.
#include "FuzzCheck.h"
#include "scores/ScoreMatching.h"

#include <cstdint>

using namespace ostrevik;

namespace {

void checkFile(const ScoreFile& f, qsizetype size) {
    check(f.preview.size() <= static_cast<size_t>(kScorePreviewLines));
    int lines = 0;
    for (int n : f.skipped) {
        check(n >= 0);
        lines += n;
    }
    check(static_cast<qsizetype>(lines) + static_cast<qsizetype>(f.shots.size()) <= size + 1);
    if (!f.columnsKnown) {
        check(f.shots.empty());
    }
    for (const ScoreShot& s : f.shots) {
        check(s.ring >= 0.0 && s.ring <= kHighestRing + 1e-9);
        check(s.line > f.headerLine);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const ScoreFile found = readScoreText(text);
    checkFile(found, text.size());

    // The same bytes with columns given by hand, from the first bytes.
    ScoreFileOptions options;
    if (size >= 3) {
        options.columns = ScoreColumns{data[0] % 4 - 1, data[1] % 4, data[2] % 5 - 1, -1, 2};
        options.headerLine = data[0] % 3 - 1;
        options.separator = QLatin1Char(";,\t"[data[1] % 3]);
    }
    const ScoreFile mapped = readScoreText(text, options);
    checkFile(mapped, text.size());

    // Joined to take-ups at offsets either way, every take-up and every shot
    // is in exactly one row.
    std::vector<ShotTakeUp> takeUps(size % 13);
    for (size_t i = 0; i < takeUps.size(); ++i) {
        takeUps[i].number = static_cast<int>(i) + 1;
    }
    ScoreMatchOptions match;
    match.offset = static_cast<int>(size % 9) - 4;
    match.leftOut = {0, static_cast<int>(size % 5), -1, 1000};
    const ScoreMatch m = matchScores(takeUps, mapped.shots, match);
    size_t rowsWithTakeUp = 0;
    size_t rowsWithShot = 0;
    for (const ScoreMatchRow& r : m.rows) {
        rowsWithTakeUp += r.takeUpIndex ? 1 : 0;
        rowsWithShot += r.shotIndex ? 1 : 0;
    }
    check(rowsWithTakeUp == takeUps.size());
    check(rowsWithShot == mapped.shots.size());
    check(m.pairs.size() + m.unmatchedTakeUps.size() == takeUps.size());
    check(m.pairs.size() + m.unmatchedShots.size() + m.leftOutShots.size() == mapped.shots.size());
    return 0;
}
