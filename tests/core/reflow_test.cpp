// Column changes re-wrap the primary screen and its scrollback: byte scripts
// with resizes, checked on every held line (text and soft wrap), the cursor,
// marks and links, the view and carried positions.
#include <gtest/gtest.h>

#include "terminal_harness.h"

namespace vesper::test {
namespace {

#define WIDE "\xe4\xb8\xad"   // U+4E2D, two columns
#define WIDE2 "\xe6\x96\x87"  // U+6587, two columns

// Every held line, oldest first: its trimmed text, "+" when it is soft-wrapped.
std::vector<std::string> held(const Screen& s) {
    std::vector<std::string> out;
    for (int line = s.firstLine(); line < s.endLine(); ++line)
        out.push_back(rtrim(s.lineText(line)) + (s.isLineWrapped(line) ? "+" : ""));
    return out;
}

struct ReflowCase {
    const char* name;
    int columns, rows;
    std::string bytes;
    int newColumns, newRows;
    std::vector<std::string> lines;  // every held line after the resize
    int cursorRow, cursorColumn;
};

void PrintTo(const ReflowCase& c, std::ostream* os) { *os << c.name; }

const ReflowCase kCases[] = {
    {"NarrowSplitsAWrappedLine", 10, 3, "0123456789ABCDE", 5, 3, {"01234+", "56789+", "ABCDE"}, 2, 5},
    {"WidenJoinsIt", 5, 3, "0123456789ABCDE", 10, 3, {"0123456789+", "ABCDE", ""}, 1, 5},
    {"HardLineEndsStaySeparate", 6, 3, "abc\r\ndef", 2, 3, {"ab+", "c", "de+", "f"}, 2, 1},
    {"TrailingBlanksAreNotCarried", 8, 2, "ab      \r\ncd", 2, 2, {"ab", "cd"}, 1, 2},
    {"WideCharacterStraddlingTheMarginMoves", 6, 2, "ab" WIDE WIDE2 "cd", 5, 2, {"ab" WIDE "+", WIDE2 "cd"}, 1, 4},
    {"PaddingBeforeAMovedWideCharacterGoes", 5, 2, "ab" WIDE WIDE2 "cd", 6, 2, {"ab" WIDE WIDE2 "+", "cd"}, 1, 2},
    {"OneColumnKeepsTheLeftHalf", 4, 3, WIDE "a", 1, 3, {WIDE "+", "a", ""}, 1, 1},
    {"CursorKeepsItsBlanks", 10, 2, "$ ", 1, 2, {"$+", ""}, 1, 1},
    {"CursorOnACharacterFollowsIt", 10, 2, "0123456789AB" CSI "1;4H", 4, 3, {"0123+", "4567+", "89AB"}, 0, 3},
    {"PendingWrapAtTheEnd", 6, 2, "abcdef", 3, 2, {"abc+", "def"}, 1, 3},
    {"BlankRowsBelowTheCursorGoFirst", 10, 4, "0123456789AB" CSI "1;1H", 4, 4, {"0123+", "4567+", "89AB", ""}, 0, 0},
    {"RowsAndColumnsTogether", 8, 4, "abcdefgh\r\nij", 4, 2, {"abcd+", "efgh", "ij"}, 1, 2},
    {"WidenPullsLinesFromTheScrollback", 4, 2, "a\r\nbcdefg", 8, 2, {"a", "bcdefg"}, 1, 6},
    {"WidenedRowBelowTheCursorIsKept", 4, 4, "x\r\nabcdefgh" CSI "1;1H", 8, 2, {"x", "abcdefgh"}, 0, 0},
};

class ReflowTest : public ::testing::TestWithParam<ReflowCase> {};

TEST_P(ReflowTest, ReWrapsHeldLines) {
    const ReflowCase& c = GetParam();
    Terminal t(c.columns, c.rows, 100);
    t.feed(c.bytes);
    t.screen.resize(c.newColumns, c.newRows);
    t.screen.checkInvariants();
    EXPECT_EQ(held(t.screen), c.lines);
    EXPECT_EQ(t.screen.cursorRow(), c.cursorRow);
    EXPECT_EQ(t.screen.cursorColumn(), c.cursorColumn);
}

INSTANTIATE_TEST_SUITE_P(Reflow, ReflowTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Narrowing and widening back gives the original rows and flags exactly,
// scrollback included, at every intermediate width.
TEST(ReflowRoundTrip, NarrowThenWidenRestoresEveryRow) {
    const std::string script =
        "first line, long enough to wrap twice at thirty\r\n"
        "x" WIDE WIDE2 "y" WIDE "z\r\n"
        "\r\n" CSI "1;31mred text" CSI "m and plain, also wrapping past the margin\r\n"
        "short\r\nlast";
    for (int narrow : {29, 17, 9, 5, 3, 2}) {
        Terminal t(30, 6, 100);
        t.feed(script);
        const Snapshot before = t.snapshot();
        const auto text = held(t.screen);
        t.screen.resize(narrow, 6);
        t.screen.checkInvariants();
        t.screen.resize(30, 6);
        t.screen.checkInvariants();
        EXPECT_EQ(held(t.screen), text) << "through " << narrow;
        const Snapshot after = t.snapshot();
        EXPECT_EQ(after.lines, before.lines) << "through " << narrow;
        EXPECT_EQ(after.extras, before.extras) << "through " << narrow;
        EXPECT_EQ(after.cursorRow, before.cursorRow) << "through " << narrow;
        EXPECT_EQ(after.cursorColumn, before.cursorColumn) << "through " << narrow;
    }
}

TEST(ReflowScrollback, FullScrollbackDropsTheOldestRowsAfterwards) {
    Terminal t(8, 2, 4);
    for (char c = 'a'; c <= 'f'; ++c) t.feed(std::string(8, c) + "\r\n");
    // Held: b..f and the cursor row; at 4 columns the oldest rows go, the
    // first half of d's line with them.
    t.screen.resize(4, 2);
    t.screen.checkInvariants();
    EXPECT_EQ(t.screen.scrollbackLineCount(), 4);
    EXPECT_EQ(held(t.screen), (std::vector<std::string>{"dddd", "eeee+", "eeee", "ffff+", "ffff", ""}));
    t.screen.resize(8, 2);
    t.screen.checkInvariants();
    EXPECT_EQ(held(t.screen), (std::vector<std::string>{"dddd", "eeeeeeee", "ffffffff", ""}));
}

TEST(ReflowExtras, MarksLinksAndAttributesMoveWithTheirCells) {
    Terminal t(6, 2, 10);
    t.feed("abcd" ESC "]8;;http://x\x07" CSI "1me\xcc\x81" CSI "m" ESC "]8;;\x07" "f");
    t.screen.resize(3, 2);
    t.screen.checkInvariants();
    // "abc" / "de\u0301f": the marked, linked, bold e is row 1, column 1.
    EXPECT_EQ(t.screen.viewMarksAt(1, 1), std::u32string(U"\u0301"));
    EXPECT_EQ(t.screen.viewLinkAt(1, 1), "http://x");
    EXPECT_TRUE(t.screen.viewCellAt(1, 1).attributes().bold());
    EXPECT_TRUE(t.screen.viewLinkAt(0, 1).empty());
    EXPECT_TRUE(t.screen.viewMarksAt(1, 0).empty());
}

TEST(ReflowAlternate, AlternateIsCutWhileTheSavedPrimaryReflows) {
    Terminal t(8, 3, 10);
    t.feed("abcdefghij");                   // primary: "abcdefgh"+ "ij", cursor (1,2)
    t.feed(CSI "?1049h" CSI "H" "ALTERNATE-TEXT");  // alternate: "ALTERNAT"+ "E-TEXT"
    t.screen.resize(4, 3);
    t.screen.checkInvariants();
    EXPECT_EQ(held(t.screen), (std::vector<std::string>{"ALTE", "E-TE", ""}));
    t.feed(CSI "?1049l");
    EXPECT_EQ(held(t.screen), (std::vector<std::string>{"abcd+", "efgh+", "ij"}));
    EXPECT_EQ(t.screen.cursorRow(), 2);
    EXPECT_EQ(t.screen.cursorColumn(), 2);
}

TEST(ReflowView, ScrolledBackViewKeepsItsTopTextAndLiveStaysLive) {
    Terminal t(6, 2, 20);
    for (char c = 'a'; c <= 'h'; ++c) t.feed(std::string(1, c) + "-23456789\r\n");
    t.screen.setViewOffset(5);
    const std::string top = t.screen.viewRowText(0);
    t.screen.resize(3, 2);
    EXPECT_TRUE(t.screen.viewScrolled());
    EXPECT_EQ(rtrim(t.screen.viewRowText(0)), top.substr(0, 3));
    t.screen.setViewOffset(0);
    t.screen.resize(12, 2);
    EXPECT_FALSE(t.screen.viewScrolled());
    EXPECT_EQ(t.screen.viewTopLine(), t.screen.screenTopLine());
}

TEST(ReflowPositions, PositionsFollowTheirCharactersOrLoseHeld) {
    Terminal t(10, 2, 2);
    t.feed("0123456789ABCDEFGHIJ\r\nxy");
    const int first = t.screen.firstLine();
    std::vector<LinePosition> positions = {{first, 3}, {first + 1, 4}, {first + 2, 1}};
    t.screen.resize(5, 2, positions);
    t.screen.checkInvariants();
    // Held now: "56789"+ "ABCDE"+ "FGHIJ" "xy": the first row left through the limit.
    EXPECT_FALSE(positions[0].held);
    ASSERT_TRUE(positions[1].held);
    EXPECT_EQ(rtrim(t.screen.lineText(positions[1].line)), "ABCDE");
    EXPECT_EQ(positions[1].column, 4);
    ASSERT_TRUE(positions[2].held);
    EXPECT_EQ(t.screen.lineText(positions[2].line).substr(std::size_t(positions[2].column), 1), "y");
}

TEST(ReflowRows, RowsOnlyChangeDoesNotReflow) {
    Terminal t(4, 3, 10);
    t.feed("abcdefgh\r\n");
    t.screen.resize(4, 5);
    EXPECT_EQ(held(t.screen), (std::vector<std::string>{"abcd+", "efgh", "", "", ""}));
}

}  // namespace
}  // namespace vesper::test
