// Browser and mail-client handlers for tests on Windows: under the current
// user, the http class's command, the user's choice for https (a class of
// the test's own) and the mailto class's command all start record_args,
// which writes the arguments it received to the file that RECORD_ARGS_TO
// names. Removed again at the end, the user's own choice for https put
// back; a user who has keys of their own under these names is left alone.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

#include "support/byte_string.h"
#include "support/dynamic_library.h"

namespace orv::testing {

namespace registry {

inline BoundFunction<decltype(RegCreateKeyExA)> createKey("advapi32.dll", "RegCreateKeyExA");
inline BoundFunction<decltype(RegSetValueExA)> setValue("advapi32.dll", "RegSetValueExA");
inline BoundFunction<decltype(RegCloseKey)> closeKey("advapi32.dll", "RegCloseKey");
inline BoundFunction<decltype(RegDeleteTreeA)> deleteTree("advapi32.dll", "RegDeleteTreeA");
inline BoundFunction<decltype(RegOpenKeyExA)> openKey("advapi32.dll", "RegOpenKeyExA");
inline BoundFunction<decltype(RegGetValueA)> getValue("advapi32.dll", "RegGetValueA");

inline bool keyExists(const std::string& key) {
    HKEY h = nullptr;
    if (openKey.get()(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    closeKey.get()(h);
    return true;
}

inline bool setText(const std::string& key, const char* name, const std::string& value, DWORD type = REG_SZ) {
    HKEY h = nullptr;
    if (createKey.get()(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG rc = setValue.get()(h, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>(value.size() + 1));
    closeKey.get()(h);
    return rc == ERROR_SUCCESS;
}

inline bool getText(const std::string& key, const char* name, std::string& value) {
    char text[1024];
    DWORD size = sizeof text;
    if (getValue.get()(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return false;
    value = text;
    return true;
}

}  // namespace registry

inline bool readWholeFile(const std::string& path, std::string& content) {
    std::ifstream in(path, std::ios::binary);
    content.assign(std::istreambuf_iterator<char>(in), {});
    return in.is_open();
}

class RecordingHandlers {
public:
    static constexpr const char* kClasses = "Software\\Classes\\";
    static constexpr const char* kChoice =
        "Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\https\\UserChoice";

    // Notes what is there before the test touches anything.
    explicit RecordingHandlers(const char* stubPath) {
        stub = std::filesystem::path(stubPath).make_preferred().string();
        folder = (std::filesystem::temp_directory_path() / ("orv_links_" + std::to_string(GetCurrentProcessId())))
                     .string();
        std::filesystem::create_directories(folder);
        for (const char* key : kOwnKeys)
            if (registry::keyExists(key)) foreign = key;
        hadChoice_ = registry::getText(kChoice, "ProgId", choice_);
    }
    ~RecordingHandlers() {
        if (foreign.empty()) {
            for (const char* key : kOwnKeys) registry::deleteTree.get()(HKEY_CURRENT_USER, key);
            if (hadChoice_) registry::setText(kChoice, "ProgId", choice_);
            else registry::deleteTree.get()(HKEY_CURRENT_USER, kChoice);
        }
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    // A class command (http) that adds arguments of its own, the user's
    // choice of a class (https) as an expandable value, a mail client
    // whose extra codes go. False when the user has keys of their own.
    bool install() {
        SetEnvironmentVariableA("ORV_STUB", stub.c_str());
        return foreign.empty() &&
               registry::setText(std::string(kClasses) + "http\\shell\\open\\command", "",
                                 "\"" + stub + "\" --ignored \"%1\"") &&
               registry::setText(std::string(kClasses) + "OrvantisTest.Secure\\shell\\open\\command", "",
                                 "\"%ORV_STUB%\" -osint -url \"%1\"", REG_EXPAND_SZ) &&
               registry::setText(kChoice, "ProgId", "OrvantisTest.Secure") &&
               registry::setText(std::string(kClasses) + "mailto\\shell\\open\\command", "",
                                 stub + " -compose \"%1\" %2 \"%*\" /x:%PATH%");
    }

    // Runs `open`, which should start a handler, and returns the arguments
    // the handler received (none when none started within five seconds).
    ByteStringList recorded(const std::function<void()>& open) {
        const std::string out = folder + "\\run" + std::to_string(++runs_);
        SetEnvironmentVariableA("RECORD_ARGS_TO", out.c_str());
        open();
        // The file appears whole (written aside, then renamed); a loaded
        // system may still keep it from this reader for a moment.
        std::string content;
        for (int i = 0; i < 500 && !readWholeFile(out, content); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ByteStringList args;
        std::istringstream in(content);
        for (std::string arg; std::getline(in, arg, '\0');) args.push_back(ByteString(arg));
        return args;
    }

    std::string stub, folder;
    std::string foreign;  // a key of the user's own under our names

private:
    static constexpr const char* kOwnKeys[] = {"Software\\Classes\\http", "Software\\Classes\\mailto",
                                               "Software\\Classes\\OrvantisTest.Secure"};
    bool hadChoice_ = false;
    std::string choice_;
    int runs_ = 0;
};

}  // namespace orv::testing
