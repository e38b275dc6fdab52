// What the commands of orvantis-cli share: exit statuses, one-line errors
// (or JSON objects) on standard error, reading packages and inputs,
// writing files under the package lock, buffered output, and printing
// texts of a package without letting them drive the terminal.
//
// Conventions every command follows (new commands too):
// - Exit status 0 success, 1 findings (the answer is "no": faults found,
//   upgrade paid, version there already), 2 usage error, 3 failure (file,
//   format, network, busy).
// - An error is one line on standard error: "orvantis-cli: " SUBJECT ": "
//   WHAT FAILED ": " REASON, the reason in the system's words; --verbose
//   adds the full text where there is more. With --json it is one object
//   {"error": {...}} (see jsonError) and a warning one {"warning": {...}},
//   each on one line.
// - With --json, standard output is one JSON document.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/text_codec.h"
#include "package/file_lock.h"
#include "package/format.h"
#include "package/model.h"
#include "support/byte_string.h"

namespace orv::cli {

enum Status : int { kOk = 0, kFindings = 1, kUsage = 2, kFileError = 3 };

// "ok", "findings", "usage", "failure": the status's meaning in JSON.
const char* statusMeaning(int status);

// The options of every command; each command reads the ones it has.
struct Options {
    std::string command;  // the command being run
    std::string file, output, input, encoding, url, version, location, date = "today", screenshot, thumbnail;
    std::string size, freeFrom, owned, purchased, target, format = "text";
    std::string signKey, feedFormat, os;  // digest, feed
    bool sizeFromUrl = false, associate = false, online = false, json = false, dryRun = false, verbose = false;
    bool verify = false;  // digest
    uint32_t freeUpgradeDays = 30;
    double waitSeconds = 30;  // for the package lock
};

// Text from outside (a server, a file name) with control characters
// escaped, so that it cannot drive the terminal.
std::string safeText(std::string_view text);
// 2500000 as "2,500,000", whatever the locale.
std::string withCommas(uint64_t n);
// A name from the command line as messages quote it: in single quotes,
// with control characters escaped; "standard input" for "-".
std::string quotedName(std::string_view name);

class Context;

// How messages name a record: "version 2.0 (id 3)", or "bug at position 2
// (id 0)" for one without a name. `kind` is "version", "feature" or "bug".
std::string recordName(Context& ctx, const char* kind, const ByteString& name, uint32_t position, uint32_t id);

class Context {
public:
    explicit Context(const Options& o);
    ~Context() { flush(); }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    const Options& options() const { return o_; }

    // ---- Errors and warnings on standard error ----------------------------

    // Reports a failure and returns `status`: the subject (a quoted file
    // or URL, or empty), what failed, the reason (empty for none) and, for
    // --verbose, the full text.
    int fail(int status, const std::string& subject, const std::string& what, const std::string& reason = "",
             const std::string& detail = "");
    // A warning: the run goes on.
    void warn(const std::string& subject, const std::string& what);

    // ---- Texts --------------------------------------------------------------

    // Checks the --encoding name before anything is read; false (reported)
    // for one the system does not know.
    bool checkEncoding();
    // The package's encoding: --encoding, else the automatic one (UTF-8
    // when every text is UTF-8, else windows-1252).
    void openEncoding(const Package& p);
    TextCodec& package() { return package_; }
    // A package text as the terminal shows it: decoded ("\xNN" for bytes
    // that do not decode), CR LF as a line feed, every other control
    // character, C1 control and bidirectional control as an escape, in the
    // terminal's encoding.
    std::string show(const ByteString& bytes);
    // The same text as UTF-8 for JSON, which escapes control characters itself.
    std::string showUtf8(const ByteString& bytes);
    // A command-line argument as package bytes; false when the package's
    // encoding cannot hold it.
    bool argument(const std::string& text, ByteString& bytes);

    // ---- Standard output, buffered ------------------------------------------

    // False, with the error reported, once standard output refuses.
    bool write(std::string_view text);
    bool flush();

private:
    const Options& o_;
    TextCodec package_;
    TextCodec terminal_;
    bool sameEncoding_ = false;
    std::string out_;
    bool outFailed_ = false;
};

// Reads a whole file, or standard input for "-". On failure the error has
// been reported. `spare`: room to leave after the content (for a parser
// that reads past the end).
bool readInput(Context& ctx, const std::string& path, ByteString& content, uint32_t spare = 0);
// Loads a package file (or "-") and opens its encoding: kOk, or kFileError
// reported. `report`, when given, receives what the reader noticed; else
// a file cut short or going on after its end is a warning.
int loadPackage(Context& ctx, const std::string& path, Package& p, PackageReadReport* report = nullptr);
// Writes `bytes` to standard output for "-", else to the file through the
// safe save, which never leaves a partial file. kOk or kFileError.
int writeOutput(Context& ctx, const std::string& path, const ByteString& bytes);
int writePackageFile(Context& ctx, const std::string& path, const Package& p);

// Takes the package lock on `path` for a read-change-write, waiting up to
// --wait seconds: kOk (also when there is no file yet), else kFileError
// reported ("busy" when another writer kept it).
int lockPackage(Context& ctx, const std::string& path, FileLock& lock);

// The position of the version whose text is `version`: kUsage, reported,
// when none or several have it.
int findVersion(Context& ctx, const Package& p, const std::string& file, const std::string& version,
                uint32_t& position);

// Sets the standard streams up for the program's bytes (Windows: binary,
// a console showing UTF-8); nothing to do on POSIX. First thing in main.
void prepareStandardStreams();
// Why a file cannot be read or written, in the system's words
// (platform backend).
std::string readFailure(const std::string& path);
std::string writeFailure(const std::string& path);
// What stands in the way of writing `path` before anything is tried (a
// missing or read-only folder, a file we may not write), in the system's
// words; empty when nothing does.
std::string writeObstacle(const std::string& path);
// A whole file or standard input ("-") with `spare` bytes of room after
// it; false with the system's words in `reason`.
bool readWhole(const std::string& path, ByteString& content, uint32_t spare, std::string& reason);

}  // namespace orv::cli
