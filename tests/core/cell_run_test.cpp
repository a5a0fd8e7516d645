// Cell and CellRun: every field of a cell reads back as it was built and
// tells cells apart on its own, and the words a run stores are exactly the
// Cell that print() would have written, for every attribute bit and
// code-point range.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <vector>

#include "core/cell_run.h"

namespace vesper {
namespace {

CellAttributes withFlags(ColorValue fg, ColorValue bg, unsigned flags) {
    CellAttributes a;
    a.fg = fg;
    a.bg = bg;
    a.flags = flags;
    return a;
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

TEST(Cell, EachFieldReadsBackAndTellsCellsApartAlone) {
    // Each field differs alone (every flag bit, both colours, the code
    // point's top bit, the continuation flag): no two fields share a bit.
    const CellAttributes attrs = withFlags(5, kDirectColorFlag | 0x10203, 0b100100100);
    const Cell base(0x41, attrs);
    EXPECT_EQ(base.codePoint(), 0x41u);
    EXPECT_FALSE(base.wideContinuation());
    EXPECT_EQ(base.attributes(), attrs);
    std::vector<Cell> others;
    for (unsigned bit = 0; bit < 9; ++bit)
        others.emplace_back(0x41, withFlags(5, kDirectColorFlag | 0x10203, 0b100100100 ^ (1u << bit)));
    others.emplace_back(0x41, withFlags(-1, kDirectColorFlag | 0x10203, 0b100100100));
    others.emplace_back(0x41, withFlags(5, 0x10203, 0b100100100));
    others.emplace_back(0x41 | 0x100000, attrs);
    others.emplace_back(0x41, attrs, true);
    for (const Cell& other : others) {
        EXPECT_FALSE(base == other) << "cp " << other.codePoint();
        EXPECT_EQ(other.sameAttributes(base), other.attributes() == attrs) << "cp " << other.codePoint();
    }
    EXPECT_EQ(others.back().attributes(), attrs);
    EXPECT_TRUE(others.back().wideContinuation());
    EXPECT_EQ(others[others.size() - 2].codePoint(), 0x100041u);
    EXPECT_EQ(Cell(), Cell(kSpace, CellAttributes()));
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
