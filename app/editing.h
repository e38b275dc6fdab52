// The main window's editing commands without the window: adding, removing
// and reordering records while keeping every reference between versions,
// features and bugs consistent. The window asks its questions and opens its
// dialogs itself, then calls these.
#pragma once

#include <cstdint>

#include "package/model.h"
#include "support/byte_string.h"

namespace orv {

enum class RecordKind { Versions, Features, Bugs };

uint32_t recordCount(const Package& p, RecordKind kind);
// The row text of record `index`: versionLabel, the title, or bugLabel.
// Empty for an index past the end.
ByteString rowLabel(const Package& p, RecordKind kind, uint32_t index);
// The summary box text of record `index`; empty for an index past the end.
ByteString rowSummary(const Package& p, RecordKind kind, uint32_t index);

// Adding: the record gets the next id of its kind (computed now), is
// appended to its collection, and its index is returned. Where the largest
// id is already 4294967295, the smallest unused id is taken instead of 0.
// addVersion, when `associate` is true and the package held at least one
// version, first appends the new id to every feature that lists the last
// version of the collection (by position, not the largest id), once each.
uint32_t addVersion(Package& p, VersionRecord record, bool associate);
uint32_t addFeature(Package& p, FeatureRecord record);
uint32_t addBug(Package& p, BugRecord record);

// True when adding a version should ask whether to associate the latest
// version's features: the package holds at least one version.
bool needsAssociationQuestion(const Package& p);

// Removes record `index` after removing every reference to it: a version's
// id leaves every free-upgrade and feature version list and every bug's
// introduced/discovered/fixed (set to 0); a feature's id leaves every bug's
// affected features. Nothing happens for an index past the end.
void removeRecord(Package& p, RecordKind kind, uint32_t index);

// Exchanges record `index` with its neighbour at index + delta (delta -1 or
// +1). Ids travel with the records, so no reference changes. False, with
// nothing changed, when either position is out of range.
bool moveRecord(Package& p, RecordKind kind, uint32_t index, int delta);

// The row to select after row `removedRow` was deleted and `rowsLeft` rows
// remain: the row that followed it, else the new last row, else -1.
int rowAfterRemove(uint32_t removedRow, uint32_t rowsLeft);

// The confirmation message boxes of the commands (Yes/No, no icon).
struct Question {
    const char* caption;
    const char* text;
};
Question removeQuestion(RecordKind kind);
Question associationQuestion();

}  // namespace orv
