// Palette: defaults, colour cube, grey ramp, direct colours, bold brightening
// and the fallback for every value outside the defined ranges.
#include "lumenvale/palette.h"

#include <gtest/gtest.h>

namespace {

using vesper::Palette;

const QColor kFallback(1, 2, 3, 4);

struct ColorCase {
    int index;
    bool bold;
    QColor expected;
};

TEST(Palette, ResolvesColorValues)
{
    const ColorCase cases[] = {
        {-1, false, kFallback},
        {-2, false, kFallback},
        {-100, true, kFallback},
        {0, false, QColor(0, 0, 0)},
        {1, false, QColor(0xcd, 0, 0)},
        {1, true, QColor(0xff, 0, 0)},
        {9, true, QColor(0xff, 0, 0)},
        {7, true, QColor(0xff, 0xff, 0xff)},
        {12, false, QColor(0x5c, 0x5c, 0xff)},
        {16, false, QColor(0, 0, 0)},
        {17, false, QColor(0, 0, 95)},
        {21, false, QColor(0, 0, 255)},
        {22, false, QColor(0, 95, 0)},
        {196, true, QColor(255, 0, 0)},
        {231, false, QColor(255, 255, 255)},
        {232, false, QColor(8, 8, 8)},
        {244, true, QColor(128, 128, 128)},
        {255, false, QColor(238, 238, 238)},
        {256, false, kFallback},
        {0xFFFFFF, false, kFallback},
        {0x1000000, false, QColor(0, 0, 0)},
        {0x1FF8000, true, QColor(255, 128, 0)},
        {0x7FFFFFFF, false, QColor(255, 255, 255)},
    };
    const Palette p;
    for (const ColorCase &c : cases) {
        const QColor got = p.color(c.index, kFallback, c.bold);
        EXPECT_EQ(got, c.expected) << "index " << c.index << " bold " << c.bold << " got "
                                   << got.name(QColor::HexArgb).toStdString();
    }
}

TEST(Palette, DefaultsAreOpaque)
{
    const Palette p;
    EXPECT_EQ(p.foreground(), QColor(0xd0, 0xd0, 0xd0));
    EXPECT_EQ(p.background(), QColor(0x10, 0x10, 0x10));
    EXPECT_EQ(p.cursor(), QColor(0xd0, 0xd0, 0xd0));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(p.color(i, kFallback).alpha(), 255) << i;
}

TEST(Palette, SetAnsiIgnoresBadIndexesAndKeepsAlpha)
{
    Palette p;
    const Palette original;
    const QColor c(10, 20, 30, 40);
    p.set_ansi(16, c);
    p.set_ansi(-1, c);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(p.color(i, kFallback), original.color(i, kFallback)) << i;
    p.set_ansi(15, c);
    EXPECT_EQ(p.color(7, kFallback, true), c);
    EXPECT_EQ(p.color(7, kFallback, false), original.color(7, kFallback));
}

TEST(Palette, CopiesAreIndependent)
{
    Palette a;
    a.set_background(QColor(1, 1, 1));
    Palette b = a;
    b.set_background(QColor(2, 2, 2));
    b.set_ansi(3, QColor(9, 9, 9));
    EXPECT_EQ(a.background(), QColor(1, 1, 1));
    EXPECT_EQ(b.background(), QColor(2, 2, 2));
    EXPECT_NE(a.color(3, kFallback), QColor(9, 9, 9));
}

} // namespace
