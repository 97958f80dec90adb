#pragma once

#include <stdexcept>

namespace ostrevik {

// The error codes of the serial port component: each is the row of its
// message in ComErrorMessage(). Callers tell failures apart by these numbers
// (1 = the port could not be opened), so they never change.
namespace ComError {
inline constexpr int OpenFailed = 1;
inline constexpr int WriteFailed = 2;
inline constexpr int ReadFailed = 3;
inline constexpr int InvalidAsync = 4;
inline constexpr int PurgeFailed = 5;
inline constexpr int AsyncCheck = 6;
inline constexpr int SetStateFailed = 7;
inline constexpr int TimeoutsFailed = 8;
inline constexpr int SetupComFailed = 9;
inline constexpr int ClearComFailed = 10;
inline constexpr int ModemStatFailed = 11;
inline constexpr int EscapeComFailed = 12;
inline constexpr int TransmitFailed = 13;
inline constexpr int ConnChangeProp = 14;
inline constexpr int EnumPortsFailed = 15;
inline constexpr int StoreFailed = 16;
inline constexpr int LoadFailed = 17;
inline constexpr int RegFailed = 18;
inline constexpr int LedStateFailed = 19;
inline constexpr int ThreadCreated = 20;
inline constexpr int WaitFailed = 21;
inline constexpr int HasLink = 22;
}  // namespace ComError

// The fixed English text of an error code ("Unable to open com port"); an
// empty string for a number outside 1..22.
const char* ComErrorMessage(int code);

// A failure of the serial port component. WinCode carries the operating
// system's error number (errno on Linux) or -1 when the failure has none;
// what() is the table text, followed by " (win error code: <n>)" when there
// is a system error.
class EComPort : public std::runtime_error {
public:
    explicit EComPort(int code, int winCode = -1);

    int Code() const { return code_; }
    int WinCode() const { return winCode_; }

private:
    int code_;
    int winCode_;
};

}  // namespace ostrevik
