#pragma once

#include "common/Messages.h"
#include "device/ComPort.h"
#include "device/GuardedExchange.h"
#include "device/LiveStreamDecoder.h"
#include "device/PortDiagnosis.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>

namespace ostrevik {

// What the device protocol needs of the main window.
class DeviceHost {
public:
    virtual ~DeviceHost() = default;
    virtual MessageAnswer Message(const QString& text, const QString& caption,
                                  MessageButtons buttons) = 0;
    // "Hardware &QTX" with all its items.
    virtual void SetHardwareMenuEnabled(bool enabled) = 0;
    // "Speicherbänke" and "Service" (never disabled again).
    virtual void EnableServiceMenus() = 0;
    // The port is closing with the main window's handlers attached.
    virtual void PortClosing() = 0;
};

// PC -> device command bytes.
namespace Command {
inline constexpr uint8_t Measure = 0x6D;
inline constexpr uint8_t StatusRequest = 0x2B;
inline constexpr uint8_t Playback = 0x70;
inline constexpr uint8_t ClearBank = 0x64;
inline constexpr uint8_t ReadVariables = 0x62;
inline constexpr uint8_t SetGain = 0x65;
inline constexpr uint8_t StoreToEeprom = 0x73;
inline constexpr uint8_t StartZeroCalibration = 0x30;
inline constexpr uint8_t ReadBankLevels = 0x6B;
inline constexpr uint8_t SetToneDirection = 0x75;
}  // namespace Command

// The byte protocol with the QTX device over the main window's serial port:
// the send and receive primitives (echoed to the debug trace while it is
// shown), the port search, the connection, the main window's port handlers
// and the guarded exchanges. Everything runs on the user-interface thread;
// the fixed waits block it on purpose, so the port's event hand-over cannot
// deliver the reply to the live decoder meanwhile.
class DeviceLink : public StreamLink {
public:
    DeviceLink(TCustomComPort& port, DeviceHost& host);

    TCustomComPort& Port() { return port_; }

    // Primitives.
    void SendByte(uint8_t b) override;
    bool ReadByte(uint8_t& b) override;
    int ReadBytes(char* buffer, int n);
    int InputCount() override;
    int InputBufferSize() const override;
    void SendMeasure() override;
    void SetMemoryBank(int n, bool send) override;
    bool Connected() const override { return port_.Connected(); }
    uint64_t ArrivalCount() const override { return port_.ArrivalCount(); }

    // The debug trace: while TraceOn, every byte sent and read by the
    // primitives is passed to TraceByte.
    bool TraceOn = false;
    std::function<void(uint8_t)> TraceByte;

    // The port's received-bytes handler for live operation (the decoder);
    // installed by the main window and put back after every exchange.
    void SetDecoderHandler(RxCharHandler handler) { decoderHandler_ = std::move(handler); }
    // The decoder of the live stream, which every exchange hands the stream
    // bytes to that are not its reply (none: the bytes are discarded).
    void SetDecoder(LiveStreamDecoder* decoder) { decoder_ = decoder; }
    LiveStreamDecoder* Decoder() const { return decoder_; }
    // Installs the main window's handlers on the port.
    void AttachMainHandlers();

    bool ProbePort(const QString& name);
    // True when a device was found and connected.
    bool SearchDevice();
    bool ConnectDevice();
    void ComPort1AfterOpen();
    void ComPort1BeforeClose();
    void ReadOutBank();
    void ClearBankOnDevice();

    int MemoryBank = 1;

    // Ports the last search could not open because they were busy or not
    // permitted, in the order probed.
    const QList<PortDiagnosis>& UnopenedPorts() const { return unopenedPorts_; }

private:
    void NoConnectionMessage();

    TCustomComPort& port_;
    DeviceHost& host_;
    RxCharHandler decoderHandler_;
    LiveStreamDecoder* decoder_ = nullptr;
    QList<PortDiagnosis> unopenedPorts_;
};

}  // namespace ostrevik
