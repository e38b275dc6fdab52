// The commands about one version: add-version, notes and eligible.
#include "app/download_size.h"
#include "app/editing.h"
#include "app/package_check.h"
#include "app/release_dates.h"
#include "app/release_notes.h"
#include "app/upgrade_eligibility.h"
#include "cli/commands.h"

namespace orv::cli {

namespace {

int notWritable(Context& ctx, const char* option, const std::string& value) {
    return complain(kUsage, std::string(option) + " " + quoted(value) + " cannot be written in " + ctx.package().name());
}

// The release date of the new version: today (UTC, as the editor's
// calendar starts) or the given day, at midnight.
bool releaseDate(const std::string& text, ByteString& stored) {
    DateTimeValue day;
    if (text != "today" && !parseCalendarDate(text, day)) return false;
    stored = releaseDateText(day.ToSystemTime());
    return true;
}

}  // namespace

int runAddVersion(const Options& o, Context& ctx) {
    Package p;
    if (const int status = loadPackage(o.file, p)) return status;
    VersionRecord v;
    if (!ctx.argument(o.version, v.version)) return notWritable(ctx, "--version", o.version);
    if (!ctx.argument(o.location, v.location)) return notWritable(ctx, "--location", o.location);
    if (!ctx.argument(o.screenshot, v.screenshot)) return notWritable(ctx, "--screenshot", o.screenshot);
    if (!ctx.argument(o.thumbnail, v.thumbnail)) return notWritable(ctx, "--thumbnail", o.thumbnail);
    for (const VersionRecord& existing : p.versions) {
        if (existing.version == v.version)
            return complain(kFindings, quoted(o.file) + " holds version " + quoted(o.version) + " already");
    }
    if (!releaseDate(o.date, v.releaseDate))
        return complain(kUsage, "--date " + quoted(o.date) + " is not a date of the form YYYY-MM-DD or today");
    if (!o.size.empty() && !isDecimalNumber(ByteString(o.size)))
        return complain(kUsage, "--size " + quoted(o.size) + " is not a number of bytes");
    v.fileSize = ByteString(o.size);
    v.freeUpgradeDays = o.freeUpgradeDays;
    for (const ByteString& name : split(ByteString(o.freeFrom), ',')) {
        uint32_t position = 0;
        if (const int status = findVersion(ctx, p, o.file, name.toStdString(), position)) return status;
        v.freeUpgrades.append(p.versions[position].id);
    }
    if (o.sizeFromUrl) {
        const DownloadSizeResult r = determineDownloadSize(v.location);
        if (!r.ok)
            return complain(kFileError, "cannot determine the size of " + quoted(o.location) + ":\n" +
                                            safeText(r.message.view()));
        v.fileSize = r.size;
    }
    const ByteString label = v.version;
    const uint32_t position = addVersion(p, std::move(v), o.associate && needsAssociationQuestion(p));
    if (const int status = writePackageFile(o.file, p)) return status;
    if (o.file == "-") return kOk;
    return print("added version " + ctx.show(label) + " (id " + std::to_string(p.versions[position].id) + ") to " +
                 quoted(o.file) + "\n")
               ? kOk
               : kFileError;
}

int runNotes(const Options& o, Context& ctx) {
    Package p;
    uint32_t position = 0;
    if (const int status = loadPackage(o.file, p)) return status;
    if (const int status = findVersion(ctx, p, o.file, o.version, position)) return status;
    const NotesFormat format = o.format == "markdown" ? NotesFormat::Markdown : NotesFormat::Text;
    const ByteString notes = formatReleaseNotes(p, position, releaseNotes(p, position), format);
    return print(ctx.show(notes)) ? kOk : kFileError;
}

int runEligible(const Options& o, Context& ctx) {
    Package p;
    uint32_t owned = 0, target = 0;
    if (const int status = loadPackage(o.file, p)) return status;
    if (const int status = findVersion(ctx, p, o.file, o.owned, owned)) return status;
    target = p.versions.count() - 1;
    if (!o.target.empty()) {
        if (const int status = findVersion(ctx, p, o.file, o.target, target)) return status;
    }
    DateTimeValue purchased;
    if (!parseCalendarDate(o.purchased, purchased))
        return complain(kUsage, "--purchased " + quoted(o.purchased) + " is not a date of the form YYYY-MM-DD");
    const UpgradeDecision d = upgradeEligibility(p, owned, purchased, target);
    const std::string from = ctx.show(p.versions[owned].version);
    const std::string to = ctx.show(p.versions[target].version);
    const std::string window = calendarDateText(d.windowStart).toStdString() + " (" +
                               std::to_string(p.versions[target].freeUpgradeDays) + " days before " + to +
                               " was released on " + calendarDateText(d.released).toStdString() + ")";
    std::string out = d.free ? "free: " : "paid: ";
    switch (d.reason) {
    case UpgradeReason::SameVersion: out += "the customer owns " + to + " already"; break;
    case UpgradeReason::InFreeUpgradeList: out += from + " is in the free-upgrade list of " + to; break;
    case UpgradeReason::PurchasedInWindow:
        out += "bought on " + std::string(o.purchased) + ", on or after " + window;
        break;
    case UpgradeReason::PurchasedTooEarly:
        out += from + " is not in the free-upgrade list of " + to + ", and it was bought on " + o.purchased +
               ", before " + window;
        break;
    case UpgradeReason::NoReleaseDate:
        out += from + " is not in the free-upgrade list of " + to + ", and " + to + " has no release date";
        break;
    }
    if (!print(out + "\n")) return kFileError;
    return d.free ? kOk : kFindings;
}

int runSize(const Options& o, Context&) {
    const DownloadSizeResult r = determineDownloadSize(ByteString(o.url));
    if (!r.ok) return complain(kFileError, quoted(o.url) + ":\n" + safeText(r.message.view()));
    return print(safeText(r.size.view()) + "\n") ? kOk : kFileError;
}

}  // namespace orv::cli
