#include "links/open_link.h"

namespace orv {

LinkOpened openLink(const LinkSystem& system, LinkKind kind, const ByteString& link) {
    ByteString target;
    if (!linkTarget(kind, link, target)) return LinkOpened::Refused;
    // The desktop's handler first, xdg-open after it.
    std::vector<ByteStringList> candidates;
    ByteStringList command;
    ByteStringList argv;
    if (system.findHandler(handlerType(kind, target), command) && linkArguments(kind, command, link, argv))
        candidates.push_back(argv);
    if (!target.empty() && linkArguments(kind, system.fallback, link, argv)) candidates.push_back(argv);
    return !candidates.empty() && system.launch(candidates) ? LinkOpened::Started : LinkOpened::NotStarted;
}

LinkKind linkKindOf(const ByteString& link) { return isMailLink(link) ? LinkKind::Mail : LinkKind::Web; }

int OpenWebLink(ByteString link) {
    return openLink(realLinkSystem(), LinkKind::Web, link) == LinkOpened::Refused ? 0 : 1;
}

int OpenMailLink(ByteString link) {
    return openLink(realLinkSystem(), LinkKind::Mail, link) == LinkOpened::Refused ? 0 : 1;
}

}  // namespace orv
