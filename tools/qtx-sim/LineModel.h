#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

namespace ostrevik::qtxsim {

// How bytes travel from the device to the program. A pseudo-terminal hands
// every byte over at once; a real line is slower and lumpier, and the
// program's exchanges have to cope with that. All off by default.
struct LineModel {
    // Bytes leave at 19200 baud, 8N1: ten bits, about 0.52 ms a byte.
    bool bytePacing = false;
    // A USB serial adapter's latency timer: bytes off the wire wait in the
    // adapter and reach the PC together latencyMs after the first of them
    // came in, or at once when burstBytes of them are gathered.
    // latencyMs 0: no adapter, bytes pass at once; burstBytes 0: no limit.
    int latencyMs = 0;
    int burstBytes = 0;
    // Stream bytes the device still sends after StreamPause (samples already
    // in its UART); 0: the pause takes effect at the next byte.
    int uartTail = 0;
    // Many adapters' latency timer does not start with the first byte but
    // ticks on its own every latencyMs: the bytes leave at the next tick
    // after they came in. Samples 20 ms apart then arrive 16 or 32 ms apart.
    bool freeRunningTimer = false;

    // A device behind a common USB serial adapter: 19200 baud, a 16 ms
    // latency timer, 62 bytes to a USB packet, two samples after a pause.
    static LineModel UsbAdapter();
    // The same adapter with a free-running latency timer.
    static LineModel UsbAdapterFreeRunning();
    bool Active() const { return bytePacing || latencyMs > 0 || uartTail > 0; }
    bool operator==(const LineModel&) const = default;
};

// Ten bits at 19200 baud.
inline constexpr std::chrono::nanoseconds kByteTime{10'000'000'000LL / 19200};

// One byte on its way to the program, with what the simulator has to know
// about it once it is out or lost.
struct LineByte {
    uint8_t value = 0;
    int recordId = -1;        // the record it belongs to, -1: none
    bool endsRecord = false;  // the record's last byte
    bool hangUp = false;      // the line goes dead once this byte is out
    bool unplug = false;      // the device is pulled out once this byte is out
};

// The way from the device's UART over the wire and through the adapter to
// the program's end. One queue for every byte, so nothing overtakes what
// was handed over before it. Times are given by the caller, which keeps
// the arithmetic exact when the simulator's thread wakes late.
class SerialLine {
public:
    using Clock = std::chrono::steady_clock;

    explicit SerialLine(const LineModel& model = {});

    // The device hands a byte to its UART at `at` (never before the one
    // handed before it).
    void Push(const LineByte& byte, Clock::time_point at);
    // When the UART is free for the next byte: a device that produces as
    // fast as the line takes the bytes hands the next one then.
    Clock::time_point FreeAt() const { return wireFree_; }
    // Moves the bytes that have reached the program's end by now to `into`,
    // in order.
    void TakeArrived(Clock::time_point now, std::deque<LineByte>& into);
    // When the next bytes reach the program's end; nullopt: the line is empty.
    std::optional<Clock::time_point> NextArrival() const;
    // The line is cut: returns the bytes that were on it.
    std::deque<LineByte> Clear();
    // The byte handed last and still on the line, or nullptr.
    LineByte* Last();
    // The last byte of that record still on the line, or nullptr.
    LineByte* LastOfRecord(int recordId);
    bool Empty() const { return bytes_.empty(); }
    size_t Size() const { return bytes_.size(); }

private:
    struct InFlight {
        LineByte byte;
        Clock::time_point atAdapter;  // its last bit is off the wire
    };
    // When the first bytes leave the adapter, and how many go together.
    std::optional<std::pair<Clock::time_point, size_t>> FrontBurst() const;

    LineModel model_;
    std::deque<InFlight> bytes_;
    Clock::time_point wireFree_{};
    Clock::time_point lastHanded_{};
};

// When each byte reaches the program's end, for bytes handed to the line at
// the given times (in order): the line model's timing worked out without
// waiting for it.
std::vector<SerialLine::Clock::time_point> ArrivalTimes(
    const LineModel& model,
    const std::vector<std::pair<uint8_t, SerialLine::Clock::time_point>>& handed);

}  // namespace ostrevik::qtxsim
