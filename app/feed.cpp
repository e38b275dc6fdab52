#include "app/feed.h"

#include <unordered_set>

#include "app/feed_text.h"

namespace orv {

Feed buildFeed(const Package& p, const DigestFile& digests, TextCodec& codec, const FeedRequest& request) {
    Feed feed;
    std::vector<FeedWarning> warnings;
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
    for (FeedWarning& w : warnings) {
        const std::string key = std::to_string(static_cast<int>(w.where.subject)) + ' ' + std::to_string(w.where.position) +
                                ' ' + w.where.field + ' ' + w.message;
        if (seen.insert(key).second) feed.warnings.push_back(std::move(w));
    }
    return feed;
}

}  // namespace orv
