#include <gtest/gtest.h>

#include "crash/command_line.h"

namespace orv {
namespace {

ByteStringList words(std::initializer_list<const char*> list) {
    ByteStringList out;
    for (const char* w : list) out.emplace_back(w);
    return out;
}

TEST(CommandLine, BlanksSeparateButTabsBelongToTheArgument) {
    EXPECT_EQ(splitCommandLine("  a  b c "), words({"a", "b", "c"}));
    EXPECT_EQ(splitCommandLine("a\tb c"), words({"a\tb", "c"}));
    EXPECT_TRUE(splitCommandLine("").empty());
    EXPECT_TRUE(splitCommandLine("   ").empty());
}

TEST(CommandLine, QuotesGroupBlanksAndEndAtTheNextQuoteOrTheEnd) {
    EXPECT_EQ(splitCommandLine("\"my file.dat\" next"), words({"my file.dat", "next"}));
    EXPECT_EQ(splitCommandLine("\"unterminated and more"), words({"unterminated and more"}));
    // Adjacent quotes give an empty argument; a closing quote ends one.
    EXPECT_EQ(splitCommandLine("\"\" \"\""), words({"", ""}));
    EXPECT_EQ(splitCommandLine("\"ab\"cd"), words({"ab", "cd"}));
    // An unquoted argument ends at a quote, which starts a quoted one.
    EXPECT_EQ(splitCommandLine("a\"\"b"), words({"a", "", "b"}));
    EXPECT_EQ(splitCommandLine("x\"y z\""), words({"x", "y z"}));
}

TEST(CommandLine, BackslashesHaveNoSpecialMeaning) {
    EXPECT_EQ(splitCommandLine("a\\\"b c\""), words({"a\\", "b c"}));
    EXPECT_EQ(splitCommandLine("\"C:\\dir\\\" x"), words({"C:\\dir\\", "x"}));
    EXPECT_EQ(splitCommandLine("\\\\server\\share"), words({"\\\\server\\share"}));
}

TEST(CommandLine, TheProgramsOwnPathReplacesItsNameAsFirstArgument) {
    EXPECT_EQ(argumentsFromCommandLine("C:\\Apps\\editor.exe", "\"C:\\Program Files\\editor.exe\" a.dat b.dat"),
              words({"C:\\Apps\\editor.exe", "a.dat", "b.dat"}));
    EXPECT_EQ(argumentsFromCommandLine("/bin/ed", "editor \"my file.dat\""), words({"/bin/ed", "my file.dat"}));
    EXPECT_EQ(argumentsFromCommandLine("/bin/ed", ""), words({"/bin/ed"}));
}

}  // namespace
}  // namespace orv
