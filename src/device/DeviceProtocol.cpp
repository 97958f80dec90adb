#include "device/DeviceProtocol.h"

namespace ostrevik::Exchanges {

namespace {

ExchangeRequest request(QByteArray command, int readLength, int replyLength,
                        std::chrono::milliseconds wait, Echo echo) {
    ExchangeRequest s;
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

ExchangeRequest SelectBank(int bank) {
    return request(bytes({Command::SelectBank(bank)}), kSelectBankReplyLength,
                   kSelectBankReplyLength, kReplyWait, Echo::Trace);
}

ExchangeRequest StatusRequest(Echo echo) {
    return request(bytes({Command::StatusRequest}), kStatusReplyLength, kStatusReplyLength,
                   kReplyWait, echo);
}

ExchangeRequest ClearBank() {
    return request(bytes({Command::ClearBank}), kClearBankReplyLength, kClearBankReplyLength,
                   kReplyWait, Echo::Trace);
}

ExchangeRequest ReadVariables(int readLength, std::chrono::milliseconds wait) {
    return request(bytes({Command::ReadVariables}), readLength, kVariablesReplyLength, wait,
                   Echo::Silent);
}

ExchangeRequest ReadBankLevels() {
    return request(bytes({Command::ReadBankLevels}), kBankLevelsReplyLength, kBankLevelsReplyLength,
                   kReplyWait, Echo::Silent);
}

ExchangeRequest SetToneDirection(bool rising) {
    ExchangeRequest s = request(
        bytes({Command::SetToneDirection, rising ? Command::ToneRising : Command::ToneFalling}), 0,
        0, kReplyWait, Echo::Silent);
    s.answerUnread = true;
    return s;
}

}  // namespace ostrevik::Exchanges
