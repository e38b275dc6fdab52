// The package as JSON, for scripts: every field of every record, texts as
// JSON strings where they decode in the chosen encoding and as
// {"base64": "..."} where they do not, so that importing an export gives
// back the very same package file. The shape is described in the README.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "app/text_codec.h"
#include "package/model.h"

namespace orv {

inline constexpr const char* kJsonFormatName = "orvantis-package";
inline constexpr unsigned kJsonFormatVersion = 1;

// The whole package as JSON text (UTF-8, ending in a line feed), texts
// decoded with `codec`, whose name is recorded as "encoding".
std::string packageToJson(const Package& p, TextCodec& codec);
// The same text handed to `write` in pieces of about 1 MiB, so that a
// large package needs no second copy of itself in memory. False as soon as
// `write` returns false.
bool writePackageJson(const Package& p, TextCodec& codec, const std::function<bool(std::string_view)>& write);

// Reads a package from JSON. Texts given as strings are encoded with the
// encoding named by `encoding`, else by the JSON's "encoding" member, else
// UTF-8; never the locale's, so the same JSON gives the same file anywhere. False, with `error` saying where and what, for text that is
// not JSON of this shape or a text the encoding cannot hold.
bool packageFromJson(std::string_view json, const std::string& encoding, Package& p, std::string& error);
// The same for a text the caller gives up: a well-formed export is read
// by a parser several times faster, which empties `json` once it no
// longer needs it (to keep memory down); anything else is read, and
// explained, as above.
bool packageFromJson(ByteString& json, const std::string& encoding, Package& p, std::string& error);

}  // namespace orv
