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
// While an answer is awaited the device is paused: its end is noticed soon.
constexpr milliseconds kQuickWatchInterval{10};
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

StreamHold::StreamHold(LiveStreamDecoder& decoder, PauseReason reason)
    : decoder_(decoder), reason_(reason) {
    decoder_.Pause(reason_);
}

StreamHold::~StreamHold() {
    try {
        decoder_.Release(reason_);
    } catch (const EComPort&) {
        // The port failed; whoever uses it next hears of it, and the watch
        // sends the resume again.
    }
}

// One exchange under way: the decoder is not fed by received-bytes events
// meanwhile, and a pause of the device set for it is lifted on every path.
class DeviceSession::ExchangeScope {
public:
    explicit ExchangeScope(DeviceSession& session) : session_(session) {
        ++session_.exchangeDepth_;
    }
    ~ExchangeScope() {
        hold_.reset();
        --session_.exchangeDepth_;
        try {
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

    void Hold() { hold_.emplace(session_.decoder_, PauseReason::Exchange); }
    bool Held() const { return hold_.has_value(); }

private:
    DeviceSession& session_;
    std::optional<StreamHold> hold_;
};

DeviceSession::DeviceSession(SessionHost& host, QObject* parent)
    : QObject(parent), host_(host), decoder_(*this, host) {
    decoder_.LiveValueShown = [this](uint32_t value) { emit LiveValue(value); };
    decoder_.StatusShown = [this](const QString& text) { emit StatusText(text); };
    SetupForQtx(port_);
    port_.SetOnRxChar([this](TCustomComPort&, int count) { RxChar(count); });
    port_.SetOnAfterOpen([this](TCustomComPort&) { AfterOpen(); });
    port_.SetOnBeforeClose([this](TCustomComPort&) { BeforeClose(); });
    port_.SetOnPortLost([this](TCustomComPort&) { HandlePortLost(); });
    decoder_.OnRecordEnded = [this] { emit RecordEnded(); };
    // Questions are asked from the event loop, never from inside the
    // handling of received bytes.
    decoder_.OnQuestionDue = [this] {
        QTimer::singleShot(0, this, [this] { AskDecoderQuestions(); });
    };

    // Capture never waits for a byte that will not come, nor the device for a
    // resume that was not sent.
    watch_.setInterval(kWatchInterval);
    connect(&watch_, &QTimer::timeout, this, [this] { Watch(); });
    watch_.start();
    quickWatch_.setInterval(kQuickWatchInterval);
    connect(&quickWatch_, &QTimer::timeout, this, [this] { Watch(); });
    search_.setInterval(kSearchInterval);
    connect(&search_, &QTimer::timeout, this, [this] { LookForDevice(); });
    typedLimit_.setSingleShot(true);
    typedLimit_.setInterval(kTypedCalibrationLimit);
    connect(&typedLimit_, &QTimer::timeout, this, [this] { EndTypedCalibration(); });
    // A zero calibration typed during a take-up starts once it has ended.
    connect(this, &DeviceSession::RecordEnded, this, [this] {
        if (calibrationAfterTakeUp_) {
            QTimer::singleShot(0, this, [this] { TypedCalibration(); });
        }
    });
}

DeviceSession::~DeviceSession() {
    Shutdown();
}

void DeviceSession::Shutdown() {
    if (shutDown_) {
        return;
    }
    watch_.stop();
    quickWatch_.stop();
    search_.stop();
    typedLimit_.stop();
    typedClaim_.reset();
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

std::optional<Clock::time_point> DeviceSession::ArrivalOfLastRead() const {
    return port_.ArrivalOfLastTaken();
}

std::optional<Clock::time_point> DeviceSession::LastArrival() const {
    return port_.LastArrival();
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
        decoder_.NoteMeasure();
    }
}

// --- the port's handlers ----------------------------------------------------

void DeviceSession::RxChar(int count) {
    // An exchange takes what waits itself and hands the rest on afterwards;
    // a probe's bytes are nobody's.
    if (probing_ || exchangeDepth_ > 0 || decoder_.Busy()) {
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
        DeviceSession& session;
        ~EnableMenu() { emit session.HardwareAvailable(true); }
    } enableMenu{*this};
    // A device left paused hears its resume before anything else.
    if (decoder_.ResumeOwed()) {
        SendByte(Command::StreamResume);
        decoder_.ResumeSent();
    }
    // The trainer may be in the middle of a take-up (the program started, or
    // the line came back, while the shooter was at it): its rest is skipped.
    decoder_.SkipUnseenRest();
    SetMemoryBank(memoryBank_, true);
}

void DeviceSession::BeforeClose() {
    if (probing_) {
        return;
    }
    if (!shutDown_) {
        emit HardwareAvailable(false);
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
    if (!decoder_.AnswerOwed()) {
        quickWatch_.stop();
    }
    if (probing_ || exchangeDepth_ > 0) {
        return;
    }
    try {
        Guard([&] { decoder_.Watch(Clock::now()); });
    } catch (const std::exception& e) {
        ShowError(e);
    }
}

void DeviceSession::AskDecoderQuestions() {
    try {
        Guard([&] { decoder_.AskPendingQuestions(); });
        // What came while the user was asked is read now.
        if (port_.Connected()) {
            port_.RedeliverWaiting();
        }
    } catch (const std::exception& e) {
        ShowError(e);
    }
}

void DeviceSession::ShowError(const std::exception& error) {
    host_.Ask(QString::fromLocal8Bit(error.what()), Texts::kOstrevik, MessageButtons::Ok);
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
    host_.Ask(text, Texts::kWarnung, MessageButtons::Ok);
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
            host_.Ask(text, Texts::kOstrevik, MessageButtons::Ok);
            return false;
        }
        // The port is open; what failed came after the opening (the bank
        // selection). The program is connected all the same, and says what
        // went wrong as it does for any other error.
        if (!quiet) {
            ShowError(e);
        }
    }
    return FinishConnecting();
}

bool DeviceSession::FinishConnecting() {
    // The line may have gone again while it was being opened (a loose plug):
    // then the device is still being looked for.
    if (!port_.Connected()) {
        return false;
    }
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
    emit ServiceAvailable();
    Guard([&] { SendMeasure(); });
    if (!port_.Connected()) {
        return false;
    }
    lost_ = false;
    search_.stop();
    return true;
}

void DeviceSession::Reconnect() {
    const bool wasLost = lost_;
    search_.stop();
    lost_ = false;
    port_.Close();
    decoder_.ForgetDevice();
    if (!SearchDevice() && wasLost) {
        lost_ = true;
        search_.start();
    }
}

void DeviceSession::ChangePort(const QString& name) {
    if (name == port_.Port()) {
        return;
    }
    // The user's port replaces wherever the session looked for the device.
    search_.stop();
    lost_ = false;
    stableName_.clear();
    const bool wasOpen = port_.Connected();
    port_.Close();
    decoder_.ForgetDevice();
    port_.SetPort(name);
    if (!wasOpen) {
        return;
    }
    try {
        port_.Open();
    } catch (const std::exception&) {
        // Open, but the bank selection failed: told to measure all the same.
        if (port_.Connected()) {
            FinishConnecting();
        }
        throw;
    }
    FinishConnecting();
}

void DeviceSession::Disconnect() {
    search_.stop();
    lost_ = false;
    port_.Close();
}

void DeviceSession::NoConnectionMessage() {
    if (quiet_) {
        return;
    }
    host_.Ask(Texts::NoConnection(port_.Port()), Texts::kFehler, MessageButtons::Ok);
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
        Guard([&] {
            SendByte(Command::Playback);
            decoder_.NoteMeasure();  // the bank's records stream now
        });
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
    // A line that died during the wait, after part of the answer had come, is
    // a lost line (told once), not a device that does not answer.
    if (port_.Connected() && port_.PortLost()) {
        HandlePortLost();
    }
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
    // In portions, so that whoever feeds can keep to a time limit also when
    // taking the bytes in is slower than the line brings them.
    constexpr int kPortion = 32;
    const int waiting = port_.InputCount();
    if (waiting > 0) {
        decoder_.ComPort1RxChar(std::min(waiting, kPortion));
    }
}

bool DeviceSession::AwaitQuietLine(Clock::time_point deadline) {
    // Between records a take-up the device has just begun may still be on
    // its way (in a USB adapter's buffer): the line must be quiet first.
    // Bytes waiting are the stream's and go to the decoder.
    bool bytesCame = false;
    const Clock::time_point start = Clock::now();
    for (;;) {
        if (decoder_.InsideRecord() || (decoder_.Skipping() && bytesCame)) {
            return true;
        }
        // The time limit comes first, so that a line that keeps sending
        // cannot hold the window, however slowly the bytes are taken in.
        const Clock::time_point now = Clock::now();
        if (now >= deadline) {
            return false;
        }
        if (port_.InputCount() > 0) {
            FeedWaiting();
            bytesCame = true;
            continue;
        }
        if (now - std::max(start, port_.LastArrival()) >= Line::kQuiet) {
            if (!decoder_.StreamPaused) {
                decoder_.LineQuiet();
            }
            return false;
        }
        std::this_thread::sleep_for(kPoll);
    }
}

void DeviceSession::SettleStream(ExchangeScope& scope) {
    // A device told to measure may begin a take-up at any moment: paused
    // first, a take-up that begins meanwhile waits in the device, and its
    // answer is the last thing on the line. Where the line has just been
    // opened, the device is listened to first: the rest of a take-up under
    // way streams at once, a quiet line says that none is (and a take-up
    // that begins later is not taken for one).
    if (decoder_.Skipping() || (!decoder_.InsideRecord() && !decoder_.DeviceMayStream())) {
        FeedWaiting();
        const bool streaming = AwaitQuietLine(Clock::now() + Line::kDrainLimit);
        if (!streaming && !decoder_.InsideRecord() && !decoder_.DeviceMayStream()) {
            return;
        }
    }
    scope.Hold();
    DrainAfterPause();
}

void DeviceSession::DrainAfterPause() {
    const Clock::time_point pausedAt = Clock::now();
    const Clock::time_point deadline = pausedAt + Line::kDrainLimit;
    for (;;) {
        // The time limit comes first, so that a line that keeps sending
        // cannot hold the window, however slowly the bytes are taken in.
        const Clock::time_point now = Clock::now();
        if (now >= deadline) {
            return;
        }
        if (port_.InputCount() > 0) {
            FeedWaiting();
            continue;
        }
        if (now - std::max(pausedAt, port_.LastArrival()) >= Line::kQuiet) {
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
    return decoder_.TakeUpUnderWay();
}

void DeviceSession::FeedExactly(int count, Clock::time_point deadline) {
    // One byte per pass: the decoder reads a report's value as a byte of its
    // own, so no pass reaches beyond the bytes given.
    const int leave = port_.InputCount() - count;
    for (int waiting = port_.InputCount(); waiting > leave;) {
        if (Clock::now() >= deadline) {
            // A device that kept sending although paused, faster than the
            // bytes are taken in: the window does not wait for them.
            DropWaiting(waiting - leave);
            return;
        }
        decoder_.ComPort1RxChar(1);
        const int now = port_.InputCount();
        if (now >= waiting) {
            return;  // nothing was read after all
        }
        waiting = now;
    }
}

int DeviceSession::DropWaiting(int count) {
    count = std::min(count, port_.InputCount());
    if (count <= 0) {
        return 0;
    }
    QByteArray rest(count, '\0');
    return port_.Read(rest.data(), count);
}

void DeviceSession::AwaitLateAnswer(int bytes, bool held) {
    decoder_.OweAnswer(bytes, Clock::now() + Line::kLateAnswerLimit, held);
    quickWatch_.start();
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
    if (scope.Held() && !request.answerUnread) {
        // The paused device sent nothing after its answer: bytes before it
        // are what was still in its UART, the record's.
        const int early = port_.InputCount() - request.replyLength;
        if (early > 0) {
            FeedExactly(early, Clock::now() + Line::kDrainLimit);
        }
    }
    const int readLength = std::max(request.readLength, 0);
    QByteArray reply(readLength, '\0');
    const int got =
        readLength > 0 ? ReadBytes(reply.data(), readLength, request.echo != Echo::Silent) : 0;
    reply.truncate(got);
    int missing = readLength - got;
    if (missing == 0 && request.replyLength > readLength) {
        const int rest = request.replyLength - readLength;
        missing = rest - DropWaiting(rest);
    }
    if (!withStream) {
        return reply;
    }
    if (request.answerUnread) {
        // Everything that came is the answer (a device that may stream is
        // paused); one still arriving at the end of the wait is awaited.
        port_.ClearBuffer(true, false);
        decoder_.InputTaken(port_.ArrivalOfLastTaken());
        if (Clock::now() - port_.LastArrival() < Line::kQuiet) {
            AwaitLateAnswer(0, scope.Held());
        }
        return reply;
    }
    decoder_.InputTaken(port_.ArrivalOfLastTaken());
    if (missing > 0) {
        AwaitLateAnswer(missing, scope.Held());
    }
    return reply;
}

// --- the lost line ------------------------------------------------------------

void DeviceSession::HandlePortLost() {
    if (!port_.Connected()) {
        return;
    }
    const QString name = port_.Port();
    // Told once per loss: a line that goes again while it is being found is
    // still the same loss.
    const bool tell = !lost_;
    try {
        port_.Close();  // the cut take-up stays a record of its own
    } catch (const EComPort&) {
        // The device is gone; the port is closed all the same.
    }
    // "Connect " stays reachable.
    emit HardwareAvailable(true);
    lost_ = true;
    if (tell) {
        lostPort_ = name;
    }
    search_.start();
    if (tell) {
        // Told from the event loop, never from inside a handler of the port: a
        // message still open must not hold the line when the device is back.
        QTimer::singleShot(0, this, [this, name] { emit ConnectionLost(name); });
    }
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
        keyCommand_.reset();
        SendByte(key);  // raises the port's error, which the user is shown
        return;
    }
    auto exchangeLater = [this](ExchangeRequest request) {
        request.echo = Echo::ReplyOnly;
        // After the key's handler, so that the answer reaches the trace.
        QTimer::singleShot(0, this, [this, request] {
            try {
                Exchange(request);
            } catch (const std::exception& e) {
                ShowError(e);
            }
        });
    };
    if (keyCommand_) {
        // The argument of a command typed before: both go out together, so
        // that nothing the program sends meanwhile becomes the argument.
        const uint8_t command = *keyCommand_;
        keyCommand_.reset();
        if (command == Command::SetToneDirection) {
            ExchangeRequest request = Exchanges::SetToneDirection(true);
            request.command =
                QByteArray(1, static_cast<char>(command)) + QByteArray(1, static_cast<char>(key));
            exchangeLater(request);
        } else {
            Send({command, key});
        }
        return;
    }
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
        case Command::Measure:
            Guard([&] { SendMeasure(); });
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
            keyCommand_ = key;  // sent with its argument
            return;
        case Command::StartZeroCalibration:
            TypedCalibration();
            return;
        case Command::Playback:
            Guard([&] {
                SendByte(key);
                decoder_.NoteMeasure();
            });
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

void DeviceSession::KeysClosed() {
    keyCommand_.reset();
    Guard([&] { decoder_.Release(PauseReason::Key); });
}

void DeviceSession::TypedCalibration() {
    calibrationAfterTakeUp_ = false;
    if (!port_.Connected()) {
        return;
    }
    if (typedClaim_) {
        // Typed again while its text is read: the same claim goes on.
        Send({Command::StartZeroCalibration});
        typedLimit_.start();
        return;
    }
    // The device cannot find its zero point while the trigger is pressed,
    // and its text must not land in a record: a take-up under way is
    // waited for.
    if (TakeUpInFlight()) {
        calibrationAfterTakeUp_ = true;
        return;
    }
    // The device's text, up to its end byte, goes to the trace and is never
    // read as messages.
    typedClaim_ = std::make_unique<LineClaim>(*this, [this](uint8_t b) {
        const char c = static_cast<char>(b);
        Trace(&c, 1);
        if (b == Stream::CalibrationEnd) {
            QTimer::singleShot(0, this, [this] { EndTypedCalibration(); });
        }
    });
    if (!typedClaim_->Granted() || decoder_.TakeUpUnderWay()) {
        // A take-up began just now (or the line is busy): after its end.
        typedClaim_.reset();
        calibrationAfterTakeUp_ = port_.Connected();
        return;
    }
    Send({Command::StartZeroCalibration});
    typedLimit_.start();
}

void DeviceSession::EndTypedCalibration() {
    typedLimit_.stop();
    typedClaim_.reset();
}

// --- claims -------------------------------------------------------------------

LineClaim::LineClaim(DeviceSession& session, LiveStreamDecoder::IdleReceiver receiver)
    : session_(session) {
    if (!session_.port_.Connected() || session_.claimed_ || !session_.StreamFree()) {
        return;
    }
    try {
        // What the device sent before it stopped is the stream's, read
        // before the receiver takes over. Should the drain fail, the hold, a
        // member, is released on the way out.
        hold_.emplace(session_.decoder_, PauseReason::Claim);
        session_.DrainAfterPause();
    } catch (const EComPort&) {
        hold_.reset();
        if (session_.port_.PortLost()) {
            session_.HandlePortLost();
        }
        return;
    }
    session_.decoder_.SetIdleReceiver(std::move(receiver));
    session_.claimed_ = true;
    granted_ = true;
}

LineClaim::~LineClaim() {
    if (granted_) {
        session_.decoder_.SetIdleReceiver({});
        session_.claimed_ = false;
    }
    hold_.reset();
}

}  // namespace ostrevik
