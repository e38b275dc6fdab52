// The lines an editor dialog offers for the records of one kind (versions
// or features): their ids in collection order and the texts of the lines
// (version labels, feature titles), with the rules that map a record's
// references to lines and back.
//
// A file may hold references that no record of their kind holds (damaged
// or written by hand). Such an id is kept unchanged on OK unless the user
// changes the very field that holds it: lists show nothing for it, and a
// drop-down shows an empty line for it.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "package/model.h"
#include "support/byte_string.h"

namespace orv {

// (id, line) pairs sorted by id; among equal ids, by line.
using IdPositions = std::vector<std::pair<uint32_t, uint32_t>>;

struct RecordChoices {
    IdList ids;             // line -> id
    ByteStringList labels;  // line -> text
    IdPositions byId;       // backs positionOfId
};
using VersionChoices = RecordChoices;
using FeatureChoices = RecordChoices;

VersionChoices versionChoices(const Package& p);
FeatureChoices featureChoices(const Package& p);

inline constexpr uint32_t kNoLine = UINT32_MAX;

// The line of the record with this id, or kNoLine for 0 and for an id no
// record holds. Where a damaged file repeats an id, the last record with
// it wins.
uint32_t positionOfId(const RecordChoices& c, uint32_t id);

// A list field (free upgrades, a feature's versions, affected features):
// the lines to show selected, ascending, each once.
std::vector<uint32_t> linesOfIds(const RecordChoices& c, const IdList& ids);
// The field on OK, from the selected lines (ascending): their ids in line
// order, and, while the selection is still the one linesOfIds gave for
// `before`, then the ids of `before` that no line stands for, in their
// order.
IdList idsOnOk(const RecordChoices& c, const IdList& before, const std::vector<uint32_t>& selectedLines);

// A drop-down of one id (a bug's introduced, discovered and fixed
// versions): line 0 stands for 0 ("None/Unknown"), line i + 1 for the
// record on line i, and an id no record holds gets one more line after
// them, shown empty. The line to select for `id`:
uint32_t dropDownLine(const RecordChoices& c, uint32_t id);
// True when `id` needs that extra line.
bool needsKeptLine(const RecordChoices& c, uint32_t id);
// The id on OK for the chosen line: the extra line (or any line past the
// records) keeps `before`.
uint32_t idOfDropDownLine(const RecordChoices& c, uint32_t before, uint32_t line);

}  // namespace orv
