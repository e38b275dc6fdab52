// The package: one product's common information and its ordered versions,
// features and bugs. Records are plain values (copies are deep) and refer
// to each other by id, never by position.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <new>
#include <utility>

#include "support/byte_string.h"

namespace orv {

// The access rules that both growable arrays share: reading or writing the
// element at an index past the end first grows the array to that index + 1
// (new elements are defaults), and so does removing past the end. Read-only
// access never grows: past the end it gives the default value. Growing past
// the capacity doubles the requested count. Growth that memory cannot hold
// ends the program (support/memory.h); the try... forms report it instead.

// A growable array of records. Elements are constructed where they live,
// so a reader can build each record in place.
template <typename T>
class GrowArray {
public:
    static constexpr uint32_t kMaxCount = 0xFFFFFFFEu;

    GrowArray() = default;
    GrowArray(std::initializer_list<T> init) {
        reserve(static_cast<uint32_t>(init.size()));
        for (const T& v : init) append(v);
    }
    GrowArray(const GrowArray& other) {
        reserve(other.count_);
        appendAll(other);
    }
    GrowArray(GrowArray&& other) noexcept { swap(other); }
    GrowArray& operator=(const GrowArray& other) {
        if (this != &other) {
            GrowArray copy(other);
            swap(copy);
        }
        return *this;
    }
    GrowArray& operator=(GrowArray&& other) noexcept {
        GrowArray old(std::move(other));
        swap(old);
        return *this;
    }
    ~GrowArray() {
        setCount(0);
        freeMemory(data_, sizeof(T) * capacity_);
    }

    uint32_t count() const { return count_; }
    bool empty() const { return count_ == 0; }
    // Sets the count; new elements are defaults, shrinking keeps the storage.
    void setCount(uint32_t n) {
        if (n > count_) {
            reserveForGrowth(n);
            for (; count_ < n; ++count_) new (data_ + count_) T;  // records initialise every member themselves
        }
        for (; count_ > n; --count_) data_[count_ - 1].~T();
    }
    void clear() { setCount(0); }

    T& at(uint32_t i) {
        if (i >= count_) setCount(checkedEnd(i, 1));
        return data_[i];
    }
    T& operator[](uint32_t i) { return at(i); }
    const T& operator[](uint32_t i) const { return i < count_ ? data_[i] : defaultValue(); }
    static const T& defaultValue() {
        static const T value{};
        return value;
    }

    void append(const T& v) {
        if (count_ == capacity_) {
            T copy(v);  // v may be one of ours
            append(std::move(copy));
            return;
        }
        new (data_ + count_) T(v);
        ++count_;
    }
    void append(T&& v) {
        reserveForGrowth(checkedEnd(count_, 1));
        new (data_ + count_) T(std::move(v));
        ++count_;
    }
    // Appending the array to itself is allowed.
    void appendAll(const GrowArray& other) {
        const uint32_t n = other.count_;
        reserveForGrowth(checkedEnd(count_, n));
        for (uint32_t i = 0; i < n; ++i) new (data_ + count_ + i) T(other.data_[i]);
        count_ += n;
    }
    // Removes n elements at i; a range past the end first grows the array
    // to i + n elements, so what is left is the first i elements, grown
    // with defaults to i where the array was shorter.
    void removeAt(uint32_t i, uint32_t n = 1) {
        if (uint64_t{i} + n >= count_) {
            setCount(std::min(i, count_));
            setCount(i);
            return;
        }
        std::move(data_ + i + n, data_ + count_, data_ + i);
        setCount(count_ - n);
    }
    void swapItems(uint32_t a, uint32_t b) {
        at(std::max(a, b));  // grows once, so neither reference moves
        std::swap(data_[a], data_[b]);
    }
    void reserve(uint32_t n) {
        if (!tryReserve(n)) outOfMemory();
    }
    // Room for n elements; false, with the array unchanged, when memory
    // runs out.
    bool tryReserve(uint32_t n) { return n <= capacity_ || reallocate(n); }
    // Address space for up to `most` elements, taking memory only as
    // elements are added: for a reader that learns the count by reading.
    // fit() then gives back the rest. False, with nothing changed, for a
    // small space (just reserve) or when the system will not give it.
    bool tryReserveSpace(uint32_t most) {
        const size_t bytes = sizeof(T) * size_t{most};
        if (capacity_ != 0 || !mappedDirectly(bytes)) return false;
        void* space = reserveMemory(bytes);
        if (!space) return false;
        data_ = static_cast<T*>(space);
        capacity_ = most;
        return true;
    }
    // The capacity cut to the count after tryReserveSpace. False, with the
    // array as it was, when the elements must move and memory runs out.
    bool fit() {
        const size_t used = sizeof(T) * size_t{count_}, reserved = sizeof(T) * size_t{capacity_};
        if (!mappedDirectly(reserved) || count_ == capacity_) return true;
        if (mappedDirectly(used)) {
            shrinkMemory(data_, reserved, used);
            capacity_ = count_;
            return true;
        }
        if (count_ > 0) return reallocate(count_);  // small: into malloc's memory
        freeMemory(data_, reserved);
        data_ = nullptr;
        capacity_ = 0;
        return true;
    }
    // Appends a default element in reserved room (tryReserve first).
    T& appendReserved() {
        new (data_ + count_) T;
        return data_[count_++];
    }

