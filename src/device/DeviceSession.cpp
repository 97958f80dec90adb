#include "device/DeviceSession.h"

#include "common/Texts.h"
#include "device/EnumComPorts.h"

#include <QDir>
#include <QFileInfo>
#include <QScopedValueRollback>

#include <algorithm>
#include <thread>

namespace ostrevik {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kWatchInterval{250};
// How often the session looks for a device whose line was lost.
constexpr milliseconds kSearchInterval{1500};
// A zero calibration started from the trace is given this long for its text.
constexpr milliseconds kTypedCalibrationLimit{10000};
constexpr milliseconds kPoll{2};

// Where udev keeps a stable name for each USB serial adapter; tests point it
// elsewhere.
QString stableNameDirectory() {
    const QString dir = qEnvironmentVariable("OSTREVIK_SERIAL_BY_ID");
    return dir.isEmpty() ? QString::fromLatin1(kSerialByIdDirectory) : dir;
}

QString deviceNode(const QString& portName) {
    return QFileInfo(ComPortDevicePath(portName)).canonicalFilePath();
}

}  // namespace

void WaitWithoutEvents(std::chrono::milliseconds wait) {
    std::this_thread::sleep_for(wait);
}

// One exchange under way: the decoder is not fed by received-bytes events
// meanwhile, and a pause of the device set for it is lifted on every path.
class DeviceSession::ExchangeScope {
public:
    explicit ExchangeScope(DeviceSession& session) : session_(session) {
        ++session_.exchangeDepth_;
    }
    ~ExchangeScope() {
        --session_.exchangeDepth_;
        try {
            if (held_) {
                session_.decoder_.Release(PauseReason::Exchange);
            }
            // What the exchange left waiting belongs to the stream.
            if (session_.exchangeDepth_ == 0 && session_.port_.Connected()) {
                session_.port_.RedeliverWaiting();
            }
        } catch (const EComPort&) {
            // The port failed; whoever uses it next hears of it.
        }
    }
    ExchangeScope(const ExchangeScope&) = delete;
    ExchangeScope& operator=(const ExchangeScope&) = delete;

    void Hold() {
        held_ = true;  // first: a pause that fails half-way is still lifted
        session_.decoder_.Pause(PauseReason::Exchange);
    }
    bool Held() const { return held_; }

private:
    DeviceSession& session_;
    bool held_ = false;
};

DeviceSession::DeviceSession(DeviceHost& host, StreamHost& stream, QObject* parent)
    : QObject(parent), host_(host), decoder_(*this, stream) {
    SetupForQtx(port_);
    port_.SetOnRxChar([this](TCustomComPort&, int count) { RxChar(count); });
    port_.SetOnAfterOpen([this](TCustomComPort&) { AfterOpen(); });
    port_.SetOnBeforeClose([this](TCustomComPort&) { BeforeClose(); });
    port_.SetOnPortLost([this](TCustomComPort&) { HandlePortLost(); });
    decoder_.OnRecordEnded = [this] { emit RecordEnded(); };

    // Capture never waits for a byte that will not come, nor the device for a
    // resume that was not sent.
    watch_.setInterval(kWatchInterval);
    connect(&watch_, &QTimer::timeout, this, [this] { Watch(); });
    watch_.start();
    search_.setInterval(kSearchInterval);
    connect(&search_, &QTimer::timeout, this, [this] { LookForDevice(); });
}

DeviceSession::~DeviceSession() {
    Shutdown();
}

void DeviceSession::Shutdown() {
    if (shutDown_) {
        return;
    }
    watch_.stop();
    search_.stop();
    try {
        port_.Close();
    } catch (const std::exception&) {
        // Closing goes on whatever the device does.
    }
    shutDown_ = true;
}

template <typename Work>
void DeviceSession::Guard(Work&& work) {
    try {
        work();
    } catch (const EComPort&) {
        if (!port_.PortLost()) {
            throw;
        }
        HandlePortLost();
    }
}

// --- primitives -------------------------------------------------------------

