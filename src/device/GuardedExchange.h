#pragma once

#include "device/ComPort.h"

#include <QByteArray>

#include <chrono>
#include <cstdint>
#include <initializer_list>

namespace ostrevik {

class DeviceLink;
class LiveStreamDecoder;

inline constexpr std::chrono::milliseconds kReplyWait{100};

// Blocks the calling thread without processing events: the device's reply is
// read only after the fixed time, and meanwhile no received-bytes event can
// reach a handler.
void WaitWithoutEvents(std::chrono::milliseconds wait);

// Writes command bytes that expect no reply, with one write and without the
// debug echo. An error of the port is passed on.
void WriteCommand(TCustomComPort& port, std::initializer_list<uint8_t> command);

// Puts the port's received-bytes handler aside, replaced by another one (or
// by none), for the guard's lifetime, and back at its end on every path.
// Putting it back hands it the bytes that waited meanwhile.
class RxCharAside {
public:
    explicit RxCharAside(TCustomComPort& port, RxCharHandler replacement = nullptr);
    ~RxCharAside();
    RxCharAside(const RxCharAside&) = delete;
    RxCharAside& operator=(const RxCharAside&) = delete;

    // The handler in force before, which the guard puts back.
    const RxCharHandler& Saved() const { return saved_; }

private:
    TCustomComPort& port_;
    RxCharHandler saved_;
};

// The live decoder aside for a service dialog's lifetime: the port's
// received-bytes handler is none (or the dialog's own) and the decoder knows
// that it hears nothing meanwhile. The bytes that wait reach it afterwards.
class DecoderAside {
public:
    explicit DecoderAside(DeviceLink& link);
    ~DecoderAside();
    DecoderAside(const DecoderAside&) = delete;
    DecoderAside& operator=(const DecoderAside&) = delete;

    const RxCharHandler& Saved() const { return aside_.Saved(); }

private:
    LiveStreamDecoder* decoder_;
    RxCharAside aside_;
};

// The received-bytes, after-open and before-close handlers aside together, for
// work on a port that must not change the program's state (the port search).
class PortHandlersAside {
public:
    explicit PortHandlersAside(TCustomComPort& port);
    ~PortHandlersAside();
    PortHandlersAside(const PortHandlersAside&) = delete;
    PortHandlersAside& operator=(const PortHandlersAside&) = delete;

private:
    TCustomComPort& port_;
    RxCharHandler rxChar_;
    PortHandler afterOpen_;
    PortHandler beforeClose_;
};

// The live stream made still for a while, without losing a byte of it: the
// bytes waiting on the port go to the live decoder, and a record in flight is
// paused (StreamPause) and the bytes still on the line handed over as well.
// The pause is lifted when the hold ends. Does nothing without a decoder, on
// a closed port, or inside the decoder's own call.
class StreamHold {
public:
    explicit StreamHold(DeviceLink& link, bool withStream = true);
    ~StreamHold();
    StreamHold(const StreamHold&) = delete;
    StreamHold& operator=(const StreamHold&) = delete;

    // The decoder the stream was handed to, or none.
    LiveStreamDecoder* Decoder() const { return decoder_; }
    // Whether the device was paused.
    bool Held() const { return held_; }

private:
    void HoldAndDrain();

    TCustomComPort& port_;
    LiveStreamDecoder* decoder_ = nullptr;
    bool held_ = false;
};

// Whether the bytes of an exchange pass the debug trace (the main window's
// own commands) or not (the service dialogs write to the port directly).
enum class Echo { Trace, Silent };

// One command to the device with a reply that is judged by its length, the
// only way the program ever talks to the device outside the live stream. For
// its lifetime the port's received-bytes handler is aside, so the reply never
// reaches the live decoder.
//
// It knows the live stream, so that an exchange never eats a take-up:
// - bytes waiting before the command are stream bytes: the decoder gets them
//   instead of their being thrown away;
// - a record in flight is paused (StreamPause) and its bytes on the line are
//   handed to the decoder before the command goes out, and resumed when the
//   exchange is over, so the reply cannot mix with samples;
// - what follows the reply between records stays waiting for the handler that
//   is put back (a record may start right after the reply);
// - the decoder forgets a half-read message afterwards.
// Without a decoder (a port being probed) the queues are simply emptied
// before the command. The fixed wait and the single read stay as they are.
class GuardedExchange {
public:
    GuardedExchange(DeviceLink& link, Echo echo, bool withStream = true);
    ~GuardedExchange();
    GuardedExchange(const GuardedExchange&) = delete;
    GuardedExchange& operator=(const GuardedExchange&) = delete;

    // Writes the command, waits, and reads up to readLength bytes with one
    // read. The device's reply is replyLength bytes long (-1: readLength);
    // the part of it beyond readLength is taken off the line as well.
    QByteArray Run(std::initializer_list<uint8_t> command, int readLength,
                   std::chrono::milliseconds wait = kReplyWait, int replyLength = -1);
    // A command whose answer is not read and has no fixed length: after the
    // wait, the answer (everything up to a record start) is thrown away.
    void RunDiscardingAnswer(std::initializer_list<uint8_t> command,
                             std::chrono::milliseconds wait = kReplyWait);
    // Writes command bytes that get no reply.
    void Write(std::initializer_list<uint8_t> command);

private:
    void DropWaiting(int count);
    void DiscardAllWaiting();

    DeviceLink& link_;
    TCustomComPort& port_;
    Echo echo_;
    RxCharAside aside_;
    StreamHold hold_;
};

}  // namespace ostrevik
