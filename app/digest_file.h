// The digests of a package's downloads, kept in a side file beside the
// package ("NAME.dat.digests.json") since the package format has no place
// for them: per download location its size, SHA-256 and SHA-512, the
// server's ETag and Last-Modified, and an optional Ed25519 signature.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "app/download_size.h"
#include "support/byte_string.h"

namespace orv {

inline constexpr const char* kDigestFormatName = "orvantis-digests";
inline constexpr unsigned kDigestFormatVersion = 1;
// A side file larger than this is refused unread: 64 MiB holds the digests
// of some 100,000 locations, far beyond any release history.
inline constexpr uint64_t kMaxDigestFileBytes = 64u << 20;

struct DownloadDigest {
    uint64_t size = 0;
    std::string sha256, sha512;     // lower-case hexadecimal
    std::string etag, lastModified;  // as the server gave them (see headerText); empty for none
    std::string digested;            // when: "YYYY-MM-DDTHH:MM:SSZ"
    std::string edSignature;         // Base64; empty when not signed
    std::string edPublicKey;         // Base64 of the signing key's public half
};

// Location key to digest, in key order.
using DigestFile = std::map<std::string, DownloadDigest>;

// The side file of a package file.
std::string digestFilePath(const std::string& packagePath);

// The key of a location: its bytes, with blanks, control bytes and bytes
// from 0x80 up written as %XX, so that any location is a JSON key whatever
// the package's encoding.
std::string digestKey(const ByteString& location);
// A header value as the side file keeps it: printable ASCII as it is,
// every other byte as %XX.
std::string headerText(const ByteString& value);

// The side file's text (UTF-8 JSON, ending in a line feed).
std::string digestsToJson(const DigestFile& digests);
// Reads a side file. False, with `error` saying where and what, for text
// that is not JSON of this shape.
bool digestsFromJson(std::string_view json, DigestFile& digests, std::string& error);

// Puts a fresh digest in place of the recorded one. A fresh digest without
// a signature keeps the recorded signature while the bytes are the same;
// false when a signature had to go because they changed.
bool recordDigest(DownloadDigest& recorded, DownloadDigest fresh);

// What changed between a recorded digest and a fresh one.
enum class DigestChange { None, Size, Bytes };
DigestChange compareDigests(const DownloadDigest& recorded, const DownloadDigest& fresh);

// What a size request's answer says has changed since the digest: the
// size, the ETag (weak or strong alike) or Last-Modified, each compared
// only when both sides have it. Empty when nothing did.
std::string changesSinceDigest(const DownloadDigest& recorded, const DownloadSizeResult& answer);

}  // namespace orv
