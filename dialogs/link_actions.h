// What a dialog's "Test" label does: it opens the neighbouring field's text,
// as a web link or, for an e-mail field, as "mailto:" followed by the text.
// Tests install a hook that records the link instead of launching anything.
#pragma once

#include <functional>

#include "support/byte_string.h"

namespace orv {

enum class LinkKind { Web, Mail };

// Receives the link exactly as it would be handed to the opener.
using LinkOpenHook = std::function<void(LinkKind kind, const ByteString& link)>;

// Installs a hook in place of the real openers (an empty hook restores them).
void setLinkOpenHook(LinkOpenHook hook);

// Opens a web field's text unchanged.
void openWebField(const ByteString& text);
// Opens an e-mail field's text with "mailto:" in front, even when the text
// already has it or is empty.
void openMailField(const ByteString& text);

}  // namespace orv
