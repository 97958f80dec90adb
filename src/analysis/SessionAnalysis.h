#pragma once

#include "analysis/AnalysisSettings.h"
#include "analysis/Metrics.h"
#include "analysis/SampleStatistics.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ostrevik {

struct TrainingSession;

class Rasters_t;

// Offsets are counted in 20 ms samples from the shot slot (offset 0); time in
// seconds is offset x 0.02.
inline constexpr double kSecondsPerSample = 0.02;
// The overlay shows one second after the shot.
inline constexpr int kOverlayAfterShot = 50;
// Abweichung compares the 2 s before the shot, whatever the overlay shows.
inline constexpr int kAbweichungSamples = 100;

// One take-up with a shot in the overlay: its samples from the overlay's left
// end (or the record's start) to its right end (or the record's end).
struct AlignedCurve {
    int row = 0;                   // index into SessionAnalysis::rows
    int listIndex = 0;             // index of the record in the document's list
    int firstOffset = 0;           // offset of samples[0] from the shot slot
    std::vector<uint8_t> samples;  // raw; 255 (the shot slot, a further shot) has no pressure

    int lastOffset() const { return firstOffset + static_cast<int>(samples.size()) - 1; }
    // Pressure in % at an offset; empty outside the curve and on a shot mark.
    std::optional<double> percentAt(int offset) const;
};

// The mean curve at one offset, over the take-ups that have a pressure there.
struct MeanPoint {
    int count = 0;             // take-ups with a pressure at this offset
    double mean = 0.0;         // %, valid when count > 0
    std::optional<double> sd;  // percentage points, from two take-ups on
};

// Every take-up with a shot laid over the others at its shot.
struct ShotOverlay {
    int firstOffset = 0;                  // left end: -secondsBeforeShot x 50
    int lastOffset = kOverlayAfterShot;   // right end: +1 s
    std::vector<AlignedCurve> curves;     // in list order: the last one is the newest
    int meanFirstOffset = 0;              // offset of mean[0]
    std::vector<MeanPoint> mean;          // meanFirstOffset .. lastOffset
    std::optional<double> meanThreshold;  // mean tone threshold of the curves, %
    int withoutShot = 0;                  // completed take-ups left out (no shot)
    // Names this series of curves: each analysis from scratch has a number of
    // its own, and take-ups appended to it keep it. A picture of the curves
    // with the same number needs only the curves it does not have yet.
    uint64_t curveSeries = 0;

    double firstSecond() const { return firstOffset * kSecondsPerSample; }
    double lastSecond() const { return lastOffset * kSecondsPerSample; }
    // The mean at an offset; null outside the range or where no take-up has a
    // pressure (the shot slot itself).
    const MeanPoint* meanAt(int offset) const;
};

// The analysis of one document's completed take-ups.
struct SessionAnalysis {
    std::vector<TakeUpMetrics> rows;  // one per completed record, in list order
    ShotOverlay overlay;              // also counts the take-ups without a shot
    // The document's mean and SD of Abweichung, and the limit above which a
    // take-up is "Unruhig" (empty with fewer than two values).
    Summary abweichung;
    std::optional<double> unruhigLimit;
    AnalysisSettings settings;  // the settings the tags were judged with
};

// A record as the analysis reads it.
struct TakeUpRecord {
    uint32_t threshold = 0;
    std::span<const uint8_t> samples;
};

// Keeps the analysis of a document current while take-ups are added at its
// end, as they are during a session: a new take-up is measured alone, its
// curve joins the overlay and its samples the running sums of the mean per
// time slot. What is measured against the mean (Abweichung) and the tags
// judged against the whole document are renewed for every take-up, a pass
// over 2 s of each.
class SessionAnalyser {
public:
    // secondsBeforeShot is the display setting of the same name: how far the
    // overlay reaches before the shot; it is held to 1..99 s.
    SessionAnalyser(int secondsBeforeShot, const AnalysisSettings& settings);
    SessionAnalyser(SessionAnalyser&&) = default;
    SessionAnalyser& operator=(SessionAnalyser&&) = default;

    // records: the take-ups in document order (listIndex = position), of
    // which the first analysis().rows.size() are the ones analysed before,
    // unchanged. Analyses the others and renews what depends on all of them.
    void append(std::span<const TakeUpRecord> records);
    // Judges the tags anew with other thresholds; the metrics stay.
    void setSettings(const AnalysisSettings& settings);

    const SessionAnalysis& analysis() const { return analysis_; }
    // Hands the analysis over; the analyser is of no further use.
    SessionAnalysis takeAnalysis() { return std::move(analysis_); }

private:
    // Sums per offset in raw units: integers add up exactly, so a band over
    // identical take-ups is exactly zero wide, and a mean renewed after each
    // take-up is the same as one made over all of them at once.
    struct MeanSums {
        int64_t count = 0;
        int64_t sum = 0;
        int64_t squares = 0;
    };
    void judge();

    SessionAnalysis analysis_;
    std::vector<MeanSums> sums_;  // one per offset from meanFirstOffset
    int64_t thresholdSum_ = 0;
};

// Analyses take-ups given in document order (listIndex = position), as a
// SessionAnalyser does from none.
SessionAnalysis analyseTakeUps(std::span<const TakeUpRecord> records, int secondsBeforeShot,
                               const AnalysisSettings& settings);
// Analyses every completed record of a document's list: all but the last,
// which is the capture target.
SessionAnalysis analyseDocument(const Rasters_t& list, int secondsBeforeShot,
                                const AnalysisSettings& settings);

// A session's analysis with these settings: the open document's own, carried
// by its snapshot, when it was made with them; otherwise made now.
SessionAnalysis analyseSession(const TrainingSession& session, int secondsBeforeShot,
                               const AnalysisSettings& settings);

// A metric over all take-ups that have it.
Summary summarizeMetric(const SessionAnalysis& analysis, Metric metric);

// "12 Druckpunktnahmen mit Schuss, 3 ohne Schuss (nicht gezeigt)".
QString overlayCaption(const SessionAnalysis& analysis);

}  // namespace ostrevik
