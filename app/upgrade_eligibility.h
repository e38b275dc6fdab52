// Whether a customer who bought one version on a given day upgrades to
// another for free: when the owned version is in the target's free-upgrade
// list, or when the purchase falls on or after the target's release date
// minus its free-upgrade days.
#pragma once

#include <cstdint>

#include "package/model.h"
#include "support/date_time.h"

namespace orv {

enum class UpgradeReason {
    SameVersion,         // the customer owns the target already (free)
    InFreeUpgradeList,   // free
    PurchasedInWindow,   // free
    PurchasedTooEarly,   // paid
    NoReleaseDate,       // paid: the target's release date is empty or no date
};

struct UpgradeDecision {
    bool free = false;
    UpgradeReason reason = UpgradeReason::NoReleaseDate;
    DateTimeValue released;     // the target's release date, when it has one
    DateTimeValue windowStart;  // the first purchase day that earns the upgrade
};

// Whether going from the owned version to the target is an upgrade at all:
// the target comes later in the list.
inline bool isUpgrade(uint32_t ownedPosition, uint32_t targetPosition) { return targetPosition > ownedPosition; }

// Positions are below the version count; only the purchase's day counts.
UpgradeDecision upgradeEligibility(const Package& p, uint32_t ownedPosition, const DateTimeValue& purchased,
                                   uint32_t targetPosition);

}  // namespace orv
