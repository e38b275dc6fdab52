#include "links/open_link.h"

#include <cstdlib>

#include "links/link_arguments.h"

namespace orv {

namespace {

bool buildArguments(LinkKind kind, const ByteStringList& command, const ByteString& link, ByteStringList& argv) {
    return kind == LinkKind::Web ? webArguments(command, link, argv) : mailArguments(command, link, argv);
}

}  // namespace

LinkSystem realLinkSystem() {
    return {[](const char* name) -> const char* { return std::getenv(name); }, readSmallFile, launchDetached};
}

LinkOpened openLink(const LinkSystem& system, LinkKind kind, const ByteString& link) {
    ByteStringList argv;
    if (!buildArguments(kind, fallbackCommand(), link, argv)) return LinkOpened::Refused;
    // The desktop's handler first, xdg-open after it.
    std::vector<ByteStringList> candidates;
    const ByteString type = kind == LinkKind::Web ? webHandlerType(link) : ByteString(kMailHandlerType);
    ByteStringList command;
    ByteStringList handlerArgv;
    if (findHandlerCommand(xdgSearchPaths(system.env), type, system.readFile, command) &&
        buildArguments(kind, command, link, handlerArgv)) {
        candidates.push_back(handlerArgv);
    }
    candidates.push_back(argv);
    return system.launch(candidates) ? LinkOpened::Started : LinkOpened::NotStarted;
}

LinkKind linkKindOf(const ByteString& link) { return isMailLink(link) ? LinkKind::Mail : LinkKind::Web; }

int OpenWebLink(ByteString link) {
    return openLink(realLinkSystem(), LinkKind::Web, link) == LinkOpened::Refused ? 0 : 1;
}

int OpenMailLink(ByteString link) {
    return openLink(realLinkSystem(), LinkKind::Mail, link) == LinkOpened::Refused ? 0 : 1;
}

}  // namespace orv
