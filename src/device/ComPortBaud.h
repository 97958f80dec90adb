#pragma once

namespace ostrevik {

// Rates without a classic Bxxx constant (14400, 56000, 128000, 256000, ...)
// are set through the kernel's termios2 interface, which cannot share a
// translation unit with <termios.h>. Both return 0 or an errno.
int SetCustomBaudRate(int fd, int rate);
// The output rate in force, or -1 when it cannot be read.
int CurrentBaudRate(int fd);

}  // namespace ostrevik
