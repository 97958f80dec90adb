#pragma once

#include "analysis/SessionAnalysis.h"
#include "analysis/TakeUpScore.h"
#include "scores/ScoreFile.h"

#include <QString>

#include <optional>
#include <span>
#include <vector>

namespace ostrevik {

// Joining a target's shots to the take-ups that ended in a shot: the n-th
// shot of the file goes to the n-th take-up with a shot.

// A take-up that ended in a shot.
struct ShotTakeUp {
    int number = 0;                     // the take-up's number in its session (from 1)
    std::optional<double> shotSeconds;  // when the shot fell, s from the session's start
};

// The take-ups with a shot of an analysed session, in order (the shot is a
// record's first shot mark). A measurement file holds no clock times: the
// shot's time in the session is known only when the caller gives every
// record's start in seconds from the session's start (by its index in the
// list); it is that start plus the shot slot's 20 ms steps.
std::vector<ShotTakeUp> takeUpsWithShot(const SessionAnalysis& analysis,
                                        std::span<const double> recordStartSeconds = {});

struct ScoreMatchOptions {
    // > 0: so many shots of the file go unmatched first (shots fired before
    // the trainer was recording); < 0: so many take-ups go unmatched first.
    int offset = 0;
    // Shots the user leaves out (indices into the file's shots): they count
    // as if the file did not have them, also for the offset.
    std::vector<int> leftOut;
};

// A take-up and the shot joined to it.
struct ScorePair {
    int takeUpIndex = 0;  // into the take-ups
    int shotIndex = 0;    // into the shots
    TakeUpScore score;    // the take-up's number with the shot's ring, position and time
};

// One line of the two sequences side by side: a pair, or a take-up or a
// shot alone.
struct ScoreMatchRow {
    std::optional<int> takeUpIndex;
    std::optional<int> shotIndex;
    bool leftOut = false;  // the shot was left out by the user

    bool paired() const { return takeUpIndex && shotIndex; }
};

struct ScoreMatch {
    std::vector<ScorePair> pairs;
    std::vector<int> unmatchedTakeUps;  // indices into the take-ups
    std::vector<int> unmatchedShots;    // indices into the shots, left-out ones not among them
    std::vector<int> leftOutShots;      // indices into the shots
    std::vector<ScoreMatchRow> rows;    // both sequences in order, side by side
    int takeUpCount = 0;
    int shotCount = 0;  // the file's shots less those left out

    // Every take-up has its shot and every shot (not left out) its take-up.
    bool countsAgree() const { return takeUpCount == shotCount; }
    // The pairs as the take-ups' scores.
    SessionScores scores() const;
};

ScoreMatch matchScores(std::span<const ShotTakeUp> takeUps, std::span<const ScoreShot> shots,
                       const ScoreMatchOptions& options = {});

// "Die Messung hat 60 Druckpunktnahmen mit Schuss, die Datei 58 Schüsse."
QString countMismatchText(int takeUps, int shots);

}  // namespace ostrevik
