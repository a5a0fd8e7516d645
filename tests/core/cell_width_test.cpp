// cellWidth: the packed table of the Basic Multilingual Plane must give
// utf8proc's answer for every code point, and the controls stay zero-width.
#include <gtest/gtest.h>

#include <utf8proc.h>

#include "core/cell.h"

namespace vesper {
namespace {

int expectedWidth(std::uint32_t cp) {
    if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F)) return 0;
    if (cp > 0x10FFFF) return 1;
    const int width = utf8proc_charwidth(utf8proc_int32_t(cp));
    return width < 0 ? 1 : width;
}

TEST(CellWidth, EveryCodePointMatchesUtf8proc) {
    int mismatches = 0;
    for (std::uint32_t cp = 0; cp <= 0x110000 && mismatches < 10; ++cp) {
        if (cellWidth(cp) != expectedWidth(cp)) {
            ++mismatches;
            ADD_FAILURE() << "U+" << std::hex << cp << ": " << cellWidth(cp) << " instead of " << expectedWidth(cp);
        }
    }
}

// The run lookup reads the table for the whole plane, controls included.
TEST(CellWidth, RunLookupAgreesEverywhere) {
    const CellWidths widthOf;
    int mismatches = 0;
    for (std::uint32_t cp = 0; cp <= 0x110000 && mismatches < 10; ++cp) {
        if (widthOf(cp) != cellWidth(cp)) {
            ++mismatches;
            ADD_FAILURE() << "U+" << std::hex << cp << ": " << widthOf(cp) << " instead of " << cellWidth(cp);
        }
    }
}

TEST(CellWidth, KnownWidths) {
    const struct {
        std::uint32_t cp;
        int width;
    } cases[] = {
        {0x41, 1},    {0x7F, 0},    {0x85, 0},     {0xA0, 1},     {0x0301, 0},  // combining acute
        {0x4E2D, 2},  {0xAC00, 2},  {0xFF21, 2},   {0xFFFD, 1},   {0x1F600, 2},
        {0x20000, 2}, {0xE0001, 0}, {0x110000, 1}, {0xFFFFFFFF, 1},
    };
    for (const auto& c : cases) EXPECT_EQ(cellWidth(c.cp), c.width) << std::hex << "U+" << c.cp;
}

}  // namespace
}  // namespace vesper
