// PackedCells: packing and unpacking of a line's cells; see packed_cells.h
// for the layout.  Both directions walk a run at a time with the run's words
// in locals, and take printable ASCII (one byte, one cell) without further
// tests: that is almost every cell of a log.
#include "core/packed_cells.h"

#include <algorithm>
#include <bit>
#include <cstring>
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace vesper::packed_cells {

using detail::HasBg;
using detail::HasFg;
using detail::HasFlags;
using detail::putRendition;
using detail::putVarint;

namespace {

constexpr std::uint8_t kRightHalf = 0xF8;   // an explicit right half follows
constexpr std::uint8_t kNoRightHalf = 0xF9; // a width-two character without its right half
constexpr std::uint32_t kLowMask = Cell::kCodePointMask | Cell::kContinuationBit;

std::uint32_t getVarint(const std::uint8_t*& p) {
    std::uint32_t value = 0;
    for (int shift = 0;; shift += 7) {
        const std::uint8_t byte = *p++;
        value |= std::uint32_t(byte & 0x7F) << shift;
        if (byte < 0x80) return value;
    }
}

[[gnu::always_inline]] inline void putCodePoint(std::uint8_t*& out, std::uint32_t cp) {
    if (cp < 0x80) {
        *out++ = std::uint8_t(cp);
    } else if (cp < 0x800) {
        out[0] = std::uint8_t(0xC0 | (cp >> 6));
        out[1] = std::uint8_t(0x80 | (cp & 0x3F));
        out += 2;
    } else if (cp < 0x10000) {
        out[0] = std::uint8_t(0xE0 | (cp >> 12));
        out[1] = std::uint8_t(0x80 | ((cp >> 6) & 0x3F));
        out[2] = std::uint8_t(0x80 | (cp & 0x3F));
        out += 3;
    } else {
        out[0] = std::uint8_t(0xF0 | (cp >> 18));
        out[1] = std::uint8_t(0x80 | ((cp >> 12) & 0x3F));
        out[2] = std::uint8_t(0x80 | ((cp >> 6) & 0x3F));
        out[3] = std::uint8_t(0x80 | (cp & 0x3F));
        out += 4;
    }
}

std::uint32_t getCodePoint(const std::uint8_t*& p) {
    const std::uint8_t lead = *p++;
    if (lead < 0x80) return lead;
    if (lead < 0xE0) {
        const std::uint32_t cp = std::uint32_t(lead & 0x1F) << 6 | (p[0] & 0x3F);
        p += 1;
        return cp;
    }
    if (lead < 0xF0) {
        const std::uint32_t cp = std::uint32_t(lead & 0x0F) << 12 | std::uint32_t(p[0] & 0x3F) << 6 | (p[1] & 0x3F);
        p += 2;
        return cp;
    }
    const std::uint32_t cp = std::uint32_t(lead & 0x07) << 18 | std::uint32_t(p[0] & 0x3F) << 12 |
                             std::uint32_t(p[1] & 0x3F) << 6 | (p[2] & 0x3F);
    p += 3;
    return cp;
}

// A varint in exactly `width` bytes (continuation bits on the padding), so
// that a run's count can be written once the run has ended.
void putPaddedVarint(std::uint8_t* out, std::uint32_t value, int width) {
    for (int k = 0; k < width - 1; ++k, value >>= 7) out[k] = std::uint8_t(0x80 | (value & 0x7F));
    out[width - 1] = std::uint8_t(value);
}

}  // namespace

#if defined(__SSE2__) || defined(_M_X64)
namespace {

// Cells of one-byte code points in any renditions (logs, coloured listings,
// prompts): the cells are read once, without a branch per cell, into their
// bytes and a bit per run start; then each run's header and bytes are
// written, as the general loop below writes them.  Colour changes every few
// cells made that loop mispredict several branches per run.  Returns 0
// (nothing written) at the first cell of another kind, or for more cells
// than the buffers hold.
constexpr int kMostAsciiCells = 512;

std::size_t packAsciiRuns(const Cell* cells, int count, std::uint8_t* const start) {
    if (count > kMostAsciiCells || count < 1) return 0;
    alignas(16) std::uint8_t text[kMostAsciiCells + 16];
    // A nibble per cell: bit 4k+1 of starts[k / 16] is set when cell k starts a run.
    std::uint64_t starts[kMostAsciiCells / 16];
    const auto* at = reinterpret_cast<const __m128i*>(cells);
    __m128i previous = _mm_loadu_si128(at);
    // Four cells at a time.  A cell's 32-bit words are its code point (with
    // the right-half bit), fg, bg and flags; comparing each cell with the
    // one before word by word and packing the results to bytes gives a
    // nibble per cell, whose upper three bits are all set when the rendition
    // is the same.  `group` holds the four cells (its last ones repeated at
    // the end of the line: they start no run).
    auto scan = [&](const __m128i* group, int i) {
        const __m128i c0 = _mm_loadu_si128(group), c1 = _mm_loadu_si128(group + 1);
        const __m128i c2 = _mm_loadu_si128(group + 2), c3 = _mm_loadu_si128(group + 3);
        const __m128i any = _mm_or_si128(_mm_or_si128(c0, c1), _mm_or_si128(c2, c3));
        if (std::uint32_t(_mm_cvtsi128_si32(any)) & ~0x7Fu) return false;
        const __m128i same = _mm_packs_epi16(_mm_packs_epi32(_mm_cmpeq_epi32(c0, previous), _mm_cmpeq_epi32(c1, c0)),
                                             _mm_packs_epi32(_mm_cmpeq_epi32(c2, c1), _mm_cmpeq_epi32(c3, c2)));
        previous = c3;
        const auto differs = ~std::uint32_t(_mm_movemask_epi8(same)) & 0xEEEEu;
        const std::uint64_t runStarts = (differs | differs >> 1 | differs >> 2) & 0x2222u;
        if ((i & 15) == 0)
            starts[i >> 4] = runStarts;
        else
            starts[i >> 4] |= runStarts << ((i & 15) * 4);
        const __m128i bytes = _mm_unpacklo_epi16(_mm_unpacklo_epi8(c0, c1), _mm_unpacklo_epi8(c2, c3));
        const auto four = std::uint32_t(_mm_cvtsi128_si32(bytes));
        std::memcpy(text + i, &four, 4);
        return true;
    };
    int i = 0;
    for (; i + 4 <= count; i += 4)
        if (!scan(at + i, i)) return 0;
    if (i < count) {
        Cell last[4];
        for (int k = 0; k < 4; ++k) last[k] = cells[std::min(i + k, count - 1)];
        if (!scan(reinterpret_cast<const __m128i*>(last), i)) return 0;
    }
    std::memset(text + count, 0, 16);  // copied past the end, never kept
    std::uint8_t* out = start;
    int runStart = 0;
    auto writeRun = [&](int end) {
        const Cell& first = cells[runStart];
        const auto length = std::uint32_t(end - runStart);
        putPaddedVarint(out, length, 2);  // the general loop's count width below 2^14 cells
        out += 2;
        putRendition(out, first);
        // Sixteen bytes at a time: `text` and the output (see mostBytes)
        // have room past the end.
        for (std::uint32_t k = 0; k < length; k += 16)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + runStart + k)));
        out += length;
    };
    for (int word = 0; word * 16 < count; ++word) {
        for (std::uint64_t bits = starts[word]; bits != 0; bits &= bits - 1) {
            const int next = word * 16 + std::countr_zero(bits) / 4;
            writeRun(next);
            runStart = next;
        }
    }
    writeRun(count);
    return std::size_t(out - start);
}

}  // namespace
#endif

