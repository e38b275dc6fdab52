// The Windows side of `digest`: the console. No key is read there (nothing
// is signed), and a new side file takes its folder's permissions as every
// new file on Windows does.
#include <windows.h>

#include "cli/digests.h"

namespace orv::cli {

bool standardErrorIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

bool readableByOthers(const std::string&) { return false; }

void shareLike(const std::string&, const std::string&) {}

}  // namespace orv::cli
