#include "analysis/LiveAnalysis.h"

#include "analysis/TakeUpScore.h"
#include "measurement/MeasurementDocument.h"

namespace ostrevik {

LiveAnalysis& LiveAnalysis::of(MeasurementDocument& document) {
    if (LiveAnalysis* made = existing(document)) {
        return *made;
    }
    return *new LiveAnalysis(document, loadAnalysisSettings());
}

LiveAnalysis* LiveAnalysis::existing(MeasurementDocument& document) {
    return document.findChild<LiveAnalysis*>(QString(), Qt::FindDirectChildrenOnly);
}

LiveAnalysis::LiveAnalysis(MeasurementDocument& document, const AnalysisSettings& settings)
    : QObject(&document), document_(document), settings_(settings) {
    connect(&document_, &MeasurementDocument::recordEnded, this, [this] { takeUpEnded(); });
    connect(&document_, &MeasurementDocument::recordRemoved, this,
            [this](int index) { startAnew(index); });
    connect(&document_, &MeasurementDocument::recordsReset, this, [this] { startAnew(0); });
    connect(&document_, &MeasurementDocument::loaded, this, [this] { startAnew(0); });
}

int LiveAnalysis::secondsBeforeShot() const {
    const DisplaySettings* display = document_.Liste().Einstellungen;
    return display ? display->secondsBeforeShot : DisplaySettings::defaults().secondsBeforeShot;
}

void LiveAnalysis::startAnew(int from) {
    analyser_.reset();
    fingerprints_.clear();
    emit restarted(from);
    emit changed(0);
}

void LiveAnalysis::takeUpEnded() {
    // Measured at once, alone: whoever waits for a take-up's figures (a
    // drill's verdict) has them when the record has ended.
    const bool anew = !analyser_;
    const size_t before = anew ? 0 : analyser_->analysis().rows.size();
    catchUp();
    emit changed(anew ? 0 : static_cast<int>(analyser_->analysis().rows.size() - before));
}

void LiveAnalysis::catchUp() const {
    if (analyser_ && secondsBeforeShot() != secondsUsed_) {
        analyser_.reset();  // another time range: every curve is cut anew
    }
    if (!analyser_) {
        secondsUsed_ = secondsBeforeShot();
        analyser_.emplace(secondsUsed_, settings_);
        fingerprints_.clear();
        ++fullPasses_;
    }
    const Rasters_t& list = document_.Liste();
    const int completed = std::max(list.Anzahl() - 1, 0);
    const size_t done = analyser_->analysis().rows.size();
    if (static_cast<size_t>(completed) <= done) {
        return;
    }
    std::vector<TakeUpRecord> records;
    records.reserve(static_cast<size_t>(completed));
    for (int i = 0; i < completed; ++i) {
        const Raster_t& r = list.Datensatz(i);
        records.push_back({r.Tonschwelle, r.Werte});
    }
    analyser_->append(records);
    for (size_t i = fingerprints_.size(); i < records.size(); ++i) {
        fingerprints_.push_back(recordFingerprint(records[i].threshold, records[i].samples));
    }
}

const SessionAnalysis& LiveAnalysis::analysis() const {
    catchUp();
    return analyser_->analysis();
}

const std::vector<uint64_t>& LiveAnalysis::fingerprints() const {
    catchUp();
    return fingerprints_;
}

void LiveAnalysis::setSettings(const AnalysisSettings& settings) {
    if (settings == settings_) {
        return;
    }
    settings_ = settings;
    if (analyser_) {
        analyser_->setSettings(settings_);
    }
    emit changed(0);
}

}  // namespace ostrevik
