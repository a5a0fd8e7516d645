// Soft wraps, shrinking around the cursor row and hyperlinks: what the
// screen records beside the cells.
#include <gtest/gtest.h>

#include "terminal_harness.h"

namespace vesper::test {
namespace {

#define OSC8(uri) ESC "]8;;" uri "\x07"

std::vector<int> wrappedLines(const Screen& s) {
    std::vector<int> lines;
    for (int line = s.firstLine(); line < s.endLine(); ++line)
        if (s.isLineWrapped(line)) lines.push_back(line);
    return lines;
}

struct WrapCase {
    const char* name;
    std::string bytes;
    std::vector<int> wrapped;
};

void PrintTo(const WrapCase& c, std::ostream* os) { *os << c.name; }

const WrapCase kWrapCases[] = {
    {"PrintingPastTheLastColumn", "abcd", {0}},
    {"FullRowWithoutWrapYet", "abc", {}},
    {"HardLineEnd", "abc\r\nd", {}},
    {"TwoWraps", "abcdefg", {0, 1}},
    {"WideCharacterThatDoesNotFit", "ab" "\xe4\xb8\xad", {0}},
    {"DecodedTextRunWrapsTwice", "\xc3\xa9" "bcd\xe4\xb8\xad" "ef", {0, 1}},
    {"AutoWrapOff", CSI "?7labcd", {}},
    {"EraseToEndClears", "abcd" CSI "1;3H" CSI "K", {}},
    {"EraseNotReachingTheEndKeeps", "abcd" CSI "1;2H" CSI "1K", {0}},
    {"EraseCharactersReachingTheEndClears", "abcd" CSI "1;3H" CSI "X", {}},
    {"EraseLineClears", "abcd" CSI "1;1H" CSI "2K", {}},
    {"EraseDisplayClears", "abcd" CSI "2J", {}},
    {"InsertedLinePushesTheWrappedLineDown", "abcd" CSI "1;1H" CSI "L", {1}},
    {"DeletedLineTakesTheFlag", "abcd" CSI "1;1H" CSI "M", {}},
    {"ScrollsIntoTheScrollback", "abcd\r\n\r\n\r\n", {0}},
    {"FullResetClears", "abcd" ESC "c", {}},
};

class WrapTest : public ::testing::TestWithParam<WrapCase> {};

TEST_P(WrapTest, RecordsSoftWraps) {
    Terminal t(3, 3, 10);
    t.feed(GetParam().bytes);
    EXPECT_EQ(wrappedLines(t.screen), GetParam().wrapped);
}

INSTANTIATE_TEST_SUITE_P(Wraps, WrapTest, ::testing::ValuesIn(kWrapCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A full scrollback hands its oldest line back as the new bottom row, blanked
// at once when it held only a few cells before a tail of the fill, lazily
// otherwise.  Either way the screen must read as on a store that never
// recycles a line (one with room for every line fed).
struct RecycleCase {
    const char* name;
    int columns;
    std::string lines;  // fed four times, then once more
};

void PrintTo(const RecycleCase& c, std::ostream* os) { *os << c.name; }

const RecycleCase kRecycleCases[] = {
    {"ShortLines", 8, "ab\r\n"},
    {"ShortLineWithALink", 8, OSC8("http://a") "ab" OSC8("") "\r\n"},
    {"ShortLineWithAMark", 8, "e\xcc\x81\r\n"},
    {"SoftWrappedLines", 4, "abcdef\r\n"},
    {"ColouredEraseLeavesAnotherTail", 8, CSI "41m" CSI "K" "x" CSI "m\r\n"},
    {"ColouredFillOfTheNewRow", 8, "ab" CSI "44m\r\n" CSI "m"},
    {"LinesBeyondTheEagerLength", 40, "0123456789012345678901234\r\n"},
    {"WideAndEmptyLines", 8, "\xe4\xb8\xad\r\n\r\n"},
};

class RecycleTest : public ::testing::TestWithParam<RecycleCase> {};

TEST_P(RecycleTest, RecycledRowsReadAsNewOnes) {
    const RecycleCase& c = GetParam();
    Terminal recycling(c.columns, 3, 2), fresh(c.columns, 3, 1000);
    for (Terminal* t : {&recycling, &fresh}) {
        for (int i = 0; i < 4; ++i) t->feed(c.lines);
        t->feed(c.lines + "z");
    }
    ASSERT_GT(recycling.screen.scrollbackLineCount(), 0);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < c.columns; ++column) {
            EXPECT_EQ(recycling.cell(row, column), fresh.cell(row, column)) << "row " << row << " column " << column;
            EXPECT_EQ(recycling.screen.viewMarksAt(column, row), fresh.screen.viewMarksAt(column, row));
            EXPECT_EQ(recycling.screen.viewLinkAt(column, row), fresh.screen.viewLinkAt(column, row));
        }
        EXPECT_EQ(recycling.screen.isLineWrapped(recycling.screen.screenTopLine() + row),
                  fresh.screen.isLineWrapped(fresh.screen.screenTopLine() + row))
            << "row " << row;
    }
}

INSTANTIATE_TEST_SUITE_P(Recycling, RecycleTest, ::testing::ValuesIn(kRecycleCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ShrinkTest, BlankRowsBelowTheCursorGoFirst) {
    Terminal t(5, 30, 100);
    t.feed("one\r\n$ ");
    t.screen.resize(5, 10);
    EXPECT_EQ(t.screen.scrollbackLineCount(), 0);
    EXPECT_EQ(t.screen.cursorRow(), 1);
    EXPECT_EQ(t.rows()[0], "one");
    EXPECT_EQ(t.rows()[1], "$");
}

TEST(ShrinkTest, RowsBeyondTheBlankOnesLeaveAtTheTop) {
    Terminal t(5, 6, 100);
    t.feed("a\r\nb\r\nc\r\nd");  // cursor on row 3, rows 4 and 5 blank
    t.screen.resize(5, 2);
    EXPECT_EQ(t.screen.scrollbackLines(), (std::vector<std::string>{"a    ", "b    "}));
    EXPECT_EQ(t.rows(), (std::vector<std::string>{"c", "d"}));
    EXPECT_EQ(t.screen.cursorRow(), 1);
    t.screen.resize(5, 6);  // growing restores from the scrollback first
    EXPECT_EQ(t.rows(), (std::vector<std::string>{"a", "b", "c", "d", "", ""}));
    EXPECT_EQ(t.screen.cursorRow(), 3);
}

TEST(ShrinkTest, CursorAtTheBottomAsBefore) {
    Terminal t(5, 4, 100);
    t.feed("a\r\nb\r\nc\r\nd");
    t.screen.resize(5, 2);
    EXPECT_EQ(t.screen.scrollbackLines(), (std::vector<std::string>{"a    ", "b    "}));
    EXPECT_EQ(t.rows(), (std::vector<std::string>{"c", "d"}));
}

TEST(ShrinkTest, ANonBlankRowBelowTheCursorStops) {
    Terminal t(5, 5, 100);
    t.feed("a" CSI "4;1Hx" CSI "2;1H");  // rows: a, (cursor), blank, x, blank
    t.screen.resize(5, 3);
    // Only the blank last row goes from the bottom; x stops the rest.
    EXPECT_EQ(t.screen.scrollbackLines(), (std::vector<std::string>{"a    "}));
    EXPECT_EQ(t.rows(), (std::vector<std::string>{"", "", "x"}));
    EXPECT_EQ(t.screen.cursorRow(), 0);
}

TEST(LinkTest, CellsCarryTheOpenLinkUntilItCloses) {
    Terminal t(10, 2);
    t.feed(OSC8("http://a") "ab" OSC8("") "c" ESC "]8;id=1;http://b" ESC "\\" "\xe4\xb8\xad");
    EXPECT_EQ(t.screen.viewLinkAt(0, 0), "http://a");
    EXPECT_EQ(t.screen.viewLinkAt(1, 0), "http://a");
    EXPECT_EQ(t.screen.viewLinkAt(2, 0), "");
    EXPECT_EQ(t.screen.viewLinkAt(3, 0), "http://b");
    EXPECT_EQ(t.screen.viewLinkAt(4, 0), "http://b");  // both halves of a wide character
    t.feed("\rx" CSI "K");
    EXPECT_EQ(t.screen.viewLinkAt(0, 0), "http://b");  // overwritten under the still-open link
    EXPECT_EQ(t.screen.viewLinkAt(1, 0), "");          // erased
}

TEST(LinkTest, AnOverlongUriIsIgnoredWhole) {
    Terminal t(10, 1);
    t.feed(OSC8("http://a") "x" ESC "]8;;" + std::string(Parser::kMaxUriBytes + 1, 'u') + "\x07" "y");
    EXPECT_EQ(t.screen.viewLinkAt(1, 0), "http://a");
    t.feed(ESC "]8;;" + std::string(Parser::kMaxUriBytes, 'u') + "\x07" "z");
    EXPECT_EQ(t.screen.viewLinkAt(2, 0).size(), Parser::kMaxUriBytes);
}

TEST(LinkTest, UnusedLinksAreRecycledAndLiveOnesKept) {
    // 5000 cells, each with a link of its own: the first 4096 live; the rest
    // find every id in use and carry none.
    Terminal t(100, 50, 0);
    std::string bytes;
    for (int i = 0; i < 5000; ++i) bytes += ESC "]8;;u" + std::to_string(i) + "\x07" "x";
    t.feed(bytes);
    EXPECT_EQ(t.screen.viewLinkAt(95, 40), "u4095");
    EXPECT_EQ(t.screen.viewLinkAt(96, 40), "");
    // Once the cells are erased their links are unused and new ones take their ids.
    t.feed(CSI "2J" OSC8("") CSI "H" OSC8("fresh") "y");
    EXPECT_EQ(t.screen.viewLinkAt(0, 0), "fresh");
}

TEST(LinkTest, LinksFollowTheirCellsIntoTheScrollback) {
    Terminal t(5, 2, 10);
    t.feed(OSC8("http://a") "ab" OSC8("") "\r\n\r\n\r\n");
    t.screen.scrollViewUp(2);
    EXPECT_EQ(t.screen.viewLinkAt(1, 0), "http://a");
    EXPECT_EQ(t.screen.viewMarksAt(1, 0), U"");
}

}  // namespace
}  // namespace vesper::test
