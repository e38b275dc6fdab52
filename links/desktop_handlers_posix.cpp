#include "links/desktop_handlers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "links/exec_line.h"

namespace orv {

namespace {

constexpr uint32_t kMaxFileSize = 1u << 20;
constexpr uint32_t kMaxDashVariants = 4;  // dashes tried as subfolders

ByteString envOr(const EnvReader& env, const char* name, const ByteString& fallback) {
    const char* v = env(name);
    return v && *v ? ByteString(v) : fallback;
}

// The absolute folders of a colon-separated list.
ByteStringList absoluteFolders(const ByteString& list) {
    ByteStringList out;
    for (const ByteString& dir : split(list, ':')) {
        if (!dir.empty() && dir[0] == '/') out.push_back(dir);
    }
    return out;
}

void addLists(const ByteString& dir, const ByteStringList& desktops, XdgSearchPaths& paths) {
    for (const ByteString& d : desktops) paths.mimeappsLists.push_back(dir + "/" + d + "-mimeapps.list");
    paths.mimeappsLists.push_back(dir + "/mimeapps.list");
}

// Calls `onEntry(key, value)` for each entry of `group`.
template <typename F>
void forEachEntry(const ByteString& text, const ByteString& group, F onEntry) {
    ByteString rest = text;
    bool inGroup = false;
    while (!rest.atEnd()) {
        ByteString line = rest.readLine();
        line.trim();
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            inGroup = line == "[" + group + "]";
            continue;
        }
        const uint32_t eq = line.find('=');
        if (!inGroup || eq == ByteString::npos) continue;
        ByteString key = line.Left(eq);
        ByteString value = line.Mid(eq + 1);
        key.trim();
        value.trim();
        onEntry(key, value);
    }
}

// Where a desktop file id can live: the id itself, or with some of its
// dashes standing for subfolders ("kde-foo.desktop" in "kde/foo.desktop").
ByteStringList desktopFileNames(const ByteString& id) {
    std::vector<uint32_t> dashes;
    for (uint32_t i = 0; i < id.length(); ++i) {
        if (id[i] == '-') dashes.push_back(i);
    }
    if (dashes.size() > kMaxDashVariants) dashes.resize(kMaxDashVariants);
    ByteStringList names;
    for (uint32_t mask = 0; mask < (1u << dashes.size()); ++mask) {
        ByteString name = id;
        for (size_t b = 0; b < dashes.size(); ++b) {
            if (mask & (1u << b)) name[dashes[b]] = '/';
        }
        names.push_back(name);
    }
    return names;
}

bool validId(const ByteString& id) {
    return !id.empty() && id.find('/') == ByteString::npos && id.find(ByteString("..")) == ByteString::npos;
}

enum class Handler { Absent, Unusable, Usable };

Handler commandOf(const XdgSearchPaths& paths, const ByteString& id, const FileReader& readFile,
                  ByteStringList& command) {
    if (!validId(id)) return Handler::Absent;
    for (const ByteString& dir : paths.applicationDirs) {
        for (const ByteString& name : desktopFileNames(id)) {
            ByteString text;
            if (!readFile(dir + "/" + name, text)) continue;
            // The first file found for an id is the one that counts.
            ByteString exec;
            bool hidden = false;
            if (!desktopEntryExec(text, exec, &hidden)) return hidden ? Handler::Absent : Handler::Unusable;
            return splitExecLine(exec, command) ? Handler::Usable : Handler::Unusable;
        }
    }
    return Handler::Absent;
}

}  // namespace