namespace {

// The end of the run that holds cells[from] (the first cell after it of
// another rendition, or `count`), four cells per test while they last.
int runEnd(const Cell* cells, int from, int count) {
    const Cell& first = cells[from];
    int i = from + 1;
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i rendition = _mm_set_epi64x(-1, std::int64_t(0xFFFFFFFF00000000));
    const __m128i wanted = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(&first)), rendition);
    auto same = [&](const __m128i* at) { return _mm_cmpeq_epi8(_mm_and_si128(_mm_loadu_si128(at), rendition), wanted); };
    for (; i + 4 <= count; i += 4) {
        const auto* at = reinterpret_cast<const __m128i*>(cells + i);
        const __m128i all = _mm_and_si128(_mm_and_si128(same(at), same(at + 1)), _mm_and_si128(same(at + 2), same(at + 3)));
        if (_mm_movemask_epi8(all) != 0xFFFF) break;
    }
#endif
    while (i < count && cells[i].sameAttributes(first)) ++i;
    return i;
}

}  // namespace

// The lines pack() does not take itself.  Out of line: its frame (the
// vector loops' registers) would cost a short line as much as packing it.
std::size_t detail::packRuns(const Cell* cells, int count, std::uint8_t* const start) {
    const int countWidth = count < (1 << 14) ? 2 : count < (1 << 21) ? 3 : 5;
    const CellWidths widthOf;
    std::uint8_t* out = start;
    for (int i = 0; i < count;) {
        const Cell& first = cells[i];
        const std::uint64_t runHigh = first.high();
        const std::uint64_t runFg = first.low() >> 32;
        std::uint8_t* const countAt = out;
        out += countWidth;
        putRendition(out, first);
        auto inRun = [&](int at) { return cells[at].high() == runHigh && (cells[at].low() >> 32) == runFg; };
        const int begin = i;
        int end = -1;  // the run's end, once known
        do {
#if defined(__SSE2__) || defined(_M_X64)
            // Printable ASCII of the run's rendition, a cell per compare:
            // the cell's words with the low seven bits cleared must equal
            // the run's words with no code point.
            const __m128i clearAscii = _mm_set_epi64x(-1, ~std::int64_t{0x7F});
            const __m128i asciiCell = _mm_set_epi64x(std::int64_t(runHigh), std::int64_t(runFg << 32));
            auto isAscii = [&](__m128i cell) { return _mm_cmpeq_epi8(_mm_and_si128(cell, clearAscii), asciiCell); };
            // Eight cells per test while they last from the start of the
            // run (plain text; where ASCII resumes amid other characters a
            // failed test of eight costs more than it saves), then four:
            // each cell's difference from the run's words (xor) is or'ed
            // into one, which must have nothing beyond the low seven bits;
            // their code points are their first bytes, gathered by rounds of
            // interleaving.
            auto differs = [&](__m128i a, __m128i b) {
                return _mm_or_si128(_mm_xor_si128(a, asciiCell), _mm_xor_si128(b, asciiCell));
            };
            const bool fromRunStart = i == begin;
            while (fromRunStart && i + 8 <= count) {
                const auto* at = reinterpret_cast<const __m128i*>(cells + i);
                const __m128i c0 = _mm_loadu_si128(at), c1 = _mm_loadu_si128(at + 1);
                const __m128i c2 = _mm_loadu_si128(at + 2), c3 = _mm_loadu_si128(at + 3);
                const __m128i c4 = _mm_loadu_si128(at + 4), c5 = _mm_loadu_si128(at + 5);
                const __m128i c6 = _mm_loadu_si128(at + 6), c7 = _mm_loadu_si128(at + 7);
                const __m128i any = _mm_or_si128(_mm_or_si128(differs(c0, c1), differs(c2, c3)),
                                                 _mm_or_si128(differs(c4, c5), differs(c6, c7)));
                if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(any, clearAscii), _mm_setzero_si128())) != 0xFFFF)
                    break;
                const __m128i bytes = _mm_unpacklo_epi32(
                    _mm_unpacklo_epi16(_mm_unpacklo_epi8(c0, c1), _mm_unpacklo_epi8(c2, c3)),
                    _mm_unpacklo_epi16(_mm_unpacklo_epi8(c4, c5), _mm_unpacklo_epi8(c6, c7)));
                _mm_storel_epi64(reinterpret_cast<__m128i*>(out), bytes);
                out += 8;
                i += 8;
            }
            while (i + 4 <= count) {
                const auto* at = reinterpret_cast<const __m128i*>(cells + i);
                const __m128i c0 = _mm_loadu_si128(at), c1 = _mm_loadu_si128(at + 1);
                const __m128i c2 = _mm_loadu_si128(at + 2), c3 = _mm_loadu_si128(at + 3);
                const __m128i all = _mm_and_si128(_mm_and_si128(isAscii(c0), isAscii(c1)),
                                                  _mm_and_si128(isAscii(c2), isAscii(c3)));
                if (_mm_movemask_epi8(all) != 0xFFFF) break;
                const __m128i bytes = _mm_unpacklo_epi16(_mm_unpacklo_epi8(c0, c1), _mm_unpacklo_epi8(c2, c3));
                const auto four = std::uint32_t(_mm_cvtsi128_si32(bytes));
                std::memcpy(out, &four, 4);
                out += 4;
                i += 4;
            }
            while (i < count) {
                const __m128i cell = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cells + i));
                if (_mm_movemask_epi8(isAscii(cell)) != 0xFFFF) break;
                *out++ = std::uint8_t(cells[i].low());
                ++i;
            }
            if (i >= count || !inRun(i)) break;
