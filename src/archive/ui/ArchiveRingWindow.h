#pragma once

#include "analysis/ScoreStatistics.h"

#include <QWidget>

#include <vector>

namespace ostrevik {

class ScorePanel;

// "Ringe…" of the window "Trainingsarchiv": which metrics and fault tags go
// with lower rings over the shooter's sessions shown, in a window of its own
// that the archive window keeps up to date.
class ArchiveRingWindow : public QWidget {
    Q_OBJECT
public:
    explicit ArchiveRingWindow(QWidget* parent);

    // The scored take-ups of the shooter's sessions shown (`sessions` of them
    // with rings); `problem` instead of the hint how rings come into the
    // archive when they could not be read.
    void setRings(const QString& shooter, std::vector<ScoredTakeUp> takeUps, int sessions,
                  const QString& problem);
    ScorePanel* panel() const { return panel_; }

private:
    ScorePanel* panel_ = nullptr;
};

}  // namespace ostrevik
