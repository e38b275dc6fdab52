#include "dialogs/release_date.h"

#include <QDateTime>

// Interim conversion until the shared date values are in; it reads only
// well-formed texts.
namespace orv {

QDate releaseDateShown(const ByteString& text) {
    QDate today = QDateTime::currentDateTimeUtc().date();
    if (text.empty()) return today;
    QDate d = QDate::fromString(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.length())).left(10),
                                QStringLiteral("yyyy-MM-dd"));
    return d.isValid() ? d : today;
}

ByteString releaseDateStored(const QDate& day) {
    return ByteString(day.toString(QStringLiteral("yyyy-MM-dd 00:00:00")).toLatin1().toStdString());
}

}  // namespace orv