#endif
            // The other cells of the run one at a time, until two one-byte
            // code points follow each other (CJK text would fail the test
            // above on every character, and text that mixes scripts on
            // every space), within the run's end, found once: testing the
            // rendition of every cell as well cost as much again.
            if (end < 0) end = runEnd(cells, i, count);
            std::uint32_t low;
            do {
                low = std::uint32_t(cells[i].low()) & kLowMask;
                ++i;
                if (low < 0x80) {  // one-byte code points the test above did not take
                    *out++ = std::uint8_t(low);
                } else if (low & Cell::kContinuationBit) {
                    *out++ = kRightHalf;
                    putCodePoint(out, low & Cell::kCodePointMask);
                } else {
                    putCodePoint(out, low);
                    if (i < end && widthOf(low) == 2) {
                        if ((std::uint32_t(cells[i].low()) & kLowMask) == Cell::kContinuationBit)
                            ++i;  // the usual right half: implied
                        else
                            *out++ = kNoRightHalf;
                    }
                }
            } while (i < end && !(low < 0x80 && (std::uint32_t(cells[i].low()) & kLowMask) < 0x80));
        } while (i < end);
        putPaddedVarint(countAt, std::uint32_t(i - begin), countWidth);
#if defined(__SSE2__) || defined(_M_X64)
        // After the first run, once: the rest in other renditions may be
        // plain text.
        if (begin == 0 && i < count) {
            const std::size_t size = packAsciiRuns(cells + i, count - i, out);
            if (size > 0) return std::size_t(out + size - start);
        }