void DeviceSession::Trace(const char* bytes, int n) {
    if (TraceOn && TraceByte) {
        for (int i = 0; i < n; ++i) {
            TraceByte(static_cast<uint8_t>(bytes[i]));
        }
    }
}

bool DeviceSession::ReadByte(uint8_t& b) {
    char c = 0;
    if (ReadBytes(&c, 1, true) != 1) {
        return false;
    }
    b = static_cast<uint8_t>(c);
    return true;
}

void DeviceSession::SendByte(uint8_t b) {
    const char c = static_cast<char>(b);
    port_.Write(&c, 1);
    Trace(&c, 1);
}

int DeviceSession::ReadBytes(char* buffer, int n, bool traced) {
    const int got = port_.Read(buffer, n);
    if (traced) {
        Trace(buffer, got);
    }
    return got;
}

void DeviceSession::Write(const QByteArray& bytes, bool traced) {
    port_.Write(bytes.constData(), static_cast<int>(bytes.size()));
    if (traced) {
        Trace(bytes.constData(), static_cast<int>(bytes.size()));
    }
}

void DeviceSession::Send(std::initializer_list<uint8_t> bytes, Echo echo) {
    const QByteArray data(reinterpret_cast<const char*>(std::data(bytes)),
                          static_cast<qsizetype>(bytes.size()));
    Guard([&] { Write(data, echo == Echo::Trace); });
}

void DeviceSession::SendMeasure() {
    if (port_.Connected()) {
        SendByte(Command::Measure);
    }
}

// --- the port's handlers ----------------------------------------------------

void DeviceSession::RxChar(int count) {
    // An exchange takes what waits itself and hands the rest on afterwards;
    // a probe's bytes are nobody's.
    if (probing_ || exchangeDepth_ > 0) {
        return;
    }
    Guard([&] { decoder_.ComPort1RxChar(count); });
}

void DeviceSession::AfterOpen() {
    if (probing_) {
        return;
    }
    // The menu is the way to reconnect: it is enabled even when the bank
    // selection fails.
    struct EnableMenu {
        DeviceHost& host;
        ~EnableMenu() { host.SetHardwareMenuEnabled(true); }
    } enableMenu{host_};
    // A device left paused hears its resume before anything else.
    if (decoder_.ResumeOwed()) {
        SendByte(Command::StreamResume);
        decoder_.ResumeSent();
    }
    // The rest of a record the device went on with is waited for from now,
    // not from when the line went.
    if (decoder_.Skipping()) {
        decoder_.Resync();
    }
    SetMemoryBank(memoryBank_, true);
}

void DeviceSession::BeforeClose() {
    if (probing_) {
        return;
    }
    if (!shutDown_) {
        host_.SetHardwareMenuEnabled(false);
    }
    // A device paused by us is not left waiting for a resume that would
    // never come.
    if (decoder_.StreamPaused && !port_.PortLost()) {
        try {
            SendByte(Command::StreamResume);
            decoder_.StreamPaused = false;
        } catch (const EComPort&) {
            // The line is going anyway; the resume is owed to the next one.
        }
    }
    decoder_.PortClosed();
}

void DeviceSession::Watch() {
    if (probing_ || exchangeDepth_ > 0) {
        return;
    }
    try {
        Guard([&] { decoder_.Watch(Clock::now()); });
    } catch (const std::exception& e) {
        host_.ShowError(e);
    }
}

// --- the device operations ----------------------------------------------------

bool DeviceSession::ProbePort(const QString& name, QList<PortDiagnosis>* unopened) {
    // Neither the menus nor the decoder may notice a probe.
    const QScopedValueRollback<bool> probing(probing_, true);
    bool found = false;
    try {
        port_.SetPort(name);
        port_.Open();
        const bool resumeOwed = decoder_.ResumeOwed();
        if (resumeOwed) {
            // Paused before the line was lost: it may answer nothing else.
            SendByte(Command::StreamResume);
        }
        const ExchangeRequest probe = Exchanges::SelectBank(1);
        found = probe.Answered(RunExchange(probe));
        if (found && resumeOwed) {
            decoder_.ResumeSent();
        }
    } catch (const EComPort& e) {
        if (auto diagnosis = DiagnoseOpenFailure(e, name); diagnosis && unopened) {
            *unopened << *diagnosis;
        }
    } catch (const std::exception&) {
        // Any failure (the event thread not starting, memory) fails the probe.
    }
    try {
        port_.Close();
    } catch (const std::exception&) {
        // A port that fails while closing is closed all the same.
    }
    return found;
}

