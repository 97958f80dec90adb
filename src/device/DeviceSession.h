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

class LineClaim;

// A reason to keep the device paused, for the object's lifetime: either the
// device is paused for it, or (the pause could not be sent) the constructor
// throws and nothing is left behind. Released on every path.
class StreamHold {
public:
    StreamHold(LiveStreamDecoder& decoder, PauseReason reason);
    ~StreamHold();
    StreamHold(const StreamHold&) = delete;
    StreamHold& operator=(const StreamHold&) = delete;

private:
    LiveStreamDecoder& decoder_;
    PauseReason reason_;
};

// The one owner of the line to the QTX trainer: the serial port, the live
// stream decoder, the watch over the stream and the device's state. It
// installs the port's handlers once, never hands them to anyone, and is the
// only one to open, close or rename the port.
//
// Everything else reaches the line in one of two ways:
// - an exchange (Exchange): a command, a fixed wait, one read of a reply of
//   known length. The live stream is kept whole around it: bytes waiting
//   before the command go to the decoder; a device that may be streaming (it
//   has been told to measure, or a take-up is under way) is paused first and
//   what it still sends before it stops is taken in, so that a take-up that
//   begins meanwhile waits in the device and its answer is the last thing on
//   the line; the program's own output is never thrown away; an answer that
//   misses its wait is awaited (the device kept paused) and never read as
//   the stream's;
// - a claim (LineClaim) for a dialog that reads what the device says between
//   records for a while (the zero calibration's text), the device's stream
//   held paused meanwhile.
// Commands without a reply go out with Send. Whoever only wants to know that
// a take-up ended listens to RecordEnded.
//
// When the line is lost the cut take-up stays a record of its own, the user is
// told once (ConnectionLost), and the session looks for the device every
// 1.5 s on the same port (or wherever the same USB adapter returns) until it
// answers and stays; then it connects, resumes and asks for the next take-up
// by itself (ConnectionRestored).
//
// Everything runs on the user-interface thread; the fixed waits of the
// exchanges block it on purpose, so no received-bytes event interleaves.
class DeviceSession : public QObject, private StreamLink {
    Q_OBJECT
public:
    DeviceSession(SessionHost& host, QObject* parent = nullptr);
    ~DeviceSession() override;

    // Closes the line (resuming a device paused by us) while the host can
    // still be told; the destructor does it otherwise.
    void Shutdown();

    // The port component, for its name and state.
    const TCustomComPort& ComPort1() const { return port_; }
    bool Connected() const override { return port_.Connected(); }
    const LiveStreamDecoder& Decoder() const { return decoder_; }

    // --- the device operations of the program --------------------------
    // Whether a device answers on the port; a port that cannot be opened
    // adds why to `unopened`, when given.
    bool ProbePort(const QString& name, QList<PortDiagnosis>* unopened = nullptr);
    // True when a device was found and connected.
    bool SearchDevice();
    bool ConnectDevice();
    // "Connect ": closes the port and searches again.
    void Reconnect();
    // The port chosen in the settings: an open line is closed and opened
    // there (and the device told to measure), a closed one only takes the
    // name; the device is no longer looked for elsewhere. An error of the
    // opening reaches the caller.
    void ChangePort(const QString& name);
    // Closes the line, resuming a device paused by us, and stops looking for
    // a lost device.
    void Disconnect();
    int MemoryBank() const { return memoryBank_; }
    void SetMemoryBank(int n, bool send) override;
    void ReadOutBank();
    void ClearBankOnDevice();
    void SendMeasure() override;
    // True while a take-up is coming in (seen, or the rest of one whose
    // start was not seen); what waits on the line, or is on its way, is
    // looked at first.
    bool TakeUpInFlight();

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
    // A key typed into the trace, under the rules the dialogs follow: pause
    // and resume are known to the stream (a typed pause lasts until the
    // resume is typed or the window closes); a command with an argument waits
    // for it and both go out together; commands with an answer are exchanged
    // (their answer traced); the zero calibration waits for a take-up under
    // way to end and claims the line for its text.
    void SendKey(uint8_t key);
    // The debug window was closed: what was typed there ends (a pause, a
    // command still waiting for its argument).
    void KeysClosed();

signals:
    // A take-up has ended (also one cut by silence or by the line's loss).
    void RecordEnded();
    // Told after the handler that noticed it has returned, once per loss.
    void ConnectionLost(const QString& port);
    void ConnectionRestored(const QString& port);
    // The port opened (true) or is closing (false): "Hardware &QTX" with all
    // its items applies while it is open.
    void HardwareAvailable(bool available);
    // The device answered once: "Speicherbänke" and "Service" apply from now
    // on.
    void ServiceAvailable();
    // The pressure of each live sample (0 between records) and the device's
    // status (the battery's voltage), for the live bar and the status bar.
    void LiveValue(uint32_t value);
    void StatusText(const QString& text);

private:
    friend class LineClaim;
    // Tests reach the port's handlers to make it fail in ways a device
    // cannot.
    friend struct DeviceSessionTestAccess;
    class ExchangeScope;