    T* begin() { return data_; }
    T* end() { return data_ + count_; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + count_; }

    bool operator==(const GrowArray& o) const { return std::equal(begin(), end(), o.begin(), o.end()); }
    bool operator!=(const GrowArray& o) const { return !(*this == o); }

private:
    static uint32_t checkedEnd(uint32_t i, uint32_t n) {
        if (uint64_t{i} + n > kMaxCount) outOfMemory();
        return i + n;
    }
    void reserveForGrowth(uint32_t n) {
        if (n <= capacity_) return;
        const uint32_t doubled = n > kMaxCount / 2 ? kMaxCount : 2 * n;
        if (!reallocate(doubled) && !reallocate(n)) outOfMemory();
    }
    bool reallocate(uint32_t capacity) {
        T* fresh = static_cast<T*>(allocateMemory(sizeof(T) * size_t{capacity}));
        if (!fresh) return false;
        for (uint32_t i = 0; i < count_; ++i) {
            new (fresh + i) T(std::move(data_[i]));
            data_[i].~T();
        }
        freeMemory(data_, sizeof(T) * capacity_);
        data_ = fresh;
        capacity_ = capacity;
        return true;
    }
    void swap(GrowArray& o) noexcept {
        std::swap(data_, o.data_);
        std::swap(count_, o.count_);
        std::swap(capacity_, o.capacity_);
    }

    T* data_ = nullptr;
    uint32_t count_ = 0;
    uint32_t capacity_ = 0;
};

template <typename R>
using RecordArray = GrowArray<R>;

// A growable array of ids with the same access rules; new slots hold 0. Up
// to two ids need no allocation, and lists may share storage (the package
// reader puts many lists in one block).
class IdList {
    using Storage = CompactArray<uint32_t, 3, 0>;

public:
    IdList() = default;
    IdList(std::initializer_list<uint32_t> ids) { storage_.append(ids.begin(), static_cast<uint32_t>(ids.size())); }

    uint32_t count() const { return storage_.length(); }
    bool empty() const { return count() == 0; }
    void setCount(uint32_t n) { storage_.resize(n); }
    void clear() { setCount(0); }
    uint32_t& at(uint32_t i) {
        if (i >= count()) {
            if (i >= Storage::kMaxLength) outOfMemory();
            setCount(i + 1);
        }
        return storage_.mutableData()[i];
    }
    uint32_t& operator[](uint32_t i) { return at(i); }
    uint32_t operator[](uint32_t i) const { return i < count() ? storage_.data()[i] : 0; }
    void append(uint32_t id) { storage_.append(&id, 1); }
    // Appending the list to itself is allowed.
    void appendAll(const IdList& other) { storage_.append(other.storage_.data(), other.count()); }
    void removeAt(uint32_t i, uint32_t n = 1);
    void reserve(uint32_t n) { storage_.reserve(n); }
    bool tryReserve(uint32_t n) { return storage_.tryReserve(n); }
    // Sets the count without filling new slots: the caller writes them.
    bool tryResizeForOverwrite(uint32_t n) { return storage_.tryResizeForOverwrite(n); }

    // Writable iteration copies shared storage first.
    uint32_t* begin() { return storage_.mutableData(); }
    uint32_t* end() { return begin() + count(); }
    const uint32_t* begin() const { return storage_.data(); }
    const uint32_t* end() const { return storage_.data() + count(); }

    bool operator==(const IdList& o) const { return storage_ == o.storage_; }
    bool operator!=(const IdList& o) const { return !(*this == o); }

    // Hands out lists that share one list's storage, as ByteString::Sharer
    // does for texts. The source must stay unchanged while the sharer lives.
    class Sharer {
    public:
        explicit Sharer(const IdList& source) : sharer_(source.storage_) {}
        IdList share(const uint32_t* ids, uint32_t n) { return IdList(sharer_.share(ids, n)); }

    private:
        Storage::Sharer sharer_;
    };

private:
    explicit IdList(Storage&& s) noexcept : storage_(std::move(s)) {}

    Storage storage_;
};

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
    // The fields in file and dialog order. An index past the last field
    // names none: reading it gives an empty text, and what is written to
    // it is dropped.
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

}  // namespace orv
