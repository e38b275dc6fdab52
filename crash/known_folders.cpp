#include "crash/known_folders.h"


namespace orv {

namespace {

// An XDG variable counts only when it holds an absolute path.
ByteString absoluteVariable(const FolderSources& s, const char* name) {
    ByteString value = s.environment(name);
    return !value.empty() && value[0] == '/' ? value : ByteString();
}

ByteString firstExisting(const FolderSources& s, std::initializer_list<const char*> candidates,
                         const char* lastResort) {
    for (const char* c : candidates)
        if (s.isDirectory(c)) return c;
    return lastResort;
}

ByteString appDataFolder(const FolderSources& s, const ByteString& home) {
    ByteString dataHome = absoluteVariable(s, "XDG_DATA_HOME");
    if (!dataHome.empty()) return dataHome;
    return home.empty() ? ByteString() : home + "/.local/share";
}

ByteString documentsFolder(const FolderSources& s, const ByteString& home) {
    ByteString documents = absoluteVariable(s, "XDG_DOCUMENTS_DIR");
    if (!documents.empty()) return documents;
    if (home.empty()) return {};
    ByteString configHome = absoluteVariable(s, "XDG_CONFIG_HOME");
    if (configHome.empty()) configHome = home + "/.config";
    documents = userDirsEntry(s.readFile(configHome + "/user-dirs.dirs"), "XDG_DOCUMENTS_DIR", home);
    if (!documents.empty() && documents[0] == '/') return documents;
    if (s.isDirectory(home + "/Documents")) return home + "/Documents";
    return home;
}

}  // namespace

ByteString userDirsEntry(const ByteString& userDirs, const char* name, const ByteString& home) {
    ByteString text = userDirs;
    const ByteString prefix = ByteString(name) + "=";
    while (!text.atEnd()) {
        ByteString line = text.readLine();
        line.trim();
        if (line.empty() || line[0] == '#' || line.Left(prefix.length()) != prefix) continue;
        ByteString value = line.Mid(prefix.length());
        const uint32_t n = value.length();
        if (n >= 2 && value[0] == '"' && value[n - 1] == '"') value = value.Mid(1, n - 2);
        if (value.Left(5) == "$HOME") value = home + value.Mid(5);
        return value;
    }
    return {};
}

SpecialFolderTable resolveSpecialFolders(const FolderSources& s) {
    ByteString home = absoluteVariable(s, "HOME");
    if (home.length() > 1 && home[home.length() - 1] == '/') home = home.Left(home.length() - 1);
    SpecialFolderTable t;
    t[static_cast<uint32_t>(SpecialFolder::windowsDirectory)] = "/";
    t[static_cast<uint32_t>(SpecialFolder::systemDirectory)] = firstExisting(s, {"/usr/bin"}, "/bin");
    t[static_cast<uint32_t>(SpecialFolder::appData)] = appDataFolder(s, home);
    t[static_cast<uint32_t>(SpecialFolder::personal)] = documentsFolder(s, home);
    t[static_cast<uint32_t>(SpecialFolder::programFiles)] = firstExisting(s, {"/opt"}, "/usr/local");
    t[static_cast<uint32_t>(SpecialFolder::commonFiles)] = firstExisting(s, {"/usr/share"}, "/usr/local/share");
    return t;
}

namespace {

constexpr int kCsidlAppData = 0x1A, kCsidlPersonal = 0x05, kCsidlWindows = 0x24, kCsidlSystem = 0x25,
              kCsidlProgramFiles = 0x26, kCsidlCommonFiles = 0x2B;
constexpr const char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

ByteString userFolder(const WindowsFolderSources& s, int csidl, const char* value) {
    ByteString folder = s.shellFolder(csidl);
    for (const char* key : {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                            "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"})
        if (folder.empty()) folder = s.registryText(true, key, value);
    return folder;
}

ByteString programFolder(const WindowsFolderSources& s, int csidl, const char* value, const ByteString& lastResort) {
    ByteString folder = s.shellFolder(csidl);
    if (folder.empty()) folder = s.registryText(false, kCurrentVersion, value);
    return folder.empty() ? lastResort : folder;
}

}  // namespace

SpecialFolderTable resolveWindowsFolders(const WindowsFolderSources& s) {
    SpecialFolderTable t;
    ByteString windows = s.shellFolder(kCsidlWindows), system = s.shellFolder(kCsidlSystem);
    if (windows.empty()) windows = s.windowsDirectory;
    if (system.empty()) system = s.systemDirectory;
    const ByteString programFiles = windows.Left(2) + "\\Program Files";
    t[static_cast<uint32_t>(SpecialFolder::windowsDirectory)] = windows;
    t[static_cast<uint32_t>(SpecialFolder::systemDirectory)] = system;
    t[static_cast<uint32_t>(SpecialFolder::appData)] = userFolder(s, kCsidlAppData, "AppData");
    t[static_cast<uint32_t>(SpecialFolder::personal)] = userFolder(s, kCsidlPersonal, "Personal");
    t[static_cast<uint32_t>(SpecialFolder::programFiles)] =
        programFolder(s, kCsidlProgramFiles, "ProgramFilesDir", programFiles);
    t[static_cast<uint32_t>(SpecialFolder::commonFiles)] =
        programFolder(s, kCsidlCommonFiles, "CommonFilesDir", programFiles + "\\Common Files");
    return t;
}

}  // namespace orv
