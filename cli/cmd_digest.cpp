// digest: downloads every version's location and records its size, hashes
// and, with a key, signature in the digest file beside the package; with
// --verify, downloads again and reports what changed. Each version's line
// (or JSON entry) goes out as soon as its download ends.
#include <chrono>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>

#include "app/download_digest.h"
#include "app/failure_reason.h"
#include "app/package_check.h"
#include "cli/commands.h"
#include "cli/digests.h"
#include "cli/online.h"
#include "cli/records.h"
#include "support/date_time.h"
#include "support/numbers.h"

namespace orv::cli {

namespace {

using Json = nlohmann::ordered_json;

// A progress line on standard error while a download runs, when that is a
// terminal (and the errors are not JSON), redrawn at most ten times a second.
class Progress {
public:
    explicit Progress(bool wanted) : terminal_(wanted && standardErrorIsTerminal()) {}
    ~Progress() { clear(); }
    void start(std::string label) {
        label_ = std::move(label);
        last_ = {};
    }
    void update(uint64_t received, uint64_t total) {
        const auto now = std::chrono::steady_clock::now();
        if (!terminal_ || now - last_ < std::chrono::milliseconds(100)) return;
        last_ = now;
        const double mb = 1024.0 * 1024.0;
        if (total > 0)
            std::fprintf(stderr, "\r\033[K%s: %.1f of %.1f MiB (%u%%)", label_.c_str(), received / mb, total / mb,
                         static_cast<unsigned>(received * 100 / total));
        else
            std::fprintf(stderr, "\r\033[K%s: %.1f MiB", label_.c_str(), received / mb);
        drawn_ = true;
    }
    void clear() {
        if (drawn_) std::fprintf(stderr, "\r\033[K");
        drawn_ = false;
    }

private:
    bool terminal_, drawn_ = false;
    std::string label_;
    std::chrono::steady_clock::time_point last_;
};

int loadKey(Context& ctx, const std::string& path, SigningKey& key) {
    ByteString pem;
    if (!readInput(ctx, path, pem)) return kFileError;
    std::string error;
    if (!key.load(pem.view(), error)) return ctx.fail(kUsage, "--sign-key " + quotedName(path), "refused", error);
    if (readableByOthers(path)) ctx.warn(quotedName(path), "other users may read this key, and it signs your downloads");
    return kOk;
}

std::string now() {
    std::string stamp = DateTimeValue::FormatStamp(DateTimeValue().ToSystemTime()).toStdString();
    stamp[10] = 'T';
    return stamp + "Z";
}

// What --verify says of one download: a status for scripts and a text.
struct Change {
    const char* status;
    std::string text;
};

Change change(const DownloadDigest* recorded, const DownloadDigest& fresh) {
    if (!recorded) return {"no-digest", "no digest recorded (run digest without --verify first)"};
    switch (compareDigests(*recorded, fresh)) {
    case DigestChange::None: break;
    case DigestChange::Size:
        return {"size-changed", "changed: " + std::to_string(recorded->size) + " bytes recorded, " +
                                    std::to_string(fresh.size) + " now"};
    case DigestChange::Bytes:
        return {"bytes-changed", "changed: the same size (" + std::to_string(fresh.size) + " bytes) but other bytes"};
    }
    return {"unchanged", "unchanged"};
}

// One run over a package's versions: each location downloaded once, each
// version's digest kept for writing (or, verifying, compared with the
// recorded one), its line or JSON entry written at once.
class Run {
public:
    Run(Context& ctx, const DigestFile& recorded, const DigestOptions& options)
        : ctx_(ctx), recorded_(recorded), options_(options), progress_(!ctx.options().json) {}

    // False once the output failed.
    bool version(const Package& p, uint32_t i) {
        const VersionRecord& v = p.versions[i];
        if (v.location.empty()) return true;
        const std::string name = recordName(ctx_, "version", v.version, i, v.id);
        const std::string where = digestKey(v.location);
        if (!isWebLink(v.location)) {
            ctx_.warn(name, quotedName(where) + " is not a web link; skipped");
            return true;
        }
        const DigestOutcome& r = download(v.location, where, name);
        Json entry = {{"position", i + 1}, {"id", v.id}, {"version", ctx_.showUtf8(v.version)}, {"location", where}};
        if (!r.ok) {
            ++failed;
            const ByteString reason = failureReason(ByteString(r.message));
            ctx_.fail(kFileError, quotedName(where), "cannot download " + name, safeText(reason.view()), safeText(r.message));
            entry.update({{"status", "failed"}, {"reason", reason.toStdString()}});
            return report(std::move(entry), "");
        }
        entry.update({{"size", r.digest.size}, {"sha256", r.digest.sha256}, {"sha512", r.digest.sha512}});
        const auto before = recorded_.find(where);
        if (ctx_.options().verify) {
            const Change c = change(before == recorded_.end() ? nullptr : &before->second, r.digest);
            changed += std::string_view(c.status) != "unchanged";
            entry["status"] = c.status;
            return report(std::move(entry), name + ": " + c.text + "\n");
        }
        DownloadDigest fresh = r.digest;
        fresh.digested = now();
        // As it will be recorded, for the report.
        DownloadDigest shown = before == recorded_.end() ? DownloadDigest{} : before->second;
        if (!recordDigest(shown, fresh))
            ctx_.warn(name, "the download changed, so its signature was dropped; sign it again");
        digests[where] = std::move(fresh);
        ++digested;
        if (isPositiveSize(v.fileSize) && parseU64(v.fileSize) != shown.size)
            ctx_.warn(name, "the package says " + ctx_.show(v.fileSize) + " bytes, the download has " +
                                std::to_string(shown.size));
        entry["status"] = "digested";
        if (!shown.edSignature.empty()) entry["edSignature"] = shown.edSignature;
        return report(std::move(entry), name + ": " + std::to_string(shown.size) + " bytes, sha256 " + shown.sha256 +
                                            (shown.edSignature.empty() ? "" : ", signed") + "\n");
    }

