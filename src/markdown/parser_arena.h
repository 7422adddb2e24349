// Memory for one parse. The parser makes millions of small nodes and buffers for a book; taking them from
// large blocks, side by side, and releasing the blocks together when the conversion ends costs a fraction of
// one allocation and release each, and keeps a walk over the tree in the cache.
#pragma once

#include <cstddef>
#include <vector>

struct cmark_mem;

namespace quillery::markdown {

// Serves the parser's allocations on this thread while it lives (the parser's allocator has no context, so
// the arena is the thread's). Arenas do not nest. Everything allocated from it is released with it: the tree
// and the parser are not freed one by one. Every allocation starts zeroed.
class ParserArena {
  public:
    ParserArena();
    ~ParserArena();
    ParserArena(const ParserArena&) = delete;
    ParserArena& operator=(const ParserArena&) = delete;

    // The allocator to give the parser.
    static cmark_mem* allocator();

    // nullptr when the system has no memory left.
    void* allocate(size_t bytes);
    void* reallocate(void* old, size_t bytes);

  private:
    struct Block {
        char* bytes;
        size_t size;
    };
    // Makes a fresh block of at least `bytes` the current one.
    bool startBlock(size_t bytes);

    std::vector<Block> blocks_;
    char* next_ = nullptr; // the free bytes of the current block
    char* end_ = nullptr;
    char* last_ = nullptr; // the most recent allocation, which can grow in place
};

} // namespace quillery::markdown
