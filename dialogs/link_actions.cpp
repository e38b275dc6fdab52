#include "dialogs/link_actions.h"

#include "links/open_link.h"

namespace orv {

namespace {
LinkOpenHook& hookSlot() {
    static LinkOpenHook hook;
    return hook;
}
}  // namespace

void setLinkOpenHook(LinkOpenHook hook) { hookSlot() = std::move(hook); }

void openWebField(const ByteString& text) {
    if (hookSlot()) return hookSlot()(LinkKind::Web, text);
    OpenWebLink(text);  // the result tells the user nothing more
}

void openMailField(const ByteString& text) {
    ByteString link = "mailto:" + text;
    if (hookSlot()) return hookSlot()(LinkKind::Mail, link);
    OpenMailLink(link);
}

}  // namespace orv
