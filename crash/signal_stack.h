// Alternate signal stacks. A thread that overflows its own stack can run a
// signal handler only on a stack of its own set aside for that, so without
// one a stack overflow ends the process before the crash reporter can
// write anything. The start-up thread gets one when the crash reporter is
// installed; every thread that the program starts itself goes through
// startThread, or, when started with pthread_create, declares a
// ThreadSignalStack first thing in its start function.
#pragma once

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <thread>
#include <utility>

namespace orv {

// Room for the crash reporter's handler and the program's callback.
inline constexpr size_t kSignalStackSize = 128 * 1024;

// Maps a signal stack with an inaccessible page below it, so that a handler
// that overflows it faults instead of writing over other memory, and makes
// it the calling thread's alternate signal stack. `previous` receives the
// one it replaces. Null on failure.
inline void* installSignalStack(stack_t* previous) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    void* base = mmap(nullptr, kSignalStackSize + page, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (base == MAP_FAILED) return nullptr;
    stack_t stack {};
    stack.ss_sp = static_cast<char*>(base) + page;
    stack.ss_size = kSignalStackSize;
    if (mprotect(base, page, PROT_NONE) != 0 || sigaltstack(&stack, previous) != 0) {
        munmap(base, kSignalStackSize + page);
        return nullptr;
    }
    return stack.ss_sp;
}

// Puts `previous` back when the calling thread still uses `stack`, and
// unmaps it; a stack that something else has replaced stays mapped, since
// that component may still run on it.
inline void removeSignalStack(void* stack, const stack_t& previous) {
    stack_t current {};
    if (!stack || sigaltstack(nullptr, &current) != 0 || current.ss_sp != stack) return;
    sigaltstack(&previous, nullptr);
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    munmap(static_cast<char*>(stack) - page, kSignalStackSize + page);
}

// The calling thread's alternate signal stack for the object's lifetime.
class ThreadSignalStack {
public:
    ThreadSignalStack() : stack_(installSignalStack(&previous_)) {}
    ~ThreadSignalStack() { removeSignalStack(stack_, previous_); }
    ThreadSignalStack(const ThreadSignalStack&) = delete;
    ThreadSignalStack& operator=(const ThreadSignalStack&) = delete;

private:
    stack_t previous_ {};
    void* stack_;
};

// Starts a thread that runs `work` with an alternate signal stack of its own.
template <typename Work>
std::thread startThread(Work work) {
    return std::thread([work = std::move(work)]() mutable {
        ThreadSignalStack stack;
        work();
    });
}

}  // namespace orv
