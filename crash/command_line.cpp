#include "crash/command_line.h"

namespace orv {

ByteStringList splitCommandLine(const ByteString& text) {
    ByteStringList args;
    const uint32_t n = text.length();
    uint32_t i = 0;
    while (i < n) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        uint32_t start = i;
        if (text[i] == '"') {
            start = ++i;
            while (i < n && text[i] != '"') ++i;
            args.push_back(text.Mid(start, i - start));
            if (i < n) ++i;  // past the closing quote
            continue;
        }
        while (i < n && text[i] != ' ' && text[i] != '"') ++i;
        args.push_back(text.Mid(start, i - start));
    }
    return args;
}

ByteStringList argumentsFromCommandLine(const ByteString& programPath, const ByteString& commandLine) {
    ByteStringList args{programPath};
    ByteStringList words = splitCommandLine(commandLine);
    for (size_t i = 1; i < words.size(); ++i) args.push_back(std::move(words[i]));
    return args;
}

}  // namespace orv
