#include "support/dynamic_library.h"

#include <windows.h>

#include <map>
#include <mutex>
#include <string>

namespace orv {

namespace {

// Name -> module of every library loaded so far; never destroyed, since
// handlers that run at exit may still bind through it.
std::map<std::string, HMODULE>& slotTable() {
    static auto* table = new std::map<std::string, HMODULE>;
    return *table;
}

std::mutex& slotMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
}

bool hasFolder(const char* name) {
    for (const char* p = name; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':') return true;
    return false;
}

// A bare name is a system library and comes from the system folder only:
// a copy planted in the working folder or beside the program is never
// loaded in its place. A path is loaded as given, its own dependencies
// searched beside it first.
HMODULE load(const char* name) {
    if (hasFolder(name)) return LoadLibraryExA(name, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    return LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void* lookupInModule(void* context, const char* candidate) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(context), candidate));
}

}  // namespace

void* LoadLibrarySlot(const char* name) {
    if (!name || !*name) return nullptr;
    std::lock_guard<std::mutex> lock(slotMutex());
    auto& table = slotTable();
    auto it = table.find(name);
    if (it != table.end()) return it->second;
    // No "insert a disk" or "entry point not found" boxes for a library
    // that is missing or damaged: the caller reports its own failure.
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = load(name);
    SetErrorMode(previous);
    if (module) table.emplace(name, module);
    return module;
}

void* BindFunction(void* handle, const char* name) {
    if (!handle) return nullptr;
    return FindExport(name, lookupInModule, handle);
}

}  // namespace orv
