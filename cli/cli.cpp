#include "cli/cli.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

#include "app/package_encoding.h"
#include "package/file.h"
#include "package/stream.h"

namespace orv::cli {

namespace {

void appendEscape(std::string& out, uint32_t code, bool wide) {
    char buf[16];
    std::snprintf(buf, sizeof buf, wide ? "\\u{%04X}" : "\\x%02X", code);
    out += buf;
}

// Escapes what could drive a terminal in UTF-8 text: C0 controls but line
// feed and tab, DEL, the C1 controls and the bidirectional controls (which
// reorder what follows on the line). CR LF becomes a line feed.
std::string escapeControls(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') continue;
        if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F) {
            appendEscape(out, c, false);
        } else if (c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) < 0xA0) {
            appendEscape(out, static_cast<unsigned char>(s[++i]), true);  // U+0080 to U+009F
        } else if (c == 0xE2 && i + 2 < s.size() && s[i + 1] == '\x80' &&
                   static_cast<unsigned char>(s[i + 2]) >= 0xAA && static_cast<unsigned char>(s[i + 2]) <= 0xAE) {
            appendEscape(out, 0x2000 + (static_cast<unsigned char>(s[i + 2]) & 0x3F), true);  // U+202A..U+202E
            i += 2;
        } else if (c == 0xE2 && i + 2 < s.size() && s[i + 1] == '\x81' &&
                   static_cast<unsigned char>(s[i + 2]) >= 0xA6 && static_cast<unsigned char>(s[i + 2]) <= 0xA9) {
            appendEscape(out, 0x2040 + (static_cast<unsigned char>(s[i + 2]) & 0x3F), true);  // U+2066..U+2069
            i += 2;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace

const char* statusMeaning(int status) {
    switch (status) {
    case kOk: return "ok";
    case kFindings: return "findings";
    case kUsage: return "usage";
    default: return "failure";
    }
}

std::string safeText(std::string_view text) { return escapeControls(text); }

std::string withCommas(uint64_t n) {
    std::string digits = std::to_string(n), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

std::string quotedName(std::string_view name) {
    if (name == "-") return "standard input";
    return "'" + escapeControls(name) + "'";
}

std::string recordName(Context& ctx, const char* kind, const ByteString& name, uint32_t position, uint32_t id) {
    std::string out = kind;
    out += name.empty() ? " at position " + std::to_string(position + 1) : " " + ctx.show(name);
    return out + " (id " + std::to_string(id) + ")";
}

Context::Context(const Options& o) : o_(o) {
    terminal_.open(terminalEncoding());
}

int Context::fail(int status, const std::string& subject, const std::string& what, const std::string& reason,
                  const std::string& detail) {
    flush();
    std::string line = subject.empty() ? what : subject + ": " + what;
    if (!reason.empty()) line += ": " + reason;
    if (o_.json) {
        nlohmann::ordered_json error = {{"status", status}, {"meaning", statusMeaning(status)}};
        if (!o_.command.empty()) error["command"] = o_.command;
        // The subject as it was given: a quoted name loses its quotes.
        if (subject.size() >= 2 && subject.front() == '\'' && subject.back() == '\'')
            error["subject"] = subject.substr(1, subject.size() - 2);
        else if (!subject.empty())
            error["subject"] = subject;
        error["failed"] = what;
        if (!reason.empty()) error["reason"] = reason;
        error["message"] = line;
        if (o_.verbose && !detail.empty()) error["detail"] = detail;
        const nlohmann::ordered_json doc = {{"error", std::move(error)}};
        std::fprintf(stderr, "%s\n", doc.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str());
    } else {
        std::fprintf(stderr, "orvantis-cli: %s\n", line.c_str());
        if (o_.verbose && !detail.empty()) std::fprintf(stderr, "%s\n", detail.c_str());
    }
    return status;
}

void Context::warn(const std::string& subject, const std::string& what) {
    if (o_.json) {
        const nlohmann::ordered_json doc = {{"warning", {{"subject", subject}, {"message", what}}}};
        std::fprintf(stderr, "%s\n", doc.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str());
    } else {
        std::fprintf(stderr, "orvantis-cli: warning: %s: %s\n", subject.c_str(), what.c_str());
    }
}

bool Context::checkEncoding() {
    if (o_.encoding.empty() || package_.open(o_.encoding)) return true;
    fail(kUsage, "", "unknown encoding " + quotedName(o_.encoding), std::string("the system has no converter for it (") + encodingNamesHint() + ")");
    return false;
}

void Context::openEncoding(const Package& p) {
    if (o_.encoding.empty() || !package_.isOpen()) package_.open(o_.encoding.empty() ? automaticEncoding(p) : o_.encoding);
    sameEncoding_ = package_.name() == terminal_.name();
}

std::string Context::show(const ByteString& bytes) {
    return terminal_.encodeShowing(escapeControls(package_.decodeShowing(bytes.view())));
}

std::string Context::showUtf8(const ByteString& bytes) { return package_.decodeShowing(bytes.view()); }

bool Context::argument(const std::string& text, ByteString& bytes) {
    if (sameEncoding_) {
        bytes = ByteString(text);
        return true;
    }
    std::string utf8;
    return terminal_.decode(text, utf8) && package_.encode(utf8, bytes);
}

bool Context::write(std::string_view text) {
    if (outFailed_) return false;
    out_ += text;
    return out_.size() < (256u << 10) || flush();
}

bool Context::flush() {
    if (outFailed_) return false;
    const bool ok = (out_.empty() || std::fwrite(out_.data(), 1, out_.size(), stdout) == out_.size()) && std::fflush(stdout) == 0;
    out_.clear();
    if (ok) return true;
    outFailed_ = true;
    const int err = errno;
    fail(kFileError, "standard output", "cannot write", std::strerror(err));
    return false;
}

bool readInput(Context& ctx, const std::string& path, ByteString& content, uint32_t spare) {
    std::string reason;
    if (path == "-" || spare) {
        if (readWhole(path, content, spare, reason)) return true;
        ctx.fail(kFileError, quotedName(path), "cannot read", reason);
        return false;
    }
    if (loadFile(content, ByteString(path))) return true;
    ctx.fail(kFileError, quotedName(path), "cannot read", readFailure(path));
    return false;
}

int loadPackage(Context& ctx, const std::string& path, Package& p, PackageReadReport* report) {
    ByteString content;
    if (!readInput(ctx, path, content)) return kFileError;
    PackageReadReport seen;
    if (!readPackage(p, content, &seen)) {
        PackStream stream;
        std::string_view signature;
        const bool signed_ = stream.beginRead(content) && stream.readView(signature) && signature == kPackageSignature;
        return ctx.fail(kFileError, quotedName(path), "cannot read",
                        signed_ ? "more records than the reader may take memory for (a damaged file?)" : "not a package file");
    }
    ctx.openEncoding(p);
    if (report) {
        *report = seen;
    } else {
        if (seen.endedEarly) ctx.warn(quotedName(path), "the file ends before the package does (cut short?); what is there was read");
        if (seen.trailingBytes)
            ctx.warn(quotedName(path), std::to_string(seen.trailingBytes) + " bytes after the end of the package were ignored");
    }
    return kOk;
}

int writeOutput(Context& ctx, const std::string& path, const ByteString& bytes) {
    if (path == "-") return ctx.write(bytes.view()) && ctx.flush() ? kOk : kFileError;
    errno = 0;
    if (saveFile(bytes, ByteString(path))) return kOk;
    return ctx.fail(kFileError, quotedName(path), "cannot write (any old file was left as it was)", writeFailure(path));
}

int writePackageFile(Context& ctx, const std::string& path, const Package& p) {
    ByteString bytes;
    if (!writePackage(p, bytes)) return ctx.fail(kFileError, quotedName(path), "cannot write", "the package would be 4 GiB or larger");
    return writeOutput(ctx, path, bytes);
}

int lockPackage(Context& ctx, const std::string& path, FileLock& lock) {
    if (path == "-") return kOk;
    const auto wait = std::chrono::milliseconds(static_cast<int64_t>(ctx.options().waitSeconds * 1000));
    switch (lock.lock(ByteString(path), wait)) {
    case LockResult::Locked:
    case LockResult::Missing: return kOk;
    case LockResult::Busy: {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%g", ctx.options().waitSeconds);
        return ctx.fail(kFileError, quotedName(path), "busy",
                        std::string("another program kept it locked for ") + seconds + " seconds (see --wait)");
    }
    case LockResult::Failed: break;
    }
    return ctx.fail(kFileError, quotedName(path), "cannot lock", lock.reason().toStdString());
}

int findVersion(Context& ctx, const Package& p, const std::string& file, const std::string& version,
                uint32_t& position) {
    ByteString wanted;
    uint32_t matches = 0;
    if (ctx.argument(version, wanted)) {
        for (uint32_t i = 0; i < p.versions.count(); ++i) {
            if (p.versions[i].version == wanted && matches++ == 0) position = i;
        }
    }
    if (matches == 1) return kOk;
    return ctx.fail(kUsage, quotedName(file), (matches ? "holds several versions " : "holds no version ") + quotedName(version));
}

}  // namespace orv::cli
