// CompactArray: the storage of texts (ByteString) and id lists (IdList).
//
// A growable array of plain values with a 32-bit length. Up to kInline
// values (less kSpare, which keeps a slot free for a terminator) live inside
// the object and need no allocation. Longer arrays live in a SharedBlock.
// Copies are deep; share() and Sharer make arrays that share one block
// without copying it (the package reader's texts are pieces of the file it
// read). An array never writes into a block that another array still uses:
// every write to shared storage copies it first.
//
// Every size computation is checked: an array never holds more than
// kMaxLength values, and asking for more is an allocation failure (see
// support/memory.h for the policy).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "support/memory.h"

namespace orv {

template <typename T, uint32_t kInline, uint32_t kSpare>
class CompactArray {
    static_assert(std::is_trivially_copyable_v<T>);
    static_assert(kInline * sizeof(T) >= sizeof(SharedBlock*) && kSpare < kInline);

public:
    static constexpr uint32_t kInlineCapacity = kInline - kSpare;
    // Positions stay below 0xFFFFFFFF, which callers use for "none".
    static constexpr uint32_t kMaxLength = 0xFFFFFFFEu - kSpare;

    CompactArray() noexcept : data_(inlineData()) {}
    CompactArray(const CompactArray& other) : data_(inlineData()) { append(other.data_, other.length_); }
    CompactArray(CompactArray&& other) noexcept : data_(inlineData()) { take(other); }
    CompactArray& operator=(const CompactArray& other) {
        if (this == &other) return *this;
        if (isShared() || other.length_ > capacity_) {
            *this = CompactArray(other);
        } else {
            std::memmove(data_, other.data_, sizeof(T) * other.length_);
            length_ = other.length_;
        }
        return *this;
    }
    CompactArray& operator=(CompactArray&& other) noexcept {
        if (this != &other) {
            dropStorage();
            take(other);
        }
        return *this;
    }
    ~CompactArray() { dropStorage(); }

    uint32_t length() const { return length_; }
    uint32_t capacity() const { return capacity_; }
    const T* data() const { return data_; }
    // Writable storage; copies shared storage first.
    T* mutableData() {
        if (isShared() && !reallocate(length_)) outOfMemory();
        return data_;
    }
    bool isShared() const { return !isInline() && !block()->unique(); }
    bool operator==(const CompactArray& o) const {
        return length_ == o.length_ && (length_ == 0 || std::memcmp(data_, o.data_, sizeof(T) * length_) == 0);
    }

    // Makes the storage writable with room for n values. False, leaving
    // the array as it was, for n beyond kMaxLength or when memory runs
    // out. Growth past the capacity doubles, except for an empty array,
    // which gets exactly what it asks for.
    bool tryReserve(uint32_t n) {
        if (n > kMaxLength) return false;
        n = std::max(n, length_);
        if (n <= capacity_ && !isShared()) return true;
        uint64_t want = n;
        if (length_ > 0 && n > capacity_) want = std::max<uint64_t>(n, 2ull * capacity_);
        if (want > kMaxLength) want = kMaxLength;
        return reallocate(static_cast<uint32_t>(want)) || (want > n && reallocate(n));
    }
    void reserve(uint32_t n) {
        if (!tryReserve(n)) outOfMemory();
    }
    // Sets the length; new values are left for the caller to write.
    bool tryResizeForOverwrite(uint32_t n) {
        if (n > length_ && !tryReserve(n)) return false;
        length_ = n;
        return true;
    }
    // Sets the length; new values are zero. Shrinking keeps the storage.
    void resize(uint32_t n) {
        if (n > length_) {
            reserve(n);
            std::memset(static_cast<void*>(data_ + length_), 0, sizeof(T) * (n - length_));
        }
        length_ = n;
    }
    bool tryAppend(const T* values, uint32_t n) {
        if (n == 0) return true;
        if (n > kMaxLength - length_) return false;
        if (length_ + n > capacity_ || isShared()) {
            if (values >= data_ && values < data_ + length_) {  // our own values: copy them first
                CompactArray copy;
                return copy.tryAppend(values, n) && tryAppend(copy.data_, n);
            }
            if (!tryReserve(length_ + n)) return false;
        }
        std::memcpy(static_cast<void*>(data_ + length_), values, sizeof(T) * n);
        length_ += n;
        return true;
    }
    void append(const T* values, uint32_t n) {
        if (!tryAppend(values, n)) outOfMemory();
    }

