// The program's icons, drawn as SVG and compiled into the program.
#pragma once

#include <QIcon>

namespace orv {

// The program icon (window, About box, desktop entry).
QIcon programIcon();
// The Open button's icon, built at 16 by 16 pixels.
QIcon openButtonIcon();

}  // namespace orv
