#include "support/memory.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace orv {

namespace {

// Blocks of 2 MiB and more come straight from VirtualAlloc: fresh, zeroed
// pages that go back to the system whole when freed.
constexpr size_t kLargeBlock = size_t{2} << 20;
constexpr size_t kPage = 4096;

bool fromSystem(size_t bytes) { return bytes >= kLargeBlock; }

size_t roundUp(size_t n, size_t to) { return (n + to - 1) / to * to; }

void* mapPages(size_t bytes) {
    if (bytes > SIZE_MAX - kLargeBlock) return nullptr;
    return VirtualAlloc(nullptr, roundUp(bytes, kPage), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

}  // namespace

void* allocateMemory(size_t bytes) {
    if (bytes == 0) bytes = 1;
    return fromSystem(bytes) ? mapPages(bytes) : std::malloc(bytes);
}

void freeMemory(void* block, size_t bytes) {
    if (!block) return;
    if (fromSystem(bytes == 0 ? 1 : bytes)) VirtualFree(block, 0, MEM_RELEASE);
    else std::free(block);
}

bool mappedDirectly(size_t bytes) { return fromSystem(bytes == 0 ? 1 : bytes); }

// Committed pages take no memory until they are touched; they count
// against the commit limit, so a reservation larger than the system can
// back fails here and the caller learns the size first instead.
void* reserveMemory(size_t bytes) { return fromSystem(bytes) ? mapPages(bytes) : nullptr; }

void shrinkMemory(void* block, size_t reserved, size_t used) {
    const size_t keep = roundUp(used == 0 ? 1 : used, kPage), had = roundUp(reserved, kPage);
    if (had > keep) VirtualFree(static_cast<char*>(block) + keep, had - keep, MEM_DECOMMIT);
}

size_t memoryFootprint(size_t bytes) {
    if (bytes == 0) bytes = 1;
    return fromSystem(bytes) ? roundUp(bytes, kPage) : roundUp(bytes + 8, 16);
}

void outOfMemory() {
    std::fputs("Out of memory\n", stderr);
    std::abort();
}

}  // namespace orv
