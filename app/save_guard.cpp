#include "app/save_guard.h"

namespace orv {

bool asksBeforeOverwriting(const LoadedFile& loaded, const ByteString& target, const FileIdentity& now) {
    return !loaded.name.empty() && target == loaded.name && changedSince(loaded.identity, now);
}

Question changedOnDiskQuestion() {
    return {"Overwrite Changed File?",
            "The file has been changed by another program since it was opened.\n"
            "Overwrite it with the package shown here?"};
}

ByteString busyMessage(const ByteString& name) {
    return "Unable to write to '" + name + "'.\nAnother program is changing it. Please try again in a moment.";
}

}  // namespace orv
