#include "analysis/AnalysisSettings.h"

#include "common/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace ostrevik {
namespace {

struct Key {
    const char* section;
    const char* name;

    QString path() const { return QLatin1String(section) + QLatin1Char('/') + QLatin1String(name); }
};

constexpr Key kZucken{"Marken", "ZuckenAnstieg"};
constexpr Key kNachlassen{"Marken", "NachlassenHalt"};
constexpr Key kUnruhig{"Marken", "UnruhigStandardabweichungen"};
constexpr Key kSerie{"Verlauf", "Serienlaenge"};
constexpr Key kMetrik{"Verlauf", "Metrik"};

// The INI file as sections of keys with their values, both as written.
using IniSections = std::map<QByteArray, std::map<QByteArray, QByteArray>>;

IniSections parseIni(const QByteArray& text) {
    IniSections sections;
    QByteArray section = "General";
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#')) {
            continue;
        }
        if (line.startsWith('[') && line.endsWith(']')) {
            section = line.mid(1, line.size() - 2);
            sections[section];
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (eq > 0) {
            sections[section][line.left(eq).trimmed()] = line.mid(eq + 1).trimmed();
        }
    }
    return sections;
}

// In the layout QSettings gives an INI file (sections and keys in order, a
// blank line between sections), so that it reads the file back as written.
QByteArray iniText(const IniSections& sections) {
    QByteArray out;
    for (const auto& [section, keys] : sections) {
        if (!out.isEmpty()) {
            out += '\n';
        }
        out += '[' + section + "]\n";
        for (const auto& [key, value] : keys) {
            out += key + '=' + value + '\n';
        }
    }
    return out;
}

QByteArray numberText(double v) {
    return QByteArray::number(v, 'g', QLocale::FloatingPointShortest);
}

double readNumber(const QSettings& s, Key key, double fallback, double low, double high) {
    bool ok = false;
    const double v = s.value(key.path()).toDouble(&ok);
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
    const int serie = s.value(kSerie.path()).toInt(&ok);
    a.seriesLength = ok && std::ranges::find(kSeriesLengths, serie) != kSeriesLengths.end()
                         ? serie
                         : d.seriesLength;
    a.trendMetric = metricFromName(s.value(kMetrik.path()).toString()).value_or(d.trendMetric);
    return a;
}

QByteArray analysisSettingsIni(const AnalysisSettings& a, const QByteArray& existing) {
    // Keys of the file that are not the analysis' own are kept as they are.
    IniSections sections = parseIni(existing);
    auto set = [&sections](Key key, const QByteArray& value) {
        sections[key.section][key.name] = value;
    };
    set(kZucken, numberText(a.zuckenAnstieg));
    set(kNachlassen, numberText(a.nachlassenHalt));
    set(kUnruhig, numberText(a.unruhigSd));
    set(kSerie, QByteArray::number(a.seriesLength));
    set(kMetrik, metricName(a.trendMetric).toUtf8());
    return iniText(sections);
}

bool saveAnalysisSettings(const AnalysisSettings& a, const QString& path) {
    QByteArray existing;
    if (QFile old(path); old.open(QIODevice::ReadOnly)) {
        existing = old.readAll();
    }
    // Written by the program's own file writer rather than QSettings, whose
    // write can end in a short file on a full disk without saying so.
    QDir().mkpath(QFileInfo(path).absolutePath());
    return writeFileAtomically(path, analysisSettingsIni(a, existing)).ok;
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
