#pragma once

#include "common/Messages.h"
#include "device/ComPort.h"
#include "device/DeviceProtocol.h"
#include "device/LiveStreamDecoder.h"
#include "device/PortDiagnosis.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>

namespace ostrevik {

// What the device session needs of the main window.
class DeviceHost {
public:
    virtual ~DeviceHost() = default;
    virtual MessageAnswer Message(const QString& text, const QString& caption,
                                  MessageButtons buttons) = 0;
    // "Hardware &QTX" with all its items.
    virtual void SetHardwareMenuEnabled(bool enabled) = 0;
    // "Speicherbänke" and "Service" (never disabled again).
    virtual void EnableServiceMenus() = 0;
    // An error of the port that nobody in particular asked for (a timer's
    // work): shown as the program's standard error message.
    virtual void ShowError(const std::exception& error) = 0;
};

class LineClaim;

// The one owner of the line to the QTX trainer: the serial port, the live
// stream decoder, the watch over the stream and the device's state. It installs
// the port's handlers once and never hands them to anyone.
//
// Everything else reaches the line in one of two ways:
// - an exchange (Exchange): a command, a fixed wait, one read of a reply of
//   known length. The live stream is kept whole around it: bytes waiting
//   before the command go to the decoder, a record in flight is paused and
//   the bytes still on the line are taken in first, the program's own output
//   is never thrown away, and what comes after the reply is the stream's;
// - a claim (LineClaim) for a dialog that reads what the device says between
//   records for a while (the zero calibration's text); record bytes still
//   reach the decoder.
// Commands without a reply go out with Send. Whoever only wants to know that
// a take-up ended listens to RecordEnded.
//
// When the line is lost the cut take-up stays a record of its own, the user is
// told (ConnectionLost), and the session looks for the device every 1.5 s on
// the same port (or wherever the same USB adapter returns) until it answers;
// then it connects, resumes and asks for the next take-up by itself
// (ConnectionRestored).
//
// Everything runs on the user-interface thread; the fixed waits of the
// exchanges block it on purpose, so no received-bytes event interleaves.
class DeviceSession : public QObject, private StreamLink {
    Q_OBJECT
public:
    DeviceSession(DeviceHost& host, StreamHost& stream, QObject* parent = nullptr);
    ~DeviceSession() override;

    // Closes the line (resuming a device paused by us) while the host can
    // still be told; the destructor does it otherwise.
    void Shutdown();

    // The port component, for its name and state and for the settings
    // dialog's port box. Its handlers are the session's.
    TCustomComPort& ComPort1() { return port_; }
    const TCustomComPort& ComPort1() const { return port_; }
    bool Connected() const override { return port_.Connected(); }
    const LiveStreamDecoder& Decoder() const { return decoder_; }
    // The decoder's own settings (whether to ask for a window).
    LiveStreamDecoder& Decoder() { return decoder_; }

    // --- the device operations of the program --------------------------
    // Whether a device answers on the port; a port that cannot be opened
    // adds why to `unopened`, when given.
    bool ProbePort(const QString& name, QList<PortDiagnosis>* unopened = nullptr);
    // True when a device was found and connected.
    bool SearchDevice();
    bool ConnectDevice();
    // "Connect ": closes the port and searches again.
    void Reconnect();
    int MemoryBank() const { return memoryBank_; }
    void SetMemoryBank(int n, bool send) override;
    void ReadOutBank();
    void ClearBankOnDevice();
    void SendMeasure() override;
    // True while a take-up is coming in; what waits on the line, or is on
    // its way, is looked at first.
    bool TakeUpInFlight();
    // Ports the last search could not open because they were busy or not
    // permitted, in the order probed.
    // True while the line is lost and the session looks for the device.

    // --- the ways to the line --------------------------------------------
    // The only write-wait-read path. A closed port, or one lost meanwhile,
    // gives an empty reply: a device that does not answer.
    QByteArray Exchange(const ExchangeRequest& request);
    // The same for the service windows: a port that fails in any way is a
    // device that does not answer, which they say in their own words.
    QByteArray TryExchange(const ExchangeRequest& request);
    // Command bytes that get no reply, in one write.
    void Send(std::initializer_list<uint8_t> bytes, Echo echo = Echo::Silent);