bool DeviceSession::SearchDevice() {
    QList<PortDiagnosis> unopened;
    QStringList ports;
    EnumComPorts(ports);
    for (const QString& name : ports) {
        if (ProbePort(name, &unopened)) {
            ConnectDevice();
            return true;
        }
    }
    QString text = Texts::DeviceNotFound();
    if (!unopened.isEmpty()) {
        text += QStringLiteral("\n\n") + ExplainUnopenedPorts(unopened);
    }
    host_.Message(text, Texts::kWarnung, MessageButtons::Ok);
    return false;
}

bool DeviceSession::ConnectDevice() {
    return ConnectQuietly(false);
}

bool DeviceSession::ConnectQuietly(bool quiet) {
    if (port_.Connected()) {
        return true;
    }
    const QScopedValueRollback<bool> scope(quiet_, quiet);
    try {
        port_.Open();
    } catch (const std::exception& e) {
        if (!port_.Connected()) {
            if (quiet) {
                return false;
            }
            QString text = Texts::NoConnectionOnOpen(port_.Port());
            if (const auto* portError = dynamic_cast<const EComPort*>(&e)) {
                if (auto diagnosis = DiagnoseOpenFailure(*portError, port_.Port())) {
                    text += QStringLiteral("\n\n") + ExplainUnopenedPorts({*diagnosis});
                }
            }
            host_.Message(text, Texts::kOstrevik, MessageButtons::Ok);
            return false;
        }
        // The port is open; what failed came after the opening (the bank
        // selection). The program is connected all the same, and says what
        // went wrong as it does for any other error.
        if (!quiet) {
            host_.ShowError(e);
        }
    }
    lost_ = false;
    search_.stop();
    // The adapter's stable name finds it again should it come back on
    // another node.
    stableName_.clear();
    const QString node = deviceNode(port_.Port());
    const QDir links(stableNameDirectory());
    for (const QFileInfo& link : links.entryInfoList(QDir::System | QDir::Files, QDir::Name)) {
        if (!node.isEmpty() && link.canonicalFilePath() == node) {
            stableName_ = link.filePath();
            break;
        }
    }
    host_.EnableServiceMenus();
    Guard([&] { SendMeasure(); });
    return port_.Connected();
}

void DeviceSession::Reconnect() {
    const bool wasLost = lost_;
    search_.stop();
    lost_ = false;
    port_.Close();
    if (!SearchDevice() && wasLost) {
        lost_ = true;
        search_.start();
    }
}

void DeviceSession::NoConnectionMessage() {
    if (quiet_) {
        return;
    }
    host_.Message(Texts::NoConnection(port_.Port()), Texts::kFehler, MessageButtons::Ok);
}

void DeviceSession::SetMemoryBank(int n, bool send) {
    memoryBank_ = n;
    if (!send || n < 1 || n > kBankCount || !port_.Connected()) {
        return;
    }
    ExchangeOrTell(Exchanges::SelectBank(n));
}

void DeviceSession::ReadOutBank() {
    if (!port_.Connected()) {
        return;
    }
    if (ExchangeOrTell(Exchanges::StatusRequest(Echo::Trace))) {
        Guard([&] { SendByte(Command::Playback); });
    }
}

void DeviceSession::ClearBankOnDevice() {
    if (!port_.Connected()) {
        return;
    }
    ExchangeOrTell(Exchanges::ClearBank());
}

bool DeviceSession::ExchangeOrTell(const ExchangeRequest& request) {
    if (request.Answered(Exchange(request))) {
        return true;
    }
    // A lost line has been told of already.
    if (port_.Connected()) {
        NoConnectionMessage();
    }
    return false;
}

