#include "device/ComPort.h"

#include "device/ComPortBaud.h"
#include "device/ComThread.h"
#include "device/EnumComPorts.h"

#include <QDebug>
#include <QFile>
#include <QMetaObject>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <system_error>

namespace ostrevik {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Takes what the driver holds into the queue (mutex held). Bytes the thread
// has not collected yet count as waiting; the thread is woken to hand them
// over as an event, too. A failure raises the given code.
void fillLocked(ComChannel& channel, int errorCode) {
    const uint64_t before = channel.arrivals;
    const int error = channel.FillLocked();
    if (channel.arrivals != before || channel.lost) {
        channel.WakeThread();
    }
    if (error != 0) {
        throw EComPort(errorCode, error);
    }
}

ComHandlerErrorDisplay& handlerErrorDisplay() {
    static ComHandlerErrorDisplay display;
    return display;
}

void showHandlerError(const std::exception& error) {
    if (handlerErrorDisplay()) {
        handlerErrorDisplay()(error);
    } else {
        qWarning("Serial port handler failed: %s", error.what());
    }
}

// Milliseconds for a time-out product, saturated so that "maximum" values
// cannot overflow.
milliseconds totalTimeout(uint32_t multiplier, uint32_t constant, int count) {
    const uint64_t total =
        static_cast<uint64_t>(multiplier) * static_cast<uint64_t>(count) + constant;
    constexpr uint64_t kLimit = 365ull * 24 * 3600 * 1000;  // a year is "for ever"
    return milliseconds(std::min(total, kLimit));
}

speed_t standardSpeed(int rate) {
    switch (rate) {
        case 50:
            return B50;
        case 75:
            return B75;
        case 110:
            return B110;
        case 134:
            return B134;
        case 150:
            return B150;
        case 200:
            return B200;
        case 300:
            return B300;
        case 600:
            return B600;
        case 1200:
            return B1200;
        case 1800:
            return B1800;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        case 460800:
            return B460800;
        case 500000:
            return B500000;
        case 576000:
            return B576000;
        case 921600:
            return B921600;
        case 1000000:
            return B1000000;
        default:
            return B0;
    }
}

// Modem-control requests on a line that has no modem lines (a
// pseudo-terminal) fail with these; the line works all the same.
bool noModemLines(int error) {
    return error == ENOTTY || error == EINVAL;
}

// Waits until the driver has sent what it holds, but never for long: a
// wedged adapter must not hang the program at close (TCSADRAIN could).
void drainOutput(int fd) {
    const auto deadline = Clock::now() + milliseconds(500);
    int pending = 0;
    while (::ioctl(fd, TIOCOUTQ, &pending) == 0 && pending > 0 && Clock::now() < deadline) {
        ::usleep(2000);
    }
    if (pending > 0) {
        ::tcflush(fd, TCOFLUSH);
    }
}

}  // namespace

void SetComHandlerErrorDisplay(ComHandlerErrorDisplay display) {
    handlerErrorDisplay() = std::move(display);
}

void SetupForQtx(TCustomComPort& port) {
    port.SetBaudRate(19200);
    port.SetDataBits(8);
    port.SetStopBits(TStopBits::sbOneStopBit);
    port.SetParity(TParityBits::prNone);
    port.SetDtrRts(true, true);
    port.SetTimeouts(kQtxTimeouts);
}

TCustomComPort::TCustomComPort(QObject* parent) : QObject(parent) {}

TCustomComPort::~TCustomComPort() {
    // Received bytes are no longer delivered to an owner that is going away;
    // the close handlers still run.
    destroying_ = true;
    try {
        Close();
    } catch (const std::exception& error) {
        showHandlerError(error);
    }
}

void TCustomComPort::SetPort(const QString& name) {
    if (name == port_) {
        return;
    }
    port_ = name;
    if (connected_) {
        Close();
        Open();
    }
}

void TCustomComPort::SetBaudRate(int rate) {
    if (rate == baudRate_) {
        return;
    }
    baudRate_ = rate;
    if (connected_) {
        ApplyDCB();
    }
}

void TCustomComPort::SetDataBits(int bits) {
    if (bits == dataBits_) {
        return;
    }
    dataBits_ = bits;
    if (connected_) {
        ApplyDCB();
    }
}

void TCustomComPort::SetStopBits(TStopBits bits) {
    if (bits == stopBits_) {
        return;
    }
    stopBits_ = bits;
    if (connected_) {
        ApplyDCB();
    }
}

