// CellRun: stores runs of cells that share their attributes and differ only
// in the code point.  Setting a Cell's code-point bit-field and then copying
// the whole Cell makes the processor reload 16 bytes it has just partly
// written, which stalls store forwarding on every cell (about ten times the
// cost of the store).  CellRun keeps the cell as two 64-bit words and writes
// those instead.  Only the line store writes with it (the Screen hands it
// the run built from the current attributes).
#pragma once

#include <cstdint>
#include <cstring>

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

    // The words are computed from the fields: copying the attributes whole
    // right after SGR wrote them field by field would stall like a Cell does.
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
    // Word 0: code point (bits 0-20), continuation (bit 21), fg (bits 32-63);
    // word 1: bg (bits 0-31), then the flags in declaration order from bit 32.
    static std::uint64_t lowWord(const CellAttributes& a, bool continuation) {
        return (continuation ? std::uint64_t{1} << 21 : 0) | std::uint64_t{std::uint32_t(a.fg)} << 32;
    }
    static std::uint64_t highWord(const CellAttributes& a) {
        const std::uint64_t flags = std::uint64_t{a.bold} | std::uint64_t{a.italic} << 1 |
                                    std::uint64_t{a.underline} << 2 | std::uint64_t{a.reverse} << 3 |
                                    std::uint64_t{a.strikethrough} << 4 | std::uint64_t{a.dim} << 5 |
                                    std::uint64_t{a.hidden} << 6 | std::uint64_t{a.doubleUnderline} << 7 |
                                    std::uint64_t{a.overline} << 8;
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
        return true;
    }
    static inline const bool kWordsUsable = detectLayout();

    bool continuation_;
    std::uint64_t low_ = 0;
    std::uint64_t high_ = 0;
    CellAttributes attributes_;  // only where the words are not usable
};

}  // namespace vesper
