#include <nlohmann/json.hpp>

#include "app/digest_check.h"
#include "app/package_check.h"
#include "cli/commands.h"
#include "cli/digests.h"
#include "cli/online.h"

namespace orv::cli {

namespace {

// "version 3 (id 7) releaseDate: ..."; the common information has no
// position or id.
std::string line(Context& ctx, const Finding& f) {
    std::string out = subjectName(f.subject);
    if (f.subject != Subject::Common)
        out += " " + std::to_string(f.position + 1) + " (id " + std::to_string(f.id) + ")";
    return out + " " + f.field + ": " + ctx.show(f.message) + "\n";
}

nlohmann::ordered_json entry(Context& ctx, const Finding& f) {
    nlohmann::ordered_json j;
    j["kind"] = subjectName(f.subject);
    if (f.subject != Subject::Common) {
        j["position"] = f.position + 1;
        j["id"] = f.id;
    }
    j["field"] = f.field;
    j["fault"] = faultName(f.fault);
    j["message"] = ctx.showUtf8(f.message);
    return j;
}

}  // namespace

int runCheck(const Options& o, Context& ctx) {
    Package p;
    if (const int status = loadPackage(o.file, p)) return status;
    std::vector<Finding> findings = checkPackage(p);
    if (o.online) {
        DigestFile digests;
        bool haveDigests = false;
        if (const int status = loadDigests(o.file, digests, haveDigests)) return status;
        OnlineProbes probes = onlineProbes();
        probes.downloadSize = rememberingSizes(probes.downloadSize);  // one request per location for both checks
        std::vector<Finding> more = checkPackageOnline(p, probes);
        findings.insert(findings.end(), more.begin(), more.end());
        if (haveDigests) {
            more = checkAgainstDigests(p, digests, probes.downloadSize);
            findings.insert(findings.end(), more.begin(), more.end());
        }
    }
    std::string out;
    if (o.json) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const Finding& f : findings) list.push_back(entry(ctx, f));
        nlohmann::ordered_json doc = {{"file", o.file}, {"findings", std::move(list)}};
        out = doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
    } else {
        for (const Finding& f : findings) out += line(ctx, f);
    }
    if (!print(out)) return kFileError;
    return findings.empty() ? kOk : kFindings;
}

}  // namespace orv::cli
