// The package: one product's common information and its ordered versions,
// features and bugs. Records are plain values (copies are deep) and refer
// to each other by id, never by position.
#pragma once

#include <cstdint>
#include <vector>

#include "support/byte_string.h"

namespace orv {

// A growable array whose indexing past the end grows it instead of failing.
// Exposed slots always hold default values.
template <typename T>
class GrowArray {
public:
    GrowArray() = default;
    GrowArray(std::initializer_list<T> init) : items_(init) {}

    uint32_t count() const { return static_cast<uint32_t>(items_.size()); }
    bool empty() const { return items_.empty(); }
    // Sets the count; new slots are default values, shrinking drops the tail.
    void setCount(uint32_t n) { items_.resize(n); }
    void clear() { items_.clear(); }

    // Element i, growing the array to i + 1 elements first if needed.
    T& at(uint32_t i) {
        if (i >= items_.size()) items_.resize(static_cast<size_t>(i) + 1);
        return items_[i];
    }
    T& operator[](uint32_t i) { return at(i); }
    // Read access that never grows: only for indices below count().
    const T& operator[](uint32_t i) const { return items_[i]; }

    void append(const T& v) { items_.push_back(v); }
    void append(T&& v) { items_.push_back(std::move(v)); }
    void appendAll(const GrowArray& other) { items_.insert(items_.end(), other.items_.begin(), other.items_.end()); }
    void insertAt(uint32_t i, T v) {
        if (i > items_.size()) items_.resize(i);
        items_.insert(items_.begin() + i, std::move(v));
    }
    // Removes n elements at i, first growing to i + n elements if shorter.
    void removeAt(uint32_t i, uint32_t n = 1) {
        if (static_cast<size_t>(i) + n > items_.size()) items_.resize(static_cast<size_t>(i) + n);
        items_.erase(items_.begin() + i, items_.begin() + i + n);
    }
    void swapItems(uint32_t a, uint32_t b) { std::swap(at(a), at(b)); }
    void reserve(uint32_t n) { items_.reserve(n); }

    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    const std::vector<T>& items() const { return items_; }

    bool operator==(const GrowArray& o) const { return items_ == o.items_; }
    bool operator!=(const GrowArray& o) const { return !(*this == o); }

private:
    std::vector<T> items_;
};

using IdList = GrowArray<uint32_t>;
template <typename R>
using RecordArray = GrowArray<R>;

struct CommonInfo {
    ByteString company;
    ByteString product;
    ByteString productLink;
    ByteString productDescription;
    ByteString upsellLink;
    ByteString upsellDescription;
    ByteString companyAddress;
    ByteString companyPhone;
    ByteString companyEmail;
    ByteString companyLink;
    ByteString salesPhone;
    ByteString salesEmail;
    ByteString techSupportPhone;
    ByteString techSupportEmail;

    static constexpr uint32_t kFieldCount = 14;
    // The fields in file and dialog order.
    ByteString& field(uint32_t i);
    const ByteString& field(uint32_t i) const;
    bool operator==(const CommonInfo& o) const;
};

struct VersionRecord {
    uint32_t id = 0;
    ByteString version;
    ByteString reservedText;  // kept and saved unchanged; no dialog shows it
    ByteString location;
    ByteString fileSize;      // decimal text as typed or determined
    ByteString screenshot;
    ByteString thumbnail;
    ByteString releaseDate;   // "YYYY-MM-DD HH:MM:SS"
    IdList freeUpgrades;      // Version ids
    uint32_t freeUpgradeDays = 30;

    bool operator==(const VersionRecord& o) const;
};

struct FeatureRecord {
    uint32_t id = 0;
    ByteString title;
    ByteString description;
    ByteString screenshot;
    ByteString thumbnail;
    IdList versions;          // Version ids

    bool operator==(const FeatureRecord& o) const;
};

struct BugRecord {
    uint32_t id = 0;
    ByteString title;
    ByteString description;
    uint32_t severity = 1;
    ByteString type = "Usability";
    uint32_t introduced = 0;  // Version id or 0 for none
    uint32_t discovered = 0;
    uint32_t fixed = 0;
    IdList affectedFeatures;  // Feature ids

    bool operator==(const BugRecord& o) const;
};

struct Package {
    CommonInfo common;
    RecordArray<VersionRecord> versions;
    RecordArray<FeatureRecord> features;
    RecordArray<BugRecord> bugs;

    bool operator==(const Package& o) const {
        return common == o.common && versions == o.versions && features == o.features && bugs == o.bugs;
    }
};

// Largest id of the kind (unsigned) plus 1; 1 for an empty collection.
uint32_t nextVersionId(const Package& p);
uint32_t nextFeatureId(const Package& p);
uint32_t nextBugId(const Package& p);

// Ids of the records in collection order.
void versionIds(const Package& p, IdList& out);
void featureIds(const Package& p, IdList& out);

// Inverse tables: out[id] = position. Emptied first; (largest id + 1)
// elements; slots of numbers that are no id are 0.
void versionIndexById(const Package& p, IdList& out);
void featureIndexById(const Package& p, IdList& out);

}  // namespace orv
