// CellRun: stores runs of cells that share their attributes and differ only
// in the code point.  It keeps the two words of its cells (Cell's fixed
// layout) with the code point left out, and stores each cell as those words
// with the code point or'ed in: two 64-bit stores per cell, nothing read
// back.  The right half of a wide character is the same words with the
// continuation bit.  Only the line store writes with it (the Screen hands
// it the run built from the current attributes).
#pragma once

#include <algorithm>
#include <cstdint>
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

#include "core/cell.h"

namespace vesper {

class CellRun {
public:
    explicit CellRun(const CellAttributes& attributes, bool continuation = false) : continuation_(continuation) {
        rebuild(attributes);
    }

    // The words come from the colours and the flags word, each read as SGR
    // wrote it.
    void rebuild(const CellAttributes& attributes) {
        low_ = Cell::lowWord(attributes.fg, continuation_);
        high_ = Cell::highWord(attributes);
    }

    void put(Cell* out, std::uint32_t codePoint) const { *out = Cell::fromWords(low_ | codePoint, high_); }
    // The right half of a wide character put with this run.
    void putContinuation(Cell* out) const { *out = Cell::fromWords(low_ | Cell::kContinuationBit, high_); }

    // Cells for `count` bytes, each its own code point.  The words are read
    // into locals first: the stores could alias this object as far as the
    // compiler knows, and would make it reload the words for every cell.
    void storeBytes(Cell* out, const std::uint8_t* bytes, std::int64_t count) const {
        const std::uint64_t low = low_;
        const std::uint64_t high = high_;
        for (std::int64_t i = 0; i < count; ++i) out[i] = Cell::fromWords(low | bytes[i], high);
    }

    // Characters of `text` into the row `cells` of `columns` cells from
    // column `at`, as long as each has a width above 0 and fits.  Returns how
    // many were stored; `at` ends after the last one.  The right half of a
    // character is stored first, at the last column it covers, so that a
    // narrow character overwrites it at once: two stores instead of a branch
    // on the width, which text mixing scripts mispredicts.
    std::int64_t storeText(Cell* cells, int& at, int columns, const std::uint32_t* text, std::int64_t count) const {
        const std::uint64_t low = low_;
        const std::uint64_t high = high_;
        const CellWidths widthOf;
        int column = at;
        std::int64_t i = 0;
        for (; i < count; ++i) {
            const std::uint32_t codePoint = text[i];
            const int width = widthOf(codePoint);
            if (width == 0 || column + width > columns) break;
            cells[column + width - 1] = Cell::fromWords(low | Cell::kContinuationBit, high);
            cells[column] = Cell::fromWords(low | codePoint, high);
            column += width;
        }
        at = column;
        return i;
    }

    // Cells [first, last) become `value`, one 16-byte store per cell where the
    // target has them.  A fill copied into a local is otherwise kept in two
    // 64-bit registers and stored in halves: twice the stores, which matters
    // when blanking writes lines that are no longer cached and the stores
    // queue up behind the misses.
    static void fill(Cell* first, Cell* last, const Cell& value) {
#if defined(__SSE2__) || defined(_M_X64)
        const __m128i cell = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&value));
        for (; first < last; ++first) _mm_storeu_si128(reinterpret_cast<__m128i*>(first), cell);
#else
        std::fill(first, last, value);
#endif
    }

private:
    bool continuation_;
    std::uint64_t low_ = 0;
    std::uint64_t high_ = 0;
};

}  // namespace vesper
