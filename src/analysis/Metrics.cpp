#include "analysis/Metrics.h"

#include "common/NumberFormat.h"
#include "measurement/Raster.h"

#include <QCoreApplication>
#include <QStringList>

#include <cmath>

namespace ostrevik {
namespace {

struct MetricText {
    const char* name;
    const char* caption;
    const char* unit;
};

// Captions use the program's own terms ("Tonschwelle", "Schuss"); captions
// and units are translated under the context "Metrics", the names (the
// exports' column names) never.
constexpr std::array<MetricText, kMetricCount> kTexts = {{
    {"Dauer_ms", QT_TRANSLATE_NOOP("Metrics", "Dauer"), QT_TRANSLATE_NOOP("Metrics", "ms")},
    {"Ton_ms", QT_TRANSLATE_NOOP("Metrics", "Zeit bis Tonschwelle"),
     QT_TRANSLATE_NOOP("Metrics", "ms")},
    {"Schuss_ms", QT_TRANSLATE_NOOP("Metrics", "Zeit bis Schuss"),
     QT_TRANSLATE_NOOP("Metrics", "ms")},
    {"TonSchuss_ms", QT_TRANSLATE_NOOP("Metrics", "Tonschwelle bis Schuss"),
     QT_TRANSLATE_NOOP("Metrics", "ms")},
    {"Druck_Schuss", QT_TRANSLATE_NOOP("Metrics", "Druck beim Schuss"),
     QT_TRANSLATE_NOOP("Metrics", "%")},
    {"Spitzendruck", QT_TRANSLATE_NOOP("Metrics", "Spitzendruck"),
     QT_TRANSLATE_NOOP("Metrics", "%")},
    {"Anstieg_200", QT_TRANSLATE_NOOP("Metrics", "Anstieg letzte 0,2 s"),
     QT_TRANSLATE_NOOP("Metrics", "%-Punkte")},
    {"Halt_160", QT_TRANSLATE_NOOP("Metrics", "Halt nach 160 ms"),
     QT_TRANSLATE_NOOP("Metrics", "%")},
    {"Halt_500", QT_TRANSLATE_NOOP("Metrics", "Halt nach 500 ms"),
     QT_TRANSLATE_NOOP("Metrics", "%")},
    {"Abweichung", QT_TRANSLATE_NOOP("Metrics", "Abweichung vom Mittel"),
     QT_TRANSLATE_NOOP("Metrics", "%-Punkte")},
}};

const MetricText& texts(Metric metric) {
    return kTexts[static_cast<size_t>(metric)];
}

// Samples after the shot slot at which the pressure kept is read: 160 ms and
// 500 ms.
constexpr int kHalt160 = 160 / kMillisecondsPerSample;
constexpr int kHalt500 = 500 / kMillisecondsPerSample;
// The last 0.2 s before the shot: from the sample 11 slots before the shot
// to the one just before it.
constexpr int kAnstiegAbstand = 200 / kMillisecondsPerSample + 1;

}  // namespace

bool inMilliseconds(Metric metric) {
    return metric == Metric::Dauer_ms || metric == Metric::Ton_ms || metric == Metric::Schuss_ms ||
           metric == Metric::TonSchuss_ms;
}

QString metricName(Metric metric) {
    return QString::fromLatin1(texts(metric).name);
}

std::optional<Metric> metricFromName(const QString& name) {
    for (Metric m : kMetrics) {
        if (name == QLatin1String(texts(m).name)) {
            return m;
        }
    }
    return std::nullopt;
}

QString metricCaption(Metric metric) {
    return QCoreApplication::translate("Metrics", texts(metric).caption);
}

QString metricUnit(Metric metric) {
    return QCoreApplication::translate("Metrics", texts(metric).unit);
}

QString metricHeader(Metric metric) {
    return metricCaption(metric) + QStringLiteral(" (") + metricUnit(metric) + QLatin1Char(')');
}

QString formatMetricValue(Metric metric, std::optional<double> value) {
    if (!value || !std::isfinite(*value)) {
        return {};
    }
    if (inMilliseconds(metric)) {
        return QString::number(std::llround(*value));
    }
    return decimalCommaText(*value, 1);
}

QString tagName(Tag tag) {
    switch (tag) {
        case Tag::Zucken:
            return QStringLiteral("Zucken");
        case Tag::Nachlassen:
            return QStringLiteral("Nachlassen");
        case Tag::Unruhig:
            return QStringLiteral("Unruhig");
    }
    return {};
}

QString TakeUpMetrics::numberText() const {
    return QStringLiteral("%1").arg(number(), 4, 10, QLatin1Char('0'));
}

std::optional<double> TakeUpMetrics::value(Metric metric) const {
    auto ms = [](std::optional<int> v) -> std::optional<double> {
        return v ? std::optional<double>(*v) : std::nullopt;
    };
    switch (metric) {
        case Metric::Dauer_ms:
            return Dauer_ms;
        case Metric::Ton_ms:
            return ms(Ton_ms);
        case Metric::Schuss_ms:
            return ms(Schuss_ms);
        case Metric::TonSchuss_ms:
            return ms(TonSchuss_ms);
        case Metric::Druck_Schuss:
            return Druck_Schuss;
        case Metric::Spitzendruck:
            return Spitzendruck;
        case Metric::Anstieg_200:
            return Anstieg_200;
        case Metric::Halt_160:
            return Halt_160;
        case Metric::Halt_500:
            return Halt_500;
        case Metric::Abweichung:
            return Abweichung;
    }
    return std::nullopt;
}

void TakeUpMetrics::setValue(Metric metric, std::optional<double> v) {
    auto ms = [&v]() -> std::optional<int> {
        return v ? std::optional<int>(static_cast<int>(std::lround(*v))) : std::nullopt;
    };
    switch (metric) {
        case Metric::Dauer_ms:
            Dauer_ms = ms().value_or(0);
            break;
        case Metric::Ton_ms:
            Ton_ms = ms();
            break;
        case Metric::Schuss_ms:
            Schuss_ms = ms();
            break;
        case Metric::TonSchuss_ms:
            TonSchuss_ms = ms();
            break;
        case Metric::Druck_Schuss:
            Druck_Schuss = v;
            break;
        case Metric::Spitzendruck:
            Spitzendruck = v;
            break;
        case Metric::Anstieg_200:
            Anstieg_200 = v;
            break;
        case Metric::Halt_160:
            Halt_160 = v;
            break;
        case Metric::Halt_500:
            Halt_500 = v;
            break;
        case Metric::Abweichung:
            Abweichung = v;
            break;
    }
}

void TakeUpMetrics::setTag(Tag tag, bool on) {
    switch (tag) {
        case Tag::Zucken:
            Zucken = on;
            break;
        case Tag::Nachlassen:
            Nachlassen = on;
            break;
        case Tag::Unruhig:
            Unruhig = on;
            break;
    }
}

bool TakeUpMetrics::has(Tag tag) const {
    switch (tag) {
        case Tag::Zucken:
            return Zucken;
        case Tag::Nachlassen:
            return Nachlassen;
        case Tag::Unruhig:
            return Unruhig;
    }
    return false;
}

QString TakeUpMetrics::tagsText() const {
    QStringList words;
    for (Tag t : kTags) {
        if (has(t)) {
            words << tagName(t);
        }
    }
    return words.join(QStringLiteral(", "));
}

TakeUpMetrics measureTakeUp(uint32_t threshold, std::span<const uint8_t> samples) {
    TakeUpMetrics m;
    m.Tonschwelle = threshold;
    const int n = static_cast<int>(samples.size());
    m.Dauer_ms = n * kMillisecondsPerSample;

    int ton = -1;
    int peak = -1;
    for (int i = 0; i < n; ++i) {
        const uint8_t v = samples[static_cast<size_t>(i)];
        if (v == kShotMark) {
            if (m.shotIndex < 0) {
                m.shotIndex = i;
            }
            continue;
        }
        if (ton < 0 && v >= threshold) {
            ton = i;
        }
        peak = std::max(peak, static_cast<int>(v));
    }
    if (ton >= 0) {
        m.Ton_ms = ton * kMillisecondsPerSample;
    }
    if (peak >= 0) {
        m.Spitzendruck = pressurePercent(peak);
    }
    const int s = m.shotIndex;
    if (s < 0) {
        return m;
    }
    m.Schuss_ms = s * kMillisecondsPerSample;
    if (ton >= 0 && ton < s) {
        m.TonSchuss_ms = (s - ton) * kMillisecondsPerSample;
    }
    if (s < 1) {
        return m;  // a shot in the very first slot has no shot pressure
    }

    // Raw pressure of sample i; -1 outside the record and for a further shot
    // mark, which carries no pressure.
    auto raw = [&](int i) {
        if (i < 0 || i >= n || samples[static_cast<size_t>(i)] == kShotMark) {
            return -1;
        }
        return static_cast<int>(samples[static_cast<size_t>(i)]);
    };
    const int ps = raw(s - 1);
    m.Druck_Schuss = pressurePercent(ps);
    if (const int before = raw(s - kAnstiegAbstand); before >= 0) {
        m.Anstieg_200 = pressurePercent(ps - before);
    }
    // Kept pressure as a ratio of raw values, so that 160 of 200 is exactly 80 %.
    if (ps > 0) {
        if (const int after = raw(s + kHalt160); after >= 0) {
            m.Halt_160 = 100.0 * after / ps;
        }
        if (const int after = raw(s + kHalt500); after >= 0) {
            m.Halt_500 = 100.0 * after / ps;
        }
    }
    return m;
}

}  // namespace ostrevik