#endif
    }
    return std::size_t(out - start);
}

void unpack(const std::uint8_t* packed, Cell* out, int count) {
    const std::uint8_t* p = packed;
    const CellWidths widthOf;
    for (int i = 0; i < count;) {
        const int end = i + int(getVarint(p));
        const std::uint8_t mask = *p++;
        CellAttributes attributes;
        if (mask & HasFg) attributes.fg = ColorValue(getVarint(p));
        if (mask & HasBg) attributes.bg = ColorValue(getVarint(p));
        if (mask & HasFlags) attributes.flags = getVarint(p);
        const std::uint64_t low = Cell::lowWord(attributes.fg, false);
        const std::uint64_t high = Cell::highWord(attributes);
        while (i < end) {
            const std::uint8_t byte = *p;
            if (byte < 0x80) {
                out[i++] = Cell::fromWords(low | byte, high);
                ++p;
                continue;
            }
            if (byte == kRightHalf) {
                ++p;
                out[i++] = Cell::fromWords(low | Cell::kContinuationBit | getCodePoint(p), high);
                continue;
            }
            const std::uint32_t cp = getCodePoint(p);
            out[i++] = Cell::fromWords(low | cp, high);
            if (i < end && widthOf(cp) == 2) {
                if (*p == kNoRightHalf)
                    ++p;
                else
                    out[i++] = Cell::fromWords(low | Cell::kContinuationBit, high);
            }
        }
    }
}

std::size_t text(const std::uint8_t* packed, int count, char* const start) {
    const std::uint8_t* p = packed;
    char* out = start;
    const CellWidths widthOf;
    for (int i = 0; i < count;) {
        const int end = i + int(getVarint(p));
        const std::uint8_t mask = *p++;
        if (mask & HasFg) getVarint(p);
        if (mask & HasBg) getVarint(p);
        if (mask & HasFlags) getVarint(p);
        while (i < end) {
            const std::uint8_t byte = *p;
            if (byte < 0x80) {
                *out++ = byte == 0 ? ' ' : char(byte);
                ++p;
                ++i;
                continue;
            }
            if (byte == kRightHalf) {  // a right half: no text
                ++p;
                getCodePoint(p);
                ++i;
                continue;
            }
            const std::uint8_t* const first = p;
            const std::uint32_t cp = getCodePoint(p);
            out = std::copy(first, p, out);
            ++i;
            if (i < end && widthOf(cp) == 2) {
                if (*p == kNoRightHalf)
                    ++p;
                else
                    ++i;
            }
        }
    }
    return std::size_t(out - start);
}

std::size_t packedSize(const std::uint8_t* packed, int count) {
    if (!packed) return 0;
    // Walks the tokens as unpack() does, without writing cells.
    const std::uint8_t* p = packed;
    const CellWidths widthOf;
    for (int i = 0; i < count;) {
        const int end = i + int(getVarint(p));
        const std::uint8_t mask = *p++;
        if (mask & HasFg) getVarint(p);
        if (mask & HasBg) getVarint(p);
        if (mask & HasFlags) getVarint(p);
        while (i < end) {
            if (*p == kRightHalf) {
                ++p;
                getCodePoint(p);
                ++i;
                continue;
            }
            const std::uint32_t cp = getCodePoint(p);
            ++i;
            if (i < end && widthOf(cp) == 2) {
                if (*p == kNoRightHalf)
                    ++p;
                else
                    ++i;
            }
        }
    }
    return std::size_t(p - packed);
}

}  // namespace vesper::packed_cells
