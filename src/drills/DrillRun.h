#pragma once

#include "drills/Drill.h"
#include "drills/DrillVerdict.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>

#include <cstdint>
#include <vector>

namespace ostrevik {

class LiveAnalysis;

// Where a drill run stands.
struct DrillCounts {
    int takeUps = 0;      // the drill's count
    int judged = 0;       // take-ups with a shot so far
    int passed = 0;       // of those
    int withoutShot = 0;  // not judged, counted apart

    bool operator==(const DrillCounts&) const = default;
};

// A drill done on an open document: every take-up that ends after the start
// (one under way then included: the shooter began it for the drill) gets its
// verdict as the document's live analysis measures it, until the drill's
// count of take-ups with a shot is reached. The verdicts are always those of
// judgeTakeUp over the analysis as it stands, so they agree with a check of
// the saved file: tags judged anew with other thresholds judge the run's
// take-ups anew, and a take-up removed from the document leaves the run (its
// records are followed by their fingerprints). A finished run keeps its
// verdicts and follows no more.
class DrillRun : public QObject {
    Q_OBJECT
public:
    struct Entry {
        TakeUpVerdict verdict;
        uint64_t record = 0;  // the record's fingerprint
        int position = 0;     // among the run's judged take-ups, from 1; 0 when not judged
        bool shown = false;   // the schedule shows this verdict at once

        bool operator==(const Entry&) const = default;
    };

    // `bands` holds the personal bands the drill's criteria need (see
    // personalBands); a run keeps the bands it started with.
    DrillRun(LiveAnalysis& live, Drill drill, PersonalBands bands, QObject* parent = nullptr);

    const Drill& drill() const { return drill_; }
    // The run's own key and when it began: it is kept under them in the
    // archive, replaced each time its session is saved.
    const QString& key() const { return key_; }
    const QDateTime& started() const { return started_; }
    const PersonalBands& bands() const { return bands_; }
    const std::vector<Entry>& entries() const { return entries_; }
    DrillCounts counts() const;
    bool isFinished() const { return finished_; }
    // False once finished or when the document has gone.
    bool following() const;

signals:
    // The verdicts changed: a take-up joined the run, or they were judged anew.
    void verdictsChanged();
    // The drill's count of take-ups with a shot is reached.
    void finished();

private:
    void update();
    // After records were removed or read anew: where the run's take-ups
    // begin now.
    void realign(const std::vector<uint64_t>& records);

    QPointer<LiveAnalysis> live_;
    Drill drill_;
    PersonalBands bands_;
    QString key_;
    QDateTime started_;
    size_t start_ = 0;  // the run's first take-up in the analysis
    std::vector<Entry> entries_;
    bool realign_ = false;
    bool finished_ = false;
};

}  // namespace ostrevik
