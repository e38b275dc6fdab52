// The rules the checks and the command line apply to single texts.
#include <gtest/gtest.h>

#include "app/package_check.h"
#include "app/package_encoding.h"
#include "app/text_codec.h"
#include "app/release_dates.h"

using namespace orv;

TEST(PackageRules, LinksAddressesNumbersAndDates) {
    for (const char* ok : {"http://example.com", "HTTPS://u:p@example.com:8443/a?b#c", "http://[::1]:8080/x"})
        EXPECT_TRUE(isWebLink(ok)) << ok;
    for (const char* bad : {"", "example.com", "ftp://example.com/", "http://", "http:///x", "http://a b/",
                            "javascript:alert(1)", "http://:80/", "-http://x"})
        EXPECT_FALSE(isWebLink(bad)) << bad;
    EXPECT_TRUE(isMailAddress("first.last+tag@mail.example.com"));
    for (const char* bad : {"a@", "@b", "a@@b", "a b@c", "mailto:a@b", "a@b..c", "a@.b", "a@b?subject=x"})
        EXPECT_FALSE(isMailAddress(bad)) << bad;
    EXPECT_TRUE(isDecimalNumber("0012"));
    EXPECT_FALSE(isDecimalNumber("12 MB") || isDecimalNumber("") || isDecimalNumber("-1"));
    DateTimeValue d;
    EXPECT_TRUE(parseStoredDate("2008-02-29 23:59:59", d) && d.day() == 29 && d.second() == 59);
    for (const char* bad : {"2007-02-29 00:00:00", "2007-04-31 00:00:00", "2007-05-14 24:00:00", "2007-5-14 00:00:00",
                            "2007-05-14", "1899-12-31 00:00:00", "2007-05-14 00:00:00 "})
        EXPECT_FALSE(parseStoredDate(bad, d)) << bad;
    EXPECT_TRUE(parseCalendarDate("2000-02-29", d) && calendarDateText(d) == "2000-02-29");
    EXPECT_FALSE(parseCalendarDate("2000-13-01", d) || parseCalendarDate("today", d));
}

TEST(TextRules, Utf8IsWhatAConverterAcceptsAndTheEncodingFollowsEveryText) {
    for (const char* ok : {"", "plain ascii text", "Gr\xC3\xBC\xC3\x9F" "e", "\xE6\x97\xA5", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF"})
        EXPECT_TRUE(isValidUtf8(ok)) << ok;
    // Cut, overlong, surrogate, past U+10FFFF, a stray continuation byte.
    for (const char* bad : {"caf\xE9", "\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80", "abcdefgh\xFF"})
        EXPECT_FALSE(isValidUtf8(bad)) << bad;
    Package p;
    p.bugs = {BugRecord{}};
    p.bugs[0].title = "Gr\xC3\xBC\xC3\x9F" "e";
    EXPECT_EQ(automaticEncoding(p), "UTF-8");
    p.bugs[0].description = "caf\xE9";
    EXPECT_EQ(automaticEncoding(p), "windows-1252");
}
