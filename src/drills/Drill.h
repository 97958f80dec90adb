#pragma once

#include "analysis/Metrics.h"

#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace ostrevik {

// When a shooter sees the verdict of a take-up during a drill. Verdicts are
// computed and kept for every take-up whatever the schedule; it decides only
// what is shown at once.
enum class FeedbackSchedule {
    Jede,         // every take-up
    JedeZweite,   // every second: the 1st, 3rd, 5th, ...
    Ausblendend,  // fading: every one in the first third, every second in the second, none after
    AmEnde,       // none until the drill's end
};
inline constexpr std::array<FeedbackSchedule, 4> kFeedbackSchedules = {
    FeedbackSchedule::Jede, FeedbackSchedule::JedeZweite, FeedbackSchedule::Ausblendend,
    FeedbackSchedule::AmEnde};

// The schedule's key in a drill file: "jede", "jede-zweite", "ausblendend", "am-ende".
QString feedbackKey(FeedbackSchedule schedule);
std::optional<FeedbackSchedule> feedbackFromKey(const QString& key);

// Whether the verdict of the drill's `position`-th judged take-up (from 1)
// is shown at once in a drill of `takeUps` take-ups.
bool shownAtOnce(FeedbackSchedule schedule, int position, int takeUps);

// One demand on a take-up's own figures. Abweichung and "Unruhig" are
// measured against the other take-ups of the session, so they are no
// criteria: a take-up's verdict must not change when another one follows.
struct DrillCriterion {
    enum class Kind {
        Limits,        // the metric within [min, max], either may be open; inclusive
        TagNotSet,     // the tag must not be set
        PersonalBand,  // the metric within the shooter's median ± k robust SDs
    };
    Kind kind = Kind::Limits;
    Metric metric = Metric::Schuss_ms;  // Limits, PersonalBand
    Tag tag = Tag::Zucken;              // TagNotSet
    std::optional<double> min;          // Limits, in the take-up table's units
    std::optional<double> max;
    double k = 1.0;  // PersonalBand: robust standard deviations either side
    int last = 30;   // PersonalBand: the shooter's latest take-ups it is made of

    static DrillCriterion limits(Metric metric, std::optional<double> min,
                                 std::optional<double> max);
    static DrillCriterion noTag(Tag tag);
    static DrillCriterion band(Metric metric, double k, int last = 30);

    bool isTag() const { return kind == Kind::TagNotSet; }
    // The metric's or tag's name, as the take-up CSV names the column and a
    // drill check names a criterion missed: "Schuss_ms", "Zucken".
    QString name() const;
    bool operator==(const DrillCriterion&) const = default;
};

// The fewest archived take-ups a personal band is made of: fewer give no
// robust median and spread.
inline constexpr int kBandMinTakeUps = 30;
// The most a band reaches back; beyond it the shooter of old is measured.
inline constexpr int kBandMaxTakeUps = 10000;
// A drill's take-ups: a session of a few hundred at most; more is a slip.
inline constexpr int kDrillMaxTakeUps = 1000;

// A drill: what a shooter practises for a number of take-ups, and how each
// take-up with a shot is judged.
struct Drill {
    QString name;
    QString description;
    int takeUps = 10;
    FeedbackSchedule feedback = FeedbackSchedule::Jede;
    std::vector<DrillCriterion> criteria;

    // Whether a criterion reads the shooter's archive.
    bool needsArchive() const;
    bool operator==(const Drill&) const = default;
};

// The drills the program brings, in the order they are offered.
enum class BuiltInDrill {
    SchussImZeitfenster,
    OhneZucken,
    Nachhalten,
    DruckpunktHalten,
    Wettkampfserie,
};
inline constexpr std::array<BuiltInDrill, 5> kBuiltInDrills = {
    BuiltInDrill::SchussImZeitfenster, BuiltInDrill::OhneZucken, BuiltInDrill::Nachhalten,
    BuiltInDrill::DruckpunktHalten, BuiltInDrill::Wettkampfserie};

// A built-in drill, its name and description in the program's language
// (DrillTexts).
Drill builtInDrill(BuiltInDrill which);
std::vector<Drill> builtInDrills();

}  // namespace ostrevik
