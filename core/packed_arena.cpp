// PackedArena: chunk bookkeeping; see packed_arena.h.
#include "core/packed_arena.h"

#include <algorithm>

namespace vesper {

void PackedArena::open(std::size_t most) {
    if (!chunks_.empty() && chunks_.back().lines == 0) free(chunks_.back());
    Chunk chunk;
    chunk.capacity = std::uint32_t(std::max(most, kChunkBytes));
    if (chunk.capacity == kChunkBytes && spare_) {
        chunk.data = std::move(spare_);
    } else {
        chunk.data.reset(new std::uint8_t[chunk.capacity]);
        heldBytes_ += chunk.capacity;
    }
    chunks_.push_back(std::move(chunk));
    current_ = &chunks_.back();
    next_ = current_->data.get();
    end_ = next_ + current_->capacity;
    nextHandle_ = (firstSequence_ + chunks_.size() - 1) << 32;
}

std::size_t PackedArena::lineCount() const {
    std::size_t lines = 0;
    for (const Chunk& chunk : chunks_) lines += chunk.lines;
    return lines;
}

void PackedArena::free(Chunk& chunk) {
    if (chunk.capacity == kChunkBytes && !spare_) {
        spare_ = std::move(chunk.data);
    } else {
        chunk.data.reset();
        heldBytes_ -= chunk.capacity;
    }
    if (&chunk == current_) next_ = end_ = nullptr;  // nothing more goes into it
    // Freed chunks at the front are forgotten; the newest one always stays.
    std::size_t gone = 0;
    while (gone + 1 < chunks_.size() && !chunks_[gone].data) ++gone;
    chunks_.erase(chunks_.begin(), chunks_.begin() + std::ptrdiff_t(gone));
    firstSequence_ += gone;
    current_ = &chunks_.back();
}

}  // namespace vesper