    // Values pos .. pos + n - 1 (clamped to the array) sharing this
    // array's storage: no copy, one more reference to the block.
    CompactArray share(uint32_t pos, uint32_t n) const {
        Sharer sharer(*this, 1);
        if (pos > length_) pos = length_;
        return sharer.share(data_ + pos, std::min(n, length_ - pos));
    }

    // Hands out many arrays that share one array's storage, taking
    // references from its block in batches instead of one at a time. The
    // source must stay as it is while the sharer lives.
    class Sharer {
    public:
        explicit Sharer(const CompactArray& source, uint64_t batch = 1024)
            : block_(source.isInline() ? nullptr : source.block()), batch_(batch) {}
        Sharer(const Sharer&) = delete;
        Sharer& operator=(const Sharer&) = delete;
        ~Sharer() {
            if (unused_) block_->release(unused_);
        }
        // The n values at `values`, which lie within the source.
        CompactArray share(const T* values, uint32_t n) {
            CompactArray out;
            assign(out, values, n);
            return out;
        }
        // The same into `target`, without a temporary (the reader's path).
        void assign(CompactArray& target, const T* values, uint32_t n) {
            if (n <= kInlineCapacity || !block_) {  // an inline source holds no more than that
                if (!target.isInline()) target.dropStorage();
                target.length_ = std::min(n, kInlineCapacity);
                std::memcpy(target.inline_, values, sizeof(T) * target.length_);
                return;
            }
            if (unused_ == 0) {
                block_->retain(batch_);
                unused_ = batch_;
            }
            --unused_;
            target.dropStorage();
            const T* blockEnd = static_cast<const T*>(block_->payload()) + block_->payloadBytes / sizeof(T);
            target.data_ = const_cast<T*>(values);
            target.length_ = n;
            target.capacity_ = static_cast<uint32_t>(std::min<uint64_t>(blockEnd - values - kSpare, kMaxLength));
            target.setBlock(block_);
        }

    private:
        SharedBlock* block_;
        uint64_t batch_;
        uint64_t unused_ = 0;
    };

    // A word the owner may use as it likes, so that owner and storage fit
    // 40 bytes together (ByteString keeps its read cursor here).
    uint32_t ownerWord() const { return owner_; }
    void setOwnerWord(uint32_t w) { owner_ = w; }

private:
    T* inlineData() { return reinterpret_cast<T*>(inline_); }
    const T* inlineData() const { return reinterpret_cast<const T*>(inline_); }
    bool isInline() const { return data_ == inlineData(); }
    SharedBlock* block() const {
        SharedBlock* b;
        std::memcpy(&b, inline_, sizeof b);
        return b;
    }
    void setBlock(SharedBlock* b) { std::memcpy(inline_, &b, sizeof b); }

    void dropStorage() {
        if (!isInline()) block()->release();
        data_ = inlineData();
        length_ = 0;
        capacity_ = kInlineCapacity;
    }
    void take(CompactArray& other) {
        if (other.isInline()) {
            std::memcpy(inline_, other.inline_, sizeof inline_);
        } else {
            data_ = other.data_;
            setBlock(other.block());
            other.data_ = other.inlineData();
        }
        length_ = other.length_;
        capacity_ = other.capacity_;
        owner_ = other.owner_;
        other.length_ = 0;
        other.capacity_ = kInlineCapacity;
        other.owner_ = 0;
    }
    // New unique storage for `capacity` values (at least the length).
    bool reallocate(uint32_t capacity) {
        capacity = std::max(capacity, length_);
        if (capacity <= kInlineCapacity) {
            if (isInline()) return true;
            T values[kInlineCapacity];
            std::memcpy(values, data_, sizeof(T) * length_);
            const uint32_t n = length_;
            dropStorage();
            std::memcpy(inline_, values, sizeof(T) * n);
            length_ = n;
            return true;
        }
        SharedBlock* fresh = SharedBlock::create(sizeof(T) * (uint64_t{capacity} + kSpare));
        if (!fresh) return false;
        std::memcpy(fresh->payload(), data_, sizeof(T) * length_);
        const uint32_t n = length_;
        dropStorage();
        data_ = static_cast<T*>(fresh->payload());
        setBlock(fresh);
        length_ = n;
        capacity_ = capacity;
        return true;
    }

    T* data_;
    uint32_t length_ = 0;
    uint32_t capacity_ = kInlineCapacity;
    uint32_t owner_ = 0;
    alignas(4) unsigned char inline_[sizeof(T) * kInline];
};

}  // namespace orv
