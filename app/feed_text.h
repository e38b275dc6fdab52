// What the three feed builders share: package texts made fit for XML, the
// facts a feed states about one version, and the XML document's output.
#pragma once

#include <pugixml.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/feed.h"
#include "app/release_notes.h"
#include "support/date_time.h"

namespace orv::feed {

// Decodes package texts for a feed and notes every change it has to make.
class Texts {
public:
    Texts(TextCodec& codec, std::vector<FeedWarning>& warnings) : codec_(codec), warnings_(warnings) {}

    // `where` is the field, for warnings.
    std::string text(const ByteString& bytes, const FeedField& where);
    // A link: printable ASCII as it is, everything else percent-encoded
    // (nothing is lost, so nothing is warned about).
    std::string link(const ByteString& bytes) const;
    // The text on one line (line breaks and tabs become blanks), at most
    // `limit` characters (cut at a word where it can be), with a warning
    // when it had to be cut unless told otherwise.
    std::string line(const ByteString& bytes, size_t limit, const FeedField& where, bool warnWhenCut = true);
    void warn(const FeedField& where, std::string message) { warnings_.push_back({where, std::move(message)}); }

private:
    TextCodec& codec_;
    std::vector<FeedWarning>& warnings_;
};

// A record's field: `record` with the field named.
FeedField at(FeedField record, const char* field);

// Cuts UTF-8 text to at most `limit` characters, at a blank where one lies
// in the last quarter; true when it cut.
bool cutToCharacters(std::string& text, size_t limit);

// The facts about the version at one position that feeds state.
struct VersionFacts {
    uint32_t position = 0;
    FeedField record;            // the version, for warnings
    std::string version;         // the version text
    std::optional<DateTimeValue> released;
    std::string location;        // a link, empty when the version has none
    std::optional<uint64_t> size;  // from the digest file, else the package
    const DownloadDigest* digest = nullptr;  // the digest of the location, if any
    bool critical = false;       // fixes a bug of severity 5 or of type Security
    // The earliest version from which upgrading to this one is free all the
    // way (its list predecessors are all in its free-upgrade list from there
    // on); empty when every earlier version upgrades free. This version's
    // own text when not even its predecessor does.
    std::string freeFrom;
    FeedOs os = FeedOs::Guess;  // Guess: unknown
};

// Facts about every version, in list order; `notes` are every version's.
std::vector<VersionFacts> versionFacts(const Package& p, const std::vector<ReleaseNotes>& notes,
                                       const DigestFile& digests, FeedOs os, Texts& texts);

// The texts release notes are made of, decoded once for all versions: each
// feature's title, each bug's title, and each bug as a known issue
// ("title (severity 3, Crash)"), all on one line.
struct NoteTexts {
    std::vector<std::string> features, bugs, knownBugs;
};
NoteTexts noteTexts(const Package& p, Texts& texts);

// The release notes of a version as UTF-8 items.
struct NoteItems {
    std::vector<std::string> added, fixed, known;
    bool empty() const { return added.empty() && fixed.empty() && known.empty(); }
};
NoteItems noteItems(const ReleaseNotes& notes, const NoteTexts& t);

// Everything a builder works from.
struct Inputs {
    const Package& p;
    const std::vector<ReleaseNotes>& notes;
    const std::vector<VersionFacts>& facts;
    const NoteTexts& noteTexts;
    Texts& texts;
};
std::string appcast(const Inputs& in);
std::string appstream(const Inputs& in);
std::string pad(const Inputs& in);

const char* osName(FeedOs os);                // "windows", "macos", "linux"
std::string rfc822Date(const DateTimeValue& d);  // "Mon, 14 May 2007 00:00:00 +0000"
std::string isoDate(const DateTimeValue& d);     // "2007-05-14"

// The document as text, with an XML declaration naming UTF-8.
std::string save(pugi::xml_document& doc);
// The document as text, as pugixml's format flags say.
std::string text(const pugi::xml_document& doc, unsigned flags);
// An element with a text child.
pugi::xml_node textElement(pugi::xml_node parent, const char* name, const std::string& text);

}  // namespace orv::feed