    bool anyDownload() const { return !done_.empty(); }

    uint64_t failed = 0, changed = 0, digested = 0;
    std::map<std::string, DownloadDigest> digests;  // fresh ones, by location, to be recorded

private:
    const DigestOutcome& download(const ByteString& location, const std::string& where, const std::string& name) {
        auto it = done_.find(where);
        if (it != done_.end()) return it->second;
        progress_.start(name.substr(0, 40));
        DigestOptions options = options_;
        options.progress = [&](uint64_t received, uint64_t total) { progress_.update(received, total); };
        it = done_.emplace(where, digestDownload(location, options)).first;
        progress_.clear();
        return it->second;
    }
    bool report(Json entry, const std::string& text) {
        bool ok = true;
        if (ctx_.options().json)
            ok = ctx_.write((entries_++ ? ",\n" : "\n") + entry.dump(-1, ' ', false, Json::error_handler_t::replace));
        else if (!text.empty())
            ok = ctx_.write(text);
        return ok && ctx_.flush();  // a download takes long: each result shows when it is known
    }

    Context& ctx_;
    const DigestFile& recorded_;
    const DigestOptions& options_;
    Progress progress_;
    std::map<std::string, DigestOutcome> done_;  // each location once
    uint64_t entries_ = 0;
};

// Records the fresh digests in the side file. The package lock is held
// from reading the side file again to writing it, so that another digest
// (or the editor or add-version at the package) that wrote meanwhile keeps
// what it wrote: only the locations digested here change.
int record(Context& ctx, const std::string& file, const std::string& sideFile,
           const std::map<std::string, DownloadDigest>& fresh) {
    FileLock lock;
    if (const int status = lockPackage(ctx, file, lock)) return status;
    DigestFile digests;
    bool exists = false;
    if (const int status = loadDigests(ctx, file, digests, exists)) return status;
    for (const auto& [where, digest] : fresh) recordDigest(digests[where], digest);
    if (const int status = writeOutput(ctx, sideFile, ByteString(digestsToJson(digests)))) return status;
    if (!exists) shareLike(sideFile, file);
    return kOk;
}

}  // namespace

int runDigest(Context& ctx) {
    const Options& o = ctx.options();
    if (o.file == "-")
        return ctx.fail(kUsage, quotedName(o.file), "cannot be digested", "the digests are kept beside a package file");
    Package p;
    DigestFile recorded;
    bool exists = false;
    SigningKey key;
    if (const int status = loadPackage(ctx, o.file, p)) return status;
    if (const int status = loadDigests(ctx, o.file, recorded, exists)) return status;
    if (!o.signKey.empty())
        if (const int status = loadKey(ctx, o.signKey, key)) return status;
    const std::string sideFile = digestFilePath(o.file);
    // A download may take long: its work must not be lost at the end.
    if (const std::string obstacle = o.verify ? "" : writeObstacle(sideFile); !obstacle.empty())
        return ctx.fail(kFileError, quotedName(sideFile), "cannot write (nothing was downloaded)", obstacle);

    DigestOptions options;
    options.request = processOptions();
    options.key = key.loaded() ? &key : nullptr;
    Run run(ctx, recorded, options);
    if (o.json && !ctx.write("{\"file\":" + jsonString(o.file) + ",\"digests\":" + jsonString(sideFile) +
                             ",\"verify\":" + (o.verify ? "true" : "false") + ",\"versions\":["))
        return kFileError;
    for (uint32_t i = 0; i < p.versions.count(); ++i)
        if (!run.version(p, i)) return kFileError;
    if (!run.anyDownload()) ctx.warn(quotedName(o.file), "no version has a web link to download");

    int status = kOk;
    if (run.digested > 0) status = record(ctx, o.file, sideFile, run.digests);
    const bool written = run.digested > 0 && status == kOk;
    bool ok = true;
    if (o.json) {
        Json end = {{"digested", run.digested}, {"changed", run.changed}, {"failed", run.failed}, {"written", written}};
        if (key.loaded()) end["publicKey"] = key.publicKeyBase64();
        ok = ctx.write("\n]," + end.dump().substr(1) + "\n");
    } else {
        if (written) ok = ctx.write("digests written to " + quotedName(sideFile) + "\n");
        if (written && key.loaded()) ok = ok && ctx.write("public key (for the updater): " + key.publicKeyBase64() + "\n");
    }
    if (!ok || !ctx.flush()) return kFileError;
    if (status != kOk || run.failed) return kFileError;
    return run.changed ? kFindings : kOk;
}

}  // namespace orv::cli
