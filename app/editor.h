// The main window's document and commands without the window: Add, Edit,
// Remove, Move Up and Down, Common Information, Open and Save, as every
// editor front end runs them. The front end owns the controls; it hands in
// what the commands ask of the user (questions, errors, the editor dialogs,
// the file dialogs) and is told how its list's rows follow the package.
#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include "app/choices.h"
#include "app/editing.h"
#include "app/file_names.h"
#include "app/save_guard.h"
#include "package/model.h"
#include "support/byte_string.h"

namespace orv {

// The editor dialogs. Each edits its record in place and returns true on OK.
struct RecordEditors {
    std::function<bool(CommonInfo&)> commonInfo;
    std::function<bool(VersionRecord&, const VersionChoices&)> version;
    std::function<bool(FeatureRecord&, const VersionChoices&)> feature;
    std::function<bool(BugRecord&, const VersionChoices&, const FeatureChoices&)> bug;
};

struct EditorServices {
    std::function<bool(const Question&)> ask;            // true for Yes
    std::function<void(const ByteString& text)> error;   // an "Error" box
    // Runs a file dialog: the name as the dialog gives it, empty for Cancel.
    std::function<ByteString(const FileDialogRequest&)> chooseFile;
    RecordEditors editors;
    std::chrono::milliseconds saveLockWait = kSaveLockWait;
};

// How the list's rows change; the window is told before and after each
// change of the package, with the row concerned (0 for a reset).
enum class RowChange { Insert, Remove, Replace, Reset };
struct EditorView {
    std::function<void(RowChange, uint32_t row)> before;
    std::function<void(RowChange, uint32_t row)> after;
    std::function<void(const ByteString& name)> showFileName;
};

struct EditorDocument {
    Package package;
    LoadedFile loaded;    // the file read last, as it was then
    ByteString fileName;  // the Filename field: the file read last
};

// The main window's texts.
ByteString cannotOpenMessage(const ByteString& name);
ByteString notCompatibleMessage();
ByteString cannotWriteMessage(const ByteString& name);

// Which list commands the selection allows (sel is -1 for none).
struct ListCommands {
    bool edit = false, remove = false, moveUp = false, moveDown = false;
};
ListCommands listCommands(int sel, uint32_t count);

// Each command takes the selected row (-1 for none) and returns the row
// to select afterwards; Remove and Move return nothing when they did
// nothing at all (no row, the question declined, no neighbour).
int addCommand(EditorDocument& doc, RecordKind kind, int sel, const EditorServices& s, const EditorView& view);
int editCommand(EditorDocument& doc, RecordKind kind, int sel, const EditorServices& s, const EditorView& view);
std::optional<int> removeCommand(EditorDocument& doc, RecordKind kind, int sel, const EditorServices& s,
                                 const EditorView& view);
std::optional<int> moveCommand(EditorDocument& doc, RecordKind kind, int sel, int delta, const EditorView& view);
void commonInfoCommand(EditorDocument& doc, const EditorServices& s);

// Reads a package file into the document: false (after telling the user)
// when it cannot be read. A file that is no package is reported, its name
// still shown, and the package left as it was.
bool loadPackageFile(EditorDocument& doc, const ByteString& name, const EditorServices& s, const EditorView& view);
// Open: true when a file was read, and the list is to be rebuilt.
bool openCommand(EditorDocument& doc, const EditorServices& s, const EditorView& view);
// Save: writes the package to the shown file, asking for another with
// "Save As" while there is none or it cannot be written. True once
// written (the window then closes); false when the user gave up.
bool saveCommand(EditorDocument& doc, const EditorServices& s);

// The name a file dialog's answer stands for: Save adds the configured
// filter's default extension to a name without one (whichever filter the
// user picked), then the path is cleaned up for the system.
ByteString chosenFileName(const FileDialogRequest& request, const ByteString& chosen);

}  // namespace orv
