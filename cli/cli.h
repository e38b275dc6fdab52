// What the commands of orvantis-cli share: exit statuses, messages on
// standard error, reading inputs and packages, writing outputs, and
// printing texts of a package without letting them drive the terminal.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/text_codec.h"
#include "package/model.h"
#include "support/byte_string.h"

namespace orv::cli {

enum Status : int { kOk = 0, kFindings = 1, kUsage = 2, kFileError = 3 };

// The options of every command; each command reads the ones it has.
struct Options {
    std::string file, output, input, encoding, url, version, location, date = "today", screenshot, thumbnail;
    std::string size, freeFrom, owned, purchased, target, format = "text";
    std::string signKey, feedFormat, os;  // digest, feed
    bool sizeFromUrl = false, associate = false, online = false, json = false, verify = false;
    uint32_t freeUpgradeDays = 30;
};

// Prints "orvantis-cli: " and the message on standard error; returns `status`.
int complain(int status, const std::string& message);
// Text from outside (a server, a file name) with control characters
// escaped, so that it cannot drive the terminal.
std::string safeText(std::string_view text);
// A name from the command line as messages quote it: in single quotes,
// with control characters escaped.
std::string quoted(std::string_view name);

// Everything a command needs besides its options: the encoding of the
// package's texts and the terminal's.
class Context {
public:
    // False, with a message printed, for an encoding iconv does not know.
    bool open(const std::string& packageEncoding);
    TextCodec& package() { return package_; }

    // A package text as the terminal shows it: decoded ("\xNN" for bytes
    // that do not decode), CR LF as a line feed, every other control
    // character, C1 control and bidirectional control as an escape, in the
    // terminal's encoding.
    std::string show(const ByteString& bytes);
    // The same text as UTF-8 for JSON, which escapes control characters itself.
    std::string showUtf8(const ByteString& bytes);
    // A command-line argument (in the locale's encoding) as package bytes.
    // False when the package's encoding cannot hold it.
    bool argument(const std::string& text, ByteString& bytes);

private:
    TextCodec package_;
    TextCodec terminal_;
    bool sameEncoding_ = false;
};

// Reads a whole file, or standard input for "-". On failure a message
// naming the file has been printed.
bool readInput(const std::string& path, ByteString& content);
// Loads a package file (or "-"): kOk, or kFileError with a message printed.
int loadPackage(const std::string& path, Package& p);
// Writes `bytes` to standard output for "-", else to the file through the
// safe save, which never leaves a partial file. kOk or kFileError.
int writeOutput(const std::string& path, const ByteString& bytes);
int writePackageFile(const std::string& path, const Package& p);
// Writes to standard output and flushes; false (message printed) when the
// output cannot take it.
bool print(std::string_view text);

// The position of the version whose text is `version`: kUsage, with a
// message, when none or several have it.
int findVersion(Context& ctx, const Package& p, const std::string& file, const std::string& version,
                uint32_t& position);

}  // namespace orv::cli
