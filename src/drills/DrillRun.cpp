#include "drills/DrillRun.h"

#include "analysis/LiveAnalysis.h"

#include <QUuid>

namespace ostrevik {

DrillRun::DrillRun(LiveAnalysis& live, Drill drill, PersonalBands bands, QObject* parent)
    : QObject(parent),
      live_(&live),
      drill_(std::move(drill)),
      bands_(std::move(bands)),
      key_(QUuid::createUuid().toString(QUuid::WithoutBraces)),
      started_(QDateTime::currentDateTime()) {
    start_ = live.analysis().rows.size();
    connect(&live, &LiveAnalysis::restarted, this, [this] { realign_ = true; });
    connect(&live, &LiveAnalysis::changed, this, [this] { update(); });
}

bool DrillRun::following() const {
    return !finished_ && !live_.isNull();
}

DrillCounts DrillRun::counts() const {
    DrillCounts c;
    c.takeUps = drill_.takeUps;
    for (const Entry& e : entries_) {
        if (e.verdict.judged) {
            ++c.judged;
            c.passed += e.verdict.passed ? 1 : 0;
        } else {
            ++c.withoutShot;
        }
    }
    return c;
}

void DrillRun::realign(const std::vector<uint64_t>& records) {
    // The run's take-ups stand at the document's end, where take-ups are
    // added; records removed leave the others in their order. So the run's
    // records are matched from the end: one not found at its place was
    // removed, and the first one not the run's begins what came before it.
    std::ptrdiff_t j = static_cast<std::ptrdiff_t>(records.size()) - 1;
    for (auto e = entries_.rbegin(); e != entries_.rend() && j >= 0; ++e) {
        if (records[static_cast<size_t>(j)] == e->record) {
            --j;
        }
    }
    start_ = static_cast<size_t>(j + 1);
}

void DrillRun::update() {
    if (!following()) {
        return;
    }
    const std::vector<TakeUpMetrics>& rows = live_->analysis().rows;
    const std::vector<uint64_t>& records = live_->fingerprints();
    if (realign_) {
        realign_ = false;
        realign(records);
    }
    std::vector<Entry> entries;
    int position = 0;
    for (size_t i = start_; i < rows.size() && position < drill_.takeUps; ++i) {
        Entry e;
        e.verdict = judgeTakeUp(drill_, rows[i], bands_);
        e.record = i < records.size() ? records[i] : 0;
        if (e.verdict.judged) {
            e.position = ++position;
            e.shown = shownAtOnce(drill_.feedback, position, drill_.takeUps);
        }
        entries.push_back(std::move(e));
    }
    const bool changed = entries != entries_;
    entries_ = std::move(entries);
    if (position >= drill_.takeUps) {
        finished_ = true;
        disconnect(live_, nullptr, this, nullptr);
    }
    if (changed) {
        emit verdictsChanged();
    }
    if (finished_) {
        emit finished();
    }
}

}  // namespace ostrevik
