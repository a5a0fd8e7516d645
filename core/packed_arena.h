// PackedArena: the bytes of a store's packed lines, laid one after another in
// 64 KiB chunks, so that packing a line costs no allocation of its own and
// dropping one costs a counter.  A chunk counts the lines it holds and is
// freed when its last one goes (the scrollback drops its oldest lines first,
// so chunks empty in the order they filled); one freed chunk is kept for the
// next to open.  A line longer than a chunk gets a chunk of its own size.
//
// A line is named by a handle: the chunk's sequence number and the line's
// offset in it.  Handles are never reused, so they also name a line's
// expansion in ExpandedLines.  PackedRef owns one handle and gives it back
// when it goes, whatever drops the line (trimming, blanking, a reflow).
#pragma once

#include <cstdint>
#include <vector>
#include <memory>
#include <utility>

namespace vesper {

class PackedArena {
public:
    static constexpr std::size_t kChunkBytes = 64 * 1024;

    // Room for a line of up to `most` bytes, to be written and then
    // committed with the bytes it took; nothing else may come between.
    // (A chunk with exactly `most` bytes left is passed over: an arena
    // without chunks then needs no test of its own.)
    std::uint8_t* reserve(std::size_t most) {
        if (std::size_t(end_ - next_) <= most) open(most);
        return next_;
    }
    std::uint64_t commit(std::size_t used) {
        const std::uint64_t handle = nextHandle_;
        next_ += used;
        nextHandle_ += used;
        ++current_->lines;
        return handle;
    }
    const std::uint8_t* bytes(std::uint64_t handle) const {
        return chunks_[std::size_t((handle >> 32) - firstSequence_)].data.get() + std::uint32_t(handle);
    }
    void release(std::uint64_t handle) {
        Chunk& chunk = chunks_[std::size_t((handle >> 32) - firstSequence_)];
        if (--chunk.lines == 0 && &chunk != current_) free(chunk);
    }

    // The lines held (a count over the chunks: for checks and tests).
    std::size_t lineCount() const;
    // The bytes of the chunks held, the spare included.
    std::size_t heldBytes() const { return heldBytes_; }

private:
    struct Chunk {
        std::unique_ptr<std::uint8_t[]> data;  // null once freed
        std::uint32_t capacity = 0;
        std::uint32_t lines = 0;
    };
    void open(std::size_t most);
    void free(Chunk& chunk);

    std::vector<Chunk> chunks_;  // the last one is written to
    // The chunk written to (chunks_.back()), where its next line goes, its
    // end, and the handle of that next line: packing a line reads nothing
    // else.
    Chunk* current_ = nullptr;
    std::uint8_t* next_ = nullptr;
    std::uint8_t* end_ = nullptr;
    std::uint64_t nextHandle_ = 0;
    std::uint64_t firstSequence_ = 1;  // of chunks_.front(); handles are never 0
    std::unique_ptr<std::uint8_t[]> spare_;
    std::size_t heldBytes_ = 0;
};

// The one owner of a packed line's bytes (move-only, like a unique_ptr).
class PackedRef {
public:
    PackedRef() = default;
    PackedRef(PackedArena& arena, std::uint64_t handle) : arena_(&arena), handle_(handle) {}
    PackedRef(PackedRef&& other) noexcept : arena_(other.arena_), handle_(std::exchange(other.handle_, 0)) {}
    PackedRef& operator=(PackedRef&& other) noexcept {
        if (this != &other) {
            reset();
            arena_ = other.arena_;
            handle_ = std::exchange(other.handle_, 0);
        }
        return *this;
    }
    ~PackedRef() { reset(); }

    explicit operator bool() const { return handle_ != 0; }
    std::uint64_t handle() const { return handle_; }
    const std::uint8_t* bytes() const { return arena_->bytes(handle_); }
    void reset() {
        if (handle_ != 0) arena_->release(std::exchange(handle_, 0));
    }
    // Takes `handle` of `arena`; holds nothing before (reset() first).
    void assign(PackedArena& arena, std::uint64_t handle) {
        arena_ = &arena;
        handle_ = handle;
    }
    void swap(PackedRef& other) noexcept {
        std::swap(arena_, other.arena_);
        std::swap(handle_, other.handle_);
    }

private:
    PackedArena* arena_ = nullptr;
    std::uint64_t handle_ = 0;
};

}  // namespace vesper
