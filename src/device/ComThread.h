#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace ostrevik {

// What an open port's user-interface side and its event thread share.
//
// The event thread moves every received byte from the driver into `queue`
// as soon as it arrives, so it always knows when new bytes came (a driver
// queue that nobody empties would otherwise report "readable" forever and the
// thread would spin). The user-interface side reads from the same queue, and
// takes what the driver holds as well, so nothing that has arrived is ever
// missed by a read.
//
// A received-bytes event is handed to the user-interface thread by a posted
// call; while one is posted or being handled (`handOverActive`) the thread
// posts no other, but it keeps collecting bytes, and when the handler has
// returned it hands over again if bytes arrived meanwhile. So handlers never
// overlap, a handler may run a nested event loop without being re-entered,
// and the thread never blocks on the user-interface thread: closing the port
// can always stop it.
class ComChannel {
public:
    enum class HandOver { None, RxChar, PortLost };

    // Takes the open port file (not owned) and creates the two wake-up
    // descriptors; throws std::system_error when they cannot be created.
    explicit ComChannel(int portFd);
    ~ComChannel();
    ComChannel(const ComChannel&) = delete;
    ComChannel& operator=(const ComChannel&) = delete;

    // Bytes kept beyond this are left in the driver's queue (and then to its
    // flow of back-pressure), so a stalled user interface cannot make the
    // program grow without end.
    static constexpr size_t kQueueLimit = 64 * 1024;

    using Clock = std::chrono::steady_clock;
    // When a run of bytes in `queue` arrived: the program tells the rest of a
    // take-up (which streams without a gap) from a new one (which begins after
    // a pause of the line) by these times, not by when it got round to
    // reading the bytes.
    struct Arrival {
        size_t count = 0;
        Clock::time_point at;
    };

    const int portFd;

    std::mutex mutex;
    std::condition_variable changed;  // bytes arrived, the port was lost
    std::deque<char> queue;
    std::deque<Arrival> arrivedAt;    // the runs of `queue`, oldest first
    Clock::time_point lastArrival{};  // the newest bytes came then
    Clock::time_point lastTaken{};    // the byte taken last had come then
    uint64_t arrivals = 0;            // reads that brought bytes
    uint64_t arrivalsHandedOver = 0;
    bool lost = false;
    int lostError = 0;  // errno that showed the loss (EIO for a hang-up)
    bool lostHandedOver = false;
    bool stopping = false;
    HandOver pending = HandOver::None;  // posted, not yet taken
    bool handOverActive = false;        // posted or being handled
    // Bytes left waiting are handed over once more although none arrived
    // since (a received-bytes handler was put back after an exchange).
    bool redeliver = false;

    // Moves what the driver holds into the queue (non-blocking). Marks the
    // port lost on end of file or a hang-up error. Returns 0, or the errno of
    // an unexpected failure. Call with `mutex` held.
    int FillLocked();
    // Takes up to count bytes from the queue. Call with `mutex` held.
    int TakeLocked(char* buffer, int count);
    // Throws away everything in the queue (it has been heard all the same).
    void DiscardLocked();
    // Marks the port as gone and wakes everyone waiting for bytes.
    void MarkLostLocked(int error);

    // Decides, with `mutex` held, whether an event is due for the
    // user-interface thread and marks it posted; the caller posts it after
    // releasing the lock.
    HandOver NextHandOverLocked();

    // Wakes the event thread so that it re-evaluates the hand-over state.
    void WakeThread();
    void RequestStop();

    int wakeFd() const { return wakeFd_; }
    int stopFd() const { return stopFd_; }

private:
    int wakeFd_ = -1;
    int stopFd_ = -1;
};

// The event thread of an open port. It waits with poll() on the port, a stop
// descriptor and a wake-up descriptor, without time limit; a port that hangs
// up is reported once and then no longer watched, so the thread idles until
// it is stopped.
class TComThread {
public:
    // post hands one event to the user-interface thread; it is called on the
    // event thread and must not block.
    TComThread(std::shared_ptr<ComChannel> channel, std::function<void()> post);
    ~TComThread();
    TComThread(const TComThread&) = delete;
    TComThread& operator=(const TComThread&) = delete;

    // Signals the thread to end and waits until it has. Does not depend on
    // the user-interface thread, so it cannot deadlock with a hand-over.
    void Stop();

    // The port's poll() result flags of the last wait (POLLIN, POLLHUP, ...).
    short LastEvents() const { return lastEvents_.load(); }

private:
    void Run();

    std::shared_ptr<ComChannel> channel_;
    std::function<void()> post_;
    std::atomic<short> lastEvents_{0};
    std::thread thread_;
};

}  // namespace ostrevik
