#pragma once

#include "device/LiveStreamDecoder.h"

#include <cstdint>
#include <deque>
#include <optional>

namespace ostrevik::test {

// The receive side of a stream link as a plain byte queue: what the decoder
// reads comes from `queue`, and the fill query can be told that the driver
// holds more than the queue (`extraWaiting`). The sending side is left to
// the test or harness deriving from it.
struct QueuedStreamInput : StreamLink {
    std::deque<uint8_t> queue;
    // When the queued bytes arrived, one for each (or none: they count as
    // arriving when read).
    std::deque<Clock::time_point> arrived;
    std::optional<Clock::time_point> lastRead;
    int extraWaiting = 0;

    int InputCount() override { return static_cast<int>(queue.size()) + extraWaiting; }
    int InputBufferSize() const override { return 1024; }
    bool ReadByte(uint8_t& b) override {
        if (queue.empty()) {
            return false;
        }
        b = queue.front();
        queue.pop_front();
        lastRead.reset();
        if (!arrived.empty()) {
            lastRead = arrived.front();
            arrived.pop_front();
        }
        return true;
    }
    std::optional<Clock::time_point> ArrivalOfLastRead() const override { return lastRead; }
};

}  // namespace ostrevik::test
