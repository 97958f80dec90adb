#include "analysis/SessionAnalysis.h"

#include "analysis/TrainingSession.h"

#include "measurement/Rasters.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace ostrevik {
namespace {

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

SessionAnalyser::SessionAnalyser(int secondsBeforeShot, const AnalysisSettings& settings) {
    // Every analysis from scratch starts a series of curves of its own.
    static std::atomic<uint64_t> lastSeries{0};
    analysis_.settings = settings;
    // The display setting comes from the configuration file unchecked; a
    // damaged value must not make the overlay reach back by years.
    const int before = std::clamp(secondsBeforeShot, 1, 99) * kSamplesPerSecond;
    ShotOverlay& o = analysis_.overlay;
    o.curveSeries = ++lastSeries;
    o.firstOffset = -before;
    o.lastOffset = kOverlayAfterShot;
    o.meanFirstOffset = std::min(o.firstOffset, -kAbweichungSamples);
    o.mean.resize(static_cast<size_t>(o.lastOffset - o.meanFirstOffset + 1));
    sums_.resize(o.mean.size());
}

void SessionAnalyser::append(std::span<const TakeUpRecord> records) {
    SessionAnalysis& a = analysis_;
    ShotOverlay& o = a.overlay;
    const size_t from = a.rows.size();
    if (records.size() <= from) {
        return;
    }
    a.rows.reserve(records.size());
    for (size_t i = from; i < records.size(); ++i) {
        TakeUpMetrics m = measureTakeUp(records[i].threshold, records[i].samples);
        m.listIndex = static_cast<int>(i);
        if (!m.hasShot()) {
            ++o.withoutShot;
            a.rows.push_back(m);
            continue;
        }
        thresholdSum_ += m.Tonschwelle;
        const int s = m.shotIndex;
        const auto samples = records[i].samples;
        const int n = static_cast<int>(samples.size());
        for (int k = std::max(o.meanFirstOffset, -s); k <= std::min(o.lastOffset, n - 1 - s); ++k) {
            const int v = samples[static_cast<size_t>(s + k)];
            if (v == kShotMark) {
                continue;
            }
            MeanSums& sum = sums_[static_cast<size_t>(k - o.meanFirstOffset)];
            ++sum.count;
            sum.sum += v;
            sum.squares += v * v;
        }
        a.rows.push_back(m);
        o.curves.push_back(alignedCurve(records[i], m, static_cast<int>(i), o));
    }

    const auto shots = static_cast<int64_t>(o.curves.size());
    if (shots > 0) {
        o.meanThreshold =
            pressurePercent(static_cast<double>(thresholdSum_) / static_cast<double>(shots));
    }
    for (size_t i = 0; i < sums_.size(); ++i) {
        const MeanSums& sum = sums_[i];
        MeanPoint& p = o.mean[i];
        p.count = static_cast<int>(sum.count);
        if (sum.count == 0) {
            continue;
        }
        p.mean = pressurePercent(static_cast<double>(sum.sum) / static_cast<double>(sum.count));
        if (sum.count > 1) {
            const int64_t numerator = sum.count * sum.squares - sum.sum * sum.sum;
            const double variance =
                static_cast<double>(numerator) / static_cast<double>(sum.count * (sum.count - 1));
            p.sd = pressurePercent(std::sqrt(std::max(variance, 0.0)));
        }
    }

    // The mean has moved: every take-up's distance from it is measured anew.
    std::vector<double> abweichungen;
    abweichungen.reserve(o.curves.size());
    for (const AlignedCurve& c : o.curves) {
        TakeUpMetrics& m = a.rows[static_cast<size_t>(c.row)];
        m.Abweichung = abweichung(records[static_cast<size_t>(c.row)], m.shotIndex, o);
        if (m.Abweichung) {
            abweichungen.push_back(*m.Abweichung);
        }
    }
    a.abweichung = summarize(abweichungen);
    judge();
}

void SessionAnalyser::setSettings(const AnalysisSettings& settings) {
    analysis_.settings = settings;
    judge();
}

void SessionAnalyser::judge() {
    SessionAnalysis& a = analysis_;
    const AnalysisSettings& settings = a.settings;
    a.unruhigLimit.reset();
    if (a.abweichung.mean && a.abweichung.sd) {
        a.unruhigLimit = *a.abweichung.mean + settings.unruhigSd * *a.abweichung.sd;
    }
    for (TakeUpMetrics& m : a.rows) {
        m.Zucken = m.Anstieg_200 && *m.Anstieg_200 > settings.zuckenAnstieg;
        m.Nachlassen = m.Halt_160 && *m.Halt_160 < settings.nachlassenHalt;
        m.Unruhig = m.Abweichung && a.unruhigLimit && *m.Abweichung > *a.unruhigLimit;
    }
}

SessionAnalysis analyseTakeUps(std::span<const TakeUpRecord> records, int secondsBeforeShot,
                               const AnalysisSettings& settings) {
    SessionAnalyser analyser(secondsBeforeShot, settings);
    analyser.append(records);
    return analyser.takeAnalysis();
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
    auto tr = [](const char* text) { return QCoreApplication::translate("SessionAnalysis", text); };
    QString text = count == 1 ? tr("%1 Druckpunktnahme mit Schuss").arg(count)
                              : tr("%1 Druckpunktnahmen mit Schuss").arg(count);
    if (o.withoutShot > 0) {
        text += tr(", %1 ohne Schuss (nicht gezeigt)").arg(o.withoutShot);
    }
    return text;
}

SessionAnalysis analyseSession(const TrainingSession& session, int secondsBeforeShot,
                               const AnalysisSettings& settings) {
    if (session.Analyse && session.AnalyseSekunden == secondsBeforeShot &&
        session.Analyse->settings == settings) {
        return *session.Analyse;
    }
    return analyseDocument(*session.Liste, secondsBeforeShot, settings);
}

}  // namespace ostrevik
