#include "app/upgrade_eligibility.h"

#include <algorithm>

#include "app/release_dates.h"

namespace orv {

UpgradeDecision upgradeEligibility(const Package& p, uint32_t ownedPosition, const DateTimeValue& purchased,
                                   uint32_t targetPosition) {
    UpgradeDecision d;
    const VersionRecord& owned = p.versions[ownedPosition];
    const VersionRecord& target = p.versions[targetPosition];
    const bool hasDate = parseStoredDate(target.releaseDate.view(), d.released);
    if (hasDate) {
        // Before the earliest day there is, the window is open from then on.
        const int64_t start = d.released.serialDays() - static_cast<int64_t>(target.freeUpgradeDays);
        d.windowStart.SetFromSerial(std::max<int64_t>(start, 0) * DateTimeValue::kSecondsPerDay);
    }
    if (ownedPosition == targetPosition) {
        d.reason = UpgradeReason::SameVersion;
    } else if (owned.id != 0 &&
               std::find(target.freeUpgrades.begin(), target.freeUpgrades.end(), owned.id) != target.freeUpgrades.end()) {
        d.reason = UpgradeReason::InFreeUpgradeList;
    } else if (!hasDate) {
        d.reason = UpgradeReason::NoReleaseDate;
    } else {
        d.reason = purchased.serialDays() >= d.windowStart.serialDays() ? UpgradeReason::PurchasedInWindow
                                                                         : UpgradeReason::PurchasedTooEarly;
    }
    d.free = d.reason == UpgradeReason::SameVersion || d.reason == UpgradeReason::InFreeUpgradeList ||
             d.reason == UpgradeReason::PurchasedInWindow;
    return d;
}

}  // namespace orv
