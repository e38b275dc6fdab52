#include "support/date_time.h"

#include <gtest/gtest.h>

#include <chrono>
#include <tuple>

namespace orv {
namespace {

using Ymd = std::tuple<uint32_t, uint32_t, uint32_t>;  // month from 0

Ymd ymd(const DateTimeValue& v) { return {v.year(), v.month(), v.day()}; }
uint32_t hms(const DateTimeValue& v) { return v.hour() * 10000 + v.minute() * 100 + v.second(); }

const DateTimeValue kStart(2008, 2, 31, 17, 45, 10);  // a 31st, to catch day overflow

TEST(DateTime, FieldsCarryAndTheSerialClampsAtTheEarliestDate) {
    const std::pair<DateTimeValue, Ymd> cases[] = {
        {{2007, 1, 30}, {2007, 2, 2}},  // 30 February
        {{2008, 1, 30}, {2008, 2, 1}},  // leap year
        {{2007, 25, 1}, {2009, 1, 1}},
        {{2007, 0, 1, 47, 119, 61}, {2007, 0, 3}},
        {{1899, 11, 29, 23, 59, 59}, {1899, 11, 30}},  // before serial 0: clamped
        {{UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX, UINT32_MAX}, {UINT32_MAX, 11, 31}},
    };
    for (const auto& [value, expected] : cases) EXPECT_EQ(ymd(value), expected);
    EXPECT_EQ(hms(cases[3].first), 10001u);
    EXPECT_EQ(DateTimeValue(2000, 0, 1, 12, 0, 0).Serial(), int64_t{36526} * 86400 + 43200);
    const SystemTime st = DateTimeValue(2007, 0, 3, 12, 30, 15).ToSystemTime();  // month from 1, Wednesday
    EXPECT_EQ(DateTimeValue::FormatStamp(st), "2007-01-03 12:30:15");
    EXPECT_EQ(st.dayOfWeek, 3u);
}

TEST(DateTime, CalendarAgreesWithTheStandardLibrary) {
    // Every day from 1899 to beyond 2200, and some far-off ones; serial day
    // 25569 is 1970-01-01.
    using namespace std::chrono;
    auto check = [](int64_t d) {
        DateTimeValue v;
        v.SetFromSerial(d * 86400 + 3661);
        const sys_days day{days{d - 25569}};
        const year_month_day date{day};
        const auto yearDay = (day - sys_days{date.year() / January / 1}).count() + 1;
        ASSERT_EQ(ymd(v), Ymd(int(date.year()), unsigned(date.month()) - 1, unsigned(date.day()))) << d;
        ASSERT_EQ(v.weekday() * 1000 + v.dayOfYear(), static_cast<uint32_t>(weekday{day}.c_encoding() * 1000 + yearDay));
        ASSERT_EQ(hms(v), 10101u);
        ASSERT_EQ(DateTimeValue(v.year(), v.month(), v.day(), 1, 1, 1).Serial(), v.Serial()) << d;
    };
    for (int64_t d = 0; d < 120000; ++d) check(d);
    for (int64_t d : {1000000, 2917550, 10000000}) check(d);
}

// Release dates are read with one format; the other directives and the
// dialog's calendar are the dialogs' tests.
TEST(DateTimeParse, ReleaseDatesCarryAndMissingFieldsKeepTheStart) {
    const std::tuple<const char*, const char*, Ymd> dates[] = {
        {"2007-02-31 00:00:00", kReleaseDateFormat, {2007, 2, 3}},
        {"Monday, 5 sep 2007", "%w, %d %M %y", {2007, 8, 5}},
        {"15", "x%2d", {2008, 2, 15}},            // a literal that does not match is passed over
        {"20070305", "%4y%2M%2d", {2007, 2, 5}},  // widths cut runs of digits
        {"2007-03", "%4y-%4M-%", {2007, 2, 31}},  // a format ending in "%"
    };
    for (const auto& [text, format, expected] : dates)
        EXPECT_EQ(ymd(DateTimeValue::Parse(text, format, kStart)), expected) << text;
    EXPECT_EQ(hms(DateTimeValue::Parse("12:30 p.m.", "%2h:%2m %t", kStart)), 123010u);  // seconds from the start
    EXPECT_EQ(DateTimeValue::Parse("", kReleaseDateFormat, kStart).Serial(), kStart.Serial());
}

TEST(ReleaseDate, RoundTripsThroughTheStoredTextAndAnEmptyTextShowsToday) {
    for (DateTimeValue d(1990, 0, 1); d.year() < 2040; d.SetDateTime(d.year(), d.month(), d.day() + 1, 0, 0, 0)) {
        SystemTime chosen = d.ToSystemTime();
        chosen.hour = 14;  // the calendar's time of day is dropped
        const ByteString text = releaseDateText(chosen);
        const DateTimeValue shown = releaseDateValue(text);
        ASSERT_EQ(shown.Serial(), d.Serial()) << text.toStdString();
        ASSERT_EQ(releaseDateText(shown.ToSystemTime()), text);
    }
    const DateTimeValue today = releaseDateValue("");
    EXPECT_EQ(today.Serial() % 86400, 0);
    EXPECT_LE(std::abs(today.Serial() - DateTimeValue::fromUnixTime(std::time(nullptr)).Serial()), 86400);
}

}  // namespace
}  // namespace orv
