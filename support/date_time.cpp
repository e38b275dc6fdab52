#include "support/date_time.h"

#include <cstdio>
#include <cstring>

#include "support/numbers.h"

namespace orv {

namespace {

constexpr uint32_t kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
// Days from 1899-12-30 to 1970-01-01.
constexpr int64_t kUnixEpochDays = 25569;

constexpr bool isLeapYear(int64_t y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }

constexpr int64_t daysBefore(int64_t year, uint32_t month) {
    return kDaysBeforeMonth[month] + (month >= 2 && isLeapYear(year) ? 1 : 0);
}

constexpr int64_t floorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0); }

// Days from 1899-12-30 to the given date (month from 0, day 0 being the
// last day of the month before). Floor division keeps the count right for
// year 0 too.
constexpr int64_t dayNumber(int64_t year, uint32_t month, int64_t day) {
    const int64_t p = year - 1;
    return (year - 1899) * 365 - floorDiv(p, 100) + floorDiv(p, 400) + floorDiv(p, 4) - 460 + daysBefore(year, month) +
           day - 364;
}
static_assert(dayNumber(1899, 11, 30) == 0);
static_assert(dayNumber(2000, 0, 1) == 36526);

constexpr int64_t kMaxSerial = (dayNumber(UINT32_MAX, 11, 31) + 1) * DateTimeValue::kSecondsPerDay - 1;

struct CivilDate {
    int64_t year;
    uint32_t month;  // 0 = January
    uint32_t day;
};

// The date `days` days after 1899-12-30, by whole 400-year cycles.
CivilDate civilFromDays(int64_t days) {
    const int64_t z = days - kUnixEpochDays + 719468;  // days since 0000-03-01
    const int64_t era = floorDiv(z, 146097);
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const auto day = static_cast<uint32_t>(doy - (153 * mp + 2) / 5 + 1);
    const auto month = static_cast<uint32_t>(mp < 10 ? mp + 2 : mp - 10);
    return {yoe + era * 400 + (month <= 1 ? 1 : 0), month, day};
}

bool startsWithNoCase(const ByteString& text, uint32_t pos, const char* word) {
    const ByteString w(word);
    if (text.length() - pos < w.length()) return false;
    return text.compareNoCase(w.length(), pos, w, 0) == 0;
}

// Index of the first name that the text at pos begins with, or -1.
int matchName(const ByteString& text, uint32_t pos, const char* const* names, int count) {
    for (int i = 0; i < count; ++i)
        if (startsWithNoCase(text, pos, names[i])) return i;
    return -1;
}

const char* const kDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const kDayAbbreviations[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};
const char* const kMonthAbbreviations[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

DateTimeValue::DateTimeValue() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    *this = fromUnixTime(now.tv_sec);
}

DateTimeValue::DateTimeValue(uint32_t year, uint32_t month, uint32_t day, uint32_t hour, uint32_t minute,
                             uint32_t second) {
    SetDateTime(year, month, day, hour, minute, second);
}

DateTimeValue DateTimeValue::fromUnixTime(std::time_t seconds) {
    DateTimeValue v(1899, 11, 30);
    const int64_t s = static_cast<int64_t>(seconds);
    const int64_t offset = kUnixEpochDays * kSecondsPerDay;
    v.SetFromSerial(s > kMaxSerial - offset ? kMaxSerial : s + offset);
    return v;
}

void DateTimeValue::SetDateTime(uint32_t year, uint32_t month, uint32_t day, uint32_t hour, uint32_t minute,
                                uint32_t second) {
    // 64-bit throughout, so that carries from the largest inputs cannot wrap.
    uint64_t s = second, mi = minute, h = hour, d = day, m = month, y = year;
    mi += s / 60;
    s %= 60;
    h += mi / 60;
    mi %= 60;
    d += h / 24;
    h %= 24;
    y += m / 12;
    m %= 12;
    // Days past the end of a month run on into the following months, which
    // is what counting from the day before the 1st gives.
    const int64_t days = dayNumber(static_cast<int64_t>(y), static_cast<uint32_t>(m), static_cast<int64_t>(d));
    const int64_t ofDay = static_cast<int64_t>(h * 3600 + mi * 60 + s);
    SetFromSerial(days > kMaxSerial / kSecondsPerDay ? kMaxSerial : days * kSecondsPerDay + ofDay);
}

void DateTimeValue::SetTime(uint32_t hour, uint32_t minute, uint32_t second) {
    SetDateTime(year_, month_, day_, hour, minute, second);
}

void DateTimeValue::SetFromSerial(int64_t serial) {
    if (serial < 0) serial = 0;
    if (serial > kMaxSerial) serial = kMaxSerial;
    serial_ = serial;
    const int64_t days = serial / kSecondsPerDay;
    const auto seconds = static_cast<uint32_t>(serial % kSecondsPerDay);
    second_ = seconds % 60;
    minute_ = seconds / 60 % 60;
    hour_ = seconds / 3600;
    weekday_ = static_cast<uint32_t>((days + 6) % 7);
    const CivilDate date = civilFromDays(days);
    year_ = static_cast<uint32_t>(date.year);
    month_ = date.month;
    day_ = date.day;
    dayOfYear_ = day_ + static_cast<uint32_t>(daysBefore(date.year, month_));
}

