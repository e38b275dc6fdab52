// The editor dialogs' rules, the same for every front end: what a field
// hands back on OK, what each "Test" label opens, how a bug's severity and
// type are shown, the free-upgrade days' arrows, and the message boxes.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "app/common_fields.h"
#include "app/editing.h"
#include "links/link_arguments.h"
#include "package/model.h"
#include "support/byte_string.h"

namespace orv {

// A message box: caption, text and buttons; never an icon.
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };
struct MessageRequest {
    ByteString caption;
    ByteString text;
    MessageButtons buttons = MessageButtons::Ok;
};
// A failure: caption "Error", a single OK.
MessageRequest errorMessage(const ByteString& text);
// A confirmation with Yes and No.
MessageRequest questionMessage(const Question& question);

// What an edit hands back on OK: the record's own bytes while the text is
// still the one it showed (so bytes the platform could not show survive an
// edit of another field), else the text as it is now.
ByteString fieldOnOk(const ByteString& original, const ByteString& shown, const ByteString& now);
// A multi-line field's text as a Windows edit shows it: every line break
// (CR LF, a lone LF or a lone CR) as CR LF.
ByteString withCrLf(const ByteString& text);

// A "Test" label: its control, the edit beside it and what it opens.
struct TestLink {
    uint32_t linkId;
    uint32_t fieldId;
    FieldLink opens;
};
std::span<const TestLink> commonInfoTestLinks();
std::span<const TestLink> versionTestLinks();
std::span<const TestLink> featureTestLinks();
// The label with this control id, or null (any other id does nothing).
const TestLink* findTestLink(std::span<const TestLink> links, uint32_t linkId);

// What a click opens: a web field's text unchanged, an e-mail field's text
// with "mailto:" in front (even when empty or already prefixed).
struct LinkRequest {
    LinkKind kind;
    ByteString link;
};
LinkRequest fieldLinkRequest(FieldLink opens, const ByteString& text);

// The Common Information edits, in field order (CommonInfo::field(i)).
const std::array<uint32_t, CommonInfo::kFieldCount>& commonInfoEditIds();

// The Bug dialog's fixed lists and how a record shows in them.
inline constexpr const char* kSeverityItems[] = {"1", "2", "3", "4", "5"};
// The severity's line, or -1 (nothing selected) outside 1 to 5.
int severityLine(uint32_t severity);
// The line of the type that equals `type` ignoring ASCII case; the first
// ("Usability") when none does.
uint32_t typeLine(const ByteString& type);

// The free-upgrade days field: digits only; its arrows step by one between
// 0 and kMaxFreeUpgradeDays, starting from the typed number held to that
// range. A larger number typed by hand stays as typed.
inline constexpr uint32_t kMaxFreeUpgradeDays = 1000000;
bool daysTextAllowed(std::string_view text);
uint32_t daysStepped(std::string_view text, int steps);

}  // namespace orv
