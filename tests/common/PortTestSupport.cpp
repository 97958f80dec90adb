#include "PortTestSupport.h"

#include "device/EnumComPorts.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>
#include <system_error>

namespace ostrevik::test {

ScopedPortDir::ScopedPortDir() {
    hadSaved_ = qEnvironmentVariableIsSet(kPortDirVariable);
    saved_ = qgetenv(kPortDirVariable);
    qputenv(kPortDirVariable, QFile::encodeName(dir_.path()));
}

ScopedPortDir::~ScopedPortDir() {
    if (hadSaved_) {
        qputenv(kPortDirVariable, saved_);
    } else {
        qunsetenv(kPortDirVariable);
    }
}

PtyPair::PtyPair(const QString& portDir, int number) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    char name[128] = {};
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name, sizeof name) != 0) {
        throw std::system_error(errno, std::generic_category(), "pseudo-terminal");
    }
    devicePath_ = name;
    const QString link = portDir + QStringLiteral("/COM") + QString::number(number);
    QFile::remove(link);
    if (!QFile::link(QString::fromStdString(devicePath_), link)) {
        throw std::runtime_error("cannot link " + link.toStdString());
    }
}

PtyPair::~PtyPair() {
    hangUp();
}

void PtyPair::write(const QByteArray& bytes) const {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(master_, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n > 0) {
            done += n;
        } else if (errno == EAGAIN) {
            pollfd fd{master_, POLLOUT, 0};
            ::poll(&fd, 1, 100);
        } else if (errno != EINTR) {
            throw std::system_error(errno, std::generic_category(), "write");
        }
    }
}

QByteArray PtyPair::read(int timeoutMs, int max) const {
    QByteArray result;
    QDeadlineTimer deadline(timeoutMs);
    while (result.size() < max) {
        pollfd fd{master_, POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(deadline.remainingTime())) <= 0) {
            break;
        }
        char chunk[4096];
        const ssize_t n =
            ::read(master_, chunk,
                   static_cast<size_t>(std::min<qsizetype>(sizeof chunk, max - result.size())));
        if (n <= 0) {
            break;
        }
        result.append(chunk, n);
    }
    return result;
}

void PtyPair::hangUp() {
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
}

std::unique_ptr<qtxsim::Simulator> startSimulator(const ScopedPortDir& portDir, int number,
                                                  qtxsim::SimulatorOptions options) {
    auto simulator = std::make_unique<qtxsim::Simulator>(std::move(options));
    simulator->CreatePty();
    simulator->LinkAs(portDir.stdPath(), number);
    simulator->Start();
    return simulator;
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

double millisecondsOf(const std::function<void()>& call) {
    QElapsedTimer timer;
    timer.start();
    call();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

QByteArray toQByteArray(const qtxsim::Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

qtxsim::Bytes toBytes(const QByteArray& bytes) {
    return qtxsim::Bytes(bytes.begin(), bytes.end());
}

QByteArray guardedExchange(TCustomComPort& port, const QByteArray& command, int replyLength,
                           int waitMs) {
    const RxCharHandler saved = port.OnRxChar();
    port.SetOnRxChar(nullptr);
    port.ClearBuffer(true, true);
    port.Write(command.constData(), static_cast<int>(command.size()));
    QThread::msleep(static_cast<unsigned long>(waitMs));
    QByteArray reply(replyLength, '\0');
    reply.resize(port.Read(reply.data(), replyLength));
    port.SetOnRxChar(saved);
    return reply;
}

}  // namespace ostrevik::test