XdgSearchPaths xdgSearchPaths(const EnvReader& env) {
    const ByteString home = envOr(env, "HOME", "");
    XdgSearchPaths paths;
    ByteStringList desktops;
    for (ByteString d : split(envOr(env, "XDG_CURRENT_DESKTOP", ""), ':')) {
        d.toLower();
        if (!d.empty() && d.find('/') == ByteString::npos) desktops.push_back(d);
    }
    const ByteStringList configHome = absoluteFolders(envOr(env, "XDG_CONFIG_HOME", home + "/.config"));
    const ByteStringList configDirs = absoluteFolders(envOr(env, "XDG_CONFIG_DIRS", "/etc/xdg"));
    const ByteStringList dataHome = absoluteFolders(envOr(env, "XDG_DATA_HOME", home + "/.local/share"));
    const ByteStringList dataDirs = absoluteFolders(envOr(env, "XDG_DATA_DIRS", "/usr/local/share:/usr/share"));
    for (const ByteString& d : configHome) addLists(d, desktops, paths);
    for (const ByteString& d : configDirs) addLists(d, desktops, paths);
    for (const ByteString& d : dataHome) {
        addLists(d + "/applications", desktops, paths);
        paths.applicationDirs.push_back(d + "/applications");
    }
    for (const ByteString& d : dataDirs) {
        addLists(d + "/applications", desktops, paths);
        paths.applicationDirs.push_back(d + "/applications");
    }
    return paths;
}

ByteStringList associatedApplications(const ByteString& listText, const ByteString& group,
                                      const ByteString& mimeType) {
    ByteStringList ids;
    forEachEntry(listText, group, [&](const ByteString& key, const ByteString& value) {
        if (key != mimeType) return;
        for (ByteString id : split(value, ';')) {
            id.trim();
            if (!id.empty()) ids.push_back(id);
        }
    });
    return ids;
}

bool desktopEntryExec(const ByteString& entryText, ByteString& exec, bool* hiddenOut) {
    bool found = false;
    bool hidden = false;
    forEachEntry(entryText, "Desktop Entry", [&](const ByteString& key, const ByteString& value) {
        if (key == "Exec" && !found) {
            exec = unescapeDesktopValue(value);
            found = true;
        } else if (key == "Hidden" && value == "true") {
            hidden = true;
        }
    });
    if (hiddenOut) *hiddenOut = hidden;
    return found && !hidden;
}

bool findHandlerCommand(const XdgSearchPaths& paths, const ByteString& mimeType, const FileReader& readFile,
                        ByteStringList& command) {
    command.clear();
    std::vector<ByteString> texts(paths.mimeappsLists.size());
    std::vector<bool> present(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) present[i] = readFile(paths.mimeappsLists[i], texts[i]);
    // The first installed default wins, from the most important file on,
    // then the added associations, less those a more important file removed.
    ByteStringList candidates;
    ByteStringList removed;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (!present[i]) continue;
        for (const ByteString& id : associatedApplications(texts[i], "Default Applications", mimeType)) {
            candidates.push_back(id);
        }
    }
    for (size_t i = 0; i < texts.size(); ++i) {
        if (!present[i]) continue;
        for (const ByteString& id : associatedApplications(texts[i], "Removed Associations", mimeType)) {
            removed.push_back(id);
        }
        for (const ByteString& id : associatedApplications(texts[i], "Added Associations", mimeType)) {
            if (std::find(removed.begin(), removed.end(), id) == removed.end()) candidates.push_back(id);
        }
    }
    for (const ByteString& id : candidates) {
        const Handler h = commandOf(paths, id, readFile, command);
        if (h == Handler::Usable) return true;
        if (h == Handler::Unusable) break;
    }
    command.clear();
    return false;
}

bool readSmallFile(const ByteString& path, ByteString& content) {
    content.clear();
    ByteString p = path;
    const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxFileSize;
    char buf[8192];
    while (ok) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) ok = false;
        if (n <= 0) break;
        content.append(buf, static_cast<uint32_t>(n));
        if (content.length() > kMaxFileSize) ok = false;
    }
    ::close(fd);
    if (!ok) content.clear();
    return ok;
}

std::function<bool(const ByteString&, ByteStringList&)> desktopHandlerFinder(EnvReader env, FileReader readFile) {
    return [env = std::move(env), readFile = std::move(readFile)](const ByteString& type, ByteStringList& command) {
        return findHandlerCommand(xdgSearchPaths(env), type, readFile, command);
    };
}

}  // namespace orv
