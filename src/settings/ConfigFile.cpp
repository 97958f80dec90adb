#include "settings/ConfigFile.h"

#include "common/Cp1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QtEndian>

#include <cstring>

namespace ostrevik {
namespace {

static_assert(sizeof(DisplaySettings) == DisplaySettings::kByteSize);

void putU32(char* at, uint32_t v) {
    qToLittleEndian(v, at);
}
uint32_t getU32(const char* at) {
    return qFromLittleEndian<uint32_t>(at);
}

// Offsets of the fixed block.
constexpr int kOffVersion = 0;
constexpr int kOffDisplay = 4;
constexpr int kOffComPort = 44;
constexpr int kOffOpenFileCount = 48;
constexpr int kOffLiveBar = 52;
constexpr int kOffUserName = 53;

void writeDisplay(const DisplaySettings& d, char* at) {
    const uint32_t words[9] = {
        d.curveColor,     d.curveWidth,     d.shotColor, d.shotWidth,
        d.thresholdColor, d.thresholdWidth, d.timeScale, static_cast<uint32_t>(d.secondsBeforeShot),
        d.shotMarkerForm};
    for (int i = 0; i < 9; ++i) {
        putU32(at + 4 * i, words[i]);
    }
    at[36] = static_cast<char>(d.thresholdMarkerVisible);
    at[37] = at[38] = at[39] = 0;
}

DisplaySettings readDisplay(const char* at) {
    DisplaySettings d;
    d.curveColor = getU32(at + 0);
    d.curveWidth = getU32(at + 4);
    d.shotColor = getU32(at + 8);
    d.shotWidth = getU32(at + 12);
    d.thresholdColor = getU32(at + 16);
    d.thresholdWidth = getU32(at + 20);
    d.timeScale = getU32(at + 24);
    d.secondsBeforeShot = static_cast<int32_t>(getU32(at + 28));
    d.shotMarkerForm = getU32(at + 32);
    d.thresholdMarkerVisible = static_cast<uint8_t>(at[36]);
    // The gap is ignored on reading and kept zero in memory.
    return d;
}

}  // namespace

QByteArray File_t::toBytes() const {
    QByteArray out(kByteSize, '\0');
    char* p = out.data();
    putU32(p + kOffVersion, version);
    writeDisplay(display, p + kOffDisplay);
    putU32(p + kOffComPort, comPortNumber);
    putU32(p + kOffOpenFileCount, static_cast<uint32_t>(openFileCount));
    p[kOffLiveBar] = static_cast<char>(liveBarVisible);
    std::memcpy(p + kOffUserName, userName.data(), userName.size());
    return out;
}

void File_t::overlayBytes(const QByteArray& bytes) {
    QByteArray block = toBytes();
    std::memcpy(block.data(), bytes.constData(),
                static_cast<size_t>(std::min<qsizetype>(bytes.size(), kByteSize)));
    const char* p = block.constData();
    version = getU32(p + kOffVersion);
    display = readDisplay(p + kOffDisplay);
    comPortNumber = getU32(p + kOffComPort);
    openFileCount = static_cast<int32_t>(getU32(p + kOffOpenFileCount));
    liveBarVisible = static_cast<uint8_t>(p[kOffLiveBar]);
    std::memcpy(userName.data(), p + kOffUserName, userName.size());
}

TConfigFile::TConfigFile() {
    resetSettings(*this);
}

QString TConfigFile::userName() const {
    // A damaged file may hold 51 bytes without a zero: the name then ends at
    // the field's last byte.
    return fromCp1252Field(file.userName.data(), static_cast<qsizetype>(file.userName.size()));
}

void TConfigFile::setUserName(const QString& name) {
    file.userName.fill(0);
    toCp1252Field(name, file.userName.data(), static_cast<qsizetype>(file.userName.size()),
                  kUserNameMaxChars);
}

void resetSettings(TConfigFile& record) {
    const uint32_t version = record.file.version;
    record.file = File_t{};
    record.file.version = version;
    record.file.display = DisplaySettings::defaults();
    record.file.comPortNumber = 1;
    record.file.openFileCount = 0;
    record.file.liveBarVisible = 1;
    record.setUserName(QStringLiteral("Testanwender"));
}

bool loadSettings(TConfigFile& record, const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return false;
    }
    return loadSettings(record, f);
}

bool loadSettings(TConfigFile& record, QIODevice& f) {
    record.file.overlayBytes(f.read(File_t::kByteSize));
    if (record.file.version == kConfigVersionOld) {
        resetSettings(record);
        return true;
    }
    if (record.file.version != kConfigVersion) {
        resetSettings(record);
        return false;
    }
    // The stored values are taken as they are. The list of paths is read up
    // to the stated count, but never past the end of the file and never more
    // than a sane number of entries of a sane length: a damaged count must not
    // make the program allocate without limit.
    const int wanted = std::min(record.file.openFileCount, kMaxOpenFiles);
    for (int i = 0; i < wanted; ++i) {
        QByteArray entry;
        bool terminated = false;
        char c = 0;
        while (f.getChar(&c)) {
            if (c == 0) {
                terminated = true;
                break;
            }
            if (entry.size() < kMaxPathBytes) {
                entry.append(c);
            }
        }
        if (!terminated && entry.isEmpty()) {
            break;  // end of file: the missing entries would name no file anyway
        }
        record.openFiles.append(fromCp1252(entry));
        if (!terminated) {
            break;
        }
    }
    return true;
}

FileWriteResult saveSettings(TConfigFile& record, const QString& path) {
    record.file.version = kConfigVersion;
    record.file.openFileCount = static_cast<int32_t>(record.openFiles.size());
    QByteArray bytes = record.file.toBytes();
    for (const QString& entry : record.openFiles) {
        bytes.append(toCp1252(entry));
        bytes.append('\0');
    }
    // The settings directory of an installed program may not exist yet.
    QDir().mkpath(QFileInfo(path).absolutePath());
    return writeFileAtomically(path, bytes);
}

}  // namespace ostrevik
