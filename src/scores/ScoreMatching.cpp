#include "scores/ScoreMatching.h"

#include <QCoreApplication>

#include <algorithm>

namespace ostrevik {

std::vector<ShotTakeUp> takeUpsWithShot(const SessionAnalysis& analysis,
                                        std::span<const double> recordStartSeconds) {
    std::vector<ShotTakeUp> takeUps;
    for (const TakeUpMetrics& m : analysis.rows) {
        if (!m.hasShot()) {
            continue;
        }
        ShotTakeUp t;
        t.number = m.number();
        const auto i = static_cast<size_t>(m.listIndex);
        if (i < recordStartSeconds.size()) {
            t.shotSeconds = recordStartSeconds[i] + m.shotIndex * kSecondsPerSample;
        }
        takeUps.push_back(t);
    }
    return takeUps;
}

SessionScores ScoreMatch::scores() const {
    SessionScores s;
    for (const ScorePair& p : pairs) {
        s[p.score.takeUp] = p.score;
    }
    return s;
}

ScoreMatch matchScores(std::span<const ShotTakeUp> takeUps, std::span<const ScoreShot> shots,
                       const ScoreMatchOptions& options) {
    ScoreMatch m;
    const int takeUpCount = static_cast<int>(takeUps.size());
    const int shotCount = static_cast<int>(shots.size());
    std::vector<bool> leftOut(shots.size(), false);
    for (int i : options.leftOut) {
        if (i >= 0 && i < shotCount) {
            leftOut[static_cast<size_t>(i)] = true;
        }
    }
    m.takeUpCount = takeUpCount;
    m.shotCount = static_cast<int>(std::count(leftOut.begin(), leftOut.end(), false));

    // Take-ups skipped first (negative offset), then the shots in the file's
    // order: left out, skipped (positive offset), paired, or beyond the last
    // take-up.
    int nextTakeUp = std::clamp(-options.offset, 0, takeUpCount);
    for (int t = 0; t < nextTakeUp; ++t) {
        m.unmatchedTakeUps.push_back(t);
        m.rows.push_back({t, std::nullopt, false});
    }
    int shotsToSkip = std::max(options.offset, 0);
    for (int s = 0; s < shotCount; ++s) {
        if (leftOut[static_cast<size_t>(s)]) {
            m.leftOutShots.push_back(s);
            m.rows.push_back({std::nullopt, s, true});
            continue;
        }
        if (shotsToSkip > 0 || nextTakeUp >= takeUpCount) {
            shotsToSkip = std::max(shotsToSkip - 1, 0);
            m.unmatchedShots.push_back(s);
            m.rows.push_back({std::nullopt, s, false});
            continue;
        }
        const ShotTakeUp& t = takeUps[static_cast<size_t>(nextTakeUp)];
        const ScoreShot& shot = shots[static_cast<size_t>(s)];
        ScorePair p;
        p.takeUpIndex = nextTakeUp;
        p.shotIndex = s;
        p.score = {t.number, shot.ring, shot.x, shot.y, shot.time};
        m.pairs.push_back(p);
        m.rows.push_back({nextTakeUp, s, false});
        ++nextTakeUp;
    }
    for (int t = nextTakeUp; t < takeUpCount; ++t) {
        m.unmatchedTakeUps.push_back(t);
        m.rows.push_back({t, std::nullopt, false});
    }
    return m;
}

QString countMismatchText(int takeUps, int shots) {
    auto tr = [](const char* text) { return QCoreApplication::translate("Ostrevik", text); };
    const QString measured =
        takeUps == 1 ? tr("%1 Druckpunktnahme mit Schuss") : tr("%1 Druckpunktnahmen mit Schuss");
    const QString scored = shots == 1 ? tr("%1 Schuss") : tr("%1 Schüsse");
    return tr("Die Messung hat %1, die Datei %2.").arg(measured.arg(takeUps), scored.arg(shots));
}

}  // namespace ostrevik