// --- exchanges ----------------------------------------------------------------

QByteArray DeviceSession::Exchange(const ExchangeRequest& request) {
    if (!port_.Connected()) {
        return {};
    }
    QByteArray reply;
    Guard([&] { reply = RunExchange(request); });
    return reply;
}

QByteArray DeviceSession::TryExchange(const ExchangeRequest& request) {
    try {
        return Exchange(request);
    } catch (const EComPort&) {
        return {};
    }
}

void DeviceSession::FeedWaiting() {
    const int waiting = port_.InputCount();
    if (waiting > 0) {
        decoder_.ComPort1RxChar(waiting);
    }
}

bool DeviceSession::AwaitQuietLine(Clock::time_point deadline) {
    // Between records a record the device has just begun may still be on its
    // way (in a USB adapter's buffer): the line must be quiet first. Bytes
    // waiting are the stream's and go to the decoder.
    bool bytesCame = false;
    Clock::time_point quietSince = Clock::now();
    while (!decoder_.InsideRecord() && !(decoder_.Skipping() && bytesCame)) {
        const Clock::time_point now = Clock::now();
        if (now >= deadline) {
            return false;
        }
        if (port_.InputCount() > 0) {
            FeedWaiting();
            bytesCame = true;
            quietSince = Clock::now();
            continue;
        }
        if (now - quietSince >= Line::kQuiet) {
            return false;
        }
        std::this_thread::sleep_for(kPoll);
    }
    return true;
}

bool DeviceSession::SettleStream(ExchangeScope& scope) {
    if (!AwaitQuietLine(Clock::now() + Line::kDrainLimit)) {
        return false;
    }
    // A record is under way: the device is paused, and what it sent before
    // it stopped is taken in.
    scope.Hold();
    DrainAfterPause();
    return true;
}

void DeviceSession::DrainAfterPause() {
    // The time limit comes first, so that a line that keeps sending cannot
    // hold the window.
    const Clock::time_point drainDeadline = Clock::now() + Line::kDrainLimit;
    Clock::time_point lastByte = Clock::now();
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (now >= drainDeadline) {
            return;
        }
        if (port_.InputCount() > 0) {
            FeedWaiting();
            lastByte = Clock::now();
            continue;
        }
        if (now - lastByte >= Line::kQuiet) {
            return;
        }
        std::this_thread::sleep_for(kPoll);
    }
}

bool DeviceSession::StreamFree() const {
    return !probing_ && !decoder_.Busy() && exchangeDepth_ == 0;
}

bool DeviceSession::TakeUpInFlight() {
    if (port_.Connected() && StreamFree()) {
        try {
            // What waits on the line, or is still on its way, is looked at
            // first: a take-up may have begun a moment ago.
            AwaitQuietLine(Clock::now() + Line::kDrainLimit);
        } catch (const EComPort&) {
            // A port that fails says nothing about the take-up.
        }
    }
    return decoder_.InsideRecord();
}

void DeviceSession::FeedExactly(int count) {
    // One pass at a time: a pass that meets a report reads its second byte too.
    const int leave = port_.InputCount() - count;
    for (int waiting = port_.InputCount(); waiting > leave;) {
        decoder_.ComPort1RxChar(1);
        const int now = port_.InputCount();
        if (now >= waiting) {
            return;  // nothing was read after all
        }
        waiting = now;
    }
}

int DeviceSession::RecordStartAhead(int limit) {
    QByteArray head(limit, '\0');
    head.truncate(port_.Peek(head.data(), limit));
    const auto at = [&head](qsizetype i) { return static_cast<uint8_t>(head[i]); };
    std::optional<uint8_t> reported;
    qsizetype i = 0;
    for (; i + 1 < head.size(); i += 2) {
        const uint8_t b = at(i);
        if (b == Stream::RecordStart) {
            const uint8_t threshold = at(i + 1);
            const bool devices = decoder_.IsDeviceThreshold(threshold) || reported == threshold;
            return devices ? static_cast<int>(i + 2) : 0;
        }
        if (b == Stream::ThresholdReport) {
            reported = at(i + 1);
        } else if (b != Stream::BatteryReport && b != Stream::BankReport) {
            return 0;
        }
    }
    return 0;
}

