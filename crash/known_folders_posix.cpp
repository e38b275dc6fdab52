#include "crash/known_folders.h"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace orv {

FolderSources systemFolderSources() {
    FolderSources s;
    s.environment = [](const char* name) {
        const char* v = std::getenv(name);
        return ByteString(v);
    };
    s.isDirectory = [](const ByteString& path) {
        ByteString p = path;
        struct stat st {};
        return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    };
    s.readFile = [](const ByteString& path) {
        std::ifstream in(path.toStdString(), std::ios::binary);
        std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return ByteString(std::string_view(content));
    };
    return s;
}

}  // namespace orv
