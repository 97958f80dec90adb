#include "device/DeviceLink.h"

#include "device/EnumComPorts.h"

#include <cerrno>
#include <thread>

namespace ostrevik {

namespace {

void WaitWithoutEvents(std::chrono::milliseconds wait) {
    std::this_thread::sleep_for(wait);
}

}  // namespace

GuardedExchange::GuardedExchange(TCustomComPort& port) : port_(port), saved_(port.OnRxChar()) {
    port_.SetOnRxChar(nullptr);
}

GuardedExchange::~GuardedExchange() {
    port_.SetOnRxChar(saved_);
}

QByteArray GuardedExchange::Run(std::initializer_list<uint8_t> command, int replyLength,
                                std::chrono::milliseconds wait) {
    port_.ClearBuffer(true, true);
    QByteArray bytes;
    for (uint8_t b : command) {
        bytes.append(static_cast<char>(b));
    }
    port_.Write(bytes.constData(), static_cast<int>(bytes.size()));
    WaitWithoutEvents(wait);
    QByteArray reply(replyLength, '\0');
    const int n = replyLength > 0 ? port_.Read(reply.data(), replyLength) : 0;
    reply.truncate(n);
    return reply;
}

void GuardedExchange::DiscardRest() {
    if (port_.Connected()) {
        port_.ClearBuffer(true, false);
    }
}

DeviceLink::DeviceLink(TCustomComPort& port, DeviceHost& host) : port_(port), host_(host) {}

void DeviceLink::AttachMainHandlers() {
    port_.SetOnRxChar(decoderHandler_);
    port_.SetOnAfterOpen([this](TCustomComPort&) { ComPort1AfterOpen(); });
    port_.SetOnBeforeClose([this](TCustomComPort&) { ComPort1BeforeClose(); });
}

void DeviceLink::SendByte(uint8_t b) {
    const char c = static_cast<char>(b);
    port_.Write(&c, 1);
    if (TraceOn && TraceByte) {
        TraceByte(b);
    }
}

bool DeviceLink::ReadByte(uint8_t& b) {
    char c = 0;
    if (port_.Read(&c, 1) != 1) {
        return false;
    }
    b = static_cast<uint8_t>(c);
    if (TraceOn && TraceByte) {
        TraceByte(b);
    }
    return true;
}

int DeviceLink::ReadBytes(char* buffer, int n) {
    const int got = port_.Read(buffer, n);
    if (TraceOn && TraceByte) {
        for (int i = 0; i < got; ++i) {
            TraceByte(static_cast<uint8_t>(buffer[i]));
        }
    }
    return got;
}

int DeviceLink::InputCount() {
    return port_.InputCount();
}

int DeviceLink::InputBufferSize() const {
    return port_.InputBufferSize();
}

void DeviceLink::SendMeasure() {
    if (port_.Connected()) {
        SendByte(Command::Measure);
    }
}

bool DeviceLink::ProbePort(const QString& name) {
    const RxCharHandler rx = port_.OnRxChar();
    const PortHandler afterOpen = port_.OnAfterOpen();
    const PortHandler beforeClose = port_.OnBeforeClose();
    bool found = false;
    try {
        port_.SetPort(name);
        port_.SetOnRxChar(nullptr);
        port_.SetOnAfterOpen(nullptr);
        port_.SetOnBeforeClose(nullptr);
        port_.Open();
        port_.ClearBuffer(true, true);
        SendByte(0x01);  // SelectBank 1 doubles as the probe
        WaitWithoutEvents(kReplyWait);
        char reply[2];
        found = ReadBytes(reply, 2) == 2;
    } catch (const EComPort& e) {
        if (auto diagnosis = DiagnoseOpenFailure(e, name)) {
            unopenedPorts_ << *diagnosis;
        }
        found = false;
    }
    try {
        port_.Close();
    } catch (const EComPort&) {
        // A port that fails while closing is closed all the same.
    }
    port_.SetOnRxChar(rx);
    port_.SetOnAfterOpen(afterOpen);
    port_.SetOnBeforeClose(beforeClose);
    return found;
}

bool DeviceLink::SearchDevice() {
    unopenedPorts_.clear();
    QStringList ports;
    EnumComPorts(ports);
    for (const QString& name : ports) {
        if (ProbePort(name)) {
            ConnectDevice();
            return true;
        }
    }
    QString text = QStringLiteral(
        "Hardware Ostrevik nicht gefunden!\n\nVerbindung zum PC prüfen!\n"
        "Schnittstelleneinstellung prüfen!");
    if (!unopenedPorts_.isEmpty()) {
        text += QStringLiteral("\n\n") + ExplainUnopenedPorts(unopenedPorts_);
    }
    host_.Message(text, QStringLiteral("Warnung"), MessageButtons::Ok);
    return false;
}

bool DeviceLink::ConnectDevice() {
    if (port_.Connected()) {
        return true;
    }
    try {
        port_.Open();
    } catch (const EComPort& e) {
        QString text = QStringLiteral("Keine Verbindung zur Hardware QTX an ") + port_.Port() +
                       QStringLiteral(" !");
        if (auto diagnosis = DiagnoseOpenFailure(e, port_.Port())) {
            text += QStringLiteral("\n\n") + ExplainUnopenedPorts({*diagnosis});
        }
        host_.Message(text, QStringLiteral("Ostrevik"), MessageButtons::Ok);
        return false;
    }
    host_.EnableServiceMenus();
    SendMeasure();
    return true;
}

void DeviceLink::ComPort1AfterOpen() {
    SetMemoryBank(MemoryBank, true);
    host_.SetHardwareMenuEnabled(true);
}

void DeviceLink::ComPort1BeforeClose() {
    host_.SetHardwareMenuEnabled(false);
    host_.PortClosing();
}

void DeviceLink::NoConnectionMessage() {
    host_.Message(QStringLiteral("Keine Verbindung zur Hardware QTX an ") + port_.Port() +
                      QStringLiteral("!"),
                  QStringLiteral("Fehler"), MessageButtons::Ok);
}

void DeviceLink::SetMemoryBank(int n, bool send) {
    MemoryBank = n;
    if (!send || n < 1 || n > 4 || !port_.Connected()) {
        return;
    }
    GuardedExchange exchange(port_);
    port_.ClearBuffer(true, true);
    SendByte(static_cast<uint8_t>(n));
    WaitWithoutEvents(kReplyWait);
    char reply[2];
    if (ReadBytes(reply, 2) != 2) {
        NoConnectionMessage();
    }
}

void DeviceLink::ReadOutBank() {
    if (!port_.Connected()) {
        return;
    }
    bool ok = false;
    {
        GuardedExchange exchange(port_);
        port_.ClearBuffer(true, true);
        SendByte(Command::StatusRequest);
        WaitWithoutEvents(kReplyWait);
        char reply[2];
        ok = ReadBytes(reply, 2) == 2;
    }
    if (ok) {
        SendByte(Command::Playback);
    } else {
        NoConnectionMessage();
    }
}

void DeviceLink::ClearBankOnDevice() {
    if (!port_.Connected()) {
        return;
    }
    GuardedExchange exchange(port_);
    port_.ClearBuffer(true, true);
    SendByte(Command::ClearBank);
    WaitWithoutEvents(kReplyWait);
    uint8_t b = 0;
    if (!ReadByte(b)) {
        NoConnectionMessage();
    }
}

}  // namespace ostrevik
