// `digest`: downloads every version's location and records its size,
// hashes and, with a key, signature in the digest file beside the package;
// with --verify, downloads again and reports what changed.
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>

#include "app/download_digest.h"
#include "app/package_check.h"
#include "cli/commands.h"
#include "cli/digests.h"
#include "support/date_time.h"
#include "support/numbers.h"

namespace orv::cli {

namespace {

using Json = nlohmann::ordered_json;

// A progress line on standard error while a download runs, when that is a
// terminal, redrawn at most ten times a second.
class Progress {
public:
    Progress() : terminal_(::isatty(STDERR_FILENO) == 1) {}
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

int loadKey(const std::string& path, SigningKey& key) {
    ByteString pem;
    if (!readInput(path, pem)) return kFileError;
    std::string error;
    if (!key.load(pem.view(), error)) return complain(kUsage, "cannot sign with " + cli::quoted(path) + ": " + error);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && (st.st_mode & 077))
        complain(kOk, "warning: " + cli::quoted(path) + " can be read by other users; its key signs your downloads");
    return kOk;
}

// Whether the side file can be written, asked before any download starts:
// a download may take long, and its work would be lost at the end.
int checkWritable(const std::string& path, bool exists) {
    std::string folder = path.substr(0, path.rfind('/') + 1);
    if (folder.empty()) folder = ".";
    const int rc = exists ? ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS)
                          : ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS);
    if (rc == 0) return kOk;
    return complain(kFileError, "cannot write " + cli::quoted(path) + ": " + std::strerror(errno) +
                                    " (nothing was downloaded)");
}

// A new side file is shared as the package it belongs to is: the package's
// group (where we may give it) and permission bits.
void shareLikePackage(const std::string& sideFile, const std::string& package) {
    struct stat st {};
    if (::stat(package.c_str(), &st) != 0) return;
    if (::chown(sideFile.c_str(), static_cast<uid_t>(-1), st.st_gid) != 0) {
        // not a member of that group: the folder's or our own stays
    }
    ::chmod(sideFile.c_str(), st.st_mode & 0666);
}

std::string now() {
    std::string stamp = DateTimeValue::FormatStamp(DateTimeValue().ToSystemTime()).toStdString();
    stamp[10] = 'T';
    return stamp + "Z";
}

std::string change(const DownloadDigest* recorded, const DownloadDigest& fresh, const char*& status) {
    if (!recorded) return status = "no-digest", "no digest recorded (run digest without --verify first)";
    switch (compareDigests(*recorded, fresh)) {
    case DigestChange::None: return status = "unchanged", "unchanged";
    case DigestChange::Size:
        status = "size-changed";
        return "changed: " + std::to_string(recorded->size) + " bytes recorded, " + std::to_string(fresh.size) + " now";
    case DigestChange::Bytes:
        status = "bytes-changed";
        return "changed: the same size (" + std::to_string(fresh.size) + " bytes) but other bytes";
    }
    return "";
}

// One run over a package's versions: each location downloaded once, each
// version's digest recorded (or, verifying, compared), a line or a JSON
// entry for each.
class Run {
public:
    Run(const Options& o, Context& ctx, DigestFile& digests, const DigestOptions& options)
        : o_(o), ctx_(ctx), digests_(digests), options_(options) {}

