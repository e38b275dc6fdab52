#include "package/model.h"

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

template <typename R>
void indexById(const RecordArray<R>& records, IdList& out) {
    out.clear();
    uint32_t i = 0;
    for (const R& r : records) out.at(r.id) = i++;
}

}  // namespace

ByteString& CommonInfo::field(uint32_t i) {
    ByteString* fields[kFieldCount] = {&company, &product, &productLink, &productDescription, &upsellLink,
                                       &upsellDescription, &companyAddress, &companyPhone, &companyEmail,
                                       &companyLink, &salesPhone, &salesEmail, &techSupportPhone, &techSupportEmail};
    return *fields[i < kFieldCount ? i : kFieldCount - 1];
}

const ByteString& CommonInfo::field(uint32_t i) const { return const_cast<CommonInfo*>(this)->field(i); }

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
void versionIndexById(const Package& p, IdList& out) { indexById(p.versions, out); }
void featureIndexById(const Package& p, IdList& out) { indexById(p.features, out); }

}  // namespace orv
