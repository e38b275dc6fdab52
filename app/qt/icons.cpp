#include "app/qt/icons.h"

#include <QPixmap>

// The resource file lives in a static library: make sure it is registered.
static void registerResources() { Q_INIT_RESOURCE(orvantis); }

namespace orv {

namespace {
QIcon iconResource(const char* path) {
    static const bool registered = (registerResources(), true);
    (void)registered;
    return QIcon(QString::fromLatin1(path));
}
}  // namespace

QIcon programIcon() { return iconResource(":/orvantis/orvantis.svg"); }

QIcon openButtonIcon() {
    const QPixmap small = iconResource(":/orvantis/open-package.svg").pixmap(16, 16);
    return QIcon(small);
}

}  // namespace orv