    // StreamLink, for the decoder: the primitives with their debug echo.
    int InputCount() override { return port_.InputCount(); }
    int InputBufferSize() const override { return port_.InputBufferSize(); }
    bool ReadByte(uint8_t& b) override;
    void SendByte(uint8_t b) override;
    std::optional<Clock::time_point> ArrivalOfLastRead() const override;
    std::optional<Clock::time_point> LastArrival() const override;
    int ReadBytes(char* buffer, int n, bool traced);
    // Hands bytes to the debug window's trace while it records.
    void Trace(const char* bytes, int n);
    void Write(const QByteArray& bytes, bool traced);

    void RxChar(int count);
    void AfterOpen();
    void BeforeClose();
    bool ConnectQuietly(bool quiet);
    // The port has just been opened for good: the adapter's stable name, the
    // menus, the device told to measure. False when the line went meanwhile.
    bool FinishConnecting();
    QByteArray RunExchange(const ExchangeRequest& request);
    // An exchange whose missing answer is told to the user, unless the line
    // was lost (which has been told already).
    bool ExchangeOrTell(const ExchangeRequest& request);
    // Whether the stream is the session's own: not inside a probe, the
    // decoder's call or another exchange.
    bool StreamFree() const;
    // Hands the waiting stream bytes to the decoder; pauses a device that may
    // be streaming and takes in what is still on the line.
    void SettleStream(ExchangeScope& scope);
    // After a pause: hands what the device still sends to the decoder until
    // the line is quiet, within a time limit.
    void DrainAfterPause();
    // Hands waiting bytes to the decoder until the line has been quiet for a
    // while; true as soon as a take-up is under way (seen, or its rest).
    bool AwaitQuietLine(std::chrono::steady_clock::time_point deadline);
    void FeedWaiting();
    // Hands the decoder exactly the next `count` waiting bytes; what it has
    // not taken by the deadline is thrown away.
    void FeedExactly(int count, std::chrono::steady_clock::time_point deadline);
    // Takes up to `count` waiting bytes off the line; returns how many.
    int DropWaiting(int count);
    // The rest of an answer is still to come: awaited, never the stream's.
    void AwaitLateAnswer(int bytes, bool held);
    // The line was lost: close, keep the cut take-up, look for the device.
    void HandlePortLost();
    void LookForDevice();
    QStringList ReconnectCandidates() const;
    void Watch();
    void AskDecoderQuestions();
    void NoConnectionMessage();
    // The zero calibration typed into the trace: once no take-up is under
    // way, the line is claimed and its text traced up to its end byte.
    void TypedCalibration();
    void EndTypedCalibration();
    // Runs work that may find the port lost; other errors go on.
    template <typename Work>
    void Guard(Work&& work);

    SessionHost& host_;
    // An error nobody in particular asked for (a timer's work), shown as
    // the program's standard error message.
    void ShowError(const std::exception& error);
    TComPort port_;
    LiveStreamDecoder decoder_;
    QTimer watch_;
    QTimer quickWatch_;  // while an answer is awaited
    QTimer search_;
    int memoryBank_ = 1;
    int exchangeDepth_ = 0;
    bool probing_ = false;
    bool claimed_ = false;
    bool quiet_ = false;  // no messages while looking for the device by itself
    bool lost_ = false;
    bool shutDown_ = false;
    QString lostPort_;
    QString stableName_;                   // the adapter's name under /dev/serial/by-id
    std::optional<uint8_t> keyCommand_;    // a typed command waiting for its argument
    bool calibrationAfterTakeUp_ = false;  // a typed 0 waits for the take-up's end
    std::unique_ptr<LineClaim> typedClaim_;
    QTimer typedLimit_;
};

// A dialog's hold on what the device says between records, for the claim's
// lifetime: such bytes go to the receiver instead of being read as messages,
// and the device's record stream is paused (after what it sent before it
// stopped has been taken in), so that no take-up begins while the dialog
// reads. One claim at a time; released on every path.
class LineClaim {
public:
    LineClaim(DeviceSession& session, LiveStreamDecoder::IdleReceiver receiver);
    ~LineClaim();
    LineClaim(const LineClaim&) = delete;
    LineClaim& operator=(const LineClaim&) = delete;

    // False when the line could not be claimed (the port is closed or lost
    // meanwhile, another claim or an exchange has it): nothing was changed.
    bool Granted() const { return granted_; }

private:
    DeviceSession& session_;
    std::optional<StreamHold> hold_;
    bool granted_ = false;
};

// Blocks the calling thread without processing events: the device's reply is
// read only after the fixed time, and meanwhile no received-bytes event can
// reach a handler.
void WaitWithoutEvents(std::chrono::milliseconds wait);

}  // namespace ostrevik
