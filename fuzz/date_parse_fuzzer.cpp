// Reading release dates: a package's date text (or any format) must give a
// whole, consistent value, never a crash or a calendar field out of range.
//
// Input: byte 0 picks the package's own format or the format on the first
// line; the rest is the text.
#include <cstdint>
#include <cstdlib>

#include "support/date_time.h"

namespace {

using orv::ByteString;
using orv::DateTimeValue;

void check(bool condition) {
    if (!condition) std::abort();
}

bool sameFields(const DateTimeValue& a, const DateTimeValue& b) {
    return a.year() == b.year() && a.month() == b.month() && a.day() == b.day() && a.hour() == b.hour() &&
           a.minute() == b.minute() && a.second() == b.second() && a.weekday() == b.weekday() &&
           a.dayOfYear() == b.dayOfYear() && a.Serial() == b.Serial();
}

void checkValue(const DateTimeValue& v) {
    check(v.Serial() >= 0 && v.year() >= 1899 && v.month() < 12 && v.day() >= 1 && v.day() <= 31);
    check(v.hour() < 24 && v.minute() < 60 && v.second() < 60 && v.weekday() < 7);
    check(v.dayOfYear() >= 1 && v.dayOfYear() <= 366);
    DateTimeValue again;
    again.SetFromSerial(v.Serial());
    check(sameFields(again, v));
    if (v.year() > 9999) return;  // the stamp's year has four digits
    const ByteString stamp = DateTimeValue::FormatStamp(v.ToSystemTime());
    check(sameFields(DateTimeValue::Parse(stamp, orv::kReleaseDateFormat, DateTimeValue(2000, 0, 1)), v));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 4096) return 0;
    const ByteString input(reinterpret_cast<const char*>(data) + 1, static_cast<uint32_t>(size - 1));
    const DateTimeValue start(2007, 5, 15, 12, 30, 45);
    if (data[0] & 1) {
        const uint32_t line = input.find('\n');
        checkValue(DateTimeValue::Parse(line == ByteString::npos ? ByteString() : input.Mid(line + 1), input.Left(line),
                                        start));
    } else {
        checkValue(DateTimeValue::Parse(input, orv::kReleaseDateFormat, start));
        checkValue(orv::releaseDateValue(input));
    }
    return 0;
}
