// The two faults both crash helpers commit on purpose: a write to an
// unmapped address, and a recursion that runs out of stack.
#pragma once

#include <cstdint>

namespace orv::test {

inline volatile int gNeverReached = -1;

inline int recurse(int depth) {
    if (depth == gNeverReached) return 0;
    volatile char frame[4096];
    frame[0] = static_cast<char>(depth);
    return recurse(depth + 1) + frame[0];
}

inline void fault() {
    int* volatile target = reinterpret_cast<int*>(uintptr_t{16});
    *target = 1;
}

}  // namespace orv::test
