#include "app/release_dates.h"

namespace orv {

namespace {

// Digits at the given offsets as one number; false if any is not a digit.
bool digitsAt(std::string_view text, size_t at, size_t count, uint32_t& value) {
    value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + static_cast<uint32_t>(text[i] - '0');
    }
    return true;
}

bool readDate(std::string_view text, uint32_t f[6], bool withTime) {
    const size_t length = withTime ? 19 : 10;
    if (text.size() != length || text[4] != '-' || text[7] != '-') return false;
    if (!digitsAt(text, 0, 4, f[0]) || !digitsAt(text, 5, 2, f[1]) || !digitsAt(text, 8, 2, f[2])) return false;
    f[3] = f[4] = f[5] = 0;
    if (withTime && (text[10] != ' ' || text[13] != ':' || text[16] != ':' || !digitsAt(text, 11, 2, f[3]) ||
                     !digitsAt(text, 14, 2, f[4]) || !digitsAt(text, 17, 2, f[5])))
        return false;
    return true;
}

// Builds the value and accepts it only if nothing carried over: a value
// that differs from its fields was not a real date or time.
bool build(const uint32_t f[6], DateTimeValue& out) {
    if (f[0] < 1900 || f[1] < 1 || f[1] > 12 || f[2] < 1) return false;
    const DateTimeValue v(f[0], f[1] - 1, f[2], f[3], f[4], f[5]);
    if (v.year() != f[0] || v.month() != f[1] - 1 || v.day() != f[2] || v.hour() != f[3] || v.minute() != f[4] ||
        v.second() != f[5])
        return false;
    out = v;
    return true;
}

}  // namespace

bool parseStoredDate(std::string_view text, DateTimeValue& out) {
    uint32_t f[6];
    return readDate(text, f, true) && build(f, out);
}

bool parseCalendarDate(std::string_view text, DateTimeValue& out) {
    uint32_t f[6];
    return readDate(text, f, false) && build(f, out);
}

ByteString calendarDateText(const DateTimeValue& value) {
    return DateTimeValue::FormatStamp(value.ToSystemTime()).Left(10);
}

}  // namespace orv