void DeviceSession::DropWaiting(int count) {
    count = std::min(count, port_.InputCount());
    if (count > 0) {
        QByteArray rest(count, '\0');
        port_.Read(rest.data(), count);
    }
}

QByteArray DeviceSession::RunExchange(const ExchangeRequest& request) {
    const bool withStream = StreamFree();
    ExchangeScope scope(*this);
    if (withStream) {
        SettleStream(scope);
    } else if (probing_) {
        port_.ClearBuffer(true, false);  // on a port being probed nothing waiting is anyone's
    }
    // What the program wrote itself (a Measure, a resume) goes out before the
    // command; it is never thrown away.
    port_.WaitUntilSent(Line::kOutputLimit);

    Write(request.command, request.echo == Echo::Trace);
    WaitWithoutEvents(request.wait);
    if (withStream && request.replyLength > 0) {
        const int early = port_.InputCount() - request.replyLength;
        if (scope.Held() && early > 0) {
            // The paused device sent nothing but what was still in its UART
            // and then its answer: bytes before the answer are the record's.
            FeedExactly(early);
        } else if (!scope.Held() && early >= 2) {
            // A record the device began a moment before the command came
            // (still in the adapter while the line looked quiet): its start,
            // and the reports the device sends before one, are on the line
            // before the answer.
            if (const int start = RecordStartAhead(early); start > 0) {
                FeedExactly(start);
            }
        }
    }
    const int readLength = std::max(request.readLength, 0);
    QByteArray reply(readLength, '\0');
    const int got =
        readLength > 0 ? ReadBytes(reply.data(), readLength, request.echo != Echo::Silent) : 0;
    reply.truncate(got);
    if (got == readLength && request.replyLength > readLength) {
        DropWaiting(request.replyLength - readLength);
    }
    if (!withStream) {
        return reply;
    }
    decoder_.InputTaken();
    if (scope.Held()) {
        if (got < readLength) {
            // A late answer comes now or never; it must not land in the record.
            WaitWithoutEvents(Line::kQuiet);
        }
        // The device was paused: nothing but its answer came, and what is
        // left of it is nobody's.
        port_.ClearBuffer(true, false);
    } else if (request.answerUnread || got < readLength) {
        // The whole unread answer is the answer; a late one is skipped when
        // it comes. A record the device may have begun meanwhile is skipped
        // to its end, never read as messages.
        if (request.answerUnread) {
            port_.ClearBuffer(true, false);
        }
        decoder_.Resync();
    }
    return reply;
}

// --- the lost line ------------------------------------------------------------

void DeviceSession::HandlePortLost() {
    if (!port_.Connected()) {
        return;
    }
    const QString name = port_.Port();
    try {
        port_.Close();  // the cut take-up stays a record of its own
    } catch (const EComPort&) {
        // The device is gone; the port is closed all the same.
    }
    // "Connect " stays reachable.
    host_.SetHardwareMenuEnabled(true);
    lost_ = true;
    lostPort_ = name;
    search_.start();
    // Told from the event loop, never from inside a handler of the port: a
    // message still open must not hold the line when the device is back.
    QTimer::singleShot(0, this, [this, name] { emit ConnectionLost(name); });
}

QStringList DeviceSession::ReconnectCandidates() const {
    QStringList names;
    // A USB adapter may come back on another node; its stable name says which.
    const QString node =
        stableName_.isEmpty() ? QString() : QFileInfo(stableName_).canonicalFilePath();
    if (!node.isEmpty()) {
        QStringList ports;
        EnumComPorts(ports);
        for (const QString& port : ports) {
            if (deviceNode(port) == node) {
                names << port;
            }
        }
    }
    if (!names.contains(lostPort_)) {
        names << lostPort_;
    }
    return names;
}

