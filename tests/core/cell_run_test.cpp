// CellRun: the words it stores must read back as exactly the Cell that
// print() would have written, for every attribute bit and code-point range.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <vector>

#include "core/cell_run.h"

namespace vesper {
namespace {

CellAttributes withFlags(ColorValue fg, ColorValue bg, unsigned flags) {
    CellAttributes a;
    a.fg = fg;
    a.bg = bg;
    a.bold = flags & 1;
    a.italic = flags & 2;
    a.underline = flags & 4;
    a.reverse = flags & 8;
    a.strikethrough = flags & 16;
    a.dim = flags & 32;
    a.hidden = flags & 64;
    a.doubleUnderline = flags & 128;
    a.overline = flags & 256;
    return a;
}

TEST(CellRun, WordsAreUsableOnThisBuild) {
    // Otherwise every run falls back to whole-Cell stores and the fast path
    // goes untested.
    EXPECT_TRUE(CellRun::wordsUsable());
}

TEST(CellRun, StoredCellsEqualConstructedCells) {
    const std::array<std::uint32_t, 6> codePoints{0x20, 0x7E, 0xE9, 0x4E2D, 0x1F600, 0x10FFFF};
    const std::array<ColorValue, 4> colours{kDefaultColor, 0, 255, kDirectColorFlag | 0xFFFFFF};
    for (unsigned flags = 0; flags < 512; flags += flags < 32 ? 1 : 31) {
        for (ColorValue fg : colours) {
            const CellAttributes attrs = withFlags(fg, colours[flags % colours.size()], flags);
            for (bool continuation : {false, true}) {
                const CellRun run(attrs, continuation);
                for (std::uint32_t cp : codePoints) {
                    // A dirty destination: nothing of the old cell may survive.
                    Cell out(0x1FFFFF, withFlags(-7, -9, 511), !continuation);
                    run.put(&out, cp);
                    EXPECT_EQ(out, Cell(cp, attrs, continuation))
                        << "cp " << cp << " flags " << flags << " fg " << fg << " continuation " << continuation;
                }
                // The right half of a wide character, whatever the run was built for.
                Cell half(0x1FFFFF, withFlags(-7, -9, 511));
                run.putContinuation(&half);
                EXPECT_EQ(half, Cell(0, attrs, true)) << "flags " << flags << " fg " << fg;
            }
        }
    }
}

TEST(CellRun, SameTellsApartExactlyTheCellsThatDiffer) {
    // Each field differs alone (every flag bit, both colours, the code
    // point's top bit, the continuation flag), and cells equal field by field
    // compare equal even when their padding bits differ.
    const Cell base(0x41, withFlags(5, kDirectColorFlag | 0x10203, 0b100100100));
    std::vector<Cell> others;
    for (unsigned bit = 0; bit < 9; ++bit)
        others.emplace_back(0x41, withFlags(5, kDirectColorFlag | 0x10203, 0b100100100 ^ (1u << bit)));
    others.emplace_back(0x41, withFlags(-1, kDirectColorFlag | 0x10203, 0b100100100));
    others.emplace_back(0x41, withFlags(5, 0x10203, 0b100100100));
    others.emplace_back(0x41 | 0x100000, base.attributes);
    others.emplace_back(0x41, base.attributes, true);
    for (const Cell& other : others) {
        EXPECT_FALSE(CellRun::same(base, other)) << "cp " << other.codePoint;
        EXPECT_FALSE(CellRun::same(other, base)) << "cp " << other.codePoint;
    }
    Cell padded;
    std::memset(static_cast<void*>(&padded), 0xFF, sizeof padded);
    padded.codePoint = base.codePoint;
    padded.wideContinuation = false;
    // Field by field: a whole copy would bring the padding along.
    CellAttributes& a = padded.attributes;
    const CellAttributes& b = base.attributes;
    a.fg = b.fg;
    a.bg = b.bg;
    a.bold = b.bold;
    a.italic = b.italic;
    a.underline = b.underline;
    a.reverse = b.reverse;
    a.strikethrough = b.strikethrough;
    a.dim = b.dim;
    a.hidden = b.hidden;
    a.doubleUnderline = b.doubleUnderline;
    a.overline = b.overline;
    ASSERT_EQ(padded, base);
    EXPECT_TRUE(CellRun::same(base, padded));
    EXPECT_TRUE(CellRun::same(base, base));
}

TEST(CellRun, StoredBytesEqualConstructedCellsAndStopAtTheCount) {
    const CellAttributes attrs = withFlags(kDirectColorFlag | 0x123456, 17, 0b10101);
    const std::uint8_t bytes[] = "Hello, world! ~";
    constexpr std::int64_t count = sizeof bytes - 1;
    const Cell sentinel(0x2603, withFlags(3, 4, 2));
    Cell out[count + 1];
    std::fill(std::begin(out), std::end(out), sentinel);
    CellRun(attrs).storeBytes(out, bytes, count);
    for (std::int64_t i = 0; i < count; ++i) EXPECT_EQ(out[i], Cell(bytes[i], attrs)) << "cell " << i;
    EXPECT_EQ(out[count], sentinel);  // nothing written past the run
}

}  // namespace
}  // namespace vesper
