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
// Cells [0, count) packed into out[0, mostBytes(count)); returns the bytes
// written.
std::size_t pack(const Cell* cells, int count, std::uint8_t* out);
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
