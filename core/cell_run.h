// CellRun: stores runs of cells that share their attributes and differ only
// in the code point.  Setting a Cell's code-point bit-field and then copying
// the whole Cell makes the processor reload 16 bytes it has just partly
// written, which stalls store forwarding on every cell (about ten times the
// cost of the store).  CellRun keeps the cell as two 64-bit words and writes
// those instead; the right half of a wide character is the same words with
// the continuation bit.  Only the line store writes with it (the Screen
// hands it the run built from the current attributes).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
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

    // True where the words below give exactly the Cell built from the fields
    // (checked at start-up on cells that set every field; gcc and clang on
    // little-endian targets); elsewhere whole Cells are stored.
    static bool wordsUsable() { return kWordsUsable; }

    // The words are computed from the colours and the flag bytes, each read
    // no wider than SGR writes it: copying the attributes whole right after
    // SGR wrote them field by field would stall like a Cell does.
    void rebuild(const CellAttributes& attributes) {
        low_ = lowWord(attributes, continuation_);
        high_ = highWord(attributes);
        if (!kWordsUsable) attributes_ = attributes;
    }

    // One cell, whatever the layout.
    void put(Cell* out, std::uint32_t codePoint) const {
        if (kWordsUsable) store(out, codePoint);
        else *out = Cell(codePoint, attributes_, continuation_);
    }
    // The right half of a wide character put with this run, whatever the layout.
    void putContinuation(Cell* out) const {
        if (kWordsUsable) storeWords(out, low_ | kContinuationBit, high_);
        else *out = Cell(0, attributes_, true);
    }

    // Equal cells, compared as words where wordsUsable() (a whole-Cell
    // comparison tests each bit-field on its own).
    static bool same(const Cell& a, const Cell& b) { return kWordsUsable ? sameWords(a, b) : a == b; }

    // Cells for `count` bytes, each its own code point; only where
    // wordsUsable().  The words are read into locals first: the stores go
    // through char pointers, which could alias this object and would make
    // the compiler reload the words for every cell.
    void storeBytes(Cell* out, const std::uint8_t* bytes, std::int64_t count) const {
        const std::uint64_t low = low_;
        const std::uint64_t high = high_;
        for (std::int64_t i = 0; i < count; ++i) {
            const std::uint64_t word = low | bytes[i];
            std::memcpy(reinterpret_cast<char*>(out + i), &word, sizeof word);
            std::memcpy(reinterpret_cast<char*>(out + i) + sizeof word, &high, sizeof high);
        }
    }

    // Only where wordsUsable().
    void store(Cell* out, std::uint32_t codePoint) const { storeWords(out, low_ | codePoint, high_); }

    // Characters of `text` into the row `cells` of `columns` cells from
    // column `at`, as long as each has a width above 0 and fits.  Returns how
    // many were stored; `at` ends after the last one.  Only where
    // wordsUsable().  The right half of a character is stored first, at the
    // last column it covers, so that a narrow character overwrites it at
    // once: two stores instead of a branch on the width, which text mixing
    // scripts mispredicts.
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
            storeWords(cells + column + width - 1, low | kContinuationBit, high);
            storeWords(cells + column, low | codePoint, high);
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
    static constexpr std::uint64_t kContinuationBit = std::uint64_t{1} << 21;
    // The bits of the words that hold fields; the rest are padding.
    static constexpr std::uint64_t kLowMask = 0xFFFFFFFF003FFFFFu;
    static constexpr std::uint64_t kHighMask = 0x000001FFFFFFFFFFu;

    static bool sameWords(const Cell& a, const Cell& b) {
        std::uint64_t a0, a1, b0, b1;
        std::memcpy(&a0, reinterpret_cast<const char*>(&a), 8);
        std::memcpy(&a1, reinterpret_cast<const char*>(&a) + 8, 8);
        std::memcpy(&b0, reinterpret_cast<const char*>(&b), 8);
        std::memcpy(&b1, reinterpret_cast<const char*>(&b) + 8, 8);
        return (((a0 ^ b0) & kLowMask) | ((a1 ^ b1) & kHighMask)) == 0;
    }
    static void storeWords(Cell* out, std::uint64_t low, std::uint64_t high) {
        std::memcpy(reinterpret_cast<char*>(out), &low, sizeof low);
        std::memcpy(reinterpret_cast<char*>(out) + sizeof low, &high, sizeof high);
    }

    // Word 0: code point (bits 0-20), continuation (bit 21), fg (bits 32-63);
    // word 1: bg (bits 0-31), then the flags in declaration order from bit 32.
    // The nine flags are read as the two bytes after the colours (bold in
    // bit 0 of the first, overline in bit 0 of the second), one byte at a
    // time as the bit-field stores wrote them; the start-up check below
    // confirms that layout.  Extracting them one field at a time costs
    // about thirty instructions per rebuild, and SGR rebuilds once per run.
    static std::uint64_t lowWord(const CellAttributes& a, bool continuation) {
        return (continuation ? kContinuationBit : 0) | std::uint64_t{std::uint32_t(a.fg)} << 32;
    }
    static std::uint64_t highWord(const CellAttributes& a) {
        const auto* flagBytes = reinterpret_cast<const unsigned char*>(&a) + 2 * sizeof(ColorValue);
        const std::uint64_t flags = std::uint64_t{flagBytes[0]} | std::uint64_t{flagBytes[1] & 1u} << 8;
        return std::uint64_t{std::uint32_t(a.bg)} | flags << 32;
    }

    // The words stored and read back must be the Cell built from the fields,
    // for samples that set each field alone and all together.
    static bool roundTrips(std::uint32_t codePoint, const CellAttributes& a, bool continuation) {
        const std::uint64_t low = lowWord(a, continuation) | codePoint;
        const std::uint64_t high = highWord(a);
        Cell back;
        std::memcpy(reinterpret_cast<char*>(&back), &low, sizeof low);
        std::memcpy(reinterpret_cast<char*>(&back) + sizeof low, &high, sizeof high);
        return back == Cell(codePoint, a, continuation);
    }
    static bool detectLayout() {
        CellAttributes samples[11];
        samples[1].fg = kDirectColorFlag | 0xABCDEF;
        samples[2].bg = 0x7FFFFFFF;
        samples[3].bold = true;
        samples[4].italic = true;
        samples[5].underline = true;
        samples[6].reverse = true;
        samples[7].strikethrough = true;
        samples[8].dim = true;
        samples[9].hidden = samples[9].doubleUnderline = true;
        samples[10] = samples[1];
        samples[10].bg = -1;
        samples[10].bold = samples[10].overline = samples[10].reverse = true;
        for (const CellAttributes& a : samples)
            for (std::uint32_t cp : {0u, 0x41u, 0x12345u, 0x1FFFFFu})
                for (bool continuation : {false, true})
                    if (!roundTrips(cp, a, continuation)) return false;
        // The word comparison must tell apart exactly the cells that differ.
        for (const CellAttributes& a : samples)
            for (const CellAttributes& b : samples)
                for (std::uint32_t cp : {0x41u, 0x12345u})
                    for (bool continuation : {false, true}) {
                        const Cell x(0x41, a), y(cp, b, continuation);
                        if (sameWords(x, y) != (x == y)) return false;
                    }
        return true;
    }
    static inline const bool kWordsUsable = detectLayout();

    bool continuation_;
    std::uint64_t low_ = 0;
    std::uint64_t high_ = 0;
    CellAttributes attributes_;  // only where the words are not usable
};

}  // namespace vesper