DateTimeValue DateTimeValue::Parse(const ByteString& text, const ByteString& format) {
    return Parse(text, format, DateTimeValue());
}

namespace {

// The working copy of a parse: the fields and the position in the text.
struct ParseState {
    const ByteString& text;
    uint32_t pos = 0;
    uint32_t year, month, day, hour, minute, second;
};

// Length of the digit run at the position (signs too, for "g" with a
// width); a width caps it.
uint32_t scanRun(const ParseState& st, int width, char letter) {
    const bool signs = width >= 0 && letter == 'g';
    uint32_t run = 0;
    while (st.pos + run < st.text.length() && (width < 0 || run < static_cast<uint32_t>(width))) {
        const char c = st.text[st.pos + run];
        if (!isDigit(c) && !(signs && (c == '+' || c == '-'))) break;
        ++run;
    }
    return run;
}

// Skips the first of the full names, then the first of the abbreviations,
// that the text begins with; its index, or -1 with nothing skipped.
int skipName(ParseState& st, const char* const* full, const char* const* abbreviated, int count) {
    int found = matchName(st.text, st.pos, full, count);
    if (found >= 0) {
        st.pos += static_cast<uint32_t>(std::strlen(full[found]));
    } else if ((found = matchName(st.text, st.pos, abbreviated, count)) >= 0) {
        st.pos += static_cast<uint32_t>(std::strlen(abbreviated[found]));
    }
    return found;
}

void skipDayHalf(ParseState& st) {
    static const char* const kMarkers[] = {"am", "a.m.", "pm", "p.m."};
    const int found = matchName(st.text, st.pos, kMarkers, 4);
    if (found < 0) return;
    st.pos += static_cast<uint32_t>(std::strlen(kMarkers[found]));
    st.hour = st.hour % 12 + (found >= 2 ? 12 : 0);
}

void skipZoneOffset(ParseState& st) {
    if (st.pos < st.text.length() && (st.text[st.pos] == '+' || st.text[st.pos] == '-')) ++st.pos;
    for (int n = 0; n < 4 && st.pos < st.text.length() && isDigit(st.text[st.pos]); ++n) ++st.pos;
}

void applyDirective(ParseState& st, char letter, uint32_t run) {
    const uint32_t value = parseU32(st.text.view().substr(st.pos, run));
    uint32_t* field = nullptr;
    switch (letter) {
    case 'y': field = &st.year; break;
    case 'd': field = &st.day; break;
    case 'H':
    case 'h': field = &st.hour; break;
    case 'm': field = &st.minute; break;
    case 's': field = &st.second; break;
    case 'D': st.pos += run; return;
    case 'M':
        if (run == 0) {
            const int found = skipName(st, kMonthNames, kMonthAbbreviations, 12);
            if (found >= 0) st.month = static_cast<uint32_t>(found);
        } else {
            st.month = value == 0 ? 0 : value - 1;
            st.pos += run;
        }
        return;
    case 'w':
        if (run == 0) skipName(st, kDayNames, kDayAbbreviations, 7);
        st.pos += run;
        return;
    case 't': skipDayHalf(st); return;
    case 'g':
        if (run == 0) skipZoneOffset(st);
        st.pos += run;
        return;
    default: return;  // unknown letters consume nothing
    }
    *field = value;
    st.pos += run;
}

}  // namespace

DateTimeValue DateTimeValue::Parse(const ByteString& text, const ByteString& format, const DateTimeValue& start) {
    ParseState st{text, 0, start.year_, start.month_, start.day_, start.hour_, start.minute_, start.second_};
    for (uint32_t i = 0; i < format.length() && st.pos < text.length(); ++i) {
        if (format[i] != '%') {
            if (text[st.pos] == format[i]) ++st.pos;  // a mismatch is passed over
            continue;
        }
        if (++i >= format.length()) break;
        int width = -1;
        if (isDigit(format[i])) {
            width = format[i] - '0';
            if (++i >= format.length()) break;
        }
        applyDirective(st, format[i], scanRun(st, width, format[i]));
    }
    // Out-of-range fields carry over only here, once.
    return DateTimeValue(st.year, st.month, st.day, st.hour, st.minute, st.second);
}

ByteString DateTimeValue::FormatStamp(const SystemTime& t) {
    char buffer[96];
    const int n = std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02u %02u:%02u:%02u", static_cast<unsigned>(t.year),
                                static_cast<unsigned>(t.month), static_cast<unsigned>(t.day),
                                static_cast<unsigned>(t.hour), static_cast<unsigned>(t.minute),
                                static_cast<unsigned>(t.second));
    return ByteString(buffer, static_cast<uint32_t>(n));
}

SystemTime DateTimeValue::ToSystemTime() const {
    return SystemTime{year_, month_ + 1, weekday_, day_, hour_, minute_, second_, 0};
}

DateTimeValue releaseDateValue(const ByteString& storedText) {
    DateTimeValue value;
    if (!storedText.empty()) value = DateTimeValue::Parse(storedText, kReleaseDateFormat, value);
    value.SetTime(0, 0, 0);
    return value;
}

ByteString releaseDateText(SystemTime chosen) {
    chosen.hour = chosen.minute = chosen.second = chosen.milliseconds = 0;
    return DateTimeValue::FormatStamp(chosen);
}

}  // namespace orv
