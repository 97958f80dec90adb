#include "settings/IniFile.h"

#include "common/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>

#include <cmath>

namespace ostrevik {

QString IniFile::defaultPath(const QString& name) {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Ostrevik"), name)
        .fileName();
}

IniFile IniFile::read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return parse(file.readAll());
}

IniFile IniFile::parse(const QByteArray& text) {
    IniFile ini;
    QByteArray section = "General";
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#')) {
            continue;
        }
        if (line.startsWith('[') && line.endsWith(']')) {
            section = line.mid(1, line.size() - 2);
            ini.sections_[section];
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (eq > 0) {
            ini.sections_[section][line.left(eq).trimmed()] = line.mid(eq + 1).trimmed();
        }
    }
    return ini;
}

std::optional<QByteArray> IniFile::value(const char* section, const char* key) const {
    const auto s = sections_.find(QByteArray(section));
    if (s == sections_.end()) {
        return std::nullopt;
    }
    const auto k = s->second.find(QByteArray(key));
    if (k == s->second.end()) {
        return std::nullopt;
    }
    return k->second;
}

double IniFile::number(const char* section, const char* key, double fallback, double low,
                       double high) const {
    bool ok = false;
    const double v = value(section, key).value_or(QByteArray()).toDouble(&ok);
    return ok && std::isfinite(v) && v >= low && v <= high ? v : fallback;
}

bool IniFile::flag(const char* section, const char* key, bool fallback) const {
    const QByteArray v = value(section, key).value_or(QByteArray()).toLower();
    if (v == "true") {
        return true;
    }
    if (v == "false") {
        return false;
    }
    return fallback;
}

void IniFile::set(const char* section, const char* key, const QByteArray& value) {
    sections_[QByteArray(section)][QByteArray(key)] = value;
}

void IniFile::setNumber(const char* section, const char* key, double value) {
    set(section, key, QByteArray::number(value, 'g', QLocale::FloatingPointShortest));
}

void IniFile::setFlag(const char* section, const char* key, bool value) {
    set(section, key, value ? QByteArray("true") : QByteArray("false"));
}

QByteArray IniFile::text() const {
    QByteArray out;
    for (const auto& [section, keys] : sections_) {
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

bool IniFile::write(const QString& path) const {
    // The program's own file writer rather than QSettings, whose write can
    // end in a short file on a full disk without saying so.
    QDir().mkpath(QFileInfo(path).absolutePath());
    return writeFileAtomically(path, text()).ok;
}

}  // namespace ostrevik
