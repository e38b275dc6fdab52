// The commands about one version: add-version, notes and eligible; size,
// which asks a download's server; versions, which lists version texts.
#include <nlohmann/json.hpp>

#include "app/download_size.h"
#include "app/editing.h"
#include "app/failure_reason.h"
#include "app/package_check.h"
#include "app/release_dates.h"
#include "app/release_notes.h"
#include "app/upgrade_eligibility.h"
#include "cli/commands.h"
#include "cli/online.h"
#include "cli/records.h"
#include "support/numbers.h"

namespace orv::cli {

namespace {

using Json = nlohmann::ordered_json;

bool printJson(Context& ctx, const Json& j) {
    return ctx.write(j.dump(2, ' ', false, Json::error_handler_t::replace) + "\n") && ctx.flush();
}

int notWritable(Context& ctx, const char* option, const std::string& value) {
    return ctx.fail(kUsage, std::string(option) + " " + quotedName(value), "cannot be written",
                    "the package's encoding " + ctx.package().name() + " has no such characters");
}

// The size of the new version's download, asked before the lock is taken:
// the answer does not depend on the file.
int askSize(Context& ctx, const std::string& url, ByteString& size) {
    const DownloadSizeResult r = strictDownloadSize(ByteString(url), processOptions());
    if (r.ok) {
        size = r.size;
        return kOk;
    }
    return ctx.fail(kFileError, quotedName(url), "cannot determine the size", safeText(failureReason(r.message).view()),
                    safeText(r.message.view()));
}

// The faults `check` would find in the version at `position`, one text.
std::string faultsOf(Context& ctx, const Package& p, uint32_t position) {
    std::string out;
    checkPackage(p, [&](const Finding& f) {
        if (f.subject != Subject::Version || f.position != position || f.level != Level::Fault) return;
        out += (out.empty() ? "" : "; ") + std::string(f.field) + ": " + ctx.show(f.message);
    });
    return out;
}

}  // namespace

int runAddVersion(Context& ctx) {
    const Options& o = ctx.options();
    if (o.version.empty()) return ctx.fail(kUsage, "--version ''", "refused", "a version needs a version text");
    if (!isWebLink(ByteString(o.location)))
        return ctx.fail(kUsage, "--location " + quotedName(o.location), "refused", "not an http or https URL");
    DateTimeValue day;
    if (o.date != "today" && !parseCalendarDate(o.date, day))
        return ctx.fail(kUsage, "--date " + quotedName(o.date), "refused", "not a date of the form YYYY-MM-DD, nor today");
    if (!o.size.empty() && !isPositiveSize(ByteString(o.size)))
        return ctx.fail(kUsage, "--size " + quotedName(o.size), "refused", "not a positive number of bytes");
    ByteString size(o.size);
    if (o.sizeFromUrl) {
        if (const int status = askSize(ctx, o.location, size)) return status;
    }

    FileLock lock;  // held from the read to the write, so no other writer's version is lost
    if (!o.dryRun) {
        if (const int status = lockPackage(ctx, o.file, lock)) return status;
    }
    Package p;
    if (const int status = loadPackage(ctx, o.file, p)) return status;
    VersionRecord v;
    if (!ctx.argument(o.version, v.version)) return notWritable(ctx, "--version", o.version);
    if (!ctx.argument(o.location, v.location)) return notWritable(ctx, "--location", o.location);
    if (!ctx.argument(o.screenshot, v.screenshot)) return notWritable(ctx, "--screenshot", o.screenshot);
    if (!ctx.argument(o.thumbnail, v.thumbnail)) return notWritable(ctx, "--thumbnail", o.thumbnail);
    for (const VersionRecord& existing : p.versions) {
        if (existing.version == v.version)
            return ctx.fail(kFindings, quotedName(o.file), "holds version " + quotedName(o.version) + " already");
    }
    v.releaseDate = releaseDateText((o.date == "today" ? releaseDateValue(ByteString()) : day).ToSystemTime());
    v.fileSize = size;
    v.freeUpgradeDays = o.freeUpgradeDays;
    for (const ByteString& name : split(ByteString(o.freeFrom), ',')) {
        uint32_t position = 0;
        if (const int status = findVersion(ctx, p, o.file, name.toStdString(), position)) return status;
        v.freeUpgrades.append(p.versions[position].id);
    }
    const uint32_t position = addVersion(p, std::move(v), o.associate && needsAssociationQuestion(p));
    if (const std::string faults = faultsOf(ctx, p, position); !faults.empty())
        return ctx.fail(kUsage, quotedName(o.file), "refused version " + quotedName(o.version), faults);

    const bool write = !o.dryRun;
    if (write) {
        if (const int status = writePackageFile(ctx, o.file, p)) return status;
    }
    const Names versions(p.versions);
    if (o.json) {
        bool ok = ctx.write("{\"file\":" + jsonString(o.file) + ",\"written\":" + (write ? "true" : "false") + ",\"added\":") &&
                  writeVersionJson(ctx, p, position, versions) && ctx.write("}\n");
        return ok && ctx.flush() ? kOk : kFileError;
    }
    if (write && o.file == "-") return kOk;  // the package went to standard output
    const std::string what = (write ? "added version " : "would add version ") + ctx.show(p.versions[position].version) +
                             " (id " + std::to_string(p.versions[position].id) + ") to " + quotedName(o.file) + "\n";
    bool ok = ctx.write(what);
    if (!write) ok = ok && writeVersionText(ctx, p, position, versions);
    return ok && ctx.flush() ? kOk : kFileError;
}

int runNotes(Context& ctx) {
    const Options& o = ctx.options();
    Package p;
    uint32_t position = 0;
    if (const int status = loadPackage(ctx, o.file, p)) return status;
    if (const int status = findVersion(ctx, p, o.file, o.version, position)) return status;
    const ReleaseNotes notes = releaseNotes(p, position);
    if (!o.json) {
        const NotesFormat format = o.format == "markdown" ? NotesFormat::Markdown : NotesFormat::Text;
        return ctx.write(ctx.show(formatReleaseNotes(p, position, notes, format))) && ctx.flush() ? kOk : kFileError;
    }
    const VersionRecord& v = p.versions[position];
    Json j = {{"file", o.file},
              {"version", {{"id", v.id}, {"version", ctx.showUtf8(v.version)}, {"releaseDate", ctx.showUtf8(v.releaseDate)}}}};
    auto item = [&](uint32_t id, const ByteString& title, const ByteString& description) {
        return Json{{"id", id}, {"title", ctx.showUtf8(title)}, {"description", ctx.showUtf8(firstParagraph(description))}};
    };
    j["new"] = Json::array();
    for (uint32_t i : notes.newFeatures) j["new"].push_back(item(p.features[i].id, p.features[i].title, p.features[i].description));
    j["fixed"] = Json::array();
    for (uint32_t i : notes.fixedBugs) j["fixed"].push_back(item(p.bugs[i].id, p.bugs[i].title, p.bugs[i].description));
    j["knownIssues"] = Json::array();
    for (uint32_t i : notes.knownIssues) {
        Json issue = item(p.bugs[i].id, p.bugs[i].title, p.bugs[i].description);
        issue["severity"] = p.bugs[i].severity;
        issue["type"] = ctx.showUtf8(p.bugs[i].type);
        j["knownIssues"].push_back(std::move(issue));
    }
    return printJson(ctx, j) ? kOk : kFileError;
}

int runEligible(Context& ctx) {
    const Options& o = ctx.options();
    Package p;
    uint32_t owned = 0, target = 0;
    if (const int status = loadPackage(ctx, o.file, p)) return status;
    if (const int status = findVersion(ctx, p, o.file, o.owned, owned)) return status;
    target = p.versions.count() - 1;
    if (!o.target.empty()) {
        if (const int status = findVersion(ctx, p, o.file, o.target, target)) return status;
    }
    DateTimeValue purchased = releaseDateValue(ByteString());  // today
    if (o.purchased != "today" && !parseCalendarDate(o.purchased, purchased))
        return ctx.fail(kUsage, "--purchased " + quotedName(o.purchased), "refused", "not a date of the form YYYY-MM-DD, nor today");
    const std::string from = ctx.show(p.versions[owned].version);
    const std::string to = ctx.show(p.versions[target].version);
    if (!isUpgrade(owned, target))
        return ctx.fail(kUsage, quotedName(o.file), "not an upgrade",
                        owned == target ? "the customer owns " + to + " already"
                                        : to + " does not come after " + from + " in the list of versions");
    const UpgradeDecision d = upgradeEligibility(p, owned, purchased, target);
    const std::string bought = calendarDateText(purchased).toStdString();
    const std::string window = calendarDateText(d.windowStart).toStdString() + " (" +
                               std::to_string(p.versions[target].freeUpgradeDays) + " days before " + to +
                               " was released on " + calendarDateText(d.released).toStdString() + ")";
    std::string out = d.free ? "free: " : "paid: ";
    const char* reason = "";
    switch (d.reason) {
    case UpgradeReason::SameVersion: break;  // not an upgrade: refused above
    case UpgradeReason::InFreeUpgradeList:
        reason = "in-free-upgrade-list";
        out += from + " is in the free-upgrade list of " + to;
        break;
    case UpgradeReason::PurchasedInWindow:
        reason = "purchased-in-window";
        out += "bought on " + bought + ", on or after " + window;
        break;
    case UpgradeReason::PurchasedTooEarly:
        reason = "purchased-too-early";
        out += from + " is not in the free-upgrade list of " + to + ", and it was bought on " + bought + ", before " + window;
        break;
    case UpgradeReason::NoReleaseDate:
        reason = "no-release-date";
        out += from + " is not in the free-upgrade list of " + to + ", and " + to + " has no release date";
        break;
    }
    bool ok;
    if (o.json) {
        Json j = {{"file", o.file},
                  {"owned", ctx.showUtf8(p.versions[owned].version)},
                  {"target", ctx.showUtf8(p.versions[target].version)},
                  {"purchased", bought},
                  {"free", d.free},
                  {"reason", reason},
                  {"message", out}};
        if (d.reason == UpgradeReason::PurchasedInWindow || d.reason == UpgradeReason::PurchasedTooEarly) {
            j["released"] = calendarDateText(d.released).toStdString();
            j["windowStart"] = calendarDateText(d.windowStart).toStdString();
        }
        ok = printJson(ctx, j);
    } else {
        ok = ctx.write(out + "\n") && ctx.flush();
    }
    if (!ok) return kFileError;
    return d.free ? kOk : kFindings;
}

int runSize(Context& ctx) {
    const Options& o = ctx.options();
    ByteString size;
    if (const int status = askSize(ctx, o.url, size)) return status;
    if (o.json) return printJson(ctx, Json{{"url", o.url}, {"size", parseU64(size)}}) ? kOk : kFileError;
    return ctx.write(safeText(size.view()) + "\n") && ctx.flush() ? kOk : kFileError;
}

int runVersions(Context& ctx) {
    Package p;
    if (const int status = loadPackage(ctx, ctx.options().file, p)) return status;
    if (ctx.options().json) {
        Json list = Json::array();
        for (const VersionRecord& v : p.versions) list.push_back(ctx.showUtf8(v.version));
        return printJson(ctx, list) ? kOk : kFileError;
    }
    bool ok = true;
    for (uint32_t i = 0; ok && i < p.versions.count(); ++i) ok = ctx.write(ctx.show(p.versions[i].version) + "\n");
    return ok && ctx.flush() ? kOk : kFileError;
}

}  // namespace orv::cli
