// Texts cross between ByteString (the locale's 8-bit encoding) and Qt's
// strings here, and only here.
#pragma once

#include <QString>

#include "support/byte_string.h"

namespace orv {

QString toQString(const ByteString& bytes);
ByteString fromQString(const QString& text);

// A tooltip that shows `text` literally: Qt reads any tooltip that looks
// like markup as markup, so the text goes in escaped.
QString plainToolTip(const QString& text);

}  // namespace orv
