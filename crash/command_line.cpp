#include "crash/command_line.h"

namespace orv {

ByteString commandLineArguments(const ByteString& commandLine) {
    const uint32_t n = commandLine.length();
    uint32_t i = 0;
    if (n > 0 && commandLine[0] == '"') {
        const uint32_t close = commandLine.find('"', 1);
        i = close == ByteString::npos ? n : close + 1;
    }
    while (i < n && commandLine[i] != ' ' && commandLine[i] != '\t') ++i;
    while (i < n && (commandLine[i] == ' ' || commandLine[i] == '\t')) ++i;
    return commandLine.Mid(i);
}

ByteStringList splitCommandLine(const ByteString& text) {
    ByteStringList arguments;
    const uint32_t n = text.length();
    for (uint32_t i = 0; i < n;) {
        if (text[i] == ' ') {
            ++i;
        } else if (text[i] == '"') {
            const uint32_t close = text.find('"', i + 1);
            const uint32_t end = close == ByteString::npos ? n : close;
            arguments.push_back(text.Mid(i + 1, end - i - 1));
            i = close == ByteString::npos ? n : close + 1;
        } else {
            uint32_t end = i;
            while (end < n && text[end] != ' ' && text[end] != '"') ++end;
            arguments.push_back(text.Mid(i, end - i));
            i = end;
        }
    }
    return arguments;
}

}  // namespace orv
