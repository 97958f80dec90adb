#include "analysis/AnalysisSettings.h"

#include <QSettings>

#include <algorithm>
#include <cmath>

namespace ostrevik {
namespace {

constexpr const char* kZucken = "Marken/ZuckenAnstieg";
constexpr const char* kNachlassen = "Marken/NachlassenHalt";
constexpr const char* kUnruhig = "Marken/UnruhigStandardabweichungen";
constexpr const char* kSerie = "Verlauf/Serienlaenge";
constexpr const char* kMetrik = "Verlauf/Metrik";

double readNumber(const QSettings& s, const char* key, double fallback, double low, double high) {
    bool ok = false;
    const double v = s.value(QLatin1String(key)).toDouble(&ok);
    return ok && std::isfinite(v) && v >= low && v <= high ? v : fallback;
}

}  // namespace

QString defaultAnalysisSettingsPath() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Ostrevik"),
                     QStringLiteral("Analyse"))
        .fileName();
}

AnalysisSettings loadAnalysisSettings(const QString& path) {
    const QSettings s(path, QSettings::IniFormat);
    const AnalysisSettings d;
    AnalysisSettings a;
    // Ranges a coach may sensibly set; the kept pressure can exceed 100 %.
    a.zuckenAnstieg = readNumber(s, kZucken, d.zuckenAnstieg, 0.0, 100.0);
    a.nachlassenHalt = readNumber(s, kNachlassen, d.nachlassenHalt, 0.0, 1000.0);
    a.unruhigSd = readNumber(s, kUnruhig, d.unruhigSd, 0.0, 10.0);
    bool ok = false;
    const int serie = s.value(QLatin1String(kSerie)).toInt(&ok);
    a.seriesLength = ok && std::ranges::find(kSeriesLengths, serie) != kSeriesLengths.end()
                         ? serie
                         : d.seriesLength;
    a.trendMetric =
        metricFromName(s.value(QLatin1String(kMetrik)).toString()).value_or(d.trendMetric);
    return a;
}

bool saveAnalysisSettings(const AnalysisSettings& a, const QString& path) {
    QSettings s(path, QSettings::IniFormat);
    s.setValue(QLatin1String(kZucken), a.zuckenAnstieg);
    s.setValue(QLatin1String(kNachlassen), a.nachlassenHalt);
    s.setValue(QLatin1String(kUnruhig), a.unruhigSd);
    s.setValue(QLatin1String(kSerie), a.seriesLength);
    s.setValue(QLatin1String(kMetrik), metricName(a.trendMetric));
    s.sync();
    return s.status() == QSettings::NoError;
}

}  // namespace ostrevik
