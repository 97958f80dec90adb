#include "LineModel.h"

#include <algorithm>

namespace ostrevik::qtxsim {

LineModel LineModel::UsbAdapter() {
    LineModel model;
    model.bytePacing = true;
    model.latencyMs = 16;
    model.burstBytes = 62;
    model.uartTail = 2;
    return model;
}

LineModel LineModel::UsbAdapterFreeRunning() {
    LineModel model = UsbAdapter();
    model.freeRunningTimer = true;
    return model;
}

SerialLine::SerialLine(const LineModel& model) : model_(model) {}

void SerialLine::Push(const LineByte& byte, Clock::time_point at) {
    at = std::max(at, lastHanded_);
    lastHanded_ = at;
    if (model_.bytePacing) {
        // The UART sends one byte after the other; a byte handed while the
        // one before is still on the wire waits for it.
        wireFree_ = std::max(wireFree_, at) + kByteTime;
    } else {
        wireFree_ = at;
    }
    bytes_.push_back(InFlight{byte, wireFree_});
}

std::optional<std::pair<SerialLine::Clock::time_point, size_t>> SerialLine::FrontBurst() const {
    if (bytes_.empty()) {
        return std::nullopt;
    }
    const Clock::time_point first = bytes_.front().atAdapter;
    if (model_.latencyMs <= 0) {
        return std::pair{first, size_t{1}};
    }
    // The adapter's timer runs from the first byte of a burst, or ticks on
    // its own (from the clock's epoch, which keeps the phase reproducible);
    // a full packet goes at once.
    const std::chrono::milliseconds period(model_.latencyMs);
    Clock::time_point limit = first + period;
    if (model_.freeRunningTimer) {
        const auto sinceTick = first.time_since_epoch() % period;
        limit = sinceTick == Clock::duration::zero() ? first : first + (period - sinceTick);
    }
    const size_t most =
        model_.burstBytes > 0 ? static_cast<size_t>(model_.burstBytes) : bytes_.size();
    size_t count = 0;
    while (count < bytes_.size() && count < most && bytes_[count].atAdapter <= limit) {
        ++count;
    }
    if (model_.burstBytes > 0 && count == most) {
        return std::pair{bytes_[count - 1].atAdapter, count};
    }
    return std::pair{limit, count};
}

void SerialLine::TakeArrived(Clock::time_point now, std::deque<LineByte>& into) {
    for (auto burst = FrontBurst(); burst && burst->first <= now; burst = FrontBurst()) {
        for (size_t i = 0; i < burst->second; ++i) {
            into.push_back(bytes_.front().byte);
            bytes_.pop_front();
        }
    }
}

std::optional<SerialLine::Clock::time_point> SerialLine::NextArrival() const {
    const auto burst = FrontBurst();
    if (!burst) {
        return std::nullopt;
    }
    return burst->first;
}

std::deque<LineByte> SerialLine::Clear() {
    std::deque<LineByte> lost;
    for (const InFlight& b : bytes_) {
        lost.push_back(b.byte);
    }
    bytes_.clear();
    wireFree_ = lastHanded_;
    return lost;
}

LineByte* SerialLine::Last() {
    return bytes_.empty() ? nullptr : &bytes_.back().byte;
}

LineByte* SerialLine::LastOfRecord(int recordId) {
    for (auto it = bytes_.rbegin(); it != bytes_.rend(); ++it) {
        if (it->byte.recordId == recordId) {
            return &it->byte;
        }
    }
    return nullptr;
}

std::vector<SerialLine::Clock::time_point> ArrivalTimes(
    const LineModel& model,
    const std::vector<std::pair<uint8_t, SerialLine::Clock::time_point>>& handed) {
    SerialLine line(model);
    for (const auto& [value, at] : handed) {
        line.Push(LineByte{value}, at);
    }
    // Every burst leaves at its own time; taking them one time after the
    // other gives each byte the time of its burst.
    std::vector<SerialLine::Clock::time_point> arrivals;
    std::deque<LineByte> arrived;
    while (const auto next = line.NextArrival()) {
        line.TakeArrived(*next, arrived);
        arrivals.insert(arrivals.end(), arrived.size(), *next);
        arrived.clear();
    }
    return arrivals;
}

}  // namespace ostrevik::qtxsim
