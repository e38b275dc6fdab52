#include "links/exec_line.h"

namespace orv {

ByteString unescapeDesktopValue(const ByteString& value) {
    ByteString out;
    for (uint32_t i = 0; i < value.length(); ++i) {
        const char c = value[i];
        if (c != '\\' || i + 1 >= value.length()) {
            out += c;
            continue;
        }
        const char n = value[++i];
        switch (n) {
        case 's': out += ' '; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case '\\': out += '\\'; break;
        default:
            out += '\\';
            out += n;
        }
    }
    return out;
}

bool splitExecLine(const ByteString& exec, ByteStringList& out) {
    out.clear();
    ByteString word;
    bool inWord = false;
    bool quoted = false;
    for (uint32_t i = 0; i < exec.length(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '"') {
                quoted = false;
                continue;
            }
            if (c == '\\' && ++i >= exec.length()) break;
            if (exec[i] == '%') break;  // refused below, escaped or not
            word += exec[i];
        } else if (c == ' ' || c == '\t') {
            if (inWord) out.push_back(word);
            word.clear();
            inWord = false;
        } else {
            inWord = true;
            if (c == '"') quoted = true;
            else word += c;
        }
    }
    if (quoted) {
        out.clear();
        return false;
    }
    if (inWord) out.push_back(word);
    return !out.empty();
}

namespace {

bool isLinkCode(char c) { return c == 'u' || c == 'U' || c == 'f' || c == 'F'; }

// Expands the codes inside a longer word; `placed` is set when the link
// went into it.
ByteString expandInside(const ByteString& word, const ByteString& link, bool& placed) {
    ByteString out;
    for (uint32_t i = 0; i < word.length(); ++i) {
        if (word[i] != '%') {
            out += word[i];
            continue;
        }
        if (i + 1 >= word.length()) break;  // a lone % at the end goes
        const char code = word[++i];
        if (code == '%') {
            out += '%';
        } else if (code == 'u' || code == 'f') {
            out += link;
            placed = true;
        }
    }
    return out;
}

}  // namespace

ByteStringList expandExecArguments(const ByteStringList& words, const ByteString& link) {
    ByteStringList argv;
    if (words.empty()) return argv;
    argv.push_back(words[0]);
    bool placed = false;
    for (size_t i = 1; i < words.size(); ++i) {
        const ByteString& w = words[i];
        if (w.length() == 2 && w[0] == '%' && isLinkCode(w[1])) {
            if (!link.empty()) argv.push_back(link);
            placed = true;
        } else if (w.length() == 2 && w[0] == '%' && w[1] != '%') {
            continue;  // a field code of no use here (%i, %c, %k, ...)
        } else {
            argv.push_back(expandInside(w, link, placed));
        }
    }
    if (!placed && !link.empty()) argv.push_back(link);
    return argv;
}

}  // namespace orv
