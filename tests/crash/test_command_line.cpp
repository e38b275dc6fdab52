#include <gtest/gtest.h>

#include "crash/command_line.h"

namespace orv {
namespace {

ByteStringList words(std::initializer_list<const char*> list) {
    ByteStringList out;
    for (const char* w : list) out.emplace_back(w);
    return out;
}

TEST(CommandLine, Splitting) {
    const struct {
        const char* line;
        ByteStringList expected;
    } rows[] = {
        {"  a  b c ", words({"a", "b", "c"})},
        {"a\tb c", words({"a\tb", "c"})},  // tabs belong to the argument
        {"   ", {}},
        {"\"my file.dat\" next", words({"my file.dat", "next"})},
        {"\"unterminated and more", words({"unterminated and more"})},
        {"\"\" \"\"", words({"", ""})},        // adjacent quotes: an empty argument
        {"\"ab\"cd", words({"ab", "cd"})},     // a closing quote ends an argument
        {"a\"\"b", words({"a", "", "b"})},     // an unquoted argument ends at a quote
        {"x\"y z\"", words({"x", "y z"})},
        {"a\\\"b c\"", words({"a\\", "b c"})},  // backslashes have no special meaning
        {"\"C:\\dir\\\" x", words({"C:\\dir\\", "x"})},
        {"\\\\server\\share", words({"\\\\server\\share"})},
    };
    for (const auto& row : rows) EXPECT_EQ(splitCommandLine(row.line), row.expected) << row.line;
}

TEST(CommandLine, TheProgramsOwnPathReplacesItsNameAsFirstArgument) {
    EXPECT_EQ(argumentsFromCommandLine("C:\\Apps\\editor.exe", "\"C:\\Program Files\\editor.exe\" a.dat b.dat"),
              words({"C:\\Apps\\editor.exe", "a.dat", "b.dat"}));
    EXPECT_EQ(argumentsFromCommandLine("/bin/ed", ""), words({"/bin/ed"}));
}

}  // namespace
}  // namespace orv
