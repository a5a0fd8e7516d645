// CellRun: stores runs of cells that share their attributes and differ only
// in the code point.  Setting a Cell's code-point bit-field and then copying
// the whole Cell makes the processor reload 16 bytes it has just partly
// written, which stalls store forwarding on every cell (about ten times the
// cost of the store).  CellRun keeps the cell as two 64-bit words, taken
// once from a real Cell, and writes those instead.  Only the line store uses
// it: it is how that store writes text.
#pragma once

#include <cstdint>
#include <cstring>

#include "core/cell.h"

namespace vesper {

class CellRun {
public:
    explicit CellRun(const CellAttributes& attributes, bool continuation = false)
        : attributes_(attributes), continuation_(continuation) {
        takeWords();
    }

    // True where the code point is the low 21 bits of a Cell's first word
    // (gcc and clang on little-endian targets); elsewhere callers store
    // whole Cells.
    static bool wordsUsable() { return kWordsUsable; }

    bool builtFrom(const CellAttributes& attributes) const { return attributes_ == attributes; }
    void rebuild(const CellAttributes& attributes) {
        attributes_ = attributes;
        takeWords();
    }

    // One cell, whatever the layout.
    void put(Cell* out, std::uint32_t codePoint) const {
        if (kWordsUsable) store(out, codePoint);
        else *out = Cell(codePoint, attributes_, continuation_);
    }

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
    void store(Cell* out, std::uint32_t codePoint) const {
        const std::uint64_t low = low_ | codePoint;
        std::memcpy(reinterpret_cast<char*>(out), &low, sizeof low);
        std::memcpy(reinterpret_cast<char*>(out) + sizeof low, &high_, sizeof high_);
    }

private:
    static void wordsOf(const Cell& cell, std::uint64_t& low, std::uint64_t& high) {
        std::memcpy(&low, &cell, sizeof low);
        std::memcpy(&high, reinterpret_cast<const char*>(&cell) + sizeof low, sizeof high);
    }
    // The words of this run's cell with code point 0.
    void takeWords() { wordsOf(Cell(0, attributes_, continuation_), low_, high_); }

    // The words with a code point or-ed into the low 21 bits must read back
    // as the Cell built from the fields, on samples that set every field.
    static bool roundTrips(std::uint32_t codePoint, const CellAttributes& a, bool continuation) {
        std::uint64_t low, high;
        wordsOf(Cell(0, a, continuation), low, high);
        if (low & 0x1FFFFF) return false;
        low |= codePoint;
        Cell back;
        std::memcpy(reinterpret_cast<char*>(&back), &low, sizeof low);
        std::memcpy(reinterpret_cast<char*>(&back) + sizeof low, &high, sizeof high);
        return back == Cell(codePoint, a, continuation);
    }
    static bool detectLayout() {
        CellAttributes all;
        all.fg = kDirectColorFlag | 0xABCDEF;
        all.bg = 0x7FFFFFFF;
        all.bold = all.italic = all.underline = all.reverse = all.strikethrough = true;
        all.dim = all.hidden = all.doubleUnderline = all.overline = true;
        for (std::uint32_t cp : {0u, 0x41u, 0x12345u, 0x1FFFFFu})
            for (bool continuation : {false, true})
                if (!roundTrips(cp, CellAttributes{}, continuation) || !roundTrips(cp, all, continuation))
                    return false;
        return true;
    }
    static inline const bool kWordsUsable = detectLayout();

    CellAttributes attributes_;
    bool continuation_;
    std::uint64_t low_ = 0;
    std::uint64_t high_ = 0;
};

}  // namespace vesper
