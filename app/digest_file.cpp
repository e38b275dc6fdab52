#include "app/digest_file.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace orv {

namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kTextMembers[] = {"sha256", "sha512", "etag", "lastModified", "digested", "edSignature",
                                        "edPublicKey"};

std::string DownloadDigest::*textMember(size_t i) {
    static std::string DownloadDigest::*const kMembers[] = {
        &DownloadDigest::sha256,   &DownloadDigest::sha512,      &DownloadDigest::etag,       &DownloadDigest::lastModified,
        &DownloadDigest::digested, &DownloadDigest::edSignature, &DownloadDigest::edPublicKey};
    return kMembers[i];
}

std::string percentEscaped(std::string_view bytes, bool keepBlank) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if ((b > 0x20 && b < 0x7F) || (keepBlank && b == 0x20)) {
            out += c;
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    return out;
}

bool isHex(const std::string& s, size_t length) {
    return s.size() == length && std::all_of(s.begin(), s.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

// One entry of "downloads"; false with the problem in `error`.
bool readEntry(const Json& entry, DownloadDigest& d, std::string& error) {
    if (!entry.is_object()) return error = "expected an object", false;
    for (const auto& item : entry.items()) {
        const std::string& name = item.key();
        const Json& value = item.value();
        if (name == "size") {
            if (!value.is_number_unsigned()) return error = "size: expected a whole number", false;
            d.size = value.get<uint64_t>();
            continue;
        }
        const auto* known = std::find_if(std::begin(kTextMembers), std::end(kTextMembers),
                                         [&](const char* m) { return name == m; });
        if (known == std::end(kTextMembers)) return error = "unknown member \"" + name + "\"", false;
        if (!value.is_string()) return error = name + ": expected a string", false;
        d.*textMember(static_cast<size_t>(known - std::begin(kTextMembers))) = value.get<std::string>();
    }
    if (!entry.contains("size")) return error = "size is missing", false;
    if (!isHex(d.sha256, 64)) return error = "sha256: expected 64 hexadecimal digits", false;
    if (!isHex(d.sha512, 128)) return error = "sha512: expected 128 hexadecimal digits", false;
    return true;
}

// The member of an object, or null (also when `j` is no object).
const Json* member(const Json& j, const char* name) {
    if (!j.is_object()) return nullptr;
    const auto it = j.find(name);
    return it == j.end() ? nullptr : &*it;
}

// Strong and weak validators of the same entity compare equal.
std::string_view withoutWeak(std::string_view etag) {
    return etag.substr(0, 2) == "W/" ? etag.substr(2) : etag;
}

}  // namespace

std::string digestFilePath(const std::string& packagePath) { return packagePath + ".digests.json"; }

std::string digestKey(const ByteString& location) { return percentEscaped(location.view(), false); }

std::string headerText(const ByteString& value) { return percentEscaped(value.view(), true); }

std::string digestsToJson(const DigestFile& digests) {
    Json downloads = Json::object();
    for (const auto& [key, d] : digests) {
        Json entry = {{"size", d.size}};
        for (size_t i = 0; i < std::size(kTextMembers); ++i) {
            const std::string& text = d.*textMember(i);
            if (!text.empty() || i < 2) entry[kTextMembers[i]] = text;
        }
        downloads[key] = std::move(entry);
    }
    const Json doc = {{"format", {{"name", kDigestFormatName}, {"version", kDigestFormatVersion}}},
                      {"downloads", std::move(downloads)}};
    // Every text is ASCII (keys and header values escaped, hashes in hex).
    return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

bool digestsFromJson(std::string_view json, DigestFile& digests, std::string& error) {
    digests.clear();
    // Values nested deeper than the shape allows are dropped as they are
    // read, so a crafted file cannot build a deep tree.
    const Json::parser_callback_t shallow = [](int depth, Json::parse_event_t, Json&) { return depth <= 3; };
    const Json doc = Json::parse(json, shallow, false);
    if (doc.is_discarded()) return error = "not JSON", false;
    if (!doc.is_object()) return error = "expected an object", false;
    const Json* format = member(doc, "format");
    const Json* name = format ? member(*format, "name") : nullptr;
    if (!name || !name->is_string() || name->get<std::string>() != kDigestFormatName)
        return error = std::string("at .format: expected {\"name\": \"") + kDigestFormatName + "\", ...}", false;
    const Json* version = member(*format, "version");
    if (!version || !version->is_number_unsigned() || version->get<uint64_t>() != kDigestFormatVersion)
        return error = "at .format.version: only version 1 is known", false;
    const Json* downloads = member(doc, "downloads");
    if (!downloads || !downloads->is_object()) return error = "at .downloads: expected an object", false;
    for (const auto& [key, entry] : downloads->items()) {
        DownloadDigest d;
        if (!readEntry(entry, d, error)) {
            error = "at .downloads[\"" + percentEscaped(key, true) + "\"]: " + error;
            return false;
        }
        digests[key] = std::move(d);
    }
    return true;
}

bool recordDigest(DownloadDigest& recorded, DownloadDigest fresh) {
    const bool same = compareDigests(recorded, fresh) == DigestChange::None;
    if (fresh.edSignature.empty() && same) {
        fresh.edSignature = std::move(recorded.edSignature);
        fresh.edPublicKey = std::move(recorded.edPublicKey);
    }
    const bool dropped = !recorded.edSignature.empty() && fresh.edSignature.empty() && !same;
    recorded = std::move(fresh);
    return !dropped;
}

DigestChange compareDigests(const DownloadDigest& recorded, const DownloadDigest& fresh) {
    if (recorded.size != fresh.size) return DigestChange::Size;
    if (recorded.sha256 != fresh.sha256 || recorded.sha512 != fresh.sha512) return DigestChange::Bytes;
    return DigestChange::None;
}

std::string changesSinceDigest(const DownloadDigest& recorded, const DownloadSizeResult& answer) {
    std::string changes;
    auto note = [&](const char* what, const std::string& before, const std::string& now) {
        changes += changes.empty() ? "" : "; ";
        changes += std::string(what) + " was " + before + ", now " + now;
    };
    std::string size = answer.size.toStdString();
    size.erase(0, std::min(size.find_first_not_of('0'), size.size() - 1));  // "0077" is 77
    if (size != std::to_string(recorded.size)) note("size", std::to_string(recorded.size), percentEscaped(size, true));
    const std::string etag = headerText(answer.etag), modified = headerText(answer.lastModified);
    if (!recorded.etag.empty() && !etag.empty() && withoutWeak(recorded.etag) != withoutWeak(etag))
        note("ETag", recorded.etag, etag);
    if (!recorded.lastModified.empty() && !modified.empty() && recorded.lastModified != modified)
        note("Last-Modified", recorded.lastModified, modified);
    return changes;
}

}  // namespace orv
