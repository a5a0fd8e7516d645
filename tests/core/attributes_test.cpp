// Graphic rendition: the SGR table, extended colours in both separator
// forms, and the attributes that printing and blanking write into cells.
#include <gtest/gtest.h>

#include "terminal_harness.h"

namespace vesper::test {
namespace {

// `more`: "d" dim, "h" hidden, "u" double underline, "o" overline.
CellAttributes attrs(ColorValue fg, ColorValue bg, bool bold = false, bool italic = false, bool underline = false,
                     bool reverse = false, bool strike = false, std::string_view more = "") {
    CellAttributes a;
    a.fg = fg;
    a.bg = bg;
    a.set(CellAttributes::Bold, bold);
    a.set(CellAttributes::Italic, italic);
    a.set(CellAttributes::Underline, underline);
    a.set(CellAttributes::Reverse, reverse);
    a.set(CellAttributes::Strikethrough, strike);
    a.set(CellAttributes::Dim, more.find('d') != more.npos);
    a.set(CellAttributes::Hidden, more.find('h') != more.npos);
    a.set(CellAttributes::DoubleUnderline, more.find('u') != more.npos);
    a.set(CellAttributes::Overline, more.find('o') != more.npos);
    return a;
}

struct SgrCase {
    const char* name;
    std::string bytes;
    CellAttributes expected;
    CellDecoration decoration = {};  // compared when the underline shape or colour is not the default
};

CellDecoration deco(UnderlineStyle style, ColorValue color = kDefaultColor) { return {style, color}; }
constexpr UnderlineStyle kCurly = UnderlineStyle::Curly;

void PrintTo(const SgrCase& c, std::ostream* os) { *os << c.name; }

const SgrCase kSgrCases[] = {
    {"EmptyResets", CSI "1;4;31m" CSI "m", attrs(-1, -1)},
    {"ZeroResets", CSI "1;4;31m" CSI "0m", attrs(-1, -1)},
    {"BoldAndPaletteForeground", CSI "1;31m", attrs(1, -1, true)},
    {"BrightForegroundAndBackground", CSI "97;100m", attrs(15, 8)},
    {"AllFlags", CSI "1;3;4;7;9m", attrs(-1, -1, true, true, true, true, true)},
    {"FlagsCleared", CSI "1;3;4;7;9m" CSI "22;23;24;27;29m", attrs(-1, -1)},
    {"DefaultColours", CSI "31;41m" CSI "39;49m", attrs(-1, -1)},
    {"Background", CSI "42m", attrs(-1, 2)},
    {"Palette256", CSI "38;5;196m", attrs(196, -1)},
    {"Palette256OutOfRangeIgnored", CSI "42m" CSI "48;5;300m", attrs(-1, 2)},
    {"DirectBackground", CSI "48;2;255;128;0m", attrs(-1, 0x1FF8000)},
    {"DirectComponentsModulo256", CSI "38;2;300;0;0m", attrs(0x12C0000, -1)},
    {"UnknownColourKindWalksOn", CSI "38;3;1m", attrs(-1, -1, true, true)},
    {"IncompletePaletteChangesNothing", CSI "38;5m", attrs(-1, -1)},
    {"IncompleteDirectChangesNothing", CSI "38;2;1;2m", attrs(-1, -1)},
    {"DirectSkipsFourThenContinues", CSI "38;2;1;2;3;4m", attrs(0x1010203, -1, false, false, true)},
    {"ColonFormWithEmptyColourSpace", CSI "38:2::255:128:0m", attrs(0x1FF8000, -1)},
    {"ColonFormWithColourSpace", CSI "38:2:0:255:128:0m", attrs(0x1FF8000, -1)},
    {"ColonFormWithoutColourSpace", CSI "38:2:255:128:0m", attrs(0x1FF8000, -1)},
    {"ColonPaletteForm", CSI "48:5:17m", attrs(-1, 17)},
    {"ColonDoesNotLeakIntoNextSequence", CSI "38:2::1:2:3m" CSI "38;2;10;20;30;1m", attrs(0x10A141E, -1, true)},
    {"IgnoredValues", CSI "5;6;25;26;50;54m", attrs(-1, -1)},
    {"DimHiddenDoubleUnderlineOverline", CSI "2;8;21;53m", attrs(-1, -1, false, false, false, false, false, "dhuo")},
    {"TwentyTwoClearsBoldAndDim", CSI "1;2;8m" CSI "22m", attrs(-1, -1, false, false, false, false, false, "h")},
    {"TwentyFourClearsBothUnderlines", CSI "4;21;53m" CSI "24m", attrs(-1, -1, false, false, false, false, false, "o")},
    {"TwentyEightAndFiftyFiveClear", CSI "2;8;53m" CSI "28;55m", attrs(-1, -1, false, false, false, false, false, "d")},
    {"ZeroClearsTheNewFlags", CSI "2;8;21;53m" CSI "0m", attrs(-1, -1)},
    {"NegativeValueIgnored", CSI "4294967295;1m", attrs(-1, -1, true)},
    // Sub-parameters: a colon joins a code and its sub-parameters into one group.
    {"CurlyUnderlineIsNotItalic", CSI "4:3m", attrs(-1, -1, false, false, true), deco(kCurly)},
    {"UnderlineShapes", CSI "4:4m", attrs(-1, -1, false, false, true), deco(UnderlineStyle::Dotted)},
    {"DashedUnderline", CSI "4:5m", attrs(-1, -1, false, false, true), deco(UnderlineStyle::Dashed)},
    {"DoubleUnderlineByGroupIsNotDim", CSI "4:2m", attrs(-1, -1, false, false, false, false, false, "u")},
    {"SingleUnderlineByGroupIsNotBold", CSI "4:1m", attrs(-1, -1, false, false, true)},
    {"NoUnderlineByGroupKeepsTheRest", CSI "1;31;4:3m" CSI "4:0m", attrs(1, -1, true)},
    {"PlainFourAfterCurlyIsSingle", CSI "4:3m" CSI "4m", attrs(-1, -1, false, false, true)},
    {"TwentyFourEndsCurly", CSI "4:3m" CSI "24m", attrs(-1, -1)},
    {"DoubleThenSingleIsSingle", CSI "21;4m", attrs(-1, -1, false, false, true)},
    {"SingleThenDoubleIsDouble", CSI "4;21m", attrs(-1, -1, false, false, false, false, false, "u")},
    {"UnderlineColourKeepsBoldAndColour", CSI "1;31m" CSI "58:2::255:0:0m", attrs(1, -1, true),
     deco(UnderlineStyle::None, 0x1FF0000)},
    {"UnderlineColourWithoutColourSpace", CSI "58:2:1:2:3m", attrs(-1, -1), deco(UnderlineStyle::None, 0x1010203)},
    {"UnderlineColourPalette", CSI "4:3;58:5:9m", attrs(-1, -1, false, false, true), deco(kCurly, 9)},
    {"UnderlineColourSemicolonForms", CSI "58;5;200;4m" CSI "58;2;1;2;3;3m", attrs(-1, -1, false, true, true),
     deco(UnderlineStyle::Single, 0x1010203)},
    {"FiftyNineResetsUnderlineColour", CSI "4:3;58:5:9m" CSI "59m", attrs(-1, -1, false, false, true), deco(kCurly)},
    {"ZeroResetsShapeAndColour", CSI "4:3;58:5:9m" CSI "0m", attrs(-1, -1)},
    {"ColonColourThenSemicolonCode", CSI "38:2:255:0:255;4m", attrs(0x1FF00FF, -1, false, false, true)},
    {"ColonColourWithToleranceFieldsTakesItsRgb", CSI "38:2:0:1:2:3:9:9;1m", attrs(0x1010203, -1, true)},
    {"UnknownCodeWithSubParametersIgnoredWhole", CSI "1:2;3m" CSI "7:1:1m", attrs(-1, -1, false, true)},
    {"UnknownUnderlineShapeIgnored", CSI "4:9m", attrs(-1, -1)},
    {"TrailingColonIsAnEmptySubParameter", CSI "4m" CSI "4:m", attrs(-1, -1)},
    {"CutColonColoursChangeNothing", CSI "38:5m" CSI "48:2:1:2m" CSI "58:2m" CSI "38:9:1m", attrs(-1, -1)},
    {"GroupsOnEitherSideOfPlainCodes", CSI "4:3;1;38:5:2;9m", attrs(2, -1, true, false, true, false, true), deco(kCurly)},
    {"SgrDoesNotMoveCursorOrPrint", CSI "1m", attrs(-1, -1, true)},
};

class SgrTest : public ::testing::TestWithParam<SgrCase> {};

TEST_P(SgrTest, SetsAttributes) {
    Terminal t(10, 2);
    t.feed(GetParam().bytes);
    EXPECT_EQ(t.screen.attributes(), GetParam().expected);
    const CellDecoration& d = t.screen.decoration();
    if (d.needsStoring() || GetParam().decoration.needsStoring()) {
        EXPECT_EQ(int(d.underline), int(GetParam().decoration.underline));
        EXPECT_EQ(d.underlineColor, GetParam().decoration.underlineColor);
    }
    EXPECT_EQ(t.screen.cursorColumn(), 0);
    EXPECT_EQ(t.rows(), (std::vector<std::string>{"", ""}));
}

INSTANTIATE_TEST_SUITE_P(Sgr, SgrTest, ::testing::ValuesIn(kSgrCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CellAttributesTest, PrintedCellsCarryTheRenditionOfTheirTime) {
    Terminal t(10, 2);
    t.feed("a" CSI "1;31mb" CSI "0m" "\xe4\xb8\xad");
    EXPECT_EQ(t.cell(0, 0), Cell('a', CellAttributes()));
    EXPECT_EQ(t.cell(0, 1), Cell('b', attrs(1, -1, true)));
    EXPECT_EQ(t.cell(0, 2), Cell(0x4E2D, CellAttributes()));
    EXPECT_EQ(t.cell(0, 3), Cell(0, CellAttributes(), true));
}

TEST(CellAttributesTest, BlankingWritesTheCurrentColoursOnly) {
    // Every blanking operation fills with the current colours and nothing
    // else of the rendition: no reverse bar, underline or bold blanks.
    const char* operations[] = {CSI "2J", CSI "K", CSI "3X", CSI "2@", CSI "2P", CSI "L", CSI "M", CSI "S", CSI "T"};
    for (const char* op : operations) {
        Terminal t(6, 3);
        t.feed(CSI "4:3;58:5:1m" "abcdef\r\nghijkl\r\nmnopqr" CSI "2;1H" CSI "33;44;7;1;2;3;8;9;53;4:3;58:5:2m");
        t.feed(op);
        bool found = false;
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 6; ++col)
                if (t.cell(row, col).codePoint() == ' ') {
                    EXPECT_EQ(t.cell(row, col).attributes(), attrs(3, 4)) << op;
                    EXPECT_FALSE(t.screen.viewDecorationAt(col, row).needsStoring()) << op;
                    found = true;
                }
        EXPECT_TRUE(found) << op << " blanked nothing";
    }
}

TEST(CellAttributesTest, UnderlineShapeAndColourStayWithTheirCells) {
    Terminal t(6, 3);
    t.feed("a" CSI "4:3;58:2::1:2:3mb" CSI "4:4;59mc" CSI "0md");
    auto shape = [&](int row, int col) { return int(t.screen.viewDecorationAt(col, row).underline); };
    EXPECT_EQ(shape(0, 0), 0);
    EXPECT_EQ(shape(0, 1), 3);
    EXPECT_EQ(t.screen.viewDecorationAt(1, 0).underlineColor, 0x1010203);
    EXPECT_EQ(shape(0, 2), 4);
    EXPECT_EQ(t.screen.viewDecorationAt(2, 0).underlineColor, kDefaultColor);
    EXPECT_EQ(shape(0, 3), 0);
    t.feed(CSI "1G" CSI "2@");  // insertion moves them along
    EXPECT_EQ(shape(0, 3), 3);
    EXPECT_EQ(shape(0, 4), 4);
    t.screen.resize(3, 3);  // reflow carries them to the next row
    EXPECT_EQ(t.rows()[1], "bcd");
    EXPECT_EQ(shape(1, 0), 3);
    EXPECT_EQ(t.screen.viewDecorationAt(0, 1).underlineColor, 0x1010203);
    EXPECT_EQ(shape(1, 1), 4);
    t.feed(CSI "3;1H\n");  // scrolling moves the line whole
    EXPECT_EQ(shape(0, 0), 3);
    t.feed(CSI "1;2H" CSI "K");  // erasing drops them
    EXPECT_EQ(shape(0, 0), 3);
    EXPECT_EQ(shape(0, 1), 0);
    t.feed(ESC "c");
    EXPECT_EQ(shape(0, 0), 0);
}

TEST(CellAttributesTest, ScrolledInLineAndResizedCellsUseTheFill) {
    Terminal t(3, 2);
    t.feed(CSI "41m\n\n");
    EXPECT_EQ(t.cell(1, 0).attributes().bg, 1);
    t.screen.resize(5, 3);
    EXPECT_EQ(t.cell(0, 4).attributes().bg, 1);
    EXPECT_EQ(t.cell(2, 0).attributes().bg, 1);
}

TEST(CellAttributesTest, FullResetBlanksWithDefaultAttributes) {
    Terminal t(3, 2);
    t.feed(CSI "41mab" ESC "c");
    EXPECT_EQ(t.cell(0, 0), Cell());
    EXPECT_EQ(t.screen.attributes(), CellAttributes());
}

TEST(CellAttributesTest, AlternateScreenStartsWithDefaultBlanks) {
    Terminal t(3, 2);
    t.feed(CSI "41m" CSI "?47h");
    EXPECT_EQ(t.cell(0, 0), Cell());
    t.feed(CSI "?47l" CSI "?1049h");  // 1049 erases with the current rendition
    EXPECT_EQ(t.cell(0, 0).attributes().bg, 1);
}

}  // namespace
}  // namespace vesper::test
