#pragma once

#include "device/ComPortError.h"

#include <QList>
#include <QString>

#include <sys/types.h>

#include <optional>

namespace ostrevik {

// Why a port could not be opened, as far as the system tells it, so that a
// message can name the fix instead of leaving the user with "not found".
struct PortDiagnosis {
    enum class Reason {
        Busy,    // another program holds the port (its lock or exclusive mode)
        Denied,  // the user may not open the device node
    };
    Reason reason = Reason::Busy;
    QString port;    // "COM33"
    QString device;  // the device node behind the name, links resolved

    // Busy: the process holding the node open, where /proc shows it (it
    // does not for processes of other users, ModemManager among them).
    pid_t holderPid = 0;
    QString holderName;
    // ModemManager holds the port, or (holder unknown, a USB port) runs.
    bool modemManager = false;

    // Denied: the group owning the node, and what the user can do about it.
    enum class Fix {
        JoinGroup,    // the group may use the node; the user is no member
        LogInAgain,   // a member already, but this session started before
        CheckRights,  // joining would not help (the group has no access)
    };
    QString group;
    Fix fix = Fix::JoinGroup;
};

// The diagnosis of an open of port that raised error, or nothing when the
// error is neither "busy" nor "not permitted". Reads the node and /proc at
// once, while the holder still holds the port.
std::optional<PortDiagnosis> DiagnoseOpenFailure(const EComPort& error, const QString& port);

// The German paragraphs explaining the ports, separated by blank lines: one
// per busy port, one per owning group for the denied ones.
QString ExplainUnopenedPorts(const QList<PortDiagnosis>& ports);

}  // namespace ostrevik
