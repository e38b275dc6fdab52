#include "dialogs/qt/gui_text.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QTextDocument>

namespace orv {

QString toQString(const ByteString& bytes) {
    QStringDecoder decode(QStringConverter::System);
    return decode(QByteArrayView(bytes.data(), bytes.length()));
}

ByteString fromQString(const QString& text) {
    QStringEncoder encode(QStringConverter::System);
    QByteArray out = encode(text);
    return ByteString(out.constData(), static_cast<uint32_t>(out.size()));
}

QString plainToolTip(const QString& text) {
    return text.isEmpty() ? text : Qt::convertFromPlainText(text, Qt::WhiteSpaceNoWrap);
}

}  // namespace orv
