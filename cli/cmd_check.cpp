// check: every finding as it is found, one line (or one JSON object) each.
#include <nlohmann/json.hpp>

#include "app/digest_check.h"
#include "app/package_check.h"
#include "cli/commands.h"
#include "cli/digests.h"
#include "cli/online.h"
#include "cli/records.h"

namespace orv::cli {

namespace {

// How a finding names its record: "version 2.0 (id 3)", "bug at position
// 2 (id 0)" for one without a name, "common", "file".
std::string subject(Context& ctx, const Finding& f) {
    if (f.subject == Subject::File || f.subject == Subject::Common) return subjectName(f.subject);
    return recordName(ctx, subjectName(f.subject), f.name, f.position, f.id);
}

std::string line(Context& ctx, const Finding& f) {
    std::string out = subject(ctx, f);
    if (*f.field) out += std::string(" ") + f.field;
    out += ": ";
    if (f.level == Level::Warning) out += "warning: ";
    out += ctx.show(f.message);
    if (f.count > 1) out += " (" + withCommas(f.count) + " times)";
    return out + "\n";
}

std::string entry(Context& ctx, const Finding& f) {
    nlohmann::ordered_json j;
    j["kind"] = subjectName(f.subject);
    if (f.subject != Subject::File && f.subject != Subject::Common) {
        j["id"] = f.id;
        j["name"] = ctx.showUtf8(f.name);
        j["position"] = f.position + 1;
    }
    j["field"] = f.field;
    j["fault"] = faultName(f.fault);
    j["level"] = levelName(f.level);
    j["count"] = f.count;
    j["message"] = ctx.showUtf8(f.message);
    return j.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace

int runCheck(Context& ctx) {
    const Options& o = ctx.options();
    Package p;
    PackageReadReport read;
    if (const int status = loadPackage(ctx, o.file, p, &read)) return status;
    DigestFile digests;
    bool haveDigests = false;
    if (o.online)
        if (const int status = loadDigests(ctx, o.file, digests, haveDigests)) return status;
    uint64_t faults = 0, warnings = 0;
    bool ok = !o.json || ctx.write("{\"file\":" + jsonString(o.file) + ",\"encoding\":" +
                                   jsonString(ctx.package().name()) + ",\"findings\":[");
    auto report = [&](const Finding& f) {
        if (!ok) return;
        ++(f.level == Level::Warning ? warnings : faults);
        ok = o.json ? ctx.write((faults + warnings > 1 ? ",\n" : "\n") + entry(ctx, f)) : ctx.write(line(ctx, f));
    };
    for (const Finding& f : fileFindings(read)) report(f);
    checkPackage(p, report);
    if (o.online) {
        ctx.flush();  // what is known so far, before the network is asked
        OnlineProbes probes = onlineProbes();
        probes.downloadSize = rememberingSizes(probes.downloadSize);  // one request per location for both checks
        for (const Finding& f : checkPackageOnline(p, probes)) report(f);
        if (haveDigests)
            for (const Finding& f : checkAgainstDigests(p, digests, probes.downloadSize)) report(f);
    }
    if (o.json)
        ok = ok && ctx.write("],\"faults\":" + std::to_string(faults) + ",\"warnings\":" + std::to_string(warnings) + "}\n");
    if (!ok || !ctx.flush()) return kFileError;
    return faults ? kFindings : kOk;
}

}  // namespace orv::cli
