// Libraries and functions looked up while the program runs, not when it
// starts. What an optional service needs (the crash-reporting library and
// the like) is looked up the first time it is used; if it is not there, only
// that use fails, and the next use looks again, so installing the library
// later helps without a restart. A library once loaded stays loaded.
#pragma once

#include <atomic>
#include <cstdint>

namespace orv {

// Loads the named library (a file name or a path) once per process and
// returns its handle, or null if it cannot be loaded. A handle, once
// loaded, is kept for the rest of the run and returned by later calls with
// the same name; a failure is not remembered, so a later call retries.
// Thread-safe.
void* LoadLibrarySlot(const char* name);

// Address of the named export of a loaded library, or null: only the
// library's own exports, not those of the libraries it pulls in. A null
// handle or name yields null at once. Compilers spell exported functions
// in several ways, so the look-up also accepts the name with one or two
// underscores in front and with "@" and the argument byte count (0 to 100)
// behind: first the name without a count (bare, then underscored), then for
// each count from 0 upwards the same three forms with it.
void* BindFunction(void* handle, const char* name);

// The search of BindFunction over any symbol table: calls lookup(context,
// candidate) for each candidate name in order and returns the first
// non-null result, or null. The lookup's name is a terminated string valid
// only for the call.
using ExportLookup = void* (*)(void* context, const char* candidate);
void* FindExport(const char* name, ExportLookup lookup, void* context);

// Binds `name` from `library` into a function pointer of its own type;
// false (and the pointer null) when it cannot. For tables of functions
// bound together.
template <typename F>
bool BindInto(void* library, F& slot, const char* name) {
    slot = reinterpret_cast<F>(BindFunction(library, name));
    return slot != nullptr;
}

// One call site's binding of one function: process-wide, filled on first
// use and kept. A null result (library or export missing) is retried on
// the next call. Meant to be a function-local or namespace-scope static:
//
//   static BoundFunction<int(const char*)> install("libfoo.so", "Install");
//   if (auto* f = install.get()) f(path); else return false;
template <typename Signature>
class BoundFunction {
public:
    constexpr BoundFunction(const char* library, const char* function)
        : library_(library), function_(function) {}
    BoundFunction(const BoundFunction&) = delete;
    BoundFunction& operator=(const BoundFunction&) = delete;

    // The bound function, or null when it cannot be bound (yet).
    Signature* get() {
        void* p = cached_.load(std::memory_order_acquire);
        if (!p) {
            p = BindFunction(LoadLibrarySlot(library_), function_);
            if (p) cached_.store(p, std::memory_order_release);
        }
        return reinterpret_cast<Signature*>(p);
    }

private:
    const char* library_;
    const char* function_;
    std::atomic<void*> cached_{nullptr};
};

}  // namespace orv
