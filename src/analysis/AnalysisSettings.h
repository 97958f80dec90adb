#pragma once

#include "analysis/Metrics.h"

#include <QByteArray>
#include <QString>

#include <array>

namespace ostrevik {

// What the coach sets in the analysis: the thresholds of the three fault
// tags, the length of a series and the metric the trend shows. Kept in a
// settings file of its own, beside the program's configuration file and never
// inside it (that file's bytes stay exactly as they are).
struct AnalysisSettings {
    double zuckenAnstieg = 25.0;   // "Zucken" when Anstieg_200 > this, percentage points
    double nachlassenHalt = 80.0;  // "Nachlassen" when Halt_160 < this, %
    double unruhigSd = 2.0;        // "Unruhig" when Abweichung > document mean + this x SD
    int seriesLength = 10;         // take-ups per series: 5 or 10
    Metric trendMetric = Metric::Schuss_ms;

    bool operator==(const AnalysisSettings&) const = default;
};

inline constexpr std::array<int, 2> kSeriesLengths = {5, 10};

// The thresholds of the three fault tags, as the coach sets them together.
struct FaultThresholds {
    double zuckenAnstieg = 0.0;
    double nachlassenHalt = 0.0;
    double unruhigSd = 0.0;

    bool operator==(const FaultThresholds&) const = default;
};

// The settings file of a user: $XDG_CONFIG_HOME/Ostrevik/Analyse.ini
// (~/.config/Ostrevik/Analyse.ini), beside an installed program's
// Ostrevik.cfg.
QString defaultAnalysisSettingsPath();

// Reads the settings stored at path (an INI file). A missing file gives the
// defaults; a value that is missing, unreadable or out of its range gives
// that value's default, so a damaged file cannot switch a tag off for good.
AnalysisSettings loadAnalysisSettings(const QString& path = defaultAnalysisSettingsPath());
// The file's text with the settings' values, given the file as it is now
// (its other keys are kept).
QByteArray analysisSettingsIni(const AnalysisSettings& settings, const QByteArray& existing);
// Writes all values; false when the file could not be written (the old file
// then stays as it was).
bool saveAnalysisSettings(const AnalysisSettings& settings,
                          const QString& path = defaultAnalysisSettingsPath());

// The settings an analysis window works with, kept in their file: a change
// holds at once and is written at once. When the write fails the change
// still holds until the program ends, and the file is no longer read back
// over it. Windows of other documents write the same file; reread() takes
// over what one of them wrote.
class AnalysisSettingsFile {
public:
    explicit AnalysisSettingsFile(QString path = defaultAnalysisSettingsPath());

    const QString& path() const { return path_; }
    const AnalysisSettings& settings() const { return settings_; }
    // Whether the last change reached the file.
    bool saved() const { return saved_; }

    // The fault tags' thresholds; the trend's metric and series length.
    // False when the file could not be written.
    bool setThresholds(const FaultThresholds& thresholds);
    bool setTrend(Metric metric, int seriesLength);
    // Reads the file again, unless the last change could not be written
    // there; true when the settings are others now.
    bool reread();

private:
    bool save();

    QString path_;
    AnalysisSettings settings_;
    bool saved_ = true;
};

}  // namespace ostrevik
