// The manifest makes UTF-8 the process code page: the "A" functions take
// any file name, and the codec's default is UTF-8.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/text_codec.h"

namespace orv {
namespace {

TEST(CodePage, UnicodeNamesReachTheSystemUnchanged) {
    ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8));
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string name = "Ünïcödé 漢字.dat";  // UTF-8 in the source
    const std::string path = std::string(temp) + name;
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    // The system holds the name in UTF-16: it is the same name.
    wchar_t wide[MAX_PATH];
    ASSERT_GT(MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide, MAX_PATH), 0);
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(wide, &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    EXPECT_EQ(std::wstring(found.cFileName), L"Ünïcödé 漢字.dat");
    EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(CodePage, CodecNamesAndRoundTrips) {
    EXPECT_EQ(localeEncoding(), "UTF-8");
    TextCodec codec;
    ASSERT_TRUE(codec.open("windows-1252"));
    std::string utf8;
    ASSERT_TRUE(codec.decode("Caf\xE9 \x80", utf8));
    EXPECT_EQ(utf8, "Café €");
    ByteString back;
    ASSERT_TRUE(codec.encode(utf8, back));
    EXPECT_EQ(back, ByteString("Caf\xE9 \x80"));
    EXPECT_FALSE(codec.encode("漢", back));  // not in the code page, and never a best-fit "?"
    EXPECT_EQ(codec.encodeShowing("a漢b"), "a\\u{6F22}b");
    ASSERT_TRUE(codec.open("Shift_JIS"));
    ASSERT_TRUE(codec.decode("\x8A\xBF", utf8));
    EXPECT_EQ(utf8, "漢");
    EXPECT_EQ(codec.decodeShowing("a\x81"), "a\\x81");  // a lead byte without its second byte
    EXPECT_FALSE(codec.open("no-such-encoding"));
    EXPECT_TRUE(codec.open("ISO-8859-15") && codec.decode("\xA4", utf8) && utf8 == "€");
}

}  // namespace
}  // namespace orv
