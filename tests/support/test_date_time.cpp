#include "support/date_time.h"

#include <gtest/gtest.h>

#include <ctime>

namespace orv {
namespace {

struct Ymd {
    uint32_t year, month, day;  // month from 0
    bool operator==(const Ymd&) const = default;
};

Ymd ymd(const DateTimeValue& v) { return {v.year(), v.month(), v.day()}; }

std::ostream& operator<<(std::ostream& os, const Ymd& d) {
    return os << d.year << "-" << d.month + 1 << "-" << d.day;
}

// The C library's calendar, as a reference for the fast conversion: serial
// day 25569 is 1970-01-01.
Ymd referenceCivil(int64_t days) {
    const std::time_t t = (days - 25569) * 86400;
    std::tm tm{};
    gmtime_r(&t, &tm);
    return {static_cast<uint32_t>(tm.tm_year + 1900), static_cast<uint32_t>(tm.tm_mon),
            static_cast<uint32_t>(tm.tm_mday)};
}

uint32_t hms(const DateTimeValue& v) { return v.hour() * 10000 + v.minute() * 100 + v.second(); }

const DateTimeValue kStart(2008, 2, 31, 17, 45, 10);  // a 31st, to catch day overflow

DateTimeValue parse(const char* text, const char* format) { return DateTimeValue::Parse(text, format, kStart); }

TEST(DateTime, FormatStampAndParseOfAReleaseDate) {
    SystemTime t{2007, 3, 4, 5, 0, 0, 0, 999};  // weekday and milliseconds are ignored
    const ByteString text = DateTimeValue::FormatStamp(t);
    EXPECT_EQ(text, "2007-03-05 00:00:00");
    const DateTimeValue v = DateTimeValue::Parse(text, kReleaseDateFormat, kStart);
    EXPECT_EQ(ymd(v), (Ymd{2007, 2, 5}));
    EXPECT_EQ(v.weekday(), 1u);
    EXPECT_EQ(v.dayOfYear(), 64u);
    EXPECT_EQ(hms(v), 0u);
    EXPECT_EQ(DateTimeValue::FormatStamp({12345, 123, 0, 100, 24, 60, 61, 0}), "12345-123-100 24:60:61");
}

TEST(DateTime, SetDateTimeCarriesOutOfRangeFields) {
    const std::pair<DateTimeValue, Ymd> cases[] = {
        {{2007, 1, 30}, {2007, 2, 2}},  // 30 February
        {{2008, 1, 30}, {2008, 2, 1}},  // leap year
        {{2007, 12, 1}, {2008, 0, 1}},    {{2007, 25, 1}, {2009, 1, 1}}, {{2007, 0, 366}, {2008, 0, 1}},
        {{2007, 2, 0}, {2007, 1, 28}},  // day 0: the day before the 1st
        {{2007, 11, 31, 23, 0, 3600}, {2008, 0, 1}},
        {{2007, 0, 1, 47, 119, 61}, {2007, 0, 3}},  // 2 days, 1 hour, 0 minutes, 1 second on
        {{2007, 0, 1, 0, 0, 3600}, {2007, 0, 1}},
    };
    for (const auto& [value, expected] : cases) EXPECT_EQ(ymd(value), expected) << expected;
    EXPECT_EQ(hms(cases[6].first), 0u);
    EXPECT_EQ(hms(cases[7].first), 10001u);
    EXPECT_EQ(hms(cases[8].first), 10000u);

    DateTimeValue v(2007, 0, 3, 12, 30, 15);
    const SystemTime st = v.ToSystemTime();  // month from 1, Wednesday
    EXPECT_EQ(DateTimeValue::FormatStamp(st), "2007-01-03 12:30:15");
    EXPECT_EQ(st.dayOfWeek, 3u);
}

TEST(DateTime, SerialStartsAtTheEarliestDateAndClampsBelowIt) {
    DateTimeValue v(1899, 11, 30);  // a Saturday, as the calendar test checks
    EXPECT_EQ(v.Serial(), 0);
    EXPECT_EQ(v.dayOfYear(), 364u);
    for (const DateTimeValue& early : {DateTimeValue(1899, 11, 29, 23, 59, 59), DateTimeValue(0, 0, 0),
                                       DateTimeValue(1000, 5, 5), DateTimeValue::fromUnixTime(-5000000000LL)}) {
        EXPECT_EQ(early.Serial(), 0);
        EXPECT_EQ(ymd(early), (Ymd{1899, 11, 30}));
        EXPECT_EQ(hms(early), 0u);
    }
    v.SetFromSerial(-5);
    EXPECT_EQ(v.Serial(), 0);
    EXPECT_EQ(DateTimeValue(2000, 0, 1, 12, 0, 0).Serial(), int64_t{36526} * 86400 + 43200);
    EXPECT_EQ(ymd(DateTimeValue::fromUnixTime(0)), (Ymd{1970, 0, 1}));
    EXPECT_EQ(DateTimeValue::fromUnixTime(0).weekday(), 4u);  // Thursday

    // Huge fields clamp instead of wrapping.
    const DateTimeValue huge(UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX);
    EXPECT_EQ(ymd(huge), (Ymd{UINT32_MAX, 11, 31}));
    v.SetFromSerial(huge.Serial());
    EXPECT_EQ(v.Serial(), huge.Serial());
}

TEST(DateTime, CalendarAgreesWithTheCLibrary) {
    DateTimeValue v;
    // Every day from 1899 to beyond 2200, and some far-off ones.
    for (int64_t days = 0; days < 120000; ++days) {
        v.SetFromSerial(days * 86400 + 3661);
        ASSERT_EQ(ymd(v), referenceCivil(days)) << days;
        ASSERT_EQ(v.weekday(), static_cast<uint32_t>((days + 6) % 7));
        ASSERT_EQ(hms(v), 10101u);
        const DateTimeValue again(v.year(), v.month(), v.day(), v.hour(), v.minute(), v.second());
        ASSERT_EQ(again.Serial(), v.Serial()) << days;
    }
    for (int64_t days : {int64_t{1000000}, int64_t{2917550}, int64_t{10000000}}) {
        v.SetFromSerial(days * 86400);
        EXPECT_EQ(ymd(v), referenceCivil(days)) << days;
    }
    EXPECT_EQ(DateTimeValue(2000, 11, 31).dayOfYear(), 366u);
    EXPECT_EQ(DateTimeValue(1900, 2, 1).dayOfYear(), 60u);  // 1900 is not a leap year
}

TEST(DateTimeParse, FieldsMarkersAndLiterals) {
    const std::tuple<const char*, const char*, uint32_t> hours[] = {
        {"12:30 p.m.", "%2h:%2m %t", 12}, {"12:30 am", "%2h:%2m %t", 0}, {"1:05 PM", "%2h:%2m %t", 13},
        {"11:05 A.M.", "%2h:%2m %t", 11}, {"11:05 xm", "%2h:%2m %t", 11},
        // Zone offsets are read over and ignored.
        {"+0130 07", "%g %2h", 7},        {"-0130 07", "%5g %2h", 7}};
    for (const auto& [text, format, hour] : hours) EXPECT_EQ(parse(text, format).hour(), hour) << text;
    for (const char* text : {"march", "Mar", "3", "MARCH", "03"}) EXPECT_EQ(parse(text, "%M").month(), 2u) << text;

    const std::tuple<const char*, const char*, Ymd> dates[] = {
        {"2007-02-15 00:00:00", kReleaseDateFormat, {2007, 1, 15}},
        {"2007-02-31 00:00:00", kReleaseDateFormat, {2007, 2, 3}},
        {"0", "%M", {2008, 0, 31}},
        {"xyz", "%M", {2008, 2, 31}},
        {"May 2010", "%M %y", {2010, 4, 31}},  // a full name that is also an abbreviation
        {"sep 9 2010", "%M %d %y", {2010, 8, 9}},
        {"Monday, 5 March 2007", "%w, %d %M %y", {2007, 2, 5}},
        {"4 1 2 2007", "%w %d %M %y", {2007, 1, 1}},
        {"2007 100 5", "%y %D %d", {2007, 2, 5}},  // a day of year is passed over, not used
        {"15", "x%2d", {2008, 2, 15}},             // a literal that does not match is passed over
        {"20070305", "%4y%2M%2d", {2007, 2, 5}},   // widths cut runs of digits
        {"09", "%q%2d", {2008, 2, 9}},             // unknown letters consume nothing
        {"2007-03", "%4y-%4M-%", {2007, 2, 31}},   // a format ending in "%"
    };
    for (const auto& [text, format, expected] : dates) EXPECT_EQ(ymd(parse(text, format)), expected) << text;
    EXPECT_EQ(hms(parse("2007-02-15 08:09:10", kReleaseDateFormat)), 80910u);
    // Fields the text does not reach keep the start.
    EXPECT_EQ(parse("2008", kReleaseDateFormat).Serial(), kStart.Serial());
    EXPECT_EQ(parse("", kReleaseDateFormat).Serial(), kStart.Serial());
}

TEST(ReleaseDate, RoundTripsThroughTheStoredTextAndAnEmptyTextShowsToday) {
    for (DateTimeValue d(1990, 0, 1); d.year() < 2040; d.SetDateTime(d.year(), d.month(), d.day() + 1, 0, 0, 0)) {
        SystemTime chosen = d.ToSystemTime();
        chosen.hour = 14;  // the calendar's time of day is dropped
        chosen.milliseconds = 5;
        const ByteString text = releaseDateText(chosen);
        const DateTimeValue shown = releaseDateValue(text);
        ASSERT_EQ(ymd(shown), ymd(d)) << text.toStdString();
        ASSERT_EQ(shown.Serial() % 86400, 0);
        ASSERT_EQ(releaseDateText(shown.ToSystemTime()), text);
    }
    const Ymd before = ymd(DateTimeValue::fromUnixTime(std::time(nullptr)));
    const DateTimeValue today = releaseDateValue("");  // an empty text shows today
    EXPECT_EQ(today.Serial() % 86400, 0);
    EXPECT_TRUE(ymd(today) == before || ymd(today) == ymd(DateTimeValue::fromUnixTime(std::time(nullptr))));
}

}  // namespace
}  // namespace orv
