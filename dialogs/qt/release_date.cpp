#include "dialogs/qt/release_date.h"

#include "support/date_time.h"

namespace orv {

QDate releaseDateShown(const ByteString& text) {
    SystemTime t = releaseDateValue(text).ToSystemTime();
    return QDate(static_cast<int>(t.year), static_cast<int>(t.month), static_cast<int>(t.day));
}

ByteString releaseDateStored(const QDate& day) {
    SystemTime t;
    t.year = static_cast<uint32_t>(day.year());
    t.month = static_cast<uint32_t>(day.month());
    t.day = static_cast<uint32_t>(day.day());
    t.dayOfWeek = static_cast<uint32_t>(day.dayOfWeek() % 7);
    return releaseDateText(t);
}

}  // namespace orv
