#pragma once

#include <cstdlib>

// A failed property ends the run the way libFuzzer records as a finding,
// also in builds where assert() is compiled out.
inline void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}
