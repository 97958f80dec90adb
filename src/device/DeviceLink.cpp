#include "device/DeviceLink.h"

#include "device/EnumComPorts.h"

#include <cerrno>

namespace ostrevik {

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
    // Neither the menus nor the decoder may notice a probe.
    PortHandlersAside aside(port_);
    bool found = false;
    try {
        port_.SetPort(name);
        port_.Open();
        GuardedExchange exchange(*this, Echo::Trace, false);
        found = exchange.Run({0x01}, 2).size() == 2;  // SelectBank 1 doubles as the probe
    } catch (const EComPort& e) {
        if (auto diagnosis = DiagnoseOpenFailure(e, name)) {
            unopenedPorts_ << *diagnosis;
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
    } catch (const std::exception& e) {
        if (!port_.Connected()) {
            QString text = QStringLiteral("Keine Verbindung zur Hardware QTX an ") + port_.Port() +
                           QStringLiteral(" !");
            if (const auto* portError = dynamic_cast<const EComPort*>(&e)) {
                if (auto diagnosis = DiagnoseOpenFailure(*portError, port_.Port())) {
                    text += QStringLiteral("\n\n") + ExplainUnopenedPorts({*diagnosis});
                }
            }
            host_.Message(text, QStringLiteral("Ostrevik"), MessageButtons::Ok);
            return false;
        }
        // The port is open; what failed came after the opening (the bank
        // selection). The program is connected all the same, and says what
        // went wrong as it does for any other error.
        host_.Message(QString::fromLocal8Bit(e.what()), QStringLiteral("Ostrevik"),
                      MessageButtons::Ok);
    }
    host_.EnableServiceMenus();
    SendMeasure();
    return true;
}

void DeviceLink::ComPort1AfterOpen() {
    // The menu is the way to reconnect: it is enabled even when the bank
    // selection fails.
    struct EnableMenu {
        DeviceHost& host;
        ~EnableMenu() { host.SetHardwareMenuEnabled(true); }
    } enableMenu{host_};
    SetMemoryBank(MemoryBank, true);
    if (decoder_) {
        decoder_->PortOpened();
    }
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
    bool answered = false;
    {
        GuardedExchange exchange(*this, Echo::Trace);
        answered = exchange.Run({static_cast<uint8_t>(n)}, 2).size() == 2;
    }
    // Told once the live stream has its handler back.
    if (!answered) {
        NoConnectionMessage();
    }
}

void DeviceLink::ReadOutBank() {
    if (!port_.Connected()) {
        return;
    }
    bool answered = false;
    {
        GuardedExchange exchange(*this, Echo::Trace);
        answered = exchange.Run({Command::StatusRequest}, 2).size() == 2;
    }
    if (answered) {
        SendByte(Command::Playback);
    } else {
        NoConnectionMessage();
    }
}

void DeviceLink::ClearBankOnDevice() {
    if (!port_.Connected()) {
        return;
    }
    bool answered = false;
    {
        GuardedExchange exchange(*this, Echo::Trace);
        answered = exchange.Run({Command::ClearBank}, 1).size() == 1;
    }
    if (!answered) {
        NoConnectionMessage();
    }
}

}  // namespace ostrevik
