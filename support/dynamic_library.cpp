#include "support/dynamic_library.h"

#include <dlfcn.h>

#include <map>
#include <mutex>
#include <string>

namespace orv {

namespace {

// Name -> handle of every library loaded so far. Deliberately never
// destroyed: handlers that run at exit may still bind through it.
std::map<std::string, void*>& slotTable() {
    static auto* table = new std::map<std::string, void*>;
    return *table;
}

std::mutex& slotMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
}

void* lookupInLibrary(void* handle, const char* candidate) { return dlsym(handle, candidate); }

}  // namespace

void* LoadLibrarySlot(const char* name) {
    if (!name || !*name) return nullptr;
    std::lock_guard<std::mutex> lock(slotMutex());
    auto& table = slotTable();
    auto it = table.find(name);
    if (it != table.end()) return it->second;
    // Local binding keeps an optional library's symbols out of everyone
    // else's way; lazy binding keeps a library with an unused, unresolvable
    // import usable.
    void* handle = dlopen(name, RTLD_LAZY | RTLD_LOCAL);
    if (handle) table.emplace(name, handle);
    return handle;
}

void* FindExport(const char* name, ExportLookup lookup, void* context) {
    if (!name || !lookup) return nullptr;
    static const char* const kPrefixes[] = {"", "_", "__"};
    std::string candidate;
    auto tryAll = [&](const std::string& suffix) -> void* {
        for (const char* prefix : kPrefixes) {
            candidate.assign(prefix);
            candidate.append(name);
            candidate.append(suffix);
            if (void* p = lookup(context, candidate.c_str())) return p;
        }
        return nullptr;
    };
    if (void* p = tryAll(std::string())) return p;
    for (int n = 0; n <= 100; ++n) {
        std::string suffix("@");
        suffix.append(std::to_string(n));
        if (void* p = tryAll(suffix)) return p;
    }
    return nullptr;
}

void* BindFunction(void* handle, const char* name) {
    if (!handle) return nullptr;
    return FindExport(name, lookupInLibrary, handle);
}

}  // namespace orv
