#include "device/GuardedExchange.h"

#include "device/DeviceLink.h"
#include "device/LiveStreamDecoder.h"

#include <algorithm>
#include <thread>

namespace ostrevik {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// After StreamPause the device stops at once; what is still on the line has
// arrived when nothing came for longer than one sample period.
constexpr milliseconds kLineQuiet{30};
// A device that does not stop is not waited for longer than this.
constexpr milliseconds kDrainLimit{300};
// Enough rounds to take in a burst that arrives while the waiting bytes are
// being handed over; the device sends at most one record per Measure.
constexpr int kFeedRounds = 64;

}  // namespace

void WaitWithoutEvents(std::chrono::milliseconds wait) {
    std::this_thread::sleep_for(wait);
}

void WriteCommand(TCustomComPort& port, std::initializer_list<uint8_t> command) {
    QByteArray bytes;
    for (uint8_t b : command) {
        bytes.append(static_cast<char>(b));
    }
    port.Write(bytes.constData(), static_cast<int>(bytes.size()));
}

RxCharAside::RxCharAside(TCustomComPort& port, RxCharHandler replacement)
    : port_(port), saved_(port.OnRxChar()) {
    port_.SetOnRxChar(std::move(replacement));
}

RxCharAside::~RxCharAside() {
    port_.SetOnRxChar(saved_);
}

DecoderAside::DecoderAside(DeviceLink& link) : decoder_(link.Decoder()), aside_(link.Port()) {
    if (decoder_) {
        decoder_->SetAside(true);
    }
}

DecoderAside::~DecoderAside() {
    if (decoder_) {
        decoder_->SetAside(false);
    }
}

PortHandlersAside::PortHandlersAside(TCustomComPort& port)
    : port_(port),
      rxChar_(port.OnRxChar()),
      afterOpen_(port.OnAfterOpen()),
      beforeClose_(port.OnBeforeClose()) {
    port_.SetOnRxChar(nullptr);
    port_.SetOnAfterOpen(nullptr);
    port_.SetOnBeforeClose(nullptr);
}

PortHandlersAside::~PortHandlersAside() {
    port_.SetOnRxChar(rxChar_);
    port_.SetOnAfterOpen(afterOpen_);
    port_.SetOnBeforeClose(beforeClose_);
}

StreamHold::StreamHold(DeviceLink& link, bool withStream)
    : port_(link.Port()), decoder_(withStream ? link.Decoder() : nullptr) {
    // Inside the decoder's own call (a question it shows) the stream is in
    // its hands.
    if (decoder_ && (decoder_->Busy() || !port_.Connected())) {
        decoder_ = nullptr;
    }
    if (!decoder_) {
        return;
    }
    for (int round = 0; round < kFeedRounds; ++round) {
        if (decoder_->InsideRecord()) {
            HoldAndDrain();
            return;
        }
        const int waiting = port_.InputCount();
        if (waiting == 0) {
            return;
        }
        decoder_->ComPort1RxChar(waiting);
    }
}

StreamHold::~StreamHold() {
    if (!held_) {
        return;
    }
    try {
        decoder_->ReleaseStream();
    } catch (const EComPort&) {
        // The port failed; whoever uses it next hears of it.
    }
}

void StreamHold::HoldAndDrain() {
    decoder_->HoldStream();
    held_ = true;
    const Clock::time_point start = Clock::now();
    Clock::time_point lastBytes = start;
    for (;;) {
        const int waiting = port_.InputCount();
        const Clock::time_point now = Clock::now();
        if (waiting > 0) {
            decoder_->ComPort1RxChar(waiting);
            lastBytes = Clock::now();
            continue;
        }
        if (now - lastBytes >= kLineQuiet || now - start >= kDrainLimit) {
            return;
        }
        std::this_thread::sleep_for(milliseconds(2));
    }
}

GuardedExchange::GuardedExchange(DeviceLink& link, Echo echo, bool withStream)
    : link_(link), port_(link.Port()), echo_(echo), aside_(link.Port()), hold_(link, withStream) {
    if (port_.Connected()) {
        // Without a decoder nothing waiting is worth keeping.
        port_.ClearBuffer(!hold_.Decoder(), true);
    }
}

GuardedExchange::~GuardedExchange() {
    LiveStreamDecoder* decoder = hold_.Decoder();
    if (!decoder) {
        return;
    }
    try {
        if (hold_.Held() && port_.Connected()) {
            // The device was paused: nothing but its answer came, and what is
            // left of it is nobody's.
            DiscardAllWaiting();
        }
        // A byte taken as part of the reply may have been a record's start
        // or half of a two-byte message.
        decoder->InputDiscarded();
    } catch (const EComPort&) {
        // The port failed; whoever uses it next hears of it.
    }
}

void GuardedExchange::Write(std::initializer_list<uint8_t> command) {
    if (echo_ == Echo::Trace) {
        for (uint8_t b : command) {
            link_.SendByte(b);
        }
        return;
    }
    WriteCommand(port_, command);
}

QByteArray GuardedExchange::Run(std::initializer_list<uint8_t> command, int readLength,
                                std::chrono::milliseconds wait, int replyLength) {
    Write(command);
    WaitWithoutEvents(wait);
    QByteArray reply(std::max(readLength, 0), '\0');
    int got = 0;
    if (readLength > 0) {
        got = echo_ == Echo::Trace ? link_.ReadBytes(reply.data(), readLength)
                                   : port_.Read(reply.data(), readLength);
    }
    reply.truncate(got);
    if (replyLength > readLength && got == readLength) {
        DropWaiting(replyLength - readLength);
    }
    return reply;
}

void GuardedExchange::RunDiscardingAnswer(std::initializer_list<uint8_t> command,
                                          std::chrono::milliseconds wait) {
    Write(command);
    WaitWithoutEvents(wait);
    if (!hold_.Decoder() || hold_.Held()) {
        DiscardAllWaiting();
        return;
    }
    // Between records the device may have begun a record after its answer:
    // the answer is what came before the record's start.
    const int waiting = port_.InputCount();
    QByteArray bytes(waiting, '\0');
    bytes.truncate(port_.Peek(bytes.data(), waiting));
    const qsizetype start = bytes.indexOf(static_cast<char>(kRecordStart));
    DropWaiting(start < 0 ? static_cast<int>(bytes.size()) : static_cast<int>(start));
}

void GuardedExchange::DropWaiting(int count) {
    count = std::min(count, port_.InputCount());
    if (count > 0) {
        QByteArray rest(count, '\0');
        port_.Read(rest.data(), count);
    }
}

void GuardedExchange::DiscardAllWaiting() {
    port_.ClearBuffer(true, false);
}

}  // namespace ostrevik
