#include "support/memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <new>

namespace orv {

namespace {

#if defined(__SANITIZE_ADDRESS__)
#define ORV_PLAIN_MALLOC 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
#define ORV_PLAIN_MALLOC 1
#endif
#endif

constexpr size_t kHugePage = size_t{2} << 20;

// The sanitizers must see every block to check it, so they get malloc's.
#ifdef ORV_PLAIN_MALLOC
bool fromSystem(size_t) { return false; }
#else
bool fromSystem(size_t bytes) { return bytes >= kHugePage; }
#endif

size_t roundUp(size_t n, size_t to) { return (n + to - 1) / to * to; }

// Whole huge pages: a partial one at the end would be small pages, and on a
// virtual machine a few hundred of those cost more than the rest together.
size_t mappedLength(size_t bytes) { return roundUp(bytes, kHugePage); }

void* mapHuge(size_t bytes, int flags = 0) {
    // Map one huge page more than needed, then cut the ends so the block
    // starts on a huge-page boundary.
    const size_t length = mappedLength(bytes);
    void* raw = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | flags, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = roundUp(start, kHugePage);
    if (aligned > start) munmap(raw, aligned - start);
    const uintptr_t end = start + length + kHugePage;
    if (end > aligned + length) munmap(reinterpret_cast<void*>(aligned + length), end - aligned - length);
    void* block = reinterpret_cast<void*>(aligned);
    madvise(block, length, MADV_HUGEPAGE);  // only advice: the block works without
    return block;
}

}  // namespace

void* allocateMemory(size_t bytes) {
    if (bytes == 0) bytes = 1;
    if (fromSystem(bytes)) return bytes > SIZE_MAX - 2 * kHugePage ? nullptr : mapHuge(bytes);
    return std::malloc(bytes);
}

void freeMemory(void* block, size_t bytes) {
    if (!block) return;
    if (bytes == 0) bytes = 1;
    if (fromSystem(bytes)) {
        munmap(block, mappedLength(bytes));
    } else {
        std::free(block);
    }
}

bool mappedDirectly(size_t bytes) { return fromSystem(bytes == 0 ? 1 : bytes); }

void* reserveMemory(size_t bytes) {
    if (!fromSystem(bytes) || bytes > SIZE_MAX - 2 * kHugePage) return nullptr;
    return mapHuge(bytes, MAP_NORESERVE);
}

void shrinkMemory(void* block, size_t reserved, size_t used) {
    const size_t keep = mappedLength(used), had = mappedLength(reserved);
    if (had > keep) munmap(static_cast<char*>(block) + keep, had - keep);
}

size_t memoryFootprint(size_t bytes) {
    if (bytes == 0) bytes = 1;
    return fromSystem(bytes) ? mappedLength(bytes) : roundUp(bytes + 8, 16);
}

void outOfMemory() {
    static const char kMessage[] = "Out of memory\n";
    [[maybe_unused]] const ssize_t n = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    std::abort();
}

}  // namespace orv
