#include "analysis/SessionAnalysis.h"

#include "measurement/Rasters.h"

#include <algorithm>
#include <cmath>

namespace ostrevik {
namespace {

// Sums per offset in raw units: integers add up exactly, so a band over
// identical take-ups is exactly zero wide.
struct MeanAccumulator {
    int64_t count = 0;
    int64_t sum = 0;
    int64_t squares = 0;
};

std::vector<MeanPoint> meanCurve(std::span<const TakeUpRecord> records,
                                 std::span<const TakeUpMetrics> rows, int first, int last) {
    std::vector<MeanAccumulator> acc(static_cast<size_t>(last - first + 1));
    for (size_t r = 0; r < rows.size(); ++r) {
        const int s = rows[r].shotIndex;
        if (s < 0) {
            continue;
        }
        const auto samples = records[r].samples;
        const int n = static_cast<int>(samples.size());
        const int from = std::max(first, -s);
        const int to = std::min(last, n - 1 - s);
        for (int k = from; k <= to; ++k) {
            const int v = samples[static_cast<size_t>(s + k)];
            if (v == kShotMark) {
                continue;
            }
            MeanAccumulator& a = acc[static_cast<size_t>(k - first)];
            ++a.count;
            a.sum += v;
            a.squares += v * v;
        }
    }
    std::vector<MeanPoint> mean(acc.size());
    for (size_t i = 0; i < acc.size(); ++i) {
        const MeanAccumulator& a = acc[i];
        MeanPoint& m = mean[i];
        m.count = static_cast<int>(a.count);
        if (a.count == 0) {
            continue;
        }
        m.mean = pressurePercent(static_cast<double>(a.sum) / static_cast<double>(a.count));
        if (a.count > 1) {
            const int64_t numerator = a.count * a.squares - a.sum * a.sum;
            const double variance =
                static_cast<double>(numerator) / static_cast<double>(a.count * (a.count - 1));
            m.sd = pressurePercent(std::sqrt(std::max(variance, 0.0)));
        }
    }
    return mean;
}

// Root mean square of the record's pressure minus the mean curve over the
// 2 s before the shot, over the offsets where the record has a pressure.
std::optional<double> abweichung(const TakeUpRecord& record, int s, const ShotOverlay& overlay) {
    double squares = 0.0;
    int count = 0;
    for (int k = -kAbweichungSamples; k < 0; ++k) {
        const int i = s + k;
        if (i < 0) {
            continue;
        }
        const uint8_t v = record.samples[static_cast<size_t>(i)];
        const MeanPoint* m = overlay.meanAt(k);
        if (v == kShotMark || !m) {
            continue;
        }
        const double d = pressurePercent(v) - m->mean;
        squares += d * d;
        ++count;
    }
    if (count == 0) {
        return std::nullopt;
    }
    return std::sqrt(squares / count);
}

AlignedCurve alignedCurve(const TakeUpRecord& record, const TakeUpMetrics& row, int rowIndex,
                          const ShotOverlay& overlay) {
    const int s = row.shotIndex;
    const int n = static_cast<int>(record.samples.size());
    const int from = std::max(0, s + overlay.firstOffset);
    const int to = std::min(n - 1, s + overlay.lastOffset);
    AlignedCurve c;
    c.row = rowIndex;
    c.listIndex = row.listIndex;
    c.firstOffset = from - s;
    c.samples.assign(record.samples.begin() + from, record.samples.begin() + to + 1);
    return c;
}

}  // namespace

std::optional<double> AlignedCurve::percentAt(int offset) const {
    const int i = offset - firstOffset;
    if (i < 0 || i >= static_cast<int>(samples.size()) ||
        samples[static_cast<size_t>(i)] == kShotMark) {
        return std::nullopt;
    }
    return pressurePercent(samples[static_cast<size_t>(i)]);
}

const MeanPoint* ShotOverlay::meanAt(int offset) const {
    const int i = offset - meanFirstOffset;
    if (i < 0 || i >= static_cast<int>(mean.size()) || mean[static_cast<size_t>(i)].count == 0) {
        return nullptr;
    }
    return &mean[static_cast<size_t>(i)];
}

SessionAnalysis analyseTakeUps(std::span<const TakeUpRecord> records, int secondsBeforeShot,
                               const AnalysisSettings& settings) {
    SessionAnalysis a;
    a.settings = settings;
    // The display setting comes from the configuration file unchecked; a
    // damaged value must not make the overlay reach back by years.
    const int before = std::clamp(secondsBeforeShot, 1, 99) * kSamplesPerSecond;
    ShotOverlay& o = a.overlay;
    o.firstOffset = -before;
    o.lastOffset = kOverlayAfterShot;
    o.meanFirstOffset = std::min(o.firstOffset, -kAbweichungSamples);

    a.rows.reserve(records.size());
    int64_t thresholdSum = 0;
    int shots = 0;
    for (size_t i = 0; i < records.size(); ++i) {
        TakeUpMetrics m = measureTakeUp(records[i].threshold, records[i].samples);
        m.listIndex = static_cast<int>(i);
        if (m.hasShot()) {
            thresholdSum += m.Tonschwelle;
            ++shots;
        } else {
            ++o.withoutShot;
        }
        a.rows.push_back(m);
    }
    if (shots > 0) {
        o.meanThreshold = pressurePercent(static_cast<double>(thresholdSum) / shots);
    }
    o.mean = meanCurve(records, a.rows, o.meanFirstOffset, o.lastOffset);

    std::vector<double> abweichungen;
    o.curves.reserve(static_cast<size_t>(shots));
    for (size_t i = 0; i < a.rows.size(); ++i) {
        TakeUpMetrics& m = a.rows[i];
        if (!m.hasShot()) {
            continue;
        }
        o.curves.push_back(alignedCurve(records[i], m, static_cast<int>(i), o));
        m.Abweichung = abweichung(records[i], m.shotIndex, o);
        if (m.Abweichung) {
            abweichungen.push_back(*m.Abweichung);
        }
    }
    a.abweichung = summarize(abweichungen);
    if (a.abweichung.mean && a.abweichung.sd) {
        a.unruhigLimit = *a.abweichung.mean + settings.unruhigSd * *a.abweichung.sd;
    }

    for (TakeUpMetrics& m : a.rows) {
        m.Zucken = m.Anstieg_200 && *m.Anstieg_200 > settings.zuckenAnstieg;
        m.Nachlassen = m.Halt_160 && *m.Halt_160 < settings.nachlassenHalt;
        m.Unruhig = m.Abweichung && a.unruhigLimit && *m.Abweichung > *a.unruhigLimit;
    }
    return a;
}

SessionAnalysis analyseDocument(const Rasters_t& list, int secondsBeforeShot,
                                const AnalysisSettings& settings) {
    std::vector<TakeUpRecord> records;
    const int completed = std::max(list.Anzahl() - 1, 0);
    records.reserve(static_cast<size_t>(completed));
    for (int i = 0; i < completed; ++i) {
        const Raster_t& r = list.Datensatz(i);
        records.push_back({r.Tonschwelle, r.Werte});
    }
    return analyseTakeUps(records, secondsBeforeShot, settings);
}

Summary summarizeMetric(const SessionAnalysis& analysis, Metric metric) {
    std::vector<double> values;
    values.reserve(analysis.rows.size());
    for (const TakeUpMetrics& m : analysis.rows) {
        if (const auto v = m.value(metric)) {
            values.push_back(*v);
        }
    }
    return summarize(values);
}

QString overlayCaption(const SessionAnalysis& analysis) {
    const ShotOverlay& o = analysis.overlay;
    const auto count = static_cast<int>(o.curves.size());
    QString text = QStringLiteral("%1 %2 mit Schuss")
                       .arg(count)
                       .arg(count == 1 ? QStringLiteral("Druckpunktnahme")
                                       : QStringLiteral("Druckpunktnahmen"));
    if (o.withoutShot > 0) {
        text += QStringLiteral(", %1 ohne Schuss (nicht gezeigt)").arg(o.withoutShot);
    }
    return text;
}

}  // namespace ostrevik
