// CellRun: stores runs of cells that share their attributes and differ only
// in the code point.  Setting a Cell's code-point bit-field and then copying
// the whole Cell makes the processor reload 16 bytes it has just partly
// written, which stalls store forwarding on every cell (about ten times the
// cost of the store).  CellRun keeps the cell as two 64-bit words in
// registers and writes those instead.
#pragma once

#include <cstdint>
#include <cstring>

#include "core/cell.h"

namespace vesper {

class CellRun {
public:
    explicit CellRun(const CellAttributes& attributes, bool continuation = false)
        : low_(lowWord(attributes, continuation)), high_(highWord(attributes)), continuation_(continuation) {}

    // True where a Cell has the layout the words are computed for (gcc and
    // clang on little-endian targets); elsewhere callers store whole Cells.
    static bool wordsUsable() { return kWordsUsable; }

    // Owners keep a CellRun and rebuild it only when the attributes change.
    // Both compare and write words: copying the attributes whole right after
    // SGR wrote them field by field would stall like a Cell does.
    bool builtFrom(const CellAttributes& attributes) const {
        return low_ == lowWord(attributes, continuation_) && high_ == highWord(attributes);
    }
    void rebuild(const CellAttributes& attributes) {
        low_ = lowWord(attributes, continuation_);
        high_ = highWord(attributes);
    }

    // One cell, whatever the layout; `attributes` are those it was built from.
    void put(Cell* out, std::uint32_t codePoint, const CellAttributes& attributes) const {
        if (kWordsUsable) store(out, codePoint);
        else *out = Cell(codePoint, attributes, continuation_);
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
    static constexpr std::uint64_t kCodePointMask = (std::uint64_t{1} << 21) - 1;

    // The words are computed from the fields (built in memory and read back
    // as words they would stall the same way), for the layout that gcc and
    // clang give a Cell on little-endian targets: word 0 = code point (bits
    // 0-20), continuation (bit 21), fg (bits 32-63); word 1 = bg (bits 0-31),
    // bold, italic, underline, reverse, strikethrough (bits 32-36).  The
    // other bits are padding.
    static std::uint64_t lowWord(const CellAttributes& a, bool continuation) {
        return (continuation ? std::uint64_t{1} << 21 : 0) | std::uint64_t{std::uint32_t(a.fg)} << 32;
    }
    static std::uint64_t highWord(const CellAttributes& a) {
        const std::uint64_t flags = std::uint64_t{a.bold} | std::uint64_t{a.italic} << 1 |
                                    std::uint64_t{a.underline} << 2 | std::uint64_t{a.reverse} << 3 |
                                    std::uint64_t{a.strikethrough} << 4;
        return std::uint64_t{std::uint32_t(a.bg)} | flags << 32;
    }

    // Checks that layout on sample cells, each field set on its own.
    static bool detectLayout() {
        constexpr std::uint64_t lowMask = 0xFFFFFFFF003FFFFFull;
        constexpr std::uint64_t highMask = 0x0000001FFFFFFFFFull;
        auto matches = [](const Cell& cell) {
            std::uint64_t low, high;
            std::memcpy(&low, &cell, sizeof low);
            std::memcpy(&high, reinterpret_cast<const char*>(&cell) + sizeof low, sizeof high);
            return (low & lowMask) == ((lowWord(cell.attributes, cell.wideContinuation) | cell.codePoint) & lowMask) &&
                   (high & highMask) == (highWord(cell.attributes) & highMask);
        };
        CellAttributes samples[8];
        samples[1].fg = kDirectColorFlag | 0xABCDEF;
        samples[2].bg = 0x7FFFFFFF;
        samples[3].bold = true;
        samples[4].italic = true;
        samples[5].underline = true;
        samples[6].reverse = true;
        samples[7].strikethrough = true;
        for (const CellAttributes& a : samples)
            if (!matches(Cell(0x1FFFFF, a)) || !matches(Cell(0, a, true)) || !matches(Cell(0x12345, a)))
                return false;
        return true;
    }
    static inline const bool kWordsUsable = detectLayout();

    std::uint64_t low_;
    std::uint64_t high_;
    bool continuation_;
};

}  // namespace vesper
