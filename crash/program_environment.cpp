#include "crash/program_environment.h"

#include <cstring>
#include <vector>

namespace orv {

void readEnvironment(ProgramEnvironment& env, char** block) {
    for (char** entry = block; entry && *entry; ++entry) {
        ByteString text(*entry);
        const uint32_t eq = text.find('=', 1);  // "=C:" style names start with '='
        ByteString name = eq == ByteString::npos ? text : text.Left(eq);
        name.toUpper();
        env.environmentIndex.emplace(name, static_cast<uint32_t>(env.environment.size()));
        env.environment.push_back(std::move(text));
    }
}

ByteString environmentValue(const ProgramEnvironment& env, const ByteString& name) {
    ByteString key = name;
    key.toUpper();
    const auto it = env.environmentIndex.find(key);
    if (it == env.environmentIndex.end()) return {};
    const ByteString& entry = env.environment[it->second];
    const uint32_t eq = entry.find('=', 1);
    return eq == ByteString::npos ? ByteString() : entry.Mid(eq + 1);
}

void readEnvironmentBlock(ProgramEnvironment& env, const char* block) {
    std::vector<char*> entries;
    for (const char* entry = block; entry && *entry; entry += std::strlen(entry) + 1)
        entries.push_back(const_cast<char*>(entry));
    entries.push_back(nullptr);
    readEnvironment(env, entries.data());
}

ByteString specialFolder(ProgramEnvironment& env, SpecialFolder which) {
    std::lock_guard<std::mutex> guard(env.lock);
    if (!env.foldersFilled) {
        env.folders = systemSpecialFolders(env);
        env.foldersFilled = true;
    }
    return env.folders[static_cast<uint32_t>(which)];
}

ProgramEnvironment& programEnvironment() {
    static ProgramEnvironment env;
    return env;
}

}  // namespace orv
