#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace ostrevik {

// The figures of one take-up of the pressure point that the coach's analysis
// shows, exports and prints, in their column order. The enumerators carry the
// column names.
enum class Metric {
    Dauer_ms,      // number of samples (the shot slot included) x 20
    Ton_ms,        // first sample at or above the tone threshold x 20
    Schuss_ms,     // shot slot x 20
    TonSchuss_ms,  // Schuss_ms - Ton_ms, when the threshold came before the shot
    Druck_Schuss,  // pressure of the sample before the shot, %
    Spitzendruck,  // highest pressure of the record, %
    Anstieg_200,   // rise over the last 0.2 s before the shot, percentage points
    Halt_160,      // pressure 160 ms after the shot in % of the shot pressure
    Halt_500,      // the same 500 ms after the shot
    Abweichung,    // RMS distance from the document's mean curve over the 2 s before the shot
};
inline constexpr int kMetricCount = 10;
inline constexpr std::array<Metric, kMetricCount> kMetrics = {
    Metric::Dauer_ms,     Metric::Ton_ms,       Metric::Schuss_ms,   Metric::TonSchuss_ms,
    Metric::Druck_Schuss, Metric::Spitzendruck, Metric::Anstieg_200, Metric::Halt_160,
    Metric::Halt_500,     Metric::Abweichung};

// Faults a coach looks for, each judged against a threshold of the analysis
// settings.
enum class Tag { Zucken, Nachlassen, Unruhig };
inline constexpr std::array<Tag, 3> kTags = {Tag::Zucken, Tag::Nachlassen, Tag::Unruhig};

// Column name, as exports write it: "Dauer_ms", "Halt_160", ...
QString metricName(Metric metric);
std::optional<Metric> metricFromName(const QString& name);
// Short German caption for table headers and the trend's choice of metric:
// "Zeit bis Schuss", "Halt nach 160 ms", ...
QString metricCaption(Metric metric);
// "ms", "%" or "%-Punkte".
QString metricUnit(Metric metric);
// Whether a metric is a time in milliseconds.
bool inMilliseconds(Metric metric);
// The caption with its unit: "Zeit bis Schuss (ms)".
QString metricHeader(Metric metric);
// The value as the table and the exports write it: empty when the take-up
// has no such value, milliseconds as a whole number, the others with one
// decimal and a decimal comma ("45,3").
QString formatMetricValue(Metric metric, std::optional<double> value);

// "Zucken", "Nachlassen", "Unruhig".
QString tagName(Tag tag);

// Pressure of a sample value in percent of the pressure axis (254 = 100 %).
inline double pressurePercent(double value) {
    return value * 100.0 / 254.0;
}

// One take-up: its metrics and tags. A metric the record cannot have (no
// shot, too short, nothing to divide by) is empty, never 0.
struct TakeUpMetrics {
    int listIndex = 0;         // index of the record in the document's list
    uint32_t Tonschwelle = 0;  // the record's tone threshold, raw
    int shotIndex = -1;        // index of the first shot mark, -1 without a shot

    int Dauer_ms = 0;
    std::optional<int> Ton_ms;
    std::optional<int> Schuss_ms;
    std::optional<int> TonSchuss_ms;
    std::optional<double> Druck_Schuss;
    std::optional<double> Spitzendruck;
    std::optional<double> Anstieg_200;
    std::optional<double> Halt_160;
    std::optional<double> Halt_500;
    std::optional<double> Abweichung;

    bool Zucken = false;
    bool Nachlassen = false;
    bool Unruhig = false;

    bool operator==(const TakeUpMetrics&) const = default;
    bool hasShot() const { return shotIndex >= 0; }
    // The record's number as the document window shows it (from 1).
    int number() const { return listIndex + 1; }
    // That number as the document window writes it: four digits, "0007".
    QString numberText() const;
    std::optional<double> value(Metric metric) const;
    // Sets a metric as value() reads it back (milliseconds rounded to whole
    // ones): for take-ups read back from where their figures were stored.
    void setValue(Metric metric, std::optional<double> value);
    bool has(Tag tag) const;
    void setTag(Tag tag, bool on);
    // The tags that apply, as readable words: "Zucken, Nachlassen"; empty
    // when none does.
    QString tagsText() const;
};

// Every metric of one record that needs no other record: all but
// Abweichung, and no tags (those need the settings and the document, see
// SessionAnalysis). A shot mark carries no pressure: it never reaches the
// tone threshold and never counts as a pressure value.
TakeUpMetrics measureTakeUp(uint32_t threshold, std::span<const uint8_t> samples);

}  // namespace ostrevik
