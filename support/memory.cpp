#include "support/memory.h"

#include <cstdint>
#include <new>

namespace orv {

SharedBlock* SharedBlock::create(uint64_t payloadBytes) {
    // Leaves room for the allocator's rounding to whole pages.
    if (payloadBytes > SIZE_MAX - sizeof(SharedBlock) - (size_t{4} << 20)) return nullptr;
    void* memory = allocateMemory(sizeof(SharedBlock) + static_cast<size_t>(payloadBytes));
    if (!memory) return nullptr;
    auto* block = new (memory) SharedBlock;
    block->references.store(1, std::memory_order_relaxed);
    block->payloadBytes = payloadBytes;
    return block;
}

void SharedBlock::release(uint64_t n) {
    if (references.fetch_sub(n, std::memory_order_acq_rel) != n) return;
    const size_t bytes = sizeof(SharedBlock) + static_cast<size_t>(payloadBytes);
    this->~SharedBlock();
    freeMemory(this, bytes);
}

}  // namespace orv
