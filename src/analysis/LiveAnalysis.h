#pragma once

#include "analysis/AnalysisSettings.h"
#include "analysis/SessionAnalysis.h"

#include <QObject>

#include <cstdint>
#include <optional>
#include <vector>

namespace ostrevik {

class MeasurementDocument;

// The analysis of one open document, computed once per take-up and kept in
// step with the document: a take-up that ends is measured alone and joins the
// overlay and the running means at once; a record removed, a file read or
// another time range (the display setting "seconds before the shot") makes it
// start anew when it is next read. Everyone who shows or writes figures of an
// open document reads this one object: the window "Analyse", the exports and
// the report of the active document, the archive when the document is saved,
// the drills.
class LiveAnalysis : public QObject {
    Q_OBJECT
public:
    // The document's analysis, made at the first request with the settings
    // kept in the analysis settings file; it lives as long as the document.
    static LiveAnalysis& of(MeasurementDocument& document);
    // The document's analysis if one was made (a window or export asked for
    // it), else null: for who would only save work with it.
    static LiveAnalysis* existing(MeasurementDocument& document);

    // Up to date with the document (it catches up when read).
    const SessionAnalysis& analysis() const;
    // One fingerprint per analysed take-up, in document order: what rings
    // and drill runs are kept by.
    const std::vector<uint64_t>& fingerprints() const;
    const AnalysisSettings& settings() const { return settings_; }
    // The time range ("seconds before the shot") the analysis is made with.
    int secondsUsed() const {
        catchUp();
        return secondsUsed_;
    }
    // Judges the tags anew with other thresholds; the metrics stay.
    void setSettings(const AnalysisSettings& settings);
    // Take-ups analysed from scratch so far: each new start costs a pass over
    // the whole document, which a session should make once.
    int fullPasses() const { return fullPasses_; }

signals:
    // The analysis moved on: `appended` take-ups joined it at the end, or
    // (0) it was made anew, or its tags judged anew.
    void changed(int appended);
    // Records were removed or read anew: an index into the analysis from
    // `from` on may name another take-up than before.
    void restarted(int from);

private:
    LiveAnalysis(MeasurementDocument& document, const AnalysisSettings& settings);
    void takeUpEnded();
    void startAnew(int from);
    void catchUp() const;
    int secondsBeforeShot() const;

    MeasurementDocument& document_;
    AnalysisSettings settings_;
    // Brought up to date when read: the analysis follows the document.
    mutable std::optional<SessionAnalyser> analyser_;
    mutable std::vector<uint64_t> fingerprints_;
    mutable int secondsUsed_ = 0;
    mutable int fullPasses_ = 0;
};

}  // namespace ostrevik
