// Points in time as the package keeps release dates. A value is a count of
// seconds from the midnight that starts 30 December 1899 (the count's zero,
// and the earliest value: anything before it becomes it), and its calendar
// fields - year, month, day, time of day, weekday, day of the year - are
// always worked out from that count. Every value is UTC in whole seconds;
// the Gregorian leap-year rule is used for every year. A release date is
// written as "YYYY-MM-DD HH:MM:SS" and shown on the version dialog's
// calendar.
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

    // Reads a value from text along a format. Ordinary format characters
    // are expected as they stand (one the text lacks is simply passed
    // over); "%" with an optional width and a letter takes a field: y the
    // year, M the month (its number or its English name, whole or cut
    // short), d the day, h or H the hour, m the minute, s the second, t a
    // morning/afternoon marker (am, a.m., pm, p.m.); w (a weekday name), D
    // and g are read and ignored. Reading never fails: fields the text does
    // not give keep their value from `start` (now, when not given), and a
    // field too large for its place carries into the next larger one as
    // SetDateTime does.
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
