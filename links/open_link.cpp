#include "links/open_link.h"

#include <cstdlib>

#include "links/desktop_handlers.h"
#include "links/launch.h"
#include "links/link_arguments.h"

namespace orv {

namespace {

using ArgumentBuilder = bool (*)(const ByteStringList& command, ByteString link, ByteStringList& argv);

bool webBuilder(const ByteStringList& command, ByteString link, ByteStringList& argv) {
    return webArguments(command, std::move(link), argv);
}

bool mailBuilder(const ByteStringList& command, ByteString link, ByteStringList& argv) {
    return mailArguments(command, link, argv);
}

// The desktop's handler first, xdg-open after it.
std::vector<ByteStringList> candidates(const ByteString& handlerType, const ByteString& link,
                                       ArgumentBuilder build) {
    std::vector<ByteStringList> out;
    const XdgSearchPaths paths = xdgSearchPaths([](const char* name) { return std::getenv(name); });
    ByteStringList command;
    ByteStringList argv;
    if (findHandlerCommand(paths, handlerType, readSmallFile, command) && build(command, link, argv)) {
        out.push_back(argv);
    }
    if (build(fallbackCommand(), link, argv)) out.push_back(argv);
    return out;
}

}  // namespace

int OpenWebLink(ByteString link) {
    if (!link.empty() && link[0] == '-') return 0;
    launch(candidates(webHandlerType(link), link, webBuilder));
    return 1;
}

int OpenMailLink(ByteString link) {
    if (!link.empty() && !isMailLink(link)) return 0;
    launch(candidates(kMailHandlerType, link, mailBuilder));
    return 1;
}

}  // namespace orv
