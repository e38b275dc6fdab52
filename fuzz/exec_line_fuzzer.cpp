// A desktop entry's Exec line, read from a handler file that anyone who
// can write the user's data folder controls: unescaping, splitting into
// words and putting the link in place of the field codes.
//
// Input: the desktop entry text, then a 0 byte, then the link.
#include <cstdint>
#include <cstdlib>

#include "links/desktop_handlers.h"
#include "links/exec_line.h"

namespace {

using orv::ByteString;
using orv::ByteStringList;

void check(bool condition) {
    if (!condition) std::abort();
}

void checkExec(const ByteString& exec, const ByteString& link) {
    check(orv::unescapeDesktopValue(exec).length() <= exec.length());
    ByteStringList words;
    if (!orv::splitExecLine(exec, words)) return check(words.empty());
    check(!words.empty());
    const ByteStringList argv = orv::expandExecArguments(words, link);
    check(!argv.empty() && argv[0] == words[0] && argv.size() <= words.size() + 1);
    if (link.empty()) return;
    bool carried = false;  // the link reaches the program in some argument
    for (size_t i = 1; i < argv.size(); ++i) carried = carried || argv[i].find(link) != ByteString::npos;
    check(carried);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 64 * 1024) return 0;
    const ByteString input(reinterpret_cast<const char*>(data), static_cast<uint32_t>(size));
    const uint32_t split = input.find('\0');
    const ByteString entry = input.Left(split);
    const ByteString link = split == ByteString::npos ? ByteString("http://a/") : input.Mid(split + 1);
    ByteString exec;
    if (orv::desktopEntryExec(entry, exec)) checkExec(exec, link);
    checkExec(entry.Left(entry.find('\n')), link);
    orv::associatedApplications(entry, "Default Applications", "x-scheme-handler/http");
    return 0;
}
