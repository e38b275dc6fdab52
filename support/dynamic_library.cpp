#include "support/dynamic_library.h"

#include <string>

namespace orv {

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

}  // namespace orv
