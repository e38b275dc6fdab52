#include "package/model.h"

#include <algorithm>

namespace orv {

namespace {

template <typename R>
uint32_t nextId(const RecordArray<R>& records) {
    uint32_t largest = 0;
    for (const R& r : records)
        if (r.id > largest) largest = r.id;
    return largest + 1;
}

template <typename R>
void idsOf(const RecordArray<R>& records, IdList& out) {
    out.clear();
    out.reserve(records.count());
    for (const R& r : records) out.append(r.id);
}

}  // namespace

namespace {

constexpr ByteString CommonInfo::*kFields[CommonInfo::kFieldCount] = {
    &CommonInfo::company,          &CommonInfo::product,      &CommonInfo::productLink,
    &CommonInfo::productDescription, &CommonInfo::upsellLink, &CommonInfo::upsellDescription,
    &CommonInfo::companyAddress,   &CommonInfo::companyPhone, &CommonInfo::companyEmail,
    &CommonInfo::companyLink,      &CommonInfo::salesPhone,   &CommonInfo::salesEmail,
    &CommonInfo::techSupportPhone, &CommonInfo::techSupportEmail};

}  // namespace

ByteString& CommonInfo::field(uint32_t i) {
    if (i < kFieldCount) return this->*kFields[i];
    thread_local ByteString nowhere;
    nowhere = ByteString();
    return nowhere;
}

const ByteString& CommonInfo::field(uint32_t i) const {
    static const ByteString kEmpty;
    return i < kFieldCount ? this->*kFields[i] : kEmpty;
}

void IdList::removeAt(uint32_t i, uint32_t n) {
    const uint32_t old = count();
    if (uint64_t{i} + n >= old) {
        setCount(std::min(i, old));
        setCount(i);
        return;
    }
    uint32_t* ids = begin();
    std::copy(ids + i + n, ids + old, ids + i);
    setCount(old - n);
}

bool CommonInfo::operator==(const CommonInfo& o) const {
    for (uint32_t i = 0; i < kFieldCount; ++i)
        if (field(i) != o.field(i)) return false;
    return true;
}

bool VersionRecord::operator==(const VersionRecord& o) const {
    return id == o.id && version == o.version && reservedText == o.reservedText && location == o.location &&
           fileSize == o.fileSize && screenshot == o.screenshot && thumbnail == o.thumbnail &&
           releaseDate == o.releaseDate && freeUpgrades == o.freeUpgrades && freeUpgradeDays == o.freeUpgradeDays;
}

bool FeatureRecord::operator==(const FeatureRecord& o) const {
    return id == o.id && title == o.title && description == o.description && screenshot == o.screenshot &&
           thumbnail == o.thumbnail && versions == o.versions;
}

bool BugRecord::operator==(const BugRecord& o) const {
    return id == o.id && title == o.title && description == o.description && severity == o.severity &&
           type == o.type && introduced == o.introduced && discovered == o.discovered && fixed == o.fixed &&
           affectedFeatures == o.affectedFeatures;
}

uint32_t nextVersionId(const Package& p) { return nextId(p.versions); }
uint32_t nextFeatureId(const Package& p) { return nextId(p.features); }
uint32_t nextBugId(const Package& p) { return nextId(p.bugs); }

void versionIds(const Package& p, IdList& out) { idsOf(p.versions, out); }
void featureIds(const Package& p, IdList& out) { idsOf(p.features, out); }

}  // namespace orv
