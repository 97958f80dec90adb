#include "device/EnumComPorts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

#include <sys/stat.h>

#include <algorithm>

namespace ostrevik {

namespace {

struct DeviceRange {
    int firstNumber;
    const char* devicePrefix;
};

// The fixed blocks of 32 numbers; see the header.
constexpr DeviceRange kRanges[] = {
    {1, "/dev/ttyS"},
    {33, "/dev/ttyUSB"},
    {65, "/dev/ttyACM"},
};
constexpr int kRangeSize = 32;

bool isCharacterDevice(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISCHR(info.st_mode);
}

// Every machine has /dev/ttyS0..31 nodes whether or not a UART sits behind
// them; the serial core reports the UART type in sysfs, 0 meaning no UART.
bool uartExists(int index) {
    QFile type(QStringLiteral("/sys/class/tty/ttyS%1/type").arg(index));
    if (!type.open(QIODevice::ReadOnly)) {
        return false;
    }
    bool ok = false;
    const int value = type.readAll().trimmed().toInt(&ok);
    return ok && value != 0;
}

void listPortDirectory(const QString& directory, QStringList& list) {
    QDir dir(directory);
    if (!dir.exists()) {
        return;
    }
    const QStringList entries =
        dir.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    static const QRegularExpression pattern(QStringLiteral("^COM[1-9][0-9]*$"));
    for (const QString& entry : entries) {
        // A link left behind by a simulator that has gone points nowhere; it
        // is no port.
        if (pattern.match(entry).hasMatch() && QFileInfo::exists(dir.filePath(entry))) {
            list.append(entry);
        }
    }
}

void listDevices(QStringList& list) {
    for (int i = 0; i < kRangeSize; ++i) {
        if (uartExists(i) && isCharacterDevice(QStringLiteral("/dev/ttyS%1").arg(i))) {
            list.append(ComPortName(kRanges[0].firstNumber + i));
        }
    }
    for (const DeviceRange& range : {kRanges[1], kRanges[2]}) {
        for (int i = 0; i < kRangeSize; ++i) {
            if (isCharacterDevice(QString::fromLatin1(range.devicePrefix) + QString::number(i))) {
                list.append(ComPortName(range.firstNumber + i));
            }
        }
    }
}

}  // namespace

int ComPortNumber(const QString& name) {
    if (name.size() < 4 || !name.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) {
        return 0;
    }
    const QStringView digits = QStringView(name).mid(3);
    for (QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return 0;
        }
    }
    bool ok = false;
    const int number = digits.toInt(&ok);
    return ok && number > 0 ? number : 0;
}

QString ComPortName(int number) {
    return QStringLiteral("COM") + QString::number(number);
}

QString ComPortDirectory() {
    return qEnvironmentVariable(kPortDirVariable);
}

QString ComPortDevicePath(const QString& name) {
    const int number = ComPortNumber(name);
    if (number == 0) {
        return {};
    }
    const QString directory = ComPortDirectory();
    if (!directory.isEmpty()) {
        return QDir(directory).filePath(ComPortName(number));
    }
    for (const DeviceRange& range : kRanges) {
        if (number >= range.firstNumber && number < range.firstNumber + kRangeSize) {
            return QString::fromLatin1(range.devicePrefix) +
                   QString::number(number - range.firstNumber);
        }
    }
    return {};
}

void SortComPortNames(QStringList& names) {
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
}

QStringList ComPortDeviceLines(const QStringList& ports, const QString& byIdDirectory) {
    QHash<QString, QString> byId;  // device node -> by-id link
    const QDir links(byIdDirectory);
    for (const QFileInfo& link : links.entryInfoList(QDir::System | QDir::Files, QDir::Name)) {
        const QString node = link.canonicalFilePath();
        if (!node.isEmpty() && !byId.contains(node)) {
            byId.insert(node, link.filePath());
        }
    }
    QStringList lines;
    for (const QString& port : ports) {
        const QString mapped = ComPortDevicePath(port);
        const QString node = QFileInfo(mapped).canonicalFilePath();
        QString line = port + QStringLiteral(" = ") + (node.isEmpty() ? mapped : node);
        if (const auto found = byId.constFind(node); !node.isEmpty() && found != byId.cend()) {
            line += QStringLiteral(" (%1)").arg(*found);
        }
        lines << line;
    }
    return lines;
}

void EnumComPorts(QStringList& list) {
    list.clear();
    const QString directory = ComPortDirectory();
    if (!directory.isEmpty()) {
        listPortDirectory(directory, list);
    } else {
        listDevices(list);
    }
    SortComPortNames(list);
}

}  // namespace ostrevik
