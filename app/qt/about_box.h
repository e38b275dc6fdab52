// The About box: program icon, name and version, one line about the
// program, and OK.
#pragma once

class QWidget;

namespace orv {

// Shows the About box modally over `parent`.
void showAboutBox(QWidget* parent);

}  // namespace orv
