// Memory for the core's containers, and the one policy for running out of
// it.
//
// The program throws and catches no exceptions, so a failed allocation is
// handled in one of two ways, chosen by where the size comes from:
// - Sizes that come from outside the program (a package or any file being
//   read, a server's answer) are asked for with the fallible forms
//   (allocateMemory, the containers' try... operations), and the operation
//   reports failure as false like any other failure. No input can end the
//   program.
// - Everything else uses the plain forms, which end the program with
//   "Out of memory" on standard error when the system has nothing left:
//   the same end the standard library's containers meet.
//
// Blocks of 2 MiB and more come straight from the system in whole huge
// pages, aligned and advised for transparent huge pages: where fresh 4 KiB
// pages are costly to touch for the first time (virtual machines), large
// files would otherwise spend most of their reading time there.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace orv {

// `bytes` of uninitialised memory, or null when there is none to give.
void* allocateMemory(size_t bytes);
// Gives back a block of allocateMemory; `bytes` is the size asked for.
void freeMemory(void* block, size_t bytes);
// The memory that a block of `bytes` really takes, for budgets.
size_t memoryFootprint(size_t bytes);
// Whether a block of `bytes` comes straight from the system.
bool mappedDirectly(size_t bytes);
// Address space for a block of up to `bytes` (at least 2 MiB), which takes
// memory only where it is written: for a block whose final size is learnt
// by filling it. Null when the system will not give the space (limits,
// strict overcommit); then learn the size first. freeMemory takes it back
// with the same size, or shrinkMemory cuts it to the size of a block that
// comes straight from the system.
void* reserveMemory(size_t bytes);
void shrinkMemory(void* block, size_t reserved, size_t used);
// Ends the program with "Out of memory" on standard error.
[[noreturn]] void outOfMemory();

// A reference-counted block of bytes: the storage that texts and id lists
// share (see CompactArray). The payload follows the header.
struct SharedBlock {
    std::atomic<uint64_t> references;
    uint64_t payloadBytes;

    // A block with one reference, or null when memory runs out.
    static SharedBlock* create(uint64_t payloadBytes);
    void* payload() { return this + 1; }
    void retain(uint64_t n = 1) { references.fetch_add(n, std::memory_order_relaxed); }
    // Drops n references; the last one frees the block.
    void release(uint64_t n = 1);
    bool unique() const { return references.load(std::memory_order_acquire) == 1; }
};
static_assert(sizeof(SharedBlock) == 16);

}  // namespace orv
