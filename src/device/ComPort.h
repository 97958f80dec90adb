#pragma once

#include "device/ComPortError.h"

#include <QObject>
#include <QString>

#include <termios.h>

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>

namespace ostrevik {

class ComChannel;
class TComThread;
class TCustomComPort;

// Handlers are plain values: a caller reads the current one, replaces it (or
// clears it) and puts the saved one back later. A replacement takes effect
// for the next event delivered.
using RxCharHandler = std::function<void(TCustomComPort& sender, int count)>;
using PortHandler = std::function<void(TCustomComPort& sender)>;

enum class TStopBits { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum class TParityBits { prNone, prOdd, prEven, prMark, prSpace };

// The value that stands for "no limit" / "maximum" in the time-outs.
inline constexpr uint32_t kComTimeoutMax = 0xFFFFFFFFu;

// Read and write time-outs in milliseconds, with the meanings serial ports
// have long had on the desktop:
// - ReadInterval = max, ReadTotalMultiplier = 0, ReadTotalConstant = 0: a
//   read returns at once with whatever is waiting (possibly nothing).
// - ReadInterval = max, ReadTotalMultiplier = max, 0 < ReadTotalConstant <
//   max: a read returns at once with what is waiting; when nothing is, it
//   waits up to ReadTotalConstant for the first byte and returns it together
//   with any that came along.
// - Otherwise a read waits for all requested bytes, at most
//   ReadTotalMultiplier * count + ReadTotalConstant in all (both 0: no total
//   limit) and, once bytes flow, at most ReadInterval between two bytes (0:
//   no interval limit).
// A write waits until the driver has taken every byte, at most
// WriteTotalMultiplier * count + WriteTotalConstant (both 0: no limit).
struct TComTimeouts {
    uint32_t ReadInterval = kComTimeoutMax;
    uint32_t ReadTotalMultiplier = 0;
    uint32_t ReadTotalConstant = 0;
    uint32_t WriteTotalMultiplier = 100;
    uint32_t WriteTotalConstant = 1000;

    bool operator==(const TComTimeouts&) const = default;
};

// Shows an exception that escaped a handler run from the event hand-over (the
// hand-over loop itself goes on). The application installs its standard
// exception display here; without one the message goes to the Qt log.
using ComHandlerErrorDisplay = std::function<void(const std::exception& error)>;
void SetComHandlerErrorDisplay(ComHandlerErrorDisplay display);

// The serial port component: opens a port by name ("COM3", mapped to a
// device file by ComPortDevicePath) exclusively, with fixed line settings,
// reads and writes with time-outs, reports the bytes waiting, empties the
// queues, and runs an event thread that hands every received-bytes event to
// the thread the component lives on (the user-interface thread), where
// OnRxChar is called. All members are for that thread only.
//
// Destroying an open component closes it (OnBeforeClose and OnAfterClose
// run); an event pending at that moment is dropped. An owner whose handlers
// use its own members closes the port, or clears the handlers, in its own
// destructor before those members go.
//
// The component's own defaults are those of a general-purpose port (9600
// baud, DTR/RTS low, reads returning at once); SetupForQtx() gives the
// settings the QTX trainer needs.
class TCustomComPort : public QObject {
    Q_OBJECT

public:
    explicit TCustomComPort(QObject* parent = nullptr);
    ~TCustomComPort() override;

    const QString& Port() const { return port_; }
    // A different name (exact comparison) is stored; an open port is closed
    // and opened again under it, with all handlers.
    void SetPort(const QString& name);

    int BaudRate() const { return baudRate_; }
    void SetBaudRate(int rate);
    int DataBits() const { return dataBits_; }
    void SetDataBits(int bits);  // 5..8
    TStopBits StopBits() const { return stopBits_; }
    void SetStopBits(TStopBits bits);
    TParityBits Parity() const { return parity_; }
    void SetParity(TParityBits parity);
    // Whether DTR and RTS are raised while the port is open.
    bool DtrEnabled() const { return dtrEnabled_; }
    bool RtsEnabled() const { return rtsEnabled_; }
    void SetDtrRts(bool dtr, bool rts);

    const TComTimeouts& Timeouts() const { return timeouts_; }
    void SetTimeouts(const TComTimeouts& timeouts);

    // Queue sizes; an odd size is rounded down to even. The input size is
    // the reference for "the input queue is filling up" checks.
    int InputBufferSize() const { return inputSize_; }
    int OutputBufferSize() const { return outputSize_; }
    void SetBufferSizes(int input, int output);

    bool Connected() const { return connected_; }
    void SetConnected(bool connected);

    // Does nothing when open. Otherwise: OnBeforeOpen, open the device
    // (EComPort code 1 with errno when that fails), apply queue sizes, line
    // settings and time-outs (on failure the port is closed again and the
    // error passed on), start the event thread, OnAfterOpen.
    void Open();
    // Does nothing when closed. Otherwise: OnBeforeClose, stop the event
    // thread (an event it was handing over at that moment is still handled),
    // close the device, OnAfterClose.
    void Close();

