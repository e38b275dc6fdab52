// The main window's texts and button rules: no file access, so every
// front end and its tests can use them on their own.
#include "app/editor.h"

namespace orv {

ByteString cannotOpenMessage(const ByteString& name) { return "Unable to open '" + name + "' for reading."; }

ByteString notCompatibleMessage() { return "The package is not compatible with this version of the Orvantis."; }

ByteString cannotWriteMessage(const ByteString& name) {
    return "Unable to write to '" + name + "'.\nPlease choose another filename.";
}

ListCommands listCommands(int sel, uint32_t count) {
    const int64_t rows = count;
    return {sel >= 0, sel >= 0 && sel < rows, sel >= 1, sel >= 0 && sel + 1 < rows};
}

}  // namespace orv
