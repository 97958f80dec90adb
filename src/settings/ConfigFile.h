#pragma once

#include "common/AtomicFile.h"
#include "settings/DisplaySettings.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

namespace ostrevik {

// The configuration file's fixed block, 104 bytes, stored little-endian in
// this field order with the three zero gap bytes after thresholdMarkerVisible
// (inside DisplaySettings).
struct File_t {
    uint32_t version = 0;
    DisplaySettings display;
    uint32_t comPortNumber = 0;
    int32_t openFileCount = 0;
    uint8_t liveBarVisible = 0;
    std::array<char, 51> userName{};  // zero-terminated, Windows-1252

    static constexpr int kByteSize = 104;
    QByteArray toBytes() const;
    // Overlays up to 104 bytes over the block; fields beyond the given bytes
    // keep their values (a short file changes only the start of the record).
    void overlayBytes(const QByteArray& bytes);
};

inline constexpr uint32_t kConfigVersion = 1032;    // written
inline constexpr uint32_t kConfigVersionOld = 258;  // recognised, values discarded
inline constexpr int kUserNameMaxChars = 49;
// Bounds for reading a damaged file: the fixed block alone does not limit how
// many paths follow, nor how long one is.
inline constexpr int kMaxOpenFiles = 1024;
inline constexpr int kMaxPathBytes = 4096;

class TConfigFile {
public:
    TConfigFile();

    File_t file;
    QStringList openFiles;

    QString userName() const;
    void setUserName(const QString& name);  // at most 49 characters are kept
};

void resetSettings(TConfigFile& record);
// True when a file with a recognised version was read.
bool loadSettings(TConfigFile& record, const QString& path);
// The same from an open device (the file's contents from its start).
bool loadSettings(TConfigFile& record, QIODevice& device);
// Replaces the file; the old file survives a failed write.
FileWriteResult saveSettings(TConfigFile& record, const QString& path);

}  // namespace ostrevik
