// The Open and Save file dialogs of the Qt editor, over QFileDialog. The
// dialog is a function handed in, so tests can answer it; what its answer
// means (the default extension, the path clean-up) is the core's
// chosenFileName.
#pragma once

#include <QString>
#include <functional>

#include "app/file_names.h"

class QWidget;

namespace orv {

// Runs a file dialog; the chosen path, or an empty text for Cancel.
using FileChooser = std::function<QString(QWidget* owner, const FileDialogRequest&)>;

// The real dialog: Qt's own, which shows hidden files; Open accepts only
// existing files, Save asks before it replaces one (with the configured
// filter's extension added, so it asks about the name that will be written).
QString runFileDialog(QWidget* owner, const FileDialogRequest& request);

}  // namespace orv
