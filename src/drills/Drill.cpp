#include "drills/Drill.h"

#include "drills/DrillTexts.h"

#include <algorithm>

namespace ostrevik {
namespace {

struct FeedbackKey {
    FeedbackSchedule schedule;
    const char* key;
};

// The keys of the file format; they never change with the language.
constexpr FeedbackKey kFeedbackKeys[] = {
    {FeedbackSchedule::Jede, "jede"},
    {FeedbackSchedule::JedeZweite, "jede-zweite"},
    {FeedbackSchedule::Ausblendend, "ausblendend"},
    {FeedbackSchedule::AmEnde, "am-ende"},
};

// A shot 3 to 8 s after the take-up began: neither snatched nor held until
// the aim wavers.
constexpr double kZeitfensterVon = 3000;
constexpr double kZeitfensterBis = 8000;
// A rise above 15 percentage points in the last 0.2 s is a jerk at the shot.
constexpr double kZuckenHoechstens = 15;

}  // namespace

QString feedbackKey(FeedbackSchedule schedule) {
    for (const FeedbackKey& k : kFeedbackKeys) {
        if (k.schedule == schedule) {
            return QLatin1String(k.key);
        }
    }
    return {};
}

std::optional<FeedbackSchedule> feedbackFromKey(const QString& key) {
    for (const FeedbackKey& k : kFeedbackKeys) {
        if (key == QLatin1String(k.key)) {
            return k.schedule;
        }
    }
    return std::nullopt;
}

bool shownAtOnce(FeedbackSchedule schedule, int position, int takeUps) {
    if (position < 1) {
        return false;
    }
    switch (schedule) {
        case FeedbackSchedule::Jede:
            return true;
        case FeedbackSchedule::JedeZweite:
            return position % 2 == 1;
        case FeedbackSchedule::Ausblendend: {
            // Thirds of the drill's count, the first ones the shorter where
            // it does not divide by three: 10 take-ups fade as 3, 3, 4.
            const int firstThird = takeUps / 3;
            const int secondThird = 2 * takeUps / 3;
            if (position <= firstThird) {
                return true;
            }
            if (position <= secondThird) {
                return (position - firstThird) % 2 == 1;
            }
            return false;
        }
        case FeedbackSchedule::AmEnde:
            return false;
    }
    return false;
}

DrillCriterion DrillCriterion::limits(Metric metric, std::optional<double> min,
                                      std::optional<double> max) {
    DrillCriterion c;
    c.kind = Kind::Limits;
    c.metric = metric;
    c.min = min;
    c.max = max;
    return c;
}

DrillCriterion DrillCriterion::noTag(Tag tag) {
    DrillCriterion c;
    c.kind = Kind::TagNotSet;
    c.tag = tag;
    return c;
}

DrillCriterion DrillCriterion::band(Metric metric, double k, int last) {
    DrillCriterion c;
    c.kind = Kind::PersonalBand;
    c.metric = metric;
    c.k = k;
    c.last = last;
    return c;
}

QString DrillCriterion::name() const {
    return isTag() ? tagName(tag) : metricName(metric);
}

bool Drill::needsArchive() const {
    return std::ranges::any_of(criteria, [](const DrillCriterion& c) {
        return c.kind == DrillCriterion::Kind::PersonalBand;
    });
}

Drill builtInDrill(BuiltInDrill which) {
    using C = DrillCriterion;
    Drill d;
    d.name = DrillTexts::BuiltInName(which);
    d.description = DrillTexts::BuiltInDescription(which);
    d.takeUps = 20;
    d.feedback = FeedbackSchedule::Jede;
    switch (which) {
        case BuiltInDrill::SchussImZeitfenster:
            d.criteria = {C::limits(Metric::Schuss_ms, kZeitfensterVon, kZeitfensterBis)};
            break;
        case BuiltInDrill::OhneZucken:
            d.criteria = {C::limits(Metric::Anstieg_200, std::nullopt, kZuckenHoechstens)};
            break;
        case BuiltInDrill::Nachhalten:
            d.criteria = {C::limits(Metric::Halt_160, 90, std::nullopt),
                          C::limits(Metric::Halt_500, 80, std::nullopt)};
            break;
        case BuiltInDrill::DruckpunktHalten:
            d.criteria = {C::limits(Metric::TonSchuss_ms, 1000, 4000)};
            break;
        case BuiltInDrill::Wettkampfserie:
            // A competition's series: no verdict between the shots.
            d.takeUps = 10;
            d.feedback = FeedbackSchedule::AmEnde;
            d.criteria = {C::limits(Metric::Schuss_ms, kZeitfensterVon, kZeitfensterBis),
                          C::limits(Metric::Anstieg_200, std::nullopt, kZuckenHoechstens),
                          C::noTag(Tag::Nachlassen)};
            break;
    }
    return d;
}

std::vector<Drill> builtInDrills() {
    std::vector<Drill> drills;
    for (BuiltInDrill which : kBuiltInDrills) {
        drills.push_back(builtInDrill(which));
    }
    return drills;
}

}  // namespace ostrevik
