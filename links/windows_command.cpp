#include "links/windows_command.h"

namespace orv {

namespace {

bool isSeparator(char c) { return c == ' ' || c == '\t'; }

// The program's file name, without folders, in lower case.
ByteString baseName(const ByteString& program) {
    uint32_t start = 0;
    for (uint32_t i = 0; i < program.length(); ++i)
        if (program[i] == '\\' || program[i] == '/' || program[i] == ':') start = i + 1;
    ByteString name = program.Mid(start);
    name.trim();
    while (!name.empty() && (name[name.length() - 1] == '.' || name[name.length() - 1] == ' '))
        name.setLength(name.length() - 1);  // Windows ignores trailing dots and blanks
    name.toLower();
    return name;
}

bool isInterpreter(const ByteString& program) {
    const ByteString name = baseName(program);
    for (const char* interpreter : {"cmd", "command", "powershell", "pwsh", "wscript", "cscript", "mshta"})
        if (name == interpreter || name == ByteString(interpreter) + ".exe" || name == ByteString(interpreter) + ".com")
            return true;
    const uint32_t dot = static_cast<uint32_t>(name.view().rfind('.'));
    const ByteString extension = dot == ByteString::npos ? ByteString() : name.Mid(dot);
    return extension == ".bat" || extension == ".cmd";
}

}  // namespace

bool splitWindowsCommand(const ByteString& command, ByteStringList& words) {
    words.clear();
    uint32_t i = 0;
    const uint32_t n = command.length();
    while (i < n && isSeparator(command[i])) ++i;
    // The program: quotes group, nothing is escaped.
    ByteString program;
    for (bool quoted = false; i < n && (quoted || !isSeparator(command[i])); ++i) {
        if (command[i] == '"') quoted = !quoted;
        else program += command[i];
    }
    if (program.empty()) return false;
    words.push_back(program);
    for (;;) {
        while (i < n && isSeparator(command[i])) ++i;
        if (i >= n) break;
        ByteString word;
        for (bool quoted = false; i < n && (quoted || !isSeparator(command[i]));) {
            uint32_t slashes = 0;
            while (i < n && command[i] == '\\') ++slashes, ++i;
            if (i < n && command[i] == '"') {
                word.append(ByteString(slashes / 2, '\\'));
                if (slashes % 2) {
                    word += '"';
                } else if (quoted && i + 1 < n && command[i + 1] == '"') {
                    word += '"';  // "" inside quotes
                    ++i;
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                word.append(ByteString(slashes, '\\'));
                if (i < n && (quoted || !isSeparator(command[i]))) word += command[i++];
            }
        }
        words.push_back(word);
    }
    return true;
}

ByteString quoteWindowsArgument(const ByteString& argument) {
    if (!argument.empty() && argument.view().find_first_of(" \t\n\v\"") == std::string_view::npos) return argument;
    ByteString out("\"");
    uint32_t slashes = 0;
    for (uint32_t i = 0; i < argument.length(); ++i) {
        const char c = argument[i];
        if (c == '\\') {
            ++slashes;
            continue;
        }
        out.append(ByteString(c == '"' ? slashes * 2 + 1 : slashes, '\\'));
        out += c;
        slashes = 0;
    }
    out.append(ByteString(slashes * 2, '\\'));
    out += '"';
    return out;
}

ByteString windowsCommandLine(const ByteStringList& argv) {
    if (argv.empty() || argv[0].find('"') != ByteString::npos) return {};
    auto upToZero = [](const ByteString& s) { return s.Left(s.find('\0')); };
    ByteString line = "\"" + upToZero(argv[0]) + "\"";
    for (size_t i = 1; i < argv.size(); ++i) line += " " + quoteWindowsArgument(upToZero(argv[i]));
    return line;
}

bool registryHandlerCommand(LinkKind kind, const ByteStringList& words, ByteStringList& command) {
    command.clear();
    if (words.empty() || words[0].empty() || isInterpreter(words[0])) return false;
    command.push_back(words[0]);
    if (kind == LinkKind::Web) {
        command.push_back("%u");
        return true;
    }
    for (size_t i = 1; i < words.size(); ++i) {
        const ByteString& w = words[i];
        if (w == "%1") {
            command.push_back("%u");
        } else if (w.empty() || w[0] != '%') {
            ByteString literal = w;
            literal.replaceAll("%", "%%");
            command.push_back(literal);
        }
    }
    return true;
}

}  // namespace orv
