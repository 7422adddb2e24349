#include "markdown/parser_arena.h"

#include <cmark-gfm.h>
#include <cstdlib>
#include <cstring>

namespace quillery::markdown {
namespace {

constexpr size_t kBlockSize = 1 << 20;
constexpr size_t kAlignment = 16;
constexpr size_t kHeader = kAlignment; // each allocation is preceded by its size

thread_local ParserArena* current = nullptr;

size_t& sizeOf(void* allocation) {
    return *reinterpret_cast<size_t*>(static_cast<char*>(allocation) - kHeader);
}

// The parser stops the process when memory runs out, as its own allocator does.
void* orStop(void* allocation) {
    if (allocation == nullptr) {
        std::abort();
    }
    return allocation;
}

void* arenaCalloc(size_t count, size_t size) {
    if (size != 0 && count > SIZE_MAX / 2 / size) {
        std::abort();
    }
    return orStop(current->allocate(count * size));
}

void* arenaRealloc(void* old, size_t bytes) {
    return orStop(current->reallocate(old, bytes));
}

void arenaFree(void*) {}

cmark_mem arenaMemory = {arenaCalloc, arenaRealloc, arenaFree};

} // namespace

void ParserArena::Release::operator()(char* bytes) const {
    std::free(bytes);
}

ParserArena::ParserArena() {
    current = this;
}

ParserArena::~ParserArena() {
    current = nullptr;
}

cmark_mem* ParserArena::allocator() {
    return &arenaMemory;
}

ParserArena::Block& ParserArena::blockFor(size_t bytes) {
    if (blocks_.empty() || blocks_.back().size - blocks_.back().used < bytes) {
        Block block;
        block.size = bytes > kBlockSize ? bytes : kBlockSize;
        // Fresh blocks are zero-filled (by the system, for blocks this large), and no byte is ever handed out
        // twice: every allocation starts zeroed.
        block.bytes.reset(static_cast<char*>(std::calloc(block.size, 1)));
        if (!block.bytes) {
            return blocks_.emplace_back();
        }
        blocks_.push_back(std::move(block));
    }
    return blocks_.back();
}

void* ParserArena::allocate(size_t bytes) {
    size_t rounded = (bytes + kAlignment - 1) / kAlignment * kAlignment + kHeader;
    Block& block = blockFor(rounded);
    if (!block.bytes) {
        return nullptr;
    }
    char* start = block.bytes.get() + block.used;
    block.used += rounded;
    last_ = start + kHeader;
    sizeOf(last_) = bytes;
    return last_;
}

void* ParserArena::reallocate(void* old, size_t bytes) {
    if (old == nullptr) {
        return allocate(bytes);
    }
    size_t oldSize = sizeOf(old);
    Block& block = blocks_.back();
    // The latest allocation grows where it stands when its block has room.
    if (old == last_) {
        size_t start = static_cast<size_t>(last_ - block.bytes.get());
        size_t rounded = (bytes + kAlignment - 1) / kAlignment * kAlignment;
        if (start + rounded <= block.size) {
            if (bytes < oldSize) {
                std::memset(last_ + bytes, 0, oldSize - bytes); // later growth must find zeros again
            }
            block.used = start + rounded;
            sizeOf(old) = bytes;
            return old;
        }
    }
    void* moved = allocate(bytes);
    if (moved != nullptr) {
        std::memcpy(moved, old, oldSize < bytes ? oldSize : bytes);
    }
    return moved;
}

} // namespace quillery::markdown
