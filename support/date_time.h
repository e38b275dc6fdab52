// Calendar dates and times of day over a serial second count.
//
// DateTimeValue is the release date of a version: shown on the version
// dialog's calendar and stored in the package as the text
// "YYYY-MM-DD HH:MM:SS". All values are in Coordinated Universal Time;
// there are no time zones, no daylight saving and no milliseconds.
// Gregorian rules hold throughout; the earliest value is 1899-12-30
// 00:00:00 (serial 0), and anything earlier is clamped to it.
#pragma once

#include <cstdint>
#include <ctime>

#include "support/byte_string.h"

namespace orv {

// The platform-neutral system-time record that calendars exchange. Month
// counts from 1; dayOfWeek from 0 = Sunday.
struct SystemTime {
    uint32_t year = 0;
    uint32_t month = 1;
    uint32_t dayOfWeek = 0;
    uint32_t day = 1;
    uint32_t hour = 0;
    uint32_t minute = 0;
    uint32_t second = 0;
    uint32_t milliseconds = 0;
};

// The format in which release dates are read back.
inline constexpr const char* kReleaseDateFormat = "%4y-%4M-%2d %2h:%2m:%2s";

class DateTimeValue {
public:
    // The current time (UTC).
    DateTimeValue();
    // The given time, as by SetDateTime (month from 0; values carry).
    DateTimeValue(uint32_t year, uint32_t month, uint32_t day, uint32_t hour = 0, uint32_t minute = 0,
                  uint32_t second = 0);
    // The given moment of the system clock.
    static DateTimeValue fromUnixTime(std::time_t seconds);

    // Month counts from 0. Out-of-range values carry upwards: seconds into
    // minutes, minutes into hours, hours into days, months into years, and
    // days beyond a month's end into the following months.
    void SetDateTime(uint32_t year, uint32_t month, uint32_t day, uint32_t hour, uint32_t minute,
                     uint32_t second);
    // SetDateTime with this value's own year, month and day.
    void SetTime(uint32_t hour, uint32_t minute, uint32_t second);

    // Seconds since 1899-12-30 00:00:00. SetFromSerial reproduces every
    // value that Serial returns; a negative serial counts as 0.
    int64_t Serial() const { return serial_; }
    void SetFromSerial(int64_t serial);
    // Whole days of the serial (36526 for 2000-01-01).
    int64_t serialDays() const { return serial_ / kSecondsPerDay; }

    // Reads a value from text by a format of literals and directives
    // "%[width]letter": y year, M month (number, or full or abbreviated
    // English name), d day, h/H hour, m minute, s second, t am/a.m./pm/p.m.,
    // w weekday name (skipped), D and g (skipped). Starts from `start`
    // (the current time by default) and never fails: a literal that does
    // not match is passed over, and fields the text does not give keep the
    // start's values. Out-of-range fields carry over as by SetDateTime.
    static DateTimeValue Parse(const ByteString& text, const ByteString& format);
    static DateTimeValue Parse(const ByteString& text, const ByteString& format, const DateTimeValue& start);

    // "YYYY-MM-DD HH:MM:SS", zero-padded, longer numbers in full. The
    // record's weekday and milliseconds are ignored.
    static ByteString FormatStamp(const SystemTime& time);
    SystemTime ToSystemTime() const;

    uint32_t year() const { return year_; }
    uint32_t month() const { return month_; }  // 0 = January
    uint32_t day() const { return day_; }
    uint32_t hour() const { return hour_; }
    uint32_t minute() const { return minute_; }
    uint32_t second() const { return second_; }
    uint32_t weekday() const { return weekday_; }      // 0 = Sunday
    uint32_t dayOfYear() const { return dayOfYear_; }  // 1 = 1 January

    static constexpr int64_t kSecondsPerDay = 86400;

private:
    uint32_t year_ = 1899;
    uint32_t month_ = 11;
    uint32_t day_ = 30;
    uint32_t hour_ = 0;
    uint32_t minute_ = 0;
    uint32_t second_ = 0;
    uint32_t weekday_ = 6;
    uint32_t dayOfYear_ = 364;
    int64_t serial_ = 0;
};

// The value a version's release date shows: the stored text read with
// kReleaseDateFormat (today when the text is empty), at midnight.
DateTimeValue releaseDateValue(const ByteString& storedText);
// The text stored for a date chosen on the calendar: its time of day is
// dropped.
ByteString releaseDateText(SystemTime chosen);

}  // namespace orv
