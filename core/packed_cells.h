// PackedCells: the cells of a line in a few bytes per character, the form in
// which the scrollback keeps its lines.  The cells are grouped in runs of one
// rendition (colours and flags), and each run holds its characters as UTF-8:
// a line of plain text costs its text plus a few bytes.  Packing is exact:
// unpacking gives back every cell word as it was, the right halves of wide
// characters and stray ones included.
//
// Layout: runs, each one
//     varint cells | mask byte | [varint fg] [varint bg] [varint flags]
// with a value present when its mask bit is set (bit 0 fg, 1 bg, 2 flags;
// absent values are the defaults), followed by one token per cell:
//     UTF-8 of the code point (up to four bytes, code points to U+1FFFFF)
//     0xF8 + UTF-8: a wide character's right half with that code point
//     nothing: the right half (code point 0) that follows a character of
//              width two in the same run, the common case
//     0xF9: after a character of width two, says that no such right half
//           follows it
// Code point bits beyond the 21 of Cell are never set by the store's writers
// and are not kept.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/cell.h"

namespace vesper {

namespace packed_cells {

// The most bytes a cell can take: an explicit right half (five) or a
// character and 0xF9 (five), plus a run header of its own (a count, the
// mask and three values).
inline constexpr std::size_t kMostBytesPerCell = 5 + 1 + 5 + 1 + 3 * 5;
// The most bytes `count` cells can take packed, and room for the packer's
// sixteen-byte copies past the end.
inline std::size_t mostBytes(int count) { return std::size_t(count < 0 ? 0 : count) * kMostBytesPerCell + 16; }

namespace detail {

enum Mask : std::uint8_t { HasFg = 1, HasBg = 2, HasFlags = 4 };

// The writers store through a pointer into a buffer sized for the worst
// case up front: a bounds check per byte costs as much as the packing.
inline void putVarint(std::uint8_t*& out, std::uint32_t value) {
    while (value >= 0x80) {
        *out++ = std::uint8_t(value | 0x80);
        value >>= 7;
    }
    *out++ = std::uint8_t(value);
}

// A run's mask and the values it says are there (what differs from the
// default rendition), for the run that starts with `first`.
[[gnu::always_inline]] inline void putRendition(std::uint8_t*& out, const Cell& first) {
    const std::uint8_t mask = std::uint8_t((first.fg() != kDefaultColor ? HasFg : 0) |
                                           (first.bg() != kDefaultColor ? HasBg : 0) |
                                           (first.flags() != 0 ? HasFlags : 0));
    *out++ = mask;
    if (mask & HasFg) putVarint(out, std::uint32_t(first.fg()));
    if (mask & HasBg) putVarint(out, std::uint32_t(first.bg()));
    if (mask & HasFlags) putVarint(out, first.flags());
}

// A short line of one rendition and one-byte code points (a "y", a line
// number, a short log line) is one run, written here as packRuns() would
// write it, without setting up its vector tests.  Returns 0 for any other
// line (the bytes it wrote are not kept).
inline constexpr int kShortLineCells = 16;

[[gnu::always_inline]] inline std::size_t packShortLine(const Cell* cells, int count, std::uint8_t* const start) {
    std::uint8_t* out = start;
    // The count in two varint bytes, the width every run's count takes
    // below 2^14 cells.
    out[0] = std::uint8_t(0x80 | count);
    out[1] = 0;
    out += 2;
    if (cells[0].sameAttributes(Cell()))  // the default rendition, the usual case: one compare
        *out++ = 0;
    else
        putRendition(out, cells[0]);
    // Each cell's byte is stored while its words are compared with the
    // first's, without a branch: what differs from the run's rendition,
    // and of the code point and right-half bit anything beyond seven bits,
    // is gathered and tested once.
    const std::uint64_t high = cells[0].high();
    const std::uint64_t fg = cells[0].low() & ~std::uint64_t{0xFFFFFFFF};
    std::uint64_t differs = 0;
    for (int i = 0; i < count; ++i) {
        const std::uint64_t low = cells[i].low();
        out[i] = std::uint8_t(low);
        differs |= (cells[i].high() ^ high) | ((low ^ fg) & ~std::uint64_t{0x7F});
    }
    return differs == 0 ? std::size_t(out + count - start) : 0;
}

std::size_t packRuns(const Cell* cells, int count, std::uint8_t* out);

}  // namespace detail

// Cells [0, count) packed into out[0, mostBytes(count)); returns the bytes
// written.  Inline for the short lines that a flood of output scrolls,
// which it packs itself.
inline std::size_t pack(const Cell* cells, int count, std::uint8_t* out) {
    if (count > 0 && count <= detail::kShortLineCells)
        if (const std::size_t size = detail::packShortLine(cells, count, out)) return size;
    return detail::packRuns(cells, count, out);
}
// Writes the `count` cells packed in `packed` to out[0, count).
void unpack(const std::uint8_t* packed, Cell* out, int count);
// The text of the `count` cells packed in `packed` as UTF-8, as a line's
// text reads (code point 0 a space, right halves of wide characters
// nothing), written to `out`, which has room for 4 * count bytes; returns
// the bytes written.  Reads the packed bytes only: no cell is expanded.
std::size_t text(const std::uint8_t* packed, int count, char* out);
// The bytes `packed` occupies, for memory figures and checks.
std::size_t packedSize(const std::uint8_t* packed, int count);

}  // namespace packed_cells

}  // namespace vesper
