#pragma once

#include <QString>
#include <QStringList>

namespace ostrevik {

// The program speaks of serial ports as "COM" followed by a number, and the
// configuration file keeps only that number. On Linux the names map onto
// device files by a fixed rule:
//
//   COM1  - COM32  <->  /dev/ttyS0   - /dev/ttyS31   (only UARTs that exist)
//   COM33 - COM64  <->  /dev/ttyUSB0 - /dev/ttyUSB31 (USB serial adapters)
//   COM65 - COM96  <->  /dev/ttyACM0 - /dev/ttyACM31 (USB CDC-ACM devices)
//
// The kernel numbers ttyS by the UART's place in the machine, so those names
// are stable; it numbers ttyUSB and ttyACM in the order the adapters were
// plugged in, so those names may change from run to run. The port search at
// start finds the device wherever it is, and ComPortDeviceLines tells the
// user which adapter each name stands for.
//
// When the environment variable OSTREVIK_PORT_DIR names a directory, that
// rule is replaced: the ports are exactly the entries of that directory named
// "COM" + number (usually symbolic links to devices or pseudo-terminals). The
// device simulator and the test suite use this to offer ports of their own.
inline constexpr const char* kPortDirVariable = "OSTREVIK_PORT_DIR";

// The number of a name "COM<n>" (case-insensitive prefix, n >= 1), or 0 when
// the name has another form.
int ComPortNumber(const QString& name);

// "COM" followed by the number.
QString ComPortName(int number);

// The device file a port name stands for, or an empty string when the name
// maps to none (wrong form, number outside the mapped ranges).
QString ComPortDevicePath(const QString& name);

// The port directory in force (OSTREVIK_PORT_DIR), or an empty string when
// the fixed device mapping applies.
QString ComPortDirectory();

// Clears list and fills it with the names of the ports present, sorted as
// text, case-insensitively (COM10 before COM2). An unreadable port directory
// leaves the list empty.
void EnumComPorts(QStringList& list);

// Where udev keeps a stable name, from the adapter's make and serial number,
// for each USB serial device.
inline constexpr const char* kSerialByIdDirectory = "/dev/serial/by-id";

// One line "COMn = <device node>" per port, links resolved, followed by the
// by-id name in brackets where byIdDirectory holds a link to that node.
QStringList ComPortDeviceLines(
    const QStringList& ports,
    const QString& byIdDirectory = QString::fromLatin1(kSerialByIdDirectory));

// The order EnumComPorts uses, for callers that merge names of their own.
void SortComPortNames(QStringList& names);

}  // namespace ostrevik
