// Feeds for the updaters and download sites publishers use, built from a
// package and its digest file: an appcast (RSS 2.0 with the Sparkle
// namespace), an AppStream <releases> block, and a PAD 4.0 file.
//
// Every text of the package is decoded from the package's encoding; bytes
// that do not decode become U+FFFD and characters XML cannot carry are
// dropped, each time with a warning naming the field, so no package makes a
// feed ill-formed. Links keep printable ASCII and have every other byte
// percent-encoded.
#pragma once

#include <string>
#include <vector>

#include "app/digest_file.h"
#include "app/package_check.h"
#include "app/text_codec.h"
#include "package/model.h"

namespace orv {

enum class FeedFormat { Appcast, AppStream, Pad };

// The system the downloads are for. Guess: from each location's file
// extension (.exe and .msi for Windows, .dmg and .pkg for macOS, .deb,
// .rpm, .AppImage, .flatpak and .snap for Linux), none when it tells nothing.
enum class FeedOs { Guess, Windows, MacOS, Linux };

struct FeedRequest {
    FeedFormat format = FeedFormat::Appcast;
    FeedOs os = FeedOs::Guess;
};

// A field of the package, as a warning names it.
struct FeedField {
    Subject subject = Subject::Common;  // Common, Version, Feature or Bug
    uint32_t position = 0, id = 0;      // the record's; 0 for the common information
    ByteString name;                    // the record's version text or title
    std::string field;                  // "title", "releaseDate"; empty for the record as a whole
    bool operator==(const FeedField&) const = default;
};

struct FeedWarning {
    FeedField where;
    std::string message;  // UTF-8, one sentence
    bool operator==(const FeedWarning&) const = default;
};

struct Feed {
    std::string xml;                    // UTF-8, with its XML declaration
    std::vector<FeedWarning> warnings;  // each once
};

// Versions are taken newest first, the newest being the last in the list.
// Sizes, hashes and signatures come from `digests` where it has the
// location, else the size from the package.
Feed buildFeed(const Package& p, const DigestFile& digests, TextCodec& codec, const FeedRequest& request);

}  // namespace orv