    // Returns the number of bytes read (0..count) under the time-outs.
    // Raises code 3 when the system call fails, also when the device has
    // gone and nothing received is left.
    int Read(char* buffer, int count);
    // Returns the number of bytes the driver took; fewer than count only when
    // the write time-out ran out. Raises code 2 on failure.
    int Write(const char* buffer, int count);
    // Copies up to count waiting bytes without taking them (nothing is
    // waited for). Raises code 3 on failure.
    int Peek(char* buffer, int count);
    // Bytes waiting in the input queue. Raises code 10 on failure.
    int InputCount() const;
    // Discards waiting input and/or unsent output. Raises code 5 on failure.
    void ClearBuffer(bool input, bool output);
    // Waits until the driver has sent the output written so far, at most
    // limit; nothing is thrown away. False when output is still pending.
    // Raises code 2 on a closed port.
    bool WaitUntilSent(std::chrono::milliseconds limit);
    // The bytes waiting now are handed to OnRxChar by an event of their own,
    // although none arrived since (the handler had no use for them before).
    void RedeliverWaiting();

    // True once the event thread saw the device go away (hang-up, read
    // error). The port stays formally open until Close().
    bool PortLost() const;
    // How many times bytes have arrived since the port was opened, whoever
    // read them: tells a watcher whether the device is sending at all.
    uint64_t ArrivalCount() const;
    // When bytes last arrived (whoever read them), and when the byte read or
    // thrown away last had arrived; the epoch before any. Times of the
    // event thread, which notes every arrival at once, however busy this
    // thread is.
    using Clock = std::chrono::steady_clock;
    Clock::time_point LastArrival() const;
    Clock::time_point ArrivalOfLastTaken() const;
    // True while a received-bytes event waits to be handled on this thread.
    // Lets callers and tests see that a hand-over is under way.
    bool EventPending() const;

    const RxCharHandler& OnRxChar() const { return onRxChar_; }
    // A handler set while bytes are waiting is handed them by an event of its
    // own: they may have arrived while no handler was attached, and the
    // device may send nothing more until they are answered.
    void SetOnRxChar(RxCharHandler handler);
    const PortHandler& OnBeforeOpen() const { return onBeforeOpen_; }
    void SetOnBeforeOpen(PortHandler handler) { onBeforeOpen_ = std::move(handler); }
    const PortHandler& OnAfterOpen() const { return onAfterOpen_; }
    void SetOnAfterOpen(PortHandler handler) { onAfterOpen_ = std::move(handler); }
    const PortHandler& OnBeforeClose() const { return onBeforeClose_; }
    void SetOnBeforeClose(PortHandler handler) { onBeforeClose_ = std::move(handler); }
    const PortHandler& OnAfterClose() const { return onAfterClose_; }
    void SetOnAfterClose(PortHandler handler) { onAfterClose_ = std::move(handler); }
    // Called once on this thread when the device disappears while open.
    const PortHandler& OnPortLost() const { return onPortLost_; }
    void SetOnPortLost(PortHandler handler) { onPortLost_ = std::move(handler); }

protected:
    virtual void DoAfterClose();
    virtual void DoAfterOpen();
    virtual void DoBeforeClose();
    virtual void DoBeforeOpen();
    virtual void DoRxChar(int count);
    virtual void DoPortLost();
    virtual void ApplyDCB();
    virtual void ApplyTimeouts();
    virtual void ApplyBuffer();
    // Opens the device file exclusively (O_NOCTTY, advisory lock, TIOCEXCL)
    // and keeps its line settings for restoring at close.
    virtual void CreateHandle();
    virtual void DestroyHandle();
    // ApplyBuffer, ApplyDCB, ApplyTimeouts in this order.
    virtual void SetupComPort();

    int Handle() const { return fd_; }

private:
    void StartThread();
    void StopThread();
    void PostHandOver(const std::shared_ptr<ComChannel>& channel);
    void DeliverHandOver(const std::shared_ptr<ComChannel>& channel);
    void RequireOpen(int code) const;

    QString port_ = QStringLiteral("COM1");
    int baudRate_ = 9600;
    int dataBits_ = 8;
    TStopBits stopBits_ = TStopBits::sbOneStopBit;
    TParityBits parity_ = TParityBits::prNone;
    bool dtrEnabled_ = false;
    bool rtsEnabled_ = false;
    TComTimeouts timeouts_;
    int inputSize_ = 1024;
    int outputSize_ = 1024;
    bool connected_ = false;
    bool closing_ = false;
    bool destroying_ = false;

    int fd_ = -1;
    termios savedTermios_{};
    bool haveSavedTermios_ = false;
    std::shared_ptr<ComChannel> channel_;
    std::unique_ptr<TComThread> thread_;

    RxCharHandler onRxChar_;
    PortHandler onBeforeOpen_;
    PortHandler onAfterOpen_;
    PortHandler onBeforeClose_;
    PortHandler onAfterClose_;
    PortHandler onPortLost_;
};

// The instance class; all behaviour is in TCustomComPort.
class TComPort : public TCustomComPort {
    Q_OBJECT

public:
    using TCustomComPort::TCustomComPort;
};

// The settings the QTX trainer needs: 19200 baud, 8N1, DTR and RTS raised,
// no handshake; reads return what is waiting or wait up to 100 ms for the
// first byte; writes get 100 ms per byte plus 1 s.
void SetupForQtx(TCustomComPort& port);

inline constexpr TComTimeouts kQtxTimeouts{kComTimeoutMax, kComTimeoutMax, 100, 100, 1000};

}  // namespace ostrevik
