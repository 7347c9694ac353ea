#include "imaging/effectsbitmap.h"

#include <atomic>
#include <cstdlib>
#include <limits>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace imaging::detail {

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kLargeBitmap = std::size_t{8} << 20;

#if defined(__linux__)
struct Block {
    void* memory;
    std::size_t capacity;
};

// The last large buffer given back, kept for the next large bitmap of about its size: an edit replaces
// the photo by a new bitmap of the same size, and memory the process already holds costs nothing to
// touch, while fresh memory costs a page fault and a zeroed page every 4 KB (or 2 MB).
std::atomic<Block*> spare{nullptr};

void release(Block* block) {
    std::free(block->memory);
    delete block;
}

void giveBack(void* info) {
    auto* block = static_cast<Block*>(info);
    Block* empty = nullptr;
    if (!spare.compare_exchange_strong(empty, block))
        release(block);
}

// A buffer of at least `bytes` (a whole number of huge pages), the spare one when it is not more than
// twice as large.
Block* takeBlock(std::size_t bytes) {
    if (Block* block = spare.exchange(nullptr)) {
        if (block->capacity >= bytes && block->capacity / 2 <= bytes)
            return block;
        release(block);
    }
    void* memory = std::aligned_alloc(kHugePage, bytes);
    if (memory == nullptr)
        return nullptr;
    madvise(memory, bytes, MADV_HUGEPAGE); // advice only: without huge pages it still works
    return new Block{memory, bytes};
}
#endif
} // namespace

QImage NewBitmap(int width, int height) {
    if (width <= 0 || height <= 0 || width > std::numeric_limits<int>::max() / 4)
        return {};
    const qsizetype bytesPerLine = static_cast<qsizetype>(width) * 4;
    const std::size_t bytes = static_cast<std::size_t>(bytesPerLine) * static_cast<std::size_t>(height);
#if defined(__linux__)
    if (bytes >= kLargeBitmap) {
        Block* block = takeBlock((bytes + kHugePage - 1) / kHugePage * kHugePage);
        if (block == nullptr)
            return {};
        return QImage(static_cast<uchar*>(block->memory), width, height, bytesPerLine, QImage::Format_ARGB32,
                      giveBack, block);
    }
#endif
    return QImage(width, height, QImage::Format_ARGB32);
}

} // namespace imaging::detail
