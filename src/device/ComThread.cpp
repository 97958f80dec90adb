#include "device/ComThread.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace ostrevik {

namespace {

void signalEventFd(int fd) {
    const uint64_t one = 1;
    // A full counter still wakes the reader; nothing else can fail here.
    while (::write(fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void drainEventFd(int fd) {
    uint64_t value = 0;
    while (::read(fd, &value, sizeof value) < 0 && errno == EINTR) {
    }
}

// Errors that mean the device behind the file is gone (a USB adapter pulled
// out, the other end of a pseudo-terminal closed).
bool isHangUpError(int error) {
    return error == EIO || error == ENXIO || error == ENODEV;
}

}  // namespace

ComChannel::ComChannel(int fd) : portFd(fd) {
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0 || stopFd_ < 0) {
        const int error = errno;
        if (wakeFd_ >= 0) {
            ::close(wakeFd_);
        }
        if (stopFd_ >= 0) {
            ::close(stopFd_);
        }
        throw std::system_error(error, std::generic_category(), "eventfd");
    }
}

ComChannel::~ComChannel() {
    ::close(wakeFd_);
    ::close(stopFd_);
}

int ComChannel::FillLocked() {
    if (lost) {
        return 0;
    }
    char chunk[4096];
    while (queue.size() < kQueueLimit) {
        const size_t room = std::min(sizeof chunk, kQueueLimit - queue.size());
        const ssize_t n = ::read(portFd, chunk, room);
        if (n > 0) {
            queue.insert(queue.end(), chunk, chunk + n);
            lastArrival = Clock::now();
            arrivedAt.push_back(Arrival{static_cast<size_t>(n), lastArrival});
            ++arrivals;
            changed.notify_all();
            continue;
        }
        if (n == 0) {
            // A terminal in raw, non-blocking mode reads 0 only after a
            // hang-up; "no data" is EAGAIN.
            MarkLostLocked(EIO);
            return 0;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return 0;
        }
        if (isHangUpError(errno)) {
            MarkLostLocked(errno);
            return 0;
        }
        return errno;
    }
    return 0;
}

int ComChannel::TakeLocked(char* buffer, int count) {
    const int n = static_cast<int>(std::min<size_t>(static_cast<size_t>(count), queue.size()));
    const bool wasFull = queue.size() >= kQueueLimit;
    std::copy_n(queue.begin(), n, buffer);
    queue.erase(queue.begin(), queue.begin() + n);
    for (size_t left = static_cast<size_t>(n); left > 0 && !arrivedAt.empty();) {
        Arrival& run = arrivedAt.front();
        lastTaken = run.at;
        const size_t taken = std::min(left, run.count);
        run.count -= taken;
        left -= taken;
        if (run.count == 0) {
            arrivedAt.pop_front();
        }
    }
    if (wasFull && n > 0) {
        // The thread stopped reading from the driver while the queue was
        // full; let it resume.
        WakeThread();
    }
    return n;
}

void ComChannel::DiscardLocked() {
    if (!queue.empty()) {
        lastTaken = lastArrival;
    }
    queue.clear();
    arrivedAt.clear();
}

void ComChannel::MarkLostLocked(int error) {
    if (!lost) {
        lost = true;
        lostError = error;
    }
    changed.notify_all();
}

ComChannel::HandOver ComChannel::NextHandOverLocked() {
    if (handOverActive || stopping) {
        return HandOver::None;
    }
    if (!queue.empty() && (arrivals != arrivalsHandedOver || redeliver)) {
        arrivalsHandedOver = arrivals;
        redeliver = false;
        pending = HandOver::RxChar;
    } else if (lost && !lostHandedOver) {
        lostHandedOver = true;
        pending = HandOver::PortLost;
    } else {
        return HandOver::None;
    }
    handOverActive = true;
    return pending;
}

void ComChannel::WakeThread() {
    signalEventFd(wakeFd_);
}

void ComChannel::RequestStop() {
    signalEventFd(stopFd_);
}

TComThread::TComThread(std::shared_ptr<ComChannel> channel, std::function<void()> post)
    : channel_(std::move(channel)), post_(std::move(post)) {
    thread_ = std::thread([this] { Run(); });
}

TComThread::~TComThread() {
    Stop();
}

void TComThread::Stop() {
    if (!thread_.joinable()) {
        return;
    }
    {
        std::lock_guard lock(channel_->mutex);
        channel_->stopping = true;
        channel_->changed.notify_all();
    }
    channel_->RequestStop();
    thread_.join();
}

void TComThread::Run() {
    ComChannel& channel = *channel_;
    for (;;) {
        pollfd fds[3] = {
            {channel.stopFd(), POLLIN, 0},
            {channel.wakeFd(), POLLIN, 0},
            {channel.portFd, POLLIN, 0},
        };
        {
            std::lock_guard lock(channel.mutex);
            if (channel.lost) {
                // A hung-up file stays "ready" for ever; watching it further
                // would spin.
                fds[2].fd = -1;
            } else if (channel.queue.size() >= ComChannel::kQueueLimit) {
                // Hang-ups are still reported with no events asked for.
                fds[2].events = 0;
            }
        }
        const int ready = ::poll(fds, 3, -1);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            // poll() itself failing leaves nothing to wait with; report the
            // port as lost rather than spin.
            std::lock_guard lock(channel.mutex);
            channel.MarkLostLocked(errno);
        }
        if (fds[0].revents != 0) {
            return;
        }
        if (fds[1].revents != 0) {
            drainEventFd(channel.wakeFd());
        }
        ComChannel::HandOver next = ComChannel::HandOver::None;
        {
            std::lock_guard lock(channel.mutex);
            const short events = fds[2].revents;
            if (events != 0) {
                lastEvents_ = events;
            }
            if (events & POLLIN) {
                const int error = channel.FillLocked();
                if (error != 0) {
                    channel.MarkLostLocked(error);
                }
            }
            if (events & (POLLHUP | POLLERR | POLLNVAL)) {
                channel.FillLocked();
                channel.MarkLostLocked(EIO);
            }
            next = channel.NextHandOverLocked();
        }
        if (next != ComChannel::HandOver::None) {
            post_();
        }
    }
}

}  // namespace ostrevik
