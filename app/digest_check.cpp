#include "app/digest_check.h"

namespace orv {

std::vector<Finding> checkAgainstDigests(const Package& p, const DigestFile& digests,
                                         const std::function<DownloadSizeResult(const ByteString&)>& downloadSize) {
    std::vector<Finding> findings;
    for (uint32_t i = 0; i < p.versions.count(); ++i) {
        const VersionRecord& v = p.versions[i];
        const auto recorded = v.location.empty() ? digests.end() : digests.find(digestKey(v.location));
        if (recorded == digests.end()) continue;
        const DownloadSizeResult answer = downloadSize(v.location);
        const std::string changes = answer.ok ? changesSinceDigest(recorded->second, answer) : "";
        if (!changes.empty())
            findings.push_back({Subject::Version, i, v.id, v.version, "location", Fault::ChangedSinceDigest, Level::Fault,
                                "\"" + v.location + "\" changed since its digest: " + ByteString(changes)});
    }
    return findings;
}

}  // namespace orv
