// A version's release date between its stored text and the calendar: the
// text is "YYYY-MM-DD HH:MM:SS" and always stored at 00:00:00.
#pragma once

#include <QDate>

#include "support/byte_string.h"

namespace orv {

// The day to select: today (UTC) for an empty text, else the day the text
// reads as, with whatever a damaged text leaves from today's date.
QDate releaseDateShown(const ByteString& text);
// The text stored for a day picked in the calendar.
ByteString releaseDateStored(const QDate& day);

}  // namespace orv
