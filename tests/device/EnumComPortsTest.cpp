#include "PortTestSupport.h"
#include "device/EnumComPorts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace ostrevik {
namespace {

using test::ScopedPortDir;

TEST(ComPortNames, NumberOfAName) {
    EXPECT_EQ(ComPortNumber(QStringLiteral("COM1")), 1);
    EXPECT_EQ(ComPortNumber(QStringLiteral("COM12")), 12);
    EXPECT_EQ(ComPortNumber(QStringLiteral("com7")), 7);
    for (const char* name : {"COM", "COM0", "COMX", "COM1a", "COM-1", "LPT1", "", " COM1"}) {
        EXPECT_EQ(ComPortNumber(QString::fromLatin1(name)), 0) << name;
    }
    EXPECT_EQ(ComPortName(42), "COM42");
}

TEST(ComPortNames, FixedDeviceMappingWithoutAPortDirectory) {
    const QByteArray saved = qgetenv(kPortDirVariable);
    const bool hadSaved = qEnvironmentVariableIsSet(kPortDirVariable);
    qunsetenv(kPortDirVariable);
    EXPECT_EQ(ComPortDevicePath(QStringLiteral("COM1")), "/dev/ttyS0");
    EXPECT_EQ(ComPortDevicePath(QStringLiteral("COM32")), "/dev/ttyS31");
    EXPECT_EQ(ComPortDevicePath(QStringLiteral("COM33")), "/dev/ttyUSB0");
    EXPECT_EQ(ComPortDevicePath(QStringLiteral("COM64")), "/dev/ttyUSB31");
    EXPECT_EQ(ComPortDevicePath(QStringLiteral("COM65")), "/dev/ttyACM0");
    EXPECT_EQ(ComPortDevicePath(QStringLiteral("COM96")), "/dev/ttyACM31");
    EXPECT_EQ(ComPortDevicePath(QStringLiteral("COM97")), "");
    EXPECT_EQ(ComPortDevicePath(QStringLiteral("COM0")), "");
    EXPECT_EQ(ComPortDevicePath(QStringLiteral("ttyS0")), "");

    // Whatever this machine has: every port listed is a device of its name.
    QStringList ports;
    EnumComPorts(ports);
    for (const QString& name : ports) {
        struct stat info {};
        EXPECT_EQ(::stat(QFile::encodeName(ComPortDevicePath(name)).constData(), &info), 0)
            << name.toStdString();
        EXPECT_TRUE(S_ISCHR(info.st_mode)) << name.toStdString();
    }
    if (hadSaved) {
        qputenv(kPortDirVariable, saved);
    }
}

TEST(ComPortNames, APortDirectoryNamesThePortsPresent) {
    ScopedPortDir dir;
    test::PtyPair com1(dir.path(), 1);
    test::PtyPair com10(dir.path(), 10);
    test::PtyPair com2(dir.path(), 2);
    // Not ports: other names, and a link whose device has gone.
    QFile::link(QStringLiteral("/dev/null"), dir.filePath(QStringLiteral("LPT1")));
    QFile::link(QStringLiteral("/dev/null"), dir.filePath(QStringLiteral("COMX")));
    QFile::link(QStringLiteral("/dev/null"), dir.filePath(QStringLiteral("com5")));
    QFile::link(QStringLiteral("/nonexistent/pts/99"), dir.filePath(QStringLiteral("COM3")));
    QDir(dir.path()).mkdir(QStringLiteral("COM4x"));

    QStringList ports{QStringLiteral("stale entry")};
    EnumComPorts(ports);
    EXPECT_EQ(ports, (QStringList{"COM1", "COM10", "COM2"}));
    EXPECT_EQ(ComPortDevicePath(QStringLiteral("COM10")), dir.filePath(QStringLiteral("COM10")));
    EXPECT_EQ(ComPortDevicePath(QStringLiteral("com10")), dir.filePath(QStringLiteral("COM10")));
}

TEST(ComPortNames, NoPortsGiveAnEmptyList) {
    ScopedPortDir dir;
    QStringList ports{QStringLiteral("COM1")};
    EnumComPorts(ports);
    EXPECT_TRUE(ports.isEmpty());

    qputenv(kPortDirVariable, QFile::encodeName(dir.filePath(QStringLiteral("missing"))));
    ports = QStringList{QStringLiteral("COM1")};
    EnumComPorts(ports);
    EXPECT_TRUE(ports.isEmpty());
}

TEST(ComPortNames, SortedAsTextIgnoringCase) {
    QStringList names{"com2", "COM10", "Com1", "COM3", "COM20"};
    SortComPortNames(names);
    EXPECT_EQ(names, (QStringList{"Com1", "COM10", "com2", "COM20", "COM3"}));
}

// The debug trace's port lines: the node behind each name, and the stable
// by-id name where udev made one for it.
TEST(ComPortNames, DeviceLinesNameTheNodeAndItsStableName) {
    ScopedPortDir dir;
    test::PtyPair adapter(dir.path(), 33);
    test::PtyPair other(dir.path(), 3);
    QTemporaryDir byId;
    const QString stable =
        byId.filePath(QStringLiteral("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"));
    ASSERT_TRUE(QFile::link(QString::fromStdString(adapter.devicePath()), stable));
    const QStringList lines =
        ComPortDeviceLines({QStringLiteral("COM3"), QStringLiteral("COM33")}, byId.path());
    EXPECT_EQ(lines, (QStringList{
                         QStringLiteral("COM3 = ") + QString::fromStdString(other.devicePath()),
                         QStringLiteral("COM33 = %1 (%2)")
                             .arg(QString::fromStdString(adapter.devicePath()), stable),
                     }));
}

}  // namespace
}  // namespace ostrevik