    // --- the debug window ---------------------------------------------------
    // While TraceOn, every byte sent and read by the program's own device
    // operations is passed to TraceByte.
    bool TraceOn = false;
    std::function<void(uint8_t)> TraceByte;
    // A key typed into the trace: pause, resume and measure are known to the
    // stream; commands with an answer are exchanged, their answer traced.
    void SendKey(uint8_t key);

signals:
    // A take-up has ended (also one cut by silence or by the line's loss).
    void RecordEnded();
    // Told after the handler that noticed it has returned.
    void ConnectionLost(const QString& port);
    void ConnectionRestored(const QString& port);

private:
    friend class LineClaim;
    class ExchangeScope;

    // StreamLink, for the decoder: the primitives with their debug echo.
    int InputCount() override { return port_.InputCount(); }
    int InputBufferSize() const override { return port_.InputBufferSize(); }
    bool ReadByte(uint8_t& b) override;
    void SendByte(uint8_t b) override;
    uint64_t ArrivalCount() const override { return port_.ArrivalCount(); }
    int ReadBytes(char* buffer, int n, bool traced);
    // Hands bytes to the debug window's trace while it records.
    void Trace(const char* bytes, int n);
    void Write(const QByteArray& bytes, bool traced);

    void RxChar(int count);
    void AfterOpen();
    void BeforeClose();
    bool ConnectQuietly(bool quiet);
    QByteArray RunExchange(const ExchangeRequest& request);
    // An exchange whose missing answer is told to the user, unless the line
    // was lost (which has been told already).
    bool ExchangeOrTell(const ExchangeRequest& request);
    // Whether the stream is the session's own: not inside a probe, the
    // decoder's call (a question it shows) or another exchange.
    bool StreamFree() const;
    // Hands the waiting stream bytes to the decoder; pauses a record in
    // flight and takes in what is still on the line. True when it paused.
    bool SettleStream(ExchangeScope& scope);
    // After a pause: hands what the device still sends to the decoder until
    // the line is quiet, within a time limit.
    void DrainAfterPause();
    // Hands waiting bytes to the decoder until the line has been quiet for a
    // while; true as soon as a record is under way (or its rest is skipped).
    bool AwaitQuietLine(std::chrono::steady_clock::time_point deadline);
    void FeedWaiting();
    // Hands the decoder exactly the next `count` waiting bytes.
    void FeedExactly(int count);
    void DropWaiting(int count);
    // How many of the first `limit` waiting bytes are reports and the start of
    // a record with the device's threshold (0: they are not).
    int RecordStartAhead(int limit);
    // The line was lost: close, keep the cut take-up, look for the device.
    void HandlePortLost();
    void LookForDevice();
    QStringList ReconnectCandidates() const;
    void Watch();
    void NoConnectionMessage();
    // Runs work that may find the port lost; other errors go on.
    template <typename Work>
    void Guard(Work&& work);

    DeviceHost& host_;
    TComPort port_;
    LiveStreamDecoder decoder_;
    QTimer watch_;
    QTimer search_;
    int memoryBank_ = 1;
    int exchangeDepth_ = 0;
    bool probing_ = false;
    bool quiet_ = false;  // no messages while looking for the device by itself
    bool lost_ = false;
    bool shutDown_ = false;
    QString lostPort_;
    QString stableName_;   // the adapter's name under /dev/serial/by-id
    int keyCommand_ = -1;  // a typed command waiting for its argument byte
    // A zero calibration typed into the trace: its text is traced.
    std::unique_ptr<LineClaim> typedClaim_;
};

// A dialog's hold on what the device says between records, for the claim's
// lifetime: such bytes go to the receiver instead of being read as messages,
// while record bytes still reach the decoder. With holdStream the device's
// record stream is paused for the claim's lifetime as well (after what it
// sent before it stopped has been taken in), so that no take-up begins while
// the dialog reads. Released on every path.
class LineClaim {
public:
    LineClaim(DeviceSession& session, LiveStreamDecoder::IdleReceiver receiver,
              bool holdStream = false);
    ~LineClaim();
    LineClaim(const LineClaim&) = delete;
    LineClaim& operator=(const LineClaim&) = delete;

private:
    DeviceSession& session_;
    LiveStreamDecoder::IdleReceiver previous_;
    bool held_ = false;
};

// Blocks the calling thread without processing events: the device's reply is
// read only after the fixed time, and meanwhile no received-bytes event can
// reach a handler.
void WaitWithoutEvents(std::chrono::milliseconds wait);

}  // namespace ostrevik
