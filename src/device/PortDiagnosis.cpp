#include "device/PortDiagnosis.h"

#include "device/EnumComPorts.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <dirent.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace ostrevik {

namespace {

const QString kModemManager = QStringLiteral("ModemManager");

// The explanations are the program's own texts, translated under the context
// "PortDiagnosis".
struct Tr {
    Q_DECLARE_TR_FUNCTIONS(PortDiagnosis)
};

QByteArray readSmallFile(const QByteArray& path) {
    QFile file(QString::fromLocal8Bit(path));
    return file.open(QIODevice::ReadOnly) ? file.read(4096) : QByteArray();
}

QString processName(const QByteArray& procDir) {
    QString name = QString::fromLocal8Bit(readSmallFile(procDir + "/comm")).trimmed();
    if (name.isEmpty()) {
        const QByteArray cmdline = readSmallFile(procDir + "/cmdline");
        name = QFileInfo(QString::fromLocal8Bit(cmdline.left(cmdline.indexOf('\0')))).fileName();
    }
    return name;
}

// readlink, not stat: stat would reach the files behind the links, and a file
// on a hung network mount would hang the program with it.
bool holdsOpen(const QByteArray& procDir, const QByteArray& device) {
    const QByteArray fdDir = procDir + "/fd";
    DIR* dir = ::opendir(fdDir.constData());
    if (dir == nullptr) {
        return false;  // /proc keeps other users' open files private
    }
    bool found = false;
    char target[PATH_MAX];
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray link = fdDir + '/' + entry->d_name;
        const ssize_t n = ::readlink(link.constData(), target, sizeof target);
        if (n == device.size() &&
            std::memcmp(target, device.constData(), static_cast<size_t>(n)) == 0) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

// Calls visit(pid, "/proc/<pid>") for every process but this one until it
// returns true.
template <typename Visit>
void forEachOtherProcess(Visit visit) {
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) {
        return;
    }
    const pid_t self = ::getpid();
    while (const dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0' || pid == self) {
            continue;
        }
        if (visit(static_cast<pid_t>(pid), QByteArray("/proc/") + entry->d_name)) {
            break;
        }
    }
    ::closedir(proc);
}

void diagnoseBusy(PortDiagnosis& d) {
    const QByteArray device = QFile::encodeName(d.device);
    bool modemManagerRuns = false;
    forEachOtherProcess([&](pid_t pid, const QByteArray& procDir) {
        if (holdsOpen(procDir, device)) {
            d.holderPid = pid;
            d.holderName = processName(procDir);
            return true;
        }
        modemManagerRuns = modemManagerRuns || processName(procDir) == kModemManager;
        return false;
    });
    // ModemManager runs as root, so /proc does not show its files to the
    // user; while it runs, it is the likely holder of a freshly plugged USB
    // adapter.
    const bool usb = d.device.startsWith(QLatin1String("/dev/ttyUSB")) ||
                     d.device.startsWith(QLatin1String("/dev/ttyACM"));
    d.modemManager = d.holderPid != 0 ? d.holderName == kModemManager : modemManagerRuns && usb;
}

bool sessionHasGroup(gid_t gid) {
    if (::getegid() == gid) {
        return true;
    }
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(static_cast<size_t>(std::max(count, 0)));
    const int got = ::getgroups(count, groups.data());
    for (int i = 0; i < got; ++i) {
        if (groups[static_cast<size_t>(i)] == gid) {
            return true;
        }
    }
    return false;
}

// Membership as the group database has it now (what the next login gets).
bool userIsMember(gid_t gid) {
    const passwd* user = ::getpwuid(::geteuid());
    if (user == nullptr) {
        return false;
    }
    int count = 64;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    if (::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) < 0) {
        groups.resize(static_cast<size_t>(count));
        if (::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) < 0) {
            return false;
        }
    }
    groups.resize(static_cast<size_t>(count));
    return std::find(groups.begin(), groups.end(), gid) != groups.end();
}

void diagnoseDenied(PortDiagnosis& d) {
    struct stat info {};
    if (::stat(QFile::encodeName(d.device).constData(), &info) != 0) {
        d.fix = PortDiagnosis::Fix::CheckRights;
        return;
    }
    const group* owner = ::getgrgid(info.st_gid);
    // usermod takes a group's number where the database has no name for it.
    d.group =
        owner != nullptr ? QString::fromLocal8Bit(owner->gr_name) : QString::number(info.st_gid);
    const bool groupMayUse = (info.st_mode & S_IRGRP) != 0 && (info.st_mode & S_IWGRP) != 0;
    if (!groupMayUse || sessionHasGroup(info.st_gid)) {
        d.fix = PortDiagnosis::Fix::CheckRights;
    } else if (userIsMember(info.st_gid)) {
        d.fix = PortDiagnosis::Fix::LogInAgain;
    } else {
        d.fix = PortDiagnosis::Fix::JoinGroup;
    }
}

