// The JSON members of each record, in file order: a name and the record's
// field, which is a text, a number or a list of ids.
#pragma once

#include <span>

#include "package/model.h"

namespace orv::cli {

template <typename R>
struct Field {
    const char* name;
    ByteString R::*text = nullptr;
    uint32_t R::*number = nullptr;
    IdList R::*ids = nullptr;
};

using V = VersionRecord;
using F = FeatureRecord;
using B = BugRecord;

inline constexpr Field<V> kVersionFields[] = {
    {"id", nullptr, &V::id},
    {"version", &V::version},
    {"reservedText", &V::reservedText},
    {"location", &V::location},
    {"fileSize", &V::fileSize},
    {"screenshot", &V::screenshot},
    {"thumbnail", &V::thumbnail},
    {"releaseDate", &V::releaseDate},
    {"freeUpgrades", nullptr, nullptr, &V::freeUpgrades},
    {"freeUpgradeDays", nullptr, &V::freeUpgradeDays},
};

inline constexpr Field<F> kFeatureFields[] = {
    {"id", nullptr, &F::id},
    {"title", &F::title},
    {"description", &F::description},
    {"screenshot", &F::screenshot},
    {"thumbnail", &F::thumbnail},
    {"versions", nullptr, nullptr, &F::versions},
};

inline constexpr Field<B> kBugFields[] = {
    {"id", nullptr, &B::id},
    {"title", &B::title},
    {"description", &B::description},
    {"severity", nullptr, &B::severity},
    {"type", &B::type},
    {"introduced", nullptr, &B::introduced},
    {"discovered", nullptr, &B::discovered},
    {"fixed", nullptr, &B::fixed},
    {"affectedFeatures", nullptr, nullptr, &B::affectedFeatures},
};

}  // namespace orv::cli
