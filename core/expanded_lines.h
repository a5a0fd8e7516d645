// ExpandedLines: packed lines expanded to full rows for the readers that
// take a LineView (painting, text, search, selection), so that a shown
// scrollback row is expanded once and then read as fast as a screen row.
// Lines are found by their packed handle, which the store never reuses
// (PackedArena), so an entry can never show another line's cells.
//
// The cache is two-way set associative with least-recently-used eviction,
// the set chosen by the line's number: the consecutive lines a view shows
// land in different sets, and of any two lines
// read one after the other, neither evicts the other.  So a LineView of a
// packed line stays valid until the store changes or another line is read
// twice over, and any two views held at once are both valid.
#pragma once

#include <array>
#include <cstdint>

#include "core/cell.h"

namespace vesper {

class ExpandedLines {
public:
    static constexpr std::size_t kSets = 64;

    // The cells expanded for `handle` (line `number`), or null.
    const Cell* find(std::uint64_t handle, int number) {
        Entry* ways = set(number);
        for (int w = 0; w < 2; ++w) {
            if (ways[w].handle == handle) {
                ways[w].used = ++clock_;
                return ways[w].cells.data();
            }
        }
        return nullptr;
    }
    // A row of `columns` cells for `handle` (line `number`) to be written,
    // replacing the set's least recently used line.
    Cell* insert(std::uint64_t handle, int number, int columns) {
        Entry* ways = set(number);
        Entry& victim = ways[0].used <= ways[1].used ? ways[0] : ways[1];
        victim.handle = handle;
        victim.used = ++clock_;
        victim.cells.resize(std::size_t(columns));
        return victim.cells.data();
    }

private:
    struct Entry {
        std::uint64_t handle = 0;  // 0: empty; handles are never 0
        std::uint64_t used = 0;
        Line cells;
    };
    Entry* set(int number) { return &entries_[2 * (std::uint32_t(number) % kSets)]; }

    std::array<Entry, 2 * kSets> entries_{};
    std::uint64_t clock_ = 0;
};

}  // namespace vesper
