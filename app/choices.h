// The lists an editor dialog is set up with: for versions and features,
// the ids in collection order, the inverse table (position by id) and the
// texts shown in the dialog's lists (version labels, feature titles).
#pragma once

#include "package/model.h"
#include "support/byte_string.h"

namespace orv {

struct VersionChoices {
    IdList ids;          // position -> Version id
    IdList indexById;    // Version id -> position (only looked up at real ids)
    ByteStringList labels;
};

struct FeatureChoices {
    IdList ids;
    IdList indexById;
    ByteStringList titles;
};

VersionChoices versionChoices(const Package& p);
FeatureChoices featureChoices(const Package& p);

}  // namespace orv
