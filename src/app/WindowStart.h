#pragma once

#include <optional>

namespace ostrevik {

// Before the window starts. An option that neither the program ("--debug",
// also inside a longer word, and "--drill") nor Qt (-platform, -style, ...) knows is refused
// with the usage hint: exit code 2. Without a graphical display (no Qt
// platform named, no X11 or Wayland display in the environment) the start
// ends with a German message: exit code 1. Otherwise nothing.
std::optional<int> CheckWindowStart(int argc, char* argv[]);

// Held while the application object is made: should Qt still find no display
// (one named but not reachable), the program ends with the same German
// message and exit code 1 instead of Qt's abort. Qt's messages meanwhile are
// passed on once the application stands.
class DisplayStartGuard {
public:
    DisplayStartGuard();
    ~DisplayStartGuard();
    DisplayStartGuard(const DisplayStartGuard&) = delete;
    DisplayStartGuard& operator=(const DisplayStartGuard&) = delete;
};

}  // namespace ostrevik
