// The lists an editor dialog is set up with: for versions and features,
// the ids in collection order, the inverse table (position by id) and the
// texts shown in the dialog's lists (version labels, feature titles).
//
// The dense inverse table `indexById` is filled only when the largest id is
// small enough for the table to stay in proportion to the records (a file
// may hold any id, up to 4294967295). Look positions up with positionOfId,
// which works in every case.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "package/model.h"
#include "support/byte_string.h"

namespace orv {

// (id, position) pairs sorted by id; among equal ids, by position.
using IdPositions = std::vector<std::pair<uint32_t, uint32_t>>;

struct VersionChoices {
    IdList ids;          // position -> Version id
    IdList indexById;    // Version id -> position; empty when ids are too large
    ByteStringList labels;
    IdPositions byId;    // backs positionOfId
};

struct FeatureChoices {
    IdList ids;
    IdList indexById;
    ByteStringList titles;
    IdPositions byId;
};

VersionChoices versionChoices(const Package& p);
FeatureChoices featureChoices(const Package& p);

// Position of the record with this id, or UINT32_MAX for an id no record
// has and for 0, which names no record. Where a damaged file repeats an id,
// the last record with it wins, as in the inverse table.
uint32_t positionOfId(const VersionChoices& c, uint32_t id);
uint32_t positionOfId(const FeatureChoices& c, uint32_t id);

// The largest id for which a dense inverse table is still built for `count`
// records.
uint64_t denseIndexLimit(uint32_t count);

}  // namespace orv