void DeviceSession::LookForDevice() {
    if (!lost_ || port_.Connected()) {
        search_.stop();
        return;
    }
    if (!StreamFree()) {
        return;
    }
    for (const QString& name : ReconnectCandidates()) {
        if (!QFileInfo::exists(ComPortDevicePath(name)) || !ProbePort(name)) {
            continue;
        }
        if (ConnectQuietly(true)) {
            emit ConnectionRestored(name);
        }
        return;
    }
}

// --- keys typed into the trace ------------------------------------------------

void DeviceSession::SendKey(uint8_t key) {
    if (!port_.Connected()) {
        SendByte(key);  // raises the port's error, which the user is shown
        return;
    }
    if (keyCommand_ >= 0) {
        // The argument of a command typed before.
        const auto command = static_cast<uint8_t>(keyCommand_);
        keyCommand_ = -1;
        Guard([&] { SendByte(key); });
        if (command == Command::SetToneDirection) {
            decoder_.Resync();  // its answer is not read
        }
        return;
    }
    auto exchangeLater = [this](ExchangeRequest request) {
        request.echo = Echo::ReplyOnly;
        // After the key's handler, so that the answer reaches the trace.
        QTimer::singleShot(0, this, [this, request] {
            try {
                Exchange(request);
            } catch (const std::exception& e) {
                host_.ShowError(e);
            }
        });
    };
    switch (key) {
        case Command::StreamPause:
            Guard([&] { decoder_.Pause(PauseReason::Key); });
            return;
        case Command::StreamResume:
            Guard([&] {
                if (decoder_.StreamPaused) {
                    decoder_.ResumeNow();
                } else {
                    SendByte(key);
                }
            });
            return;
        case Command::StatusRequest:
            exchangeLater(Exchanges::StatusRequest(Echo::ReplyOnly));
            return;
        case Command::ClearBank:
            exchangeLater(Exchanges::ClearBank());
            return;
        case Command::ReadVariables:
            exchangeLater(Exchanges::ReadVariables(kVariablesReplyLength));
            return;
        case Command::ReadBankLevels:
            exchangeLater(Exchanges::ReadBankLevels());
            return;
        case Command::SetGain:
        case Command::SetToneDirection:
            keyCommand_ = key;
            Guard([&] { SendByte(key); });
            return;
        case Command::StartZeroCalibration:
            // The device's text, up to its end byte, goes to the trace and is
            // never read as messages.
            typedClaim_ = std::make_unique<LineClaim>(*this, [this](uint8_t b) {
                const char c = static_cast<char>(b);
                Trace(&c, 1);
                if (b == Stream::CalibrationEnd) {
                    typedClaim_.reset();
                }
            });
            QTimer::singleShot(kTypedCalibrationLimit, this, [this] { typedClaim_.reset(); });
            Guard([&] { SendByte(key); });
            return;
        default:
            if (key >= Command::SelectBank(1) && key <= Command::SelectBank(kBankCount)) {
                memoryBank_ = key;
                exchangeLater(Exchanges::SelectBank(key));
                return;
            }
            Guard([&] { SendByte(key); });
    }
}

// --- claims -------------------------------------------------------------------

LineClaim::LineClaim(DeviceSession& session, LiveStreamDecoder::IdleReceiver receiver,
                     bool holdStream)
    : session_(session), previous_(session.decoder_.GetIdleReceiver()) {
    if (holdStream && session_.port_.Connected() && !session_.decoder_.Busy() &&
        session_.exchangeDepth_ == 0) {
        held_ = true;  // first: a pause that fails half-way is still lifted
        try {
            // What the device sent before it stopped is the stream's, read
            // before the receiver takes over.
            session_.decoder_.Pause(PauseReason::Claim);
            session_.DrainAfterPause();
        } catch (const EComPort&) {
            // The line's loss is noticed by the session itself.
        }
    }
    session_.decoder_.SetIdleReceiver(std::move(receiver));
}

LineClaim::~LineClaim() {
    session_.decoder_.SetIdleReceiver(std::move(previous_));
    if (held_) {
        try {
            session_.decoder_.Release(PauseReason::Claim);
        } catch (const EComPort&) {
            // The port failed; whoever uses it next hears of it.
        }
    }
}

}  // namespace ostrevik
