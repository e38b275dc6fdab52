// Texts a shell, an option parser, a command-line parser or a format
// routine would read as more than one plain argument.
#pragma once

namespace orv::testing {

inline const char* const kHostile[] = {
    "http://a/b c", "http://a/\"q\"", "http://a/'s'", "http://a/`id`", "http://a/$(id)", "http://a/${HOME}",
    "http://a/;rm -rf x", "http://a/|cat", "http://a/&&echo", "http://a/\nsecond line", "http://a/\r\n\t",
    "http://a/\x01\x1b[31m\x7f\x0b", "http://a/\xc3\xa9\xf0\x9f\x98\x80", "\xff\xfe", "%1", "%u", "%U",
    "http://a/%u%U%f%F%%", "http://a/\\\\server\\share", "\"", "'", " ", "  leading blanks", "trailing blank ",
    "a\"b\"c d", "http://a/?x=1&subject=2", "*", "?", "~/.ssh/id", "<in >out", "2>&1", "$IFS", "\\\"",
    "file:///etc/passwd", "javascript:alert(1)", "http://a/ --new-tab", "http://a/ -e cmd", "x; --flag", "{a,b}",
    "!!", "#comment", "http://a/%s%n%x", "%", "%i", "http://a/%PATH%", "http://a/\\\"x\\\\", "^&^|",
};

}  // namespace orv::testing
