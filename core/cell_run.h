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
    explicit CellRun(const CellAttributes& attributes, bool continuation = false) : attributes_(attributes), continuation_(continuation) {
        const Cell proto(0, attributes, continuation);
        std::memcpy(&low_, &proto, sizeof low_);
        std::memcpy(&high_, reinterpret_cast<const char*>(&proto) + sizeof low_, sizeof high_);
        low_ &= ~kCodePointMask;
    }

    // True where the code point is the low 21 bits of the first word (every
    // little-endian ABI we build for); elsewhere callers store whole Cells.
    static bool wordsUsable() { return kWordsUsable; }

    // Building the words goes through memory (the attributes are stored
    // field by field, then read as words), which stalls once: owners keep a
    // CellRun per attribute set and rebuild it only when the set changes.
    const CellAttributes& attributes() const { return attributes_; }

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
    static constexpr std::uint64_t kCodePointMask = (std::uint64_t{1} << 21) - 1;

    static bool detectLayout() {
        auto lowWord = [](std::uint32_t codePoint) {
            const Cell cell(codePoint, CellAttributes{});
            std::uint64_t word;
            std::memcpy(&word, &cell, sizeof word);
            return word & kCodePointMask;
        };
        return lowWord(0) == 0 && lowWord(0x1FFFFF) == kCodePointMask && lowWord(0x12345) == 0x12345;
    }
    static inline const bool kWordsUsable = detectLayout();

    std::uint64_t low_;
    std::uint64_t high_;
    CellAttributes attributes_;
    bool continuation_;
};

}  // namespace vesper
