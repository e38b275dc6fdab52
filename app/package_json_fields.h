// The JSON members of each record, in file order: a name and the record's
// field, which is a text, a number or a list of ids.
#pragma once

#include <span>

#include "package/model.h"

namespace orv {

template <typename R>
struct JsonField {
    const char* name;
    ByteString R::*text = nullptr;
    uint32_t R::*number = nullptr;
    IdList R::*ids = nullptr;
};

inline constexpr JsonField<VersionRecord> kVersionJsonFields[] = {
    {"id", nullptr, &VersionRecord::id},
    {"version", &VersionRecord::version},
    {"reservedText", &VersionRecord::reservedText},
    {"location", &VersionRecord::location},
    {"fileSize", &VersionRecord::fileSize},
    {"screenshot", &VersionRecord::screenshot},
    {"thumbnail", &VersionRecord::thumbnail},
    {"releaseDate", &VersionRecord::releaseDate},
    {"freeUpgrades", nullptr, nullptr, &VersionRecord::freeUpgrades},
    {"freeUpgradeDays", nullptr, &VersionRecord::freeUpgradeDays},
};

inline constexpr JsonField<FeatureRecord> kFeatureJsonFields[] = {
    {"id", nullptr, &FeatureRecord::id},
    {"title", &FeatureRecord::title},
    {"description", &FeatureRecord::description},
    {"screenshot", &FeatureRecord::screenshot},
    {"thumbnail", &FeatureRecord::thumbnail},
    {"versions", nullptr, nullptr, &FeatureRecord::versions},
};

inline constexpr JsonField<BugRecord> kBugJsonFields[] = {
    {"id", nullptr, &BugRecord::id},
    {"title", &BugRecord::title},
    {"description", &BugRecord::description},
    {"severity", nullptr, &BugRecord::severity},
    {"type", &BugRecord::type},
    {"introduced", nullptr, &BugRecord::introduced},
    {"discovered", nullptr, &BugRecord::discovered},
    {"fixed", nullptr, &BugRecord::fixed},
    {"affectedFeatures", nullptr, nullptr, &BugRecord::affectedFeatures},
};

}  // namespace orv
