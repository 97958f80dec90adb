#include "device/ComPortError.h"

#include <array>
#include <string>

namespace ostrevik {

namespace {

constexpr std::array<const char*, 22> kMessages = {
    "Unable to open com port",
    "WriteFile function failed",
    "ReadFile function failed",
    "Invalid Async parameter",
    "PurgeComm function failed",
    "Unable to get async status",
    "SetCommState function failed",
    "SetCommTimeouts failed",
    "SetupComm function failed",
    "ClearCommError function failed",
    "GetCommModemStatus function failed",
    "EscapeCommFunction function failed",
    "TransmitCommChar function failed",
    "Cannot set SyncMethod while connected",
    "EnumPorts function failed",
    "Failed to store settings",
    "Failed to load settings",
    "Link (un)registration failed",
    "Cannot change led state if ComPort is selected",
    "Cannot wait for event if event thread is created",
    "WaitForEvent method failed",
    "A component is linked to OnRxBuf event",
};

std::string buildMessage(int code, int winCode) {
    std::string text = ComErrorMessage(code);
    if (winCode != -1) {
        text += " (win error code: " + std::to_string(winCode) + ")";
    }
    return text;
}

}  // namespace

const char* ComErrorMessage(int code) {
    if (code < 1 || code > static_cast<int>(kMessages.size())) {
        return "";
    }
    return kMessages[static_cast<size_t>(code - 1)];
}

EComPort::EComPort(int code, int winCode)
    : std::runtime_error(buildMessage(code, winCode)), code_(code), winCode_(winCode) {}

}  // namespace ostrevik
