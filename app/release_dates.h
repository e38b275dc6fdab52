// Strict reading of the dates a package and its users write: a stored
// release date "YYYY-MM-DD HH:MM:SS" and a calendar date "YYYY-MM-DD". The
// lenient parser of the version dialog accepts anything; these accept only
// real dates in exactly these forms, for the checks and for dates typed on
// a command line.
#pragma once

#include <string_view>

#include "support/date_time.h"

namespace orv {

// A stored release date in exactly the form "YYYY-MM-DD HH:MM:SS" naming a
// real moment (no 31 April, no hour 24) in the years 1900 to 9999.
bool parseStoredDate(std::string_view text, DateTimeValue& out);

// "YYYY-MM-DD" naming a real day in the years 1900 to 9999, at midnight.
bool parseCalendarDate(std::string_view text, DateTimeValue& out);

// "YYYY-MM-DD" of a value.
ByteString calendarDateText(const DateTimeValue& value);

}  // namespace orv