QString portAndDevice(const PortDiagnosis& d) {
    return d.device.isEmpty() ? d.port : QStringLiteral("%1 (%2)").arg(d.port, d.device);
}

// Short lines: a message box wraps long ones at its own width, mid-phrase.
QString explainBusy(const PortDiagnosis& d) {
    const QString text = Tr::tr("%1 ist belegt!\n").arg(portAndDevice(d));
    if (d.modemManager) {
        const QString who = d.holderPid != 0
                                ? Tr::tr("ModemManager (Prozess %1) prüft den Adapter als Modem.\n")
                                      .arg(d.holderPid)
                                : Tr::tr("Vermutlich prüft ModemManager den Adapter als Modem.\n");
        return text + who +
               Tr::tr(
                   "Abhilfe: udev-Regel, siehe README \"With a real QTX\",\n"
                   "danach den Adapter neu einstecken.");
    }
    const QString who = d.holderPid != 0
                            ? Tr::tr("Das Programm \"%1\" (Prozess %2) beenden,\n")
                                  .arg(d.holderName, QString::number(d.holderPid))
                            : Tr::tr("Das Programm beenden, das die Schnittstelle benutzt,\n");
    return text + who + Tr::tr("dann mit \"Connect \" (F5) neu verbinden.");
}

QString explainDenied(const QList<const PortDiagnosis*>& ports) {
    QStringList names;
    QStringList devices;
    for (const PortDiagnosis* d : ports) {
        names << portAndDevice(*d);
        devices << (d->device.isEmpty() ? d->port : d->device);
    }
    const PortDiagnosis& first = *ports.front();
    QString text = Tr::tr("Keine Berechtigung für %1!\n").arg(names.join(QStringLiteral(", ")));
    switch (first.fix) {
        case PortDiagnosis::Fix::JoinGroup:
            return text + Tr::tr(
                              "Der Benutzer muss Mitglied der Gruppe \"%1\" sein:\n"
                              "sudo usermod -aG %1 $USER (danach neu anmelden)")
                              .arg(first.group);
        case PortDiagnosis::Fix::LogInAgain:
            return text + Tr::tr(
                              "Der Benutzer ist schon Mitglied der Gruppe \"%1\":\n"
                              "abmelden und neu anmelden, damit es wirkt")
                              .arg(first.group);
        case PortDiagnosis::Fix::CheckRights:
            break;
    }
    return text + Tr::tr("Die Rechte der Gerätedatei prüfen:\nls -l %1")
                      .arg(devices.join(QLatin1Char(' ')));
}

}  // namespace

std::optional<PortDiagnosis> DiagnoseOpenFailure(const EComPort& error, const QString& port) {
    const int code = error.WinCode();
    if (error.Code() != ComError::OpenFailed ||
        (code != EBUSY && code != EACCES && code != EPERM)) {
        return std::nullopt;
    }
    PortDiagnosis d;
    d.port = port;
    d.device = ComPortDevicePath(port);
    // The name the kernel gives the node, as /proc shows open files.
    if (char* resolved = ::realpath(QFile::encodeName(d.device).constData(), nullptr)) {
        d.device = QFile::decodeName(resolved);
        std::free(resolved);
    }
    if (code == EBUSY) {
        d.reason = PortDiagnosis::Reason::Busy;
        diagnoseBusy(d);
    } else {
        d.reason = PortDiagnosis::Reason::Denied;
        diagnoseDenied(d);
    }
    return d;
}

QString ExplainUnopenedPorts(const QList<PortDiagnosis>& ports) {
    QStringList paragraphs;
    // Busy ports first, each with its holder; then the denied ports, those
    // that share their group and fix in one paragraph.
    QList<QList<const PortDiagnosis*>> deniedGroups;
    for (const PortDiagnosis& d : ports) {
        if (d.reason == PortDiagnosis::Reason::Busy) {
            paragraphs << explainBusy(d);
            continue;
        }
        auto same = std::find_if(deniedGroups.begin(), deniedGroups.end(), [&](const auto& g) {
            return g.front()->group == d.group && g.front()->fix == d.fix;
        });
        if (same == deniedGroups.end()) {
            deniedGroups.append({&d});
        } else {
            same->append(&d);
        }
    }
    for (const auto& g : deniedGroups) {
        paragraphs << explainDenied(g);
    }
    return paragraphs.join(QStringLiteral("\n\n"));
}

}  // namespace ostrevik
