#pragma once

#include <QByteArray>
#include <QString>

#include <map>
#include <optional>

namespace ostrevik {

// The small settings files the program keeps beside its configuration file
// (the analysis' thresholds and series, the archive's choices), never inside
// it: INI text of sections and keys, read leniently (a missing file or key is
// its default) and written whole and atomically, so that a full disk leaves
// the old file, never a short one. Keys the program does not know are kept
// as they stand.
class IniFile {
public:
    // Where the program keeps the file of this name in the user's
    // configuration folder ("Analyse": ~/.config/Ostrevik/Analyse.ini).
    static QString defaultPath(const QString& name);
    // The file's sections and keys; empty when it is missing or unreadable.
    static IniFile read(const QString& path);
    static IniFile parse(const QByteArray& text);

    // The value as written, if the key is there.
    std::optional<QByteArray> value(const char* section, const char* key) const;
    // A number within [low, high], else the fallback.
    double number(const char* section, const char* key, double fallback, double low,
                  double high) const;
    // "true" or "false" as written, else the fallback.
    bool flag(const char* section, const char* key, bool fallback) const;

    void set(const char* section, const char* key, const QByteArray& value);
    void setNumber(const char* section, const char* key, double value);
    void setFlag(const char* section, const char* key, bool value);

    // In the layout QSettings gives an INI file (sections and keys in order,
    // a blank line between sections).
    QByteArray text() const;
    // Writes the file atomically, making its folder; false when it failed.
    bool write(const QString& path) const;

private:
    std::map<QByteArray, std::map<QByteArray, QByteArray>> sections_;
};

}  // namespace ostrevik
