#include "support/dynamic_library.h"

#include <dlfcn.h>
#include <link.h>

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

struct Library {
    void* handle;
    link_map* map;
};

// dlsym also searches the libraries that this one pulls in; only the
// library's own exports count, so the object that defines the symbol must
// be the library itself.
void* lookupInLibrary(void* context, const char* candidate) {
    const auto* library = static_cast<const Library*>(context);
    void* p = dlsym(library->handle, candidate);
    if (!p) return nullptr;
    Dl_info info{};
    link_map* owner = nullptr;
    if (dladdr1(p, &info, reinterpret_cast<void**>(&owner), RTLD_DL_LINKMAP) == 0 || owner != library->map)
        return nullptr;
    return p;
}

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

void* BindFunction(void* handle, const char* name) {
    Library library{handle, nullptr};
    if (!handle || dlinfo(handle, RTLD_DI_LINKMAP, &library.map) != 0) return nullptr;
    return FindExport(name, lookupInLibrary, &library);
}

}  // namespace orv
