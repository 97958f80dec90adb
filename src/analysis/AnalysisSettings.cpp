#include "analysis/AnalysisSettings.h"

#include "settings/IniFile.h"

#include <algorithm>
#include <utility>

namespace ostrevik {
namespace {

struct Key {
    const char* section;
    const char* name;
};

constexpr Key kZucken{"Marken", "ZuckenAnstieg"};
constexpr Key kNachlassen{"Marken", "NachlassenHalt"};
constexpr Key kUnruhig{"Marken", "UnruhigStandardabweichungen"};
constexpr Key kSerie{"Verlauf", "Serienlaenge"};
constexpr Key kMetrik{"Verlauf", "Metrik"};

}  // namespace

QString defaultAnalysisSettingsPath() {
    return IniFile::defaultPath(QStringLiteral("Analyse"));
}

AnalysisSettings loadAnalysisSettings(const QString& path) {
    const IniFile ini = IniFile::read(path);
    const AnalysisSettings d;
    AnalysisSettings a;
    // Ranges a coach may sensibly set; the kept pressure can exceed 100 %.
    a.zuckenAnstieg = ini.number(kZucken.section, kZucken.name, d.zuckenAnstieg, 0.0, 100.0);
    a.nachlassenHalt =
        ini.number(kNachlassen.section, kNachlassen.name, d.nachlassenHalt, 0.0, 1000.0);
    a.unruhigSd = ini.number(kUnruhig.section, kUnruhig.name, d.unruhigSd, 0.0, 10.0);
    bool ok = false;
    const int serie = ini.value(kSerie.section, kSerie.name).value_or(QByteArray()).toInt(&ok);
    a.seriesLength = ok && std::ranges::find(kSeriesLengths, serie) != kSeriesLengths.end()
                         ? serie
                         : d.seriesLength;
    a.trendMetric =
        metricFromName(
            QString::fromUtf8(ini.value(kMetrik.section, kMetrik.name).value_or(QByteArray())))
            .value_or(d.trendMetric);
    return a;
}

namespace {

IniFile withAnalysisSettings(IniFile ini, const AnalysisSettings& a) {
    ini.setNumber(kZucken.section, kZucken.name, a.zuckenAnstieg);
    ini.setNumber(kNachlassen.section, kNachlassen.name, a.nachlassenHalt);
    ini.setNumber(kUnruhig.section, kUnruhig.name, a.unruhigSd);
    ini.set(kSerie.section, kSerie.name, QByteArray::number(a.seriesLength));
    ini.set(kMetrik.section, kMetrik.name, metricName(a.trendMetric).toUtf8());
    return ini;
}

}  // namespace

QByteArray analysisSettingsIni(const AnalysisSettings& a, const QByteArray& existing) {
    // Keys of the file that are not the analysis' own are kept as they are.
    return withAnalysisSettings(IniFile::parse(existing), a).text();
}

bool saveAnalysisSettings(const AnalysisSettings& a, const QString& path) {
    return withAnalysisSettings(IniFile::read(path), a).write(path);
}

AnalysisSettingsFile::AnalysisSettingsFile(QString path)
    : path_(std::move(path)), settings_(loadAnalysisSettings(path_)) {}

bool AnalysisSettingsFile::setThresholds(const FaultThresholds& t) {
    settings_.zuckenAnstieg = t.zuckenAnstieg;
    settings_.nachlassenHalt = t.nachlassenHalt;
    settings_.unruhigSd = t.unruhigSd;
    return save();
}

bool AnalysisSettingsFile::setTrend(Metric metric, int seriesLength) {
    settings_.trendMetric = metric;
    settings_.seriesLength = seriesLength;
    return save();
}

bool AnalysisSettingsFile::save() {
    saved_ = saveAnalysisSettings(settings_, path_);
    return saved_;
}

bool AnalysisSettingsFile::reread() {
    // A change that could not be written would be lost to the file's older
    // values.
    if (!saved_) {
        return false;
    }
    const AnalysisSettings stored = loadAnalysisSettings(path_);
    if (stored == settings_) {
        return false;
    }
    settings_ = stored;
    return true;
}

}  // namespace ostrevik
