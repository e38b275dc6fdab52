#include "app/feed.h"

#include <unordered_set>

#include "app/feed_text.h"

namespace orv {

Feed buildFeed(const Package& p, const DigestFile& digests, TextCodec& codec, const FeedRequest& request) {
    Feed feed;
    std::vector<std::string> warnings;
    feed::Texts texts(codec, warnings);
    const std::vector<ReleaseNotes> notes = allReleaseNotes(p);
    const std::vector<feed::VersionFacts> facts = feed::versionFacts(p, notes, digests, request.os, texts);
    const feed::NoteTexts noteTexts = feed::noteTexts(p, texts);
    const feed::Inputs in{p, notes, facts, noteTexts, texts};
    switch (request.format) {
    case FeedFormat::Appcast: feed.xml = feed::appcast(in); break;
    case FeedFormat::AppStream: feed.xml = feed::appstream(in); break;
    case FeedFormat::Pad: feed.xml = feed::pad(in); break;
    }
    // A text used in many places is reported once.
    std::unordered_set<std::string> seen;
    for (std::string& w : warnings)
        if (seen.insert(w).second) feed.warnings.push_back(std::move(w));
    return feed;
}

}  // namespace orv
