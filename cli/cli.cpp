#include "cli/cli.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "package/file.h"
#include "package/format.h"

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

// Why a file could not be loaded, in the system's words where it has some.
std::string openFailure(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    struct stat st {};
    const bool directory = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
    ::close(fd);
    if (directory) return std::strerror(EISDIR);
    if (st.st_size >= static_cast<off_t>(ByteString::npos)) return "too large (4 GiB or more)";
    return "cannot be read";
}

}  // namespace

int complain(int status, const std::string& message) {
    std::fprintf(stderr, "orvantis-cli: %s\n", message.c_str());
    return status;
}

std::string safeText(std::string_view text) { return escapeControls(text); }

std::string quoted(std::string_view name) {
    if (name == "-") return "standard input";
    return "'" + escapeControls(name) + "'";
}

bool Context::open(const std::string& packageEncoding) {
    if (!package_.open(packageEncoding)) {
        complain(kUsage, "unknown encoding " + quoted(packageEncoding) + " (iconv -l lists the known ones)");
        return false;
    }
    terminal_.open("");
    sameEncoding_ = package_.name() == terminal_.name();
    return true;
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

bool readInput(const std::string& path, ByteString& content) {
    if (path != "-") {
        if (loadFile(content, ByteString(path))) return true;
        complain(kFileError, "cannot open " + quoted(path) + ": " + openFailure(path));
        return false;
    }
    content.clear();
    char buf[1 << 16];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
        if (n == 0) return true;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            complain(kFileError, std::string("cannot read standard input: ") + std::strerror(errno));
            return false;
        }
        if (content.length() + static_cast<uint64_t>(n) >= ByteString::npos) {
            complain(kFileError, "standard input is too large (4 GiB or more)");
            return false;
        }
        content.append(buf, static_cast<uint32_t>(n));
    }
}

int loadPackage(const std::string& path, Package& p) {
    ByteString content;
    if (!readInput(path, content)) return kFileError;
    if (!readPackage(p, content)) return complain(kFileError, quoted(path) + " is not a package file");
    return kOk;
}

bool print(std::string_view text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0) return true;
    complain(kFileError, std::string("cannot write to standard output: ") + std::strerror(errno));
    return false;
}

int writeOutput(const std::string& path, const ByteString& bytes) {
    if (path == "-") return print(bytes.view()) ? kOk : kFileError;
    if (saveFile(bytes, ByteString(path))) return kOk;
    return complain(kFileError, "cannot write " + quoted(path) + " (an existing file was left as it was)");
}

int writePackageFile(const std::string& path, const Package& p) {
    ByteString bytes;
    if (!writePackage(p, bytes))
        return complain(kFileError, "cannot write " + quoted(path) + ": the package would be 4 GiB or larger");
    return writeOutput(path, bytes);
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
    return complain(kUsage, quoted(file) + (matches ? " holds several versions " : " holds no version ") +
                                quoted(version));
}

}  // namespace orv::cli
