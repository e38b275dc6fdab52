#include "app/editor.h"

#include "package/file.h"
#include "package/file_lock.h"
#include "package/format.h"

namespace orv {

namespace {

// Runs one change of the package between the view's two notices.
template <typename F>
auto changeRows(const EditorView& view, RowChange change, uint32_t row, F&& f) {
    if (view.before) view.before(change, row);
    auto result = f();
    if (view.after) view.after(change, row);
    return result;
}

}  // namespace

int addCommand(EditorDocument& doc, RecordKind kind, int sel, const EditorServices& s, const EditorView& view) {
    Package& p = doc.package;
    const uint32_t row = recordCount(p, kind);
    const VersionChoices versions = versionChoices(p);
    switch (kind) {
    case RecordKind::Versions: {
        VersionRecord record;
        if (!s.editors.version(record, versions)) return sel;
        const bool associate = needsAssociationQuestion(p) && s.ask(associationQuestion());
        return static_cast<int>(
            changeRows(view, RowChange::Insert, row, [&] { return addVersion(p, std::move(record), associate); }));
    }
    case RecordKind::Features: {
        FeatureRecord record;
        if (!s.editors.feature(record, versions)) return sel;
        return static_cast<int>(
            changeRows(view, RowChange::Insert, row, [&] { return addFeature(p, std::move(record)); }));
    }
    case RecordKind::Bugs:
        break;
    }
    BugRecord record;
    if (!s.editors.bug(record, versions, featureChoices(p))) return sel;
    return static_cast<int>(changeRows(view, RowChange::Insert, row, [&] { return addBug(p, std::move(record)); }));
}

namespace {

// Opens the editor on a copy of record `index`; the copy on OK, else nothing.
template <typename R, typename Edit>
bool editCopy(RecordArray<R>& records, uint32_t index, const Edit& edit, R& copy) {
    copy = records[index];
    return edit(copy);
}

}  // namespace

int editCommand(EditorDocument& doc, RecordKind kind, int sel, const EditorServices& s, const EditorView& view) {
    Package& p = doc.package;
    if (sel < 0 || static_cast<uint32_t>(sel) >= recordCount(p, kind)) return sel;
    const auto index = static_cast<uint32_t>(sel);
    const VersionChoices versions = versionChoices(p);
    const auto store = [&](auto& records, auto& copy) {
        changeRows(view, RowChange::Replace, index, [&] { return records[index] = std::move(copy), 0; });
    };
    if (kind == RecordKind::Versions) {
        VersionRecord copy;
        if (editCopy(p.versions, index, [&](VersionRecord& r) { return s.editors.version(r, versions); }, copy))
            store(p.versions, copy);
    } else if (kind == RecordKind::Features) {
        FeatureRecord copy;
        if (editCopy(p.features, index, [&](FeatureRecord& r) { return s.editors.feature(r, versions); }, copy))
            store(p.features, copy);
    } else {
        const FeatureChoices features = featureChoices(p);
        BugRecord copy;
        if (editCopy(p.bugs, index, [&](BugRecord& r) { return s.editors.bug(r, versions, features); }, copy))
            store(p.bugs, copy);
    }
    return sel;
}

std::optional<int> removeCommand(EditorDocument& doc, RecordKind kind, int sel, const EditorServices& s,
                                 const EditorView& view) {
    if (sel < 0 || static_cast<uint32_t>(sel) >= recordCount(doc.package, kind)) return {};
    if (!s.ask(removeQuestion(kind))) return {};
    const auto row = static_cast<uint32_t>(sel);
    changeRows(view, RowChange::Remove, row, [&] { return removeRecord(doc.package, kind, row), 0; });
    return rowAfterRemove(row, recordCount(doc.package, kind));
}

std::optional<int> moveCommand(EditorDocument& doc, RecordKind kind, int sel, int delta, const EditorView& view) {
    if (sel < 0) return {};
    const auto row = static_cast<uint32_t>(sel);
    const uint32_t other = row + static_cast<uint32_t>(delta);
    if (delta == 0 || other >= recordCount(doc.package, kind)) return {};
    const uint32_t first = delta < 0 ? other : row;
    if (view.before) {
        view.before(RowChange::Replace, first);
        view.before(RowChange::Replace, first + 1);
    }
    moveRecord(doc.package, kind, row, delta);
    if (view.after) {
        view.after(RowChange::Replace, first);
        view.after(RowChange::Replace, first + 1);
    }
    return static_cast<int>(other);
}

void commonInfoCommand(EditorDocument& doc, const EditorServices& s) {
    CommonInfo copy = doc.package.common;
    if (s.editors.commonInfo(copy)) doc.package.common = std::move(copy);
}

bool loadPackageFile(EditorDocument& doc, const ByteString& name, const EditorServices& s, const EditorView& view) {
    ByteString content;
    // Taken before reading: a change during the read then counts as one.
    const FileIdentity identity = fileIdentity(name);
    if (!loadFile(content, name)) {
        s.error(cannotOpenMessage(name));
        return false;
    }
    doc.fileName = name;
    doc.loaded = {name, identity};
    if (view.showFileName) view.showFileName(name);
    const bool accepted =
        changeRows(view, RowChange::Reset, 0, [&] { return readPackage(doc.package, content); });
    if (!accepted) s.error(notCompatibleMessage());
    return true;
}

ByteString chosenFileName(const FileDialogRequest& request, const ByteString& chosen) {
    ByteString name = chosen;
    if (request.kind == FileDialogKind::Save) name = withDefaultExtension(name, configuredPattern(request));
    sanitizePath(name);
    return name;
}

namespace {

ByteString askForFile(const EditorServices& s, FileDialogKind kind, const char* title) {
    const FileDialogRequest request = packageFileRequest(kind, title);
    const ByteString chosen = s.chooseFile(request);
    return chosen.empty() ? chosen : chosenFileName(request, chosen);
}

// Written; Declined (the user said No, or another writer kept the lock:
// told already); Failed.
enum class SaveOutcome { Written, Declined, Failed };

SaveOutcome saveTo(EditorDocument& doc, const ByteString& name, const ByteString& content, bool guard,
                   const EditorServices& s) {
    if (name.empty()) return SaveOutcome::Failed;
    FileLock lock;
    if (lock.lock(name, s.saveLockWait) == LockResult::Busy) {
        s.error(busyMessage(name));
        return SaveOutcome::Declined;
    }
    if (guard && asksBeforeOverwriting(doc.loaded, name, fileIdentity(name)) && !s.ask(changedOnDiskQuestion()))
        return SaveOutcome::Declined;
    if (!saveFile(content, name)) return SaveOutcome::Failed;
    if (name == doc.loaded.name) doc.loaded.identity = fileIdentity(name);  // the file is ours again
    return SaveOutcome::Written;
}

}  // namespace

bool openCommand(EditorDocument& doc, const EditorServices& s, const EditorView& view) {
    const ByteString name = askForFile(s, FileDialogKind::Open, "Open");
    return !name.empty() && loadPackageFile(doc, name, s, view);
}

bool saveCommand(EditorDocument& doc, const EditorServices& s) {
    ByteString name = doc.fileName;
    sanitizePath(name);
    ByteString content;
    // A package too large for one file cannot be written under any name;
    // the message and "Save As" still come, and no file is touched.
    const bool encoded = writePackage(doc.package, content);
    for (bool guard = true;; guard = false) {
        const SaveOutcome outcome = encoded ? saveTo(doc, name, content, guard, s) : SaveOutcome::Failed;
        if (outcome == SaveOutcome::Written) return true;
        if (outcome == SaveOutcome::Failed && !name.empty()) s.error(cannotWriteMessage(name));
        name = askForFile(s, FileDialogKind::Save, "Save As");
        if (name.empty()) return false;
    }
}

}  // namespace orv