void TCustomComPort::SetParity(TParityBits parity) {
    if (parity == parity_) {
        return;
    }
    parity_ = parity;
    if (connected_) {
        ApplyDCB();
    }
}

void TCustomComPort::SetDtrRts(bool dtr, bool rts) {
    if (dtr == dtrEnabled_ && rts == rtsEnabled_) {
        return;
    }
    dtrEnabled_ = dtr;
    rtsEnabled_ = rts;
    if (connected_) {
        ApplyDCB();
    }
}

void TCustomComPort::SetTimeouts(const TComTimeouts& timeouts) {
    timeouts_ = timeouts;
    if (connected_) {
        ApplyTimeouts();
    }
}

void TCustomComPort::SetBufferSizes(int input, int output) {
    inputSize_ = std::max(0, input) & ~1;
    outputSize_ = std::max(0, output) & ~1;
    if (connected_) {
        ApplyBuffer();
    }
}

void TCustomComPort::SetConnected(bool connected) {
    if (connected == connected_) {
        return;
    }
    if (connected) {
        Open();
    } else {
        Close();
    }
}

bool TCustomComPort::PortLost() const {
    if (!channel_) {
        return false;
    }
    std::lock_guard lock(channel_->mutex);
    return channel_->lost;
}

bool TCustomComPort::EventPending() const {
    if (!channel_) {
        return false;
    }
    std::lock_guard lock(channel_->mutex);
    return channel_->pending != ComChannel::HandOver::None;
}

void TCustomComPort::Open() {
    if (connected_) {
        return;
    }
    DoBeforeOpen();
    CreateHandle();
    connected_ = true;
    try {
        SetupComPort();
        // Bytes that reached the driver before this open belong to nobody.
        ::tcflush(fd_, TCIFLUSH);
        StartThread();
    } catch (...) {
        thread_.reset();
        channel_.reset();
        DestroyHandle();
        connected_ = false;
        throw;
    }
    DoAfterOpen();
}

void TCustomComPort::Close() {
    if (!connected_ || closing_) {
        return;
    }
    closing_ = true;
    struct ResetClosing {
        bool& flag;
        ~ResetClosing() { flag = false; }
    } resetClosing{closing_};

    DoBeforeClose();
    StopThread();
    DestroyHandle();
    channel_.reset();
    connected_ = false;
    DoAfterClose();
}

void TCustomComPort::StartThread() {
    try {
        channel_ = std::make_shared<ComChannel>(fd_);
    } catch (const std::system_error& error) {
        throw EComPort(ComError::OpenFailed, error.code().value());
    }
    std::weak_ptr<ComChannel> weak = channel_;
    thread_ = std::make_unique<TComThread>(channel_, [this, weak] {
        // Runs on the event thread; the component outlives the thread (Close
        // joins it), so posting to it is safe.
        QMetaObject::invokeMethod(
            this,
            [this, weak] {
                if (auto channel = weak.lock()) {
                    DeliverHandOver(channel);
                }
            },
            Qt::QueuedConnection);
    });
}

void TCustomComPort::StopThread() {
    if (!thread_) {
        return;
    }
    thread_->Stop();
    thread_.reset();
    // The thread may have handed an event over just before it stopped; it
    // is still handled, while the port is open.
    if (!destroying_) {
        DeliverHandOver(channel_);
    }
}

void TCustomComPort::DeliverHandOver(const std::shared_ptr<ComChannel>& channel) {
    ComChannel::HandOver kind = ComChannel::HandOver::None;
    {
        std::lock_guard lock(channel->mutex);
        kind = channel->pending;
        channel->pending = ComChannel::HandOver::None;
    }
    if (kind == ComChannel::HandOver::None) {
        return;
    }
    // Only once the handler has returned may the thread hand over the next
    // event. This object may be gone by then (a handler can destroy it), so
    // the guard holds on to the channel alone.
    struct Finish {
        std::shared_ptr<ComChannel> channel;
        ~Finish() {
            {
                std::lock_guard lock(channel->mutex);
                channel->handOverActive = false;
            }
            channel->WakeThread();
        }
    } finish{channel};

    if (channel != channel_) {
        return;  // from an earlier opening of the port
    }
    try {
        if (kind == ComChannel::HandOver::RxChar) {
            const int count = InputCount();
            if (count > 0) {
                DoRxChar(count);
            }
        } else {
            DoPortLost();
        }
    } catch (const std::exception& error) {
        showHandlerError(error);
    } catch (...) {
        showHandlerError(std::runtime_error("unknown exception"));
    }
}

