#include "device/DeviceProtocol.h"

namespace ostrevik::Exchanges {

namespace {

ExchangeSpec spec(QByteArray command, int readLength, int replyLength,
                  std::chrono::milliseconds wait, Echo echo) {
    ExchangeSpec s;
    s.command = std::move(command);
    s.readLength = readLength;
    s.replyLength = replyLength;
    s.wait = wait;
    s.echo = echo;
    return s;
}

QByteArray bytes(std::initializer_list<uint8_t> list) {
    QByteArray out;
    for (uint8_t b : list) {
        out.append(static_cast<char>(b));
    }
    return out;
}

// Replies that are read only for their length.
constexpr int kSelectBankReplyLength = 2;
constexpr int kStatusReplyLength = 2;
constexpr int kClearBankReplyLength = 1;

}  // namespace

ExchangeSpec SelectBank(int bank) {
    return spec(bytes({Command::SelectBank(bank)}), kSelectBankReplyLength, kSelectBankReplyLength,
                kReplyWait, Echo::Trace);
}

ExchangeSpec StatusRequest(Echo echo) {
    return spec(bytes({Command::StatusRequest}), kStatusReplyLength, kStatusReplyLength, kReplyWait,
                echo);
}

ExchangeSpec ClearBank() {
    return spec(bytes({Command::ClearBank}), kClearBankReplyLength, kClearBankReplyLength,
                kReplyWait, Echo::Trace);
}

ExchangeSpec ReadVariables(int readLength, std::chrono::milliseconds wait) {
    return spec(bytes({Command::ReadVariables}), readLength, kVariablesReplyLength, wait,
                Echo::Silent);
}

ExchangeSpec ReadBankLevels() {
    return spec(bytes({Command::ReadBankLevels}), kBankLevelsReplyLength, kBankLevelsReplyLength,
                kReplyWait, Echo::Silent);
}

ExchangeSpec SetToneDirection(bool rising) {
    ExchangeSpec s = spec(
        bytes({Command::SetToneDirection, rising ? Command::ToneRising : Command::ToneFalling}), 0,
        0, kReplyWait, Echo::Silent);
    s.answerUnread = true;
    return s;
}

}  // namespace ostrevik::Exchanges
