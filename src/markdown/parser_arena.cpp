#include "markdown/parser_arena.h"

#include <cmark-gfm.h>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>

namespace quillery::markdown {
namespace {

constexpr size_t kLargePage = 2 << 20;
constexpr size_t kFirstBlockSize = 256 << 10; // most texts are short: they need no large pages
constexpr size_t kBlockSize = 2 * kLargePage;
constexpr size_t kAlignment = 16;
constexpr size_t kHeader = kAlignment; // each allocation is preceded by its size
// Larger requests are refused rather than rounded past the end of the address space.
constexpr size_t kLargestAllocation = SIZE_MAX / 4;

thread_local ParserArena* current = nullptr;

size_t& sizeOf(void* allocation) {
    return *reinterpret_cast<size_t*>(static_cast<char*>(allocation) - kHeader);
}

size_t roundedUp(size_t bytes, size_t unit) {
    return (bytes + unit - 1) / unit * unit;
}

// The parser stops the process when memory runs out, as its own allocator does.
void* orStop(void* allocation) {
    if (allocation == nullptr) {
        std::abort();
    }
    return allocation;
}

void* arenaCalloc(size_t count, size_t size) {
    size_t bytes = 0;
    if (__builtin_mul_overflow(count, size, &bytes)) {
        std::abort();
    }
    return orStop(current->allocate(bytes));
}

void* arenaRealloc(void* old, size_t bytes) {
    return orStop(current->reallocate(old, bytes));
}

void arenaFree(void*) {}

cmark_mem arenaMemory = {arenaCalloc, arenaRealloc, arenaFree};

// A block of `size` bytes straight from the system, so zero-filled. A block of large pages (`size` a multiple
// of kLargePage) is aligned to them: where the system offers them, it is backed by a few large pages instead
// of many small ones, which saves most of the page faults of a tree of a hundred megabytes and many of the
// address translations of every walk over it.
char* mapBlock(size_t size) {
    if (size < kLargePage) {
        void* mapped = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        return mapped != MAP_FAILED ? static_cast<char*>(mapped) : nullptr;
    }
    void* mapped =
        mmap(nullptr, size + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
        return nullptr;
    }
    auto start = reinterpret_cast<uintptr_t>(mapped);
    uintptr_t aligned = roundedUp(start, kLargePage);
    if (aligned > start) {
        munmap(mapped, aligned - start);
    }
    if (start + kLargePage > aligned) {
        munmap(reinterpret_cast<void*>(aligned + size), start + kLargePage - aligned);
    }
#ifdef MADV_HUGEPAGE
    madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
#endif
    return reinterpret_cast<char*>(aligned);
}

} // namespace

ParserArena::ParserArena() {
    current = this;
}

ParserArena::~ParserArena() {
    for (const Block& block : blocks_) {
        munmap(block.bytes, block.size);
    }
    current = nullptr;
}

cmark_mem* ParserArena::allocator() {
    return &arenaMemory;
}

bool ParserArena::startBlock(size_t bytes) {
    size_t size = blocks_.empty() && bytes <= kFirstBlockSize ? kFirstBlockSize
                  : bytes > kBlockSize                        ? roundedUp(bytes, kLargePage)
                                                              : kBlockSize;
    char* block = mapBlock(size);
    if (block == nullptr) {
        return false;
    }
    // The rest of the previous block stays unused: no byte is ever handed out twice, so every allocation
    // starts zeroed.
    blocks_.push_back({block, size});
    next_ = block;
    end_ = block + size;
    return true;
}

void* ParserArena::allocate(size_t bytes) {
    if (bytes > kLargestAllocation) {
        return nullptr;
    }
    size_t rounded = roundedUp(bytes, kAlignment) + kHeader;
    if (static_cast<size_t>(end_ - next_) < rounded && !startBlock(rounded)) {
        return nullptr;
    }
    last_ = next_ + kHeader;
    next_ += rounded;
    sizeOf(last_) = bytes;
    return last_;
}

void* ParserArena::reallocate(void* old, size_t bytes) {
    if (old == nullptr) {
        return allocate(bytes);
    }
    if (bytes > kLargestAllocation) {
        return nullptr;
    }
    size_t oldSize = sizeOf(old);
    // The latest allocation grows where it stands when its block has room.
    if (old == last_ && roundedUp(bytes, kAlignment) <= static_cast<size_t>(end_ - last_)) {
        if (bytes < oldSize) {
            std::memset(last_ + bytes, 0, oldSize - bytes); // later growth must find zeros again
        }
        next_ = last_ + roundedUp(bytes, kAlignment);
        sizeOf(old) = bytes;
        return old;
    }
    void* moved = allocate(bytes);
    if (moved != nullptr) {
        std::memcpy(moved, old, oldSize < bytes ? oldSize : bytes);
    }
    return moved;
}

} // namespace quillery::markdown