void TCustomComPort::SetOnRxChar(RxCharHandler handler) {
    onRxChar_ = std::move(handler);
    if (onRxChar_) {
        RedeliverWaiting();
    }
}

void TCustomComPort::RedeliverWaiting() {
    if (!channel_) {
        return;
    }
    std::lock_guard lock(channel_->mutex);
    if (!channel_->queue.empty()) {
        channel_->redeliver = true;
        channel_->WakeThread();
    }
}

bool TCustomComPort::WaitUntilSent(milliseconds limit) {
    RequireOpen(ComError::WriteFailed);
    const auto deadline = Clock::now() + limit;
    for (;;) {
        int pending = 0;
        if (::ioctl(fd_, TIOCOUTQ, &pending) < 0 || pending <= 0) {
            return true;  // a line that cannot tell holds nothing we could wait for
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        ::usleep(1000);
    }
}

void TCustomComPort::RequireOpen(int code) const {
    if (!connected_ || fd_ < 0 || !channel_) {
        throw EComPort(code, EBADF);
    }
}

int TCustomComPort::Read(char* buffer, int count) {
    RequireOpen(ComError::ReadFailed);
    if (count <= 0) {
        return 0;
    }
    ComChannel& channel = *channel_;
    std::unique_lock lock(channel.mutex);

    auto fill = [&] { fillLocked(channel, ComError::ReadFailed); };
    auto finish = [&](int got) {
        if (got == 0 && channel.lost && channel.queue.empty()) {
            throw EComPort(ComError::ReadFailed, channel.lostError);
        }
        return got;
    };
    auto waitUntil = [&](Clock::time_point deadline) {
        channel.changed.wait_until(lock, deadline, [&] {
            return !channel.queue.empty() || channel.lost || channel.stopping;
        });
        fill();
    };

    const TComTimeouts t = timeouts_;
    fill();
    int got = channel.TakeLocked(buffer, count);

    const bool returnAtOnce =
        t.ReadInterval == kComTimeoutMax && t.ReadTotalMultiplier == 0 && t.ReadTotalConstant == 0;
    if (returnAtOnce) {
        return finish(got);
    }
    const bool firstByteOnly = t.ReadInterval == kComTimeoutMax &&
                               t.ReadTotalMultiplier == kComTimeoutMax && t.ReadTotalConstant > 0 &&
                               t.ReadTotalConstant < kComTimeoutMax;
    if (firstByteOnly) {
        if (got == 0) {
            waitUntil(Clock::now() + milliseconds(t.ReadTotalConstant));
            got = channel.TakeLocked(buffer, count);
        }
        return finish(got);
    }

    const bool hasTotal = t.ReadTotalMultiplier != 0 || t.ReadTotalConstant != 0;
    const bool hasInterval = t.ReadInterval != 0 && t.ReadInterval != kComTimeoutMax;
    const Clock::time_point start = Clock::now();
    const Clock::time_point totalDeadline =
        hasTotal ? start + totalTimeout(t.ReadTotalMultiplier, t.ReadTotalConstant, count)
                 : Clock::time_point::max();
    Clock::time_point lastByte = start;
    while (got < count) {
        if (channel.lost && channel.queue.empty()) {
            break;
        }
        Clock::time_point deadline = totalDeadline;
        if (hasInterval && got > 0) {
            deadline = std::min(deadline, lastByte + milliseconds(t.ReadInterval));
        }
        if (Clock::now() >= deadline) {
            break;
        }
        waitUntil(deadline);
        const int n = channel.TakeLocked(buffer + got, count - got);
        if (n > 0) {
            got += n;
            lastByte = Clock::now();
        }
    }
    return finish(got);
}

int TCustomComPort::Write(const char* buffer, int count) {
    RequireOpen(ComError::WriteFailed);
    if (count <= 0) {
        return 0;
    }
    const TComTimeouts t = timeouts_;
    const bool hasTotal = t.WriteTotalMultiplier != 0 || t.WriteTotalConstant != 0;
    const Clock::time_point deadline =
        hasTotal ? Clock::now() + totalTimeout(t.WriteTotalMultiplier, t.WriteTotalConstant, count)
                 : Clock::time_point::max();
    int written = 0;
    while (written < count) {
        const ssize_t n = ::write(fd_, buffer + written, static_cast<size_t>(count - written));
        if (n > 0) {
            written += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            throw EComPort(ComError::WriteFailed, errno);
        }
        // The driver's output queue is full: wait for room, within the
        // time-out.
        const auto now = Clock::now();
        if (now >= deadline) {
            break;
        }
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - now).count() + 1;
        pollfd fd{fd_, POLLOUT, 0};
        const int ready = ::poll(&fd, 1, static_cast<int>(std::min<int64_t>(left, 60'000)));
        if (ready < 0 && errno != EINTR) {
            throw EComPort(ComError::WriteFailed, errno);
        }
        if (ready > 0 && (fd.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            throw EComPort(ComError::WriteFailed, EIO);
        }
    }
    return written;
}

uint64_t TCustomComPort::ArrivalCount() const {
    if (!channel_) {
        return 0;
    }
    std::lock_guard lock(channel_->mutex);
    return channel_->arrivals;
}

TCustomComPort::Clock::time_point TCustomComPort::LastArrival() const {
    if (!channel_) {
        return {};
    }
    std::lock_guard lock(channel_->mutex);
    return channel_->lastArrival;
}

TCustomComPort::Clock::time_point TCustomComPort::ArrivalOfLastTaken() const {
    if (!channel_) {
        return {};
    }
    std::lock_guard lock(channel_->mutex);
    return channel_->lastTaken;
}

int TCustomComPort::Peek(char* buffer, int count) {
    RequireOpen(ComError::ReadFailed);
    ComChannel& channel = *channel_;
    std::lock_guard lock(channel.mutex);
    fillLocked(channel, ComError::ReadFailed);
    const int n = static_cast<int>(
        std::min<size_t>(static_cast<size_t>(std::max(count, 0)), channel.queue.size()));
    std::copy_n(channel.queue.begin(), n, buffer);
    return n;
}

int TCustomComPort::InputCount() const {
    RequireOpen(ComError::ClearComFailed);
    ComChannel& channel = *channel_;
    std::lock_guard lock(channel.mutex);
    fillLocked(channel, ComError::ClearComFailed);
    return static_cast<int>(channel.queue.size());
}

void TCustomComPort::ClearBuffer(bool input, bool output) {
    RequireOpen(ComError::PurgeFailed);
    ComChannel& channel = *channel_;
    std::lock_guard lock(channel.mutex);
    // A device that is gone has no driver queues left to empty.
    const bool driver = !channel.lost;
    if (input) {
        channel.DiscardLocked();
        if (driver && ::tcflush(fd_, TCIFLUSH) < 0) {
            throw EComPort(ComError::PurgeFailed, errno);
        }
        channel.WakeThread();
    }
    if (output && driver && ::tcflush(fd_, TCOFLUSH) < 0) {
        throw EComPort(ComError::PurgeFailed, errno);
    }
}

void TCustomComPort::DoAfterClose() {
    if (PortHandler handler = onAfterClose_) {
        handler(*this);
    }
}

void TCustomComPort::DoAfterOpen() {
    if (PortHandler handler = onAfterOpen_) {
        handler(*this);
    }
}

void TCustomComPort::DoBeforeClose() {
    if (PortHandler handler = onBeforeClose_) {
        handler(*this);
    }
}

void TCustomComPort::DoBeforeOpen() {
    if (PortHandler handler = onBeforeOpen_) {
        handler(*this);
    }
}

// Handlers are called through copies: a handler may replace itself (save,
// swap, restore) while it runs.
void TCustomComPort::DoRxChar(int count) {
    if (RxCharHandler handler = onRxChar_) {
        handler(*this, count);
    }
}

void TCustomComPort::DoPortLost() {
    if (PortHandler handler = onPortLost_) {
        handler(*this);
    }
}

void TCustomComPort::ApplyDCB() {
    termios settings{};
    if (::tcgetattr(fd_, &settings) < 0) {
        throw EComPort(ComError::SetStateFailed, errno);
    }
    ::cfmakeraw(&settings);
    settings.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | PARMRK | IGNPAR | ISTRIP);
    settings.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    settings.c_cflag |= CLOCAL | CREAD;
    switch (dataBits_) {
        case 5:
            settings.c_cflag |= CS5;
            break;
        case 6:
            settings.c_cflag |= CS6;
            break;
        case 7:
            settings.c_cflag |= CS7;
            break;
        case 8:
            settings.c_cflag |= CS8;
            break;
        default:
            throw EComPort(ComError::SetStateFailed, EINVAL);
    }
    switch (parity_) {
        case TParityBits::prNone:
            break;
        case TParityBits::prOdd:
            settings.c_cflag |= PARENB | PARODD;
            break;
        case TParityBits::prEven:
            settings.c_cflag |= PARENB;
            break;
        case TParityBits::prMark:
            settings.c_cflag |= PARENB | PARODD | CMSPAR;
            break;
        case TParityBits::prSpace:
            settings.c_cflag |= PARENB | CMSPAR;
            break;
    }
    // With five data bits a UART sends one and a half stop bits for CSTOPB.
    if (stopBits_ != TStopBits::sbOneStopBit) {
        settings.c_cflag |= CSTOPB;
    }
    // VMIN 1: with VMIN 0 a non-blocking read of an empty queue returns 0
    // instead of EAGAIN, and 0 must keep meaning "hung up".
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    if (baudRate_ <= 0) {
        throw EComPort(ComError::SetStateFailed, EINVAL);
    }
    const speed_t speed = standardSpeed(baudRate_);
    ::cfsetispeed(&settings, speed == B0 ? B38400 : speed);
    ::cfsetospeed(&settings, speed == B0 ? B38400 : speed);
    if (::tcsetattr(fd_, TCSANOW, &settings) < 0) {
        throw EComPort(ComError::SetStateFailed, errno);
    }
    if (speed == B0) {
        if (const int error = SetCustomBaudRate(fd_, baudRate_); error != 0) {
            throw EComPort(ComError::SetStateFailed, error);
        }
    }
    const int raise = (dtrEnabled_ ? TIOCM_DTR : 0) | (rtsEnabled_ ? TIOCM_RTS : 0);
    const int lower = (dtrEnabled_ ? 0 : TIOCM_DTR) | (rtsEnabled_ ? 0 : TIOCM_RTS);
    if (raise != 0 && ::ioctl(fd_, TIOCMBIS, &raise) < 0 && !noModemLines(errno)) {
        throw EComPort(ComError::SetStateFailed, errno);
    }
    if (lower != 0 && ::ioctl(fd_, TIOCMBIC, &lower) < 0 && !noModemLines(errno)) {
        throw EComPort(ComError::SetStateFailed, errno);
    }
}

// Time-outs are kept by Read and Write themselves; the driver reads and
// writes without blocking.
void TCustomComPort::ApplyTimeouts() {}

// The kernel sizes its queues itself; the sizes serve as the reference for
// fill-level checks.
void TCustomComPort::ApplyBuffer() {}

void TCustomComPort::CreateHandle() {
    const QString path = ComPortDevicePath(port_);
    if (path.isEmpty()) {
        throw EComPort(ComError::OpenFailed, ENOENT);
    }
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        throw EComPort(ComError::OpenFailed, errno);
    }
    auto fail = [fd](int error) {
        ::close(fd);
        throw EComPort(ComError::OpenFailed, error);
    };
    // The advisory lock keeps out other programs that honour it (and this
    // program's second copy) even where TIOCEXCL does not, e.g. for root.
    if (::flock(fd, LOCK_EX | LOCK_NB) < 0) {
        fail(errno == EWOULDBLOCK ? EBUSY : errno);
    }
    if (::ioctl(fd, TIOCEXCL) < 0) {
        fail(errno);  // ENOTTY: not a terminal, so no serial port
    }
    if (::tcgetattr(fd, &savedTermios_) < 0) {
        fail(errno);
    }
    haveSavedTermios_ = true;
    fd_ = fd;
}

void TCustomComPort::DestroyHandle() {
    if (fd_ < 0) {
        return;
    }
    bool lost = false;
    if (channel_) {
        std::lock_guard lock(channel_->mutex);
        lost = channel_->lost;
    }
    if (!lost) {
        // Let the last bytes (the last command) leave at the old settings,
        // then give the line back as it was found, no longer exclusive.
        drainOutput(fd_);
        if (haveSavedTermios_) {
            ::tcsetattr(fd_, TCSANOW, &savedTermios_);
        }
        ::ioctl(fd_, TIOCNXCL);
    }
    ::close(fd_);  // also releases the advisory lock
    fd_ = -1;
    haveSavedTermios_ = false;
}

void TCustomComPort::SetupComPort() {
    ApplyBuffer();
    ApplyDCB();
    ApplyTimeouts();
}

}  // namespace ostrevik
