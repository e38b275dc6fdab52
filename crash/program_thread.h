// startThread(work): a thread the program starts itself, one the crash
// reporter can report on. On POSIX it gets an alternate signal stack of its
// own (crash/signal_stack.h), so that even its stack overflow is reported;
// Windows hands any thread's fault to the reporter without help.
#pragma once

#ifdef _WIN32
#include <thread>
#include <utility>

namespace orv {

template <typename Work>
std::thread startThread(Work work) {
    return std::thread(std::move(work));
}

}  // namespace orv
#else
#include "crash/signal_stack.h"
#endif