    // False when the output failed.
    bool version(const VersionRecord& v, uint32_t position) {
        const std::string name = "version " + ctx_.show(v.version);
        if (v.location.empty()) return true;
        if (!isWebLink(v.location)) {
            complain(kOk, "warning: " + name + ": " + cli::quoted(ctx_.show(v.location)) + " is not a web link; skipped");
            return true;
        }
        const std::string where = digestKey(v.location);
        const DigestOutcome& r = download(v.location, where, name);
        Json entry = {{"position", position + 1}, {"id", v.id}, {"version", ctx_.showUtf8(v.version)},
                      {"location", where}};
        if (!r.ok) {
            ++failures;
            complain(kFileError, name + ": cannot download " + cli::quoted(where) + ":\n" + safeText(r.message));
            entry.update({{"status", "failed"}, {"message", safeText(r.message)}});
            return report(std::move(entry), name, "");
        }
        entry.update({{"size", r.digest.size}, {"sha256", r.digest.sha256}, {"sha512", r.digest.sha512}});
        if (o_.verify) {
            const auto recorded = digests_.find(where);
            const char* status = "";
            const std::string text = change(recorded == digests_.end() ? nullptr : &recorded->second, r.digest, status);
            changes += std::string(status) != "unchanged";
            entry["status"] = status;
            return report(std::move(entry), name, text);
        }
        DownloadDigest& d = digests_[where];
        if (!recordDigest(d, r.digest))
            complain(kOk, "warning: " + name + ": the download changed, so its signature was dropped; sign it again");
        d.digested = now();
        ++digested;
        if (isDecimalNumber(v.fileSize) && v.fileSize.length() <= 19 && parseU64(v.fileSize) != d.size)
            complain(kOk, "warning: " + name + ": the package says " + v.fileSize.toStdString() +
                              " bytes, the download has " + std::to_string(d.size));
        entry["status"] = "digested";
        if (!d.edSignature.empty()) entry["edSignature"] = d.edSignature;
        return report(std::move(entry), name,
                      std::to_string(d.size) + " bytes, sha256 " + d.sha256 + (d.edSignature.empty() ? "" : ", signed"));
    }

    int failures = 0, changes = 0, digested = 0;
    Json entries = Json::array();
    bool anyDownload() const { return !done_.empty(); }

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
    bool report(Json entry, const std::string& name, const std::string& text) {
        entries.push_back(std::move(entry));
        return o_.json || text.empty() || print(name + ": " + text + "\n");
    }

    const Options& o_;
    Context& ctx_;
    DigestFile& digests_;
    const DigestOptions& options_;
    Progress progress_;
    std::map<std::string, DigestOutcome> done_;  // each location once
};

}  // namespace

int runDigest(const Options& o, Context& ctx) {
    if (o.file == "-")
        return complain(kUsage, "digest needs a package file, not standard input: the digests are kept beside it");
    Package p;
    DigestFile digests;
    bool exists = false;
    SigningKey key;
    if (const int status = loadPackage(o.file, p)) return status;
    if (const int status = loadDigests(o.file, digests, exists)) return status;
    if (!o.signKey.empty())
        if (const int status = loadKey(o.signKey, key)) return status;
    const std::string sideFile = digestFilePath(o.file);
    if (!o.verify)
        if (const int status = checkWritable(sideFile, exists)) return status;

    DigestOptions options;
    options.request = {NetEnvironment::fromProcess(), std::chrono::milliseconds(30000)};
    options.key = key.loaded() ? &key : nullptr;
    Run run(o, ctx, digests, options);
    for (uint32_t i = 0; i < p.versions.count(); ++i)
        if (!run.version(p.versions[i], i)) return kFileError;
    if (!run.anyDownload()) complain(kOk, "warning: no version of " + cli::quoted(o.file) + " has a web link to download");
    if (run.digested > 0) {
        if (const int status = writeOutput(sideFile, ByteString(digestsToJson(digests)))) return status;
        if (!exists) shareLikePackage(sideFile, o.file);
        if (!o.json && !print("digests written to " + cli::quoted(sideFile) + "\n")) return kFileError;
    }
    if (o.json) {
        const Json doc = {{"file", o.file}, {"digests", sideFile}, {"versions", std::move(run.entries)}};
        if (!print(doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n")) return kFileError;
    }
    if (!key.publicKeyBase64().empty() && !o.json && run.digested > 0 &&
        !print("public key (for the updater): " + key.publicKeyBase64() + "\n"))
        return kFileError;
    return run.failures ? kFileError : run.changes ? kFindings : kOk;
}

}  // namespace orv::cli
