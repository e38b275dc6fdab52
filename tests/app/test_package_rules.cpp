// The rules the checks and the command line apply to single texts.
#include <gtest/gtest.h>

#include "app/package_check.h"
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
